// LRC reading on arbitrary bytes: never reads outside the input, and whatever
// it reads is a consistent timeline (parallel lists of the count's length,
// times ascending before the offset is applied, rows alternating).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "base/text.h"
#include "media/lyrics.h"
#include "platform/fake/fake_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lantern;
  platform::fake::FakeTextRenderer text;
  media::LyricTimeline lyrics;
  const media::LyricFont font{"Lyric", 20, 0, 30, 40};  // 10 pixels a character; cut at 120
  // Bytes without a mark that are not UTF-8 are read as Latin-1 would read them.
  bool decoded = false;
  const media::CodePageDecoder latin1 = [&](std::string_view bytes) {
    decoded = true;
    std::string out;
    for (const unsigned char c : bytes) {
      if (c >= 0x80) out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(c >= 0x80 ? 0x80 | (c & 0x3F) : c);
    }
    return out;
  };
  const bool read = media::ParseLyrics(std::span(data, size), latin1, lyrics);
  // Well-formed UTF-8 outside ASCII never reaches the code page.
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  const bool marked = size >= 2 && (data[0] == 0xEF || data[0] == 0xFF || data[0] == 0xFE);
  const bool ascii = std::all_of(raw.begin(), raw.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!marked && !ascii && base::IsWellFormedUtf8(raw) && decoded) std::abort();
  if (read != (lyrics.LyricCount > 0)) std::abort();
  if (!read) return 0;
  const int32_t n = lyrics.LyricCount;
  if (lyrics.LyricText.size() != n || lyrics.LyricTime.size() != n || lyrics.LyricRow.size() != n ||
      lyrics.LyricWidth.size() != n || lyrics.LyricShown.size() != n) {
    std::abort();
  }
  for (int32_t i = 1; i <= n; ++i) {
    if (lyrics.LyricRow[i] != (i % 2 == 0 ? 1 : 0)) std::abort();
    if (lyrics.LyricWidth[i] != media::kWidthNotMeasured) std::abort();
    const int32_t width = media::LineWidth(lyrics, i, font, text);
    if ((width == 0) != lyrics.LyricText[i].empty() || lyrics.LyricWidth[i] != width) std::abort();
    // What shows is a start of the line, at most four box widths (a first
    // character wider than that is kept alone), measured as LineWidth says.
    const std::string shown = media::ShownText(lyrics, i, font, text);
    if (lyrics.LyricText[i].compare(0, shown.size(), shown) != 0) std::abort();
    if (width !=
        (shown.empty() ? 0 : static_cast<int32_t>(text.MeasureWidth(shown, "", 20, 0)) + 1))
      std::abort();
    if (width > 4 * 30 + 1 && base::Utf8ToUtf16(shown).size() > 2) std::abort();
    if (i > 1 && lyrics.LyricOffset == 0 && lyrics.LyricTime[i - 1] > lyrics.LyricTime[i]) {
      std::abort();
    }
  }
  album::OneBased<int32_t> flags{n};
  for (int32_t& f : flags)
    f = 1;
  for (const int32_t t : {-1, 0, lyrics.LyricTime[1] + 1, lyrics.LyricTime[n] + 1}) {
    media::DueLine(lyrics, t, 80, 20, &flags, 1);
    if (auto sweep = media::SweepLine(lyrics, t, flags, 1e6)) {
      if (sweep->index < 1 || sweep->index > n) std::abort();
    }
  }
  return 0;
}
