// Line breaking on arbitrary text (ill-formed UTF-8 included) at a width
// taken from the input's first byte: never reads outside the text, always
// ends, and every line either fits or holds a single visible character; the lines
// together keep every byte that is not a blank or a line break, in order.
// The same text cut to one line of that width keeps a start of it that fits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/text.h"
#include "platform/text_layout.h"

namespace {

float Width(const std::string& line) {
  return static_cast<float>(lantern::base::Utf8ToUtf16(line).size());
}

// Characters other than blanks (space, tab, ideographic space).
size_t Visible(const std::string& line) {
  size_t count = 0;
  for (size_t i = 0; i < line.size();) {
    const char32_t c = lantern::base::DecodeUtf8(line, i);
    if (c != U' ' && c != U'\t' && c != 0x3000) ++count;
  }
  return count;
}

std::string Kept(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') out += c;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const float width = static_cast<float>(data[0] % 40);
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::vector<std::string> lines = lantern::platform::WrapLines(text, width, Width);
  std::string joined;
  for (const std::string& line : lines) {
    if (width > 0 && Width(line) > width && Visible(line) != 1) std::abort();
    joined += line;
  }
  // The ideographic space is a blank too: compare without it.
  const auto without_ideographic_space = [](std::string s) {
    for (size_t at; (at = s.find("\xE3\x80\x80")) != std::string::npos;)
      s.erase(at, 3);
    return s;
  };
  if (without_ideographic_space(Kept(joined)) != without_ideographic_space(Kept(text)))
    std::abort();

  // One line cut to the width (at most as many characters as the second byte
  // says): a start of the text, cut between characters, whose width is the
  // one returned; within the width unless it is the first character alone.
  const size_t max_chars = size > 1 ? data[1] % 64 + 1 : 1;
  const lantern::platform::LineFit fit =
      lantern::platform::FitOneLine(text, width, max_chars, Width);
  if (fit.bytes > text.size() || (fit.bytes == 0) != text.empty()) std::abort();
  const std::string kept = text.substr(0, fit.bytes);
  if (fit.width != Width(kept)) std::abort();
  size_t chars = 0;
  size_t at = 0;
  while (at < fit.bytes) {
    lantern::base::DecodeUtf8(text, at);
    ++chars;
  }
  if (at != fit.bytes || chars > max_chars) std::abort();
  if (fit.width > width && chars != 1) std::abort();
  return 0;
}
