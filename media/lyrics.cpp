// The lyric timeline: LRC reading, sorting, measuring, and the time lookups.
//
// Sections: [decoding] [numbers] [the line scan] [finishing] [lookups]
//
// The scan works on UTF-16 code units with 1-based positions, so that every
// "character at position p" and "n characters from p" below counts the same
// units the player's own string functions count; 0 stands for "not found".
#include "media/lyrics.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "base/rounding.h"
#include "base/text.h"
#include "media/exchange_order.h"
#include "platform/text_layout.h"

namespace lantern::media {

namespace {

// [decoding] ------------------------------------------------------------------

std::u16string Utf16Units(std::span<const uint8_t> bytes, bool big_endian) {
  std::u16string units(bytes.size() / 2, u'\0');  // an odd last byte is dropped
  for (size_t i = 0; i < units.size(); ++i) {
    const uint8_t a = bytes[2 * i];
    const uint8_t b = bytes[2 * i + 1];
    units[i] = static_cast<char16_t>(big_endian ? (a << 8) | b : (b << 8) | a);
  }
  return units;
}

// Bytes without a mark are UTF-8 when they are well-formed UTF-8 with at
// least one multi-byte sequence: most LRC files made today are, and text in
// a multi-byte code page such as GBK is almost never well-formed UTF-8. Plain
// ASCII reads the same either way and goes to the code page.
bool LooksLikeUtf8(std::string_view raw) {
  const bool multi_byte =
      std::any_of(raw.begin(), raw.end(), [](char c) { return static_cast<uint8_t>(c) >= 0x80; });
  return multi_byte && base::IsWellFormedUtf8(raw);
}

// A byte-order mark decides the encoding; without one the bytes are UTF-8
// when they look like it, and otherwise in the system code page.
std::u16string Decode(std::span<const uint8_t> bytes, const CodePageDecoder& decode) {
  const auto starts = [&](std::initializer_list<uint8_t> mark) {
    return bytes.size() >= mark.size() && std::equal(mark.begin(), mark.end(), bytes.begin());
  };
  if (starts({0xEF, 0xBB, 0xBF})) {
    const auto rest = bytes.subspan(3);
    return base::Utf8ToUtf16({reinterpret_cast<const char*>(rest.data()), rest.size()});
  }
  if (starts({0xFF, 0xFE})) return Utf16Units(bytes.subspan(2), false);
  if (starts({0xFE, 0xFF})) return Utf16Units(bytes.subspan(2), true);
  const std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (!decode || LooksLikeUtf8(raw)) return base::Utf8ToUtf16(raw);
  return base::Utf8ToUtf16(decode(raw));
}

// [numbers] -------------------------------------------------------------------

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}
char16_t AsciiLower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c;
}

// The leading decimal number of a text: blanks, an optional sign, digits with
// at most one decimal point. Anything else ends it; no number at all is 0.
double LeadingNumber(std::u16string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == u' ' || s[i] == u'\t'))
    ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
  double value = 0;
  double scale = 0;  // 0 before the decimal point, then the place of the next digit
  for (; i < s.size(); ++i) {
    if (IsDigit(s[i])) {
      const int digit = s[i] - u'0';
      if (scale == 0) {
        value = value * 10 + digit;
      } else {
        value += digit * scale;
        scale /= 10;
      }
    } else if (s[i] == u'.' && scale == 0) {
      scale = 0.1;
    } else {
      break;
    }
  }
  return negative ? -value : value;
}

// Whole numbers from fractions the way the player stores them in its 32-bit
// integers: rounded half to even; nullopt when the value does not fit.
std::optional<int32_t> ToLong(double x) {
  if (!(std::fabs(x) < 2147483647.5)) return std::nullopt;
  const int64_t r = base::Round(x);
  if (r > std::numeric_limits<int32_t>::max() || r < std::numeric_limits<int32_t>::min()) {
    return std::nullopt;
  }
  return static_cast<int32_t>(r);
}

// [the line scan] ---------------------------------------------------------------

// One line with 1-based access and the searches the scan needs. The next
// "[", "]" and "][" from every position are found in one pass, so a file of
// bare line feeds (one long line) is scanned in linear time.
class Line {
 public:
  explicit Line(std::u16string_view text) : text_(text) {
    const int32_t n = size();
    next_open_.assign(static_cast<size_t>(n) + 2, 0);
    next_close_.assign(static_cast<size_t>(n) + 2, 0);
    next_pair_.assign(static_cast<size_t>(n) + 2, 0);
    for (int32_t p = n; p >= 1; --p) {
      const auto i = static_cast<size_t>(p);
      next_open_[i] = At(p) == u'[' ? p : next_open_[i + 1];
      next_close_[i] = At(p) == u']' ? p : next_close_[i + 1];
      next_pair_[i] = At(p) == u']' && At(p + 1) == u'[' ? p : next_pair_[i + 1];
    }
  }

  int32_t size() const { return static_cast<int32_t>(text_.size()); }
  // The character at p; NUL outside the line.
  char16_t At(int32_t p) const {
    return p >= 1 && p <= size() ? text_[static_cast<size_t>(p - 1)] : u'\0';
  }
  // Up to `count` characters from p (fewer at the end of the line).
  std::u16string_view Mid(int32_t p, int32_t count) const {
    if (p < 1 || p > size() || count <= 0) return {};
    return text_.substr(static_cast<size_t>(p - 1), static_cast<size_t>(count));
  }
  std::u16string_view Rest(int32_t p) const { return Mid(p, size()); }
  double Value(int32_t p, int32_t count) const { return LeadingNumber(Mid(p, count)); }

  // Positions of the first "[", "]" or "][" at or after p; 0 when there is none.
  int32_t FindOpen(int32_t p) const { return Find(next_open_, p); }
  int32_t FindClose(int32_t p) const { return Find(next_close_, p); }
  int32_t FindPair(int32_t p) const { return Find(next_pair_, p); }

 private:
  int32_t Find(const std::vector<int32_t>& next, int32_t p) const {
    if (p > size()) return 0;
    return next[static_cast<size_t>(std::max(p, 1))];
  }

  std::u16string_view text_;
  std::vector<int32_t> next_open_, next_close_, next_pair_;
};

// What the scan collects before the timeline is finished.
struct Collected {
  std::vector<int32_t> times;
  std::vector<std::u16string> texts;
  int32_t pending = 0;  // time tags waiting for the text of a later tag on their line
  std::u16string title, artist, album, by;
  int32_t offset = 0;
};

// The start of a time tag at h in centiseconds. Each field is read from fixed
// places: minutes over one character when a ":" follows it, else two (three
// when the two read as 0, as in "005:"); seconds over two characters, or over
// three when the two read as 0, which shifts the hundredths one place on (so
// "[01:00.50]" reads its hundredths from "0]"). Each step is stored as a whole
// number, as the player accumulated it.
int32_t TagTime(const Line& line, int32_t h) {
  double minutes;
  int32_t e;
  if (line.At(h + 2) == u':') {
    minutes = line.Value(h + 1, 1);
    e = 3;
  } else {
    minutes = line.Value(h + 1, 2);
    if (minutes <= 0) minutes = line.Value(h + 1, 3);
    e = 4;
  }
  // Every field is at most three characters, so none of these can overflow.
  int64_t time = base::Round(minutes * 6000);
  double seconds = line.Value(h + e, 2);
  int32_t hundredths_at = h + e + 3;
  if (seconds <= 0) {
    seconds = line.Value(h + e, 3);
    hundredths_at = h + e + 4;
  }
  time += base::Round(seconds * 100);
  time = base::Round(static_cast<double>(time) + line.Value(hundredths_at, 2));
  return static_cast<int32_t>(time);
}

std::u16string WithoutLineBreaks(std::u16string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (const char16_t c : s) {
    if (c != u'\r' && c != u'\n') out += c;
  }
  return out;
}

// The text of a time tag at h whose "]" is at K: the rest of the line, or up
// to the next "[" without the character before it (the line feed of a file
// with bare line feeds). A "[" right after a "][" pair's "]" is the start of
// further tags on the same text, so the text runs on to the end of the line.
std::u16string TagText(const Line& line, int32_t h, int32_t k) {
  const int32_t e = line.FindPair(h);
  const int32_t z = line.FindOpen(k + 1);
  if (z == 0 || z == e + 1) return WithoutLineBreaks(line.Rest(k + 1));
  return WithoutLineBreaks(line.Mid(k + 1, z - k - 2));
}

// A "[xx:value]" tag's value, from h + 4 up to the first "]"; nothing when it
// has no "]" where the value could end.
std::optional<std::u16string> TagValue(const Line& line, int32_t h) {
  const int32_t k = line.FindClose(h);
  if (k == 0 || k - h - 4 < 0) return std::nullopt;
  return std::u16string(line.Mid(h + 4, k - h - 4));
}

void ReadTimeTag(const Line& line, int32_t h, Collected& c) {
  c.times.push_back(TagTime(line, h));
  c.texts.emplace_back();
  // Positions that are "none" are 0, as the player's searches return them: a
  // tag without any "]" compares equal to "no pair" and then tests the
  // line's second character.
  const int32_t k = line.FindClose(h);
  const int32_t e = line.FindPair(h);
  if (e == k && IsDigit(line.At(e + 2))) {
    ++c.pending;
    return;
  }
  std::u16string text = TagText(line, h, k);
  const size_t last = c.texts.size() - 1;
  const size_t pending = std::min(static_cast<size_t>(c.pending), last);
  for (size_t i = last - pending; i < last; ++i)
    c.texts[i] = text;
  c.texts[last] = std::move(text);
  c.pending = 0;
}

void ScanLine(const Line& line, Collected& c) {
  for (int32_t h = line.FindOpen(1); h != 0; h = line.FindOpen(h + 1)) {
    const char16_t a = AsciiLower(line.At(h + 1));
    const char16_t b = AsciiLower(line.At(h + 2));
    std::u16string* tag = nullptr;
    if (a == u't' && b == u'i') tag = &c.title;
    if (a == u'a' && b == u'r') tag = &c.artist;
    if (a == u'a' && b == u'l') tag = &c.album;
    if (a == u'b' && b == u'y') tag = &c.by;
    if (tag != nullptr) {
      if (auto value = TagValue(line, h)) *tag = std::move(*value);
    } else if (a == u'o' && b == u'f') {
      // "[offset:" is eight characters; a value that cannot be read as a
      // 32-bit number leaves the offset as it was.
      const int32_t k = line.FindClose(h);
      if (k != 0 && k - h - 8 >= 0) {
        if (auto ms = ToLong(line.Value(h + 8, k - h - 8))) c.offset = *ms;
      }
    } else if (IsDigit(line.At(h + 1))) {
      ReadTimeTag(line, h, c);
    }
  }
}

// Lines end at a carriage return or a carriage return + line feed; a bare
// line feed does not end a line.
template <typename Visit>
void ForEachLine(std::u16string_view text, Visit visit) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(u'\r', start);
    if (end == std::u16string_view::npos) end = text.size();
    visit(text.substr(start, end - start));
    start = end + 1;
    if (start < text.size() && text[start] == u'\n') ++start;
  }
}

// [finishing] -------------------------------------------------------------------

// Lines sorted by time, lines of equal time in the order the player's
// exchange sort leaves them. A file already in order stays as it is.
void SortByTime(std::vector<int32_t>& times, std::vector<std::u16string>& texts) {
  if (std::is_sorted(times.begin(), times.end())) return;
  const std::vector<size_t> order = ExchangeSortOrder(times);
  std::vector<int32_t> sorted_times(times.size());
  std::vector<std::u16string> sorted_texts(texts.size());
  for (size_t k = 0; k < order.size(); ++k) {
    sorted_times[k] = times[order[k]];
    sorted_texts[k] = std::move(texts[order[k]]);
  }
  times = std::move(sorted_times);
  texts = std::move(sorted_texts);
}

// Measures line i, if it was not yet, as one line cut to what can show.
void MeasureLine(LyricTimeline& lyrics, int32_t i, const LyricFont& font,
                 platform::TextRenderer& renderer) {
  if (lyrics.LyricWidth[i] != kWidthNotMeasured && lyrics.LyricShownBytes[i] >= 0) return;
  // What can show: a number of box widths, and no more characters than
  // pixels. Without a box nothing bounds a line.
  const bool boxed = font.box_width > 0;
  const float limit = boxed ? std::min(kShownBoxWidths * font.box_width, 1e8f) : 1e8f;
  const size_t max_chars = boxed ? static_cast<size_t>(limit) : SIZE_MAX;
  // Measured in a box the kept line cannot fill, so it is measured unbroken.
  const float box = std::max(1e6f, 2 * limit);
  const platform::LineFit fit =
      platform::FitOneLine(lyrics.LyricText[i], limit, max_chars, [&](const std::string& line) {
        return renderer.MeasureString(line, font.name, font.size, font.style, box, font.box_height);
      });
  // A renderer's nonsense (negative, not a number, absurdly wide) stays in range.
  const double w =
      std::isfinite(fit.width) ? std::clamp(static_cast<double>(fit.width), 0.0, 1e9) : 0.0;
  lyrics.LyricShownBytes[i] = static_cast<int32_t>(fit.bytes);
  lyrics.LyricWidth[i] = fit.bytes == 0 ? 0 : base::Int32(w) + 1;
}

void Reset(LyricTimeline& out) {
  out.LyricTitle.clear();
  out.LyricArtist.clear();
  out.LyricAlbum.clear();
  out.LyricBy.clear();
  out.LyricOffset = 0;
  out.LyricCount = 0;
  out.LyricText.Resize(1);
  out.LyricTime.Resize(1);
}

}  // namespace

bool ParseLyrics(std::span<const uint8_t> bytes, const CodePageDecoder& decode,
                 LyricTimeline& out) {
  Reset(out);
  if (bytes.size() > kMaxLyricFileBytes) return false;
  Collected c;
  const std::u16string decoded = Decode(bytes, decode);
  ForEachLine(decoded, [&](std::u16string_view line) { ScanLine(Line(line), c); });

  // The tags are kept even when no timed line was read.
  out.LyricTitle = base::Utf16ToUtf8(c.title);
  out.LyricArtist = base::Utf16ToUtf8(c.artist);
  out.LyricAlbum = base::Utf16ToUtf8(c.album);
  out.LyricBy = base::Utf16ToUtf8(c.by);
  out.LyricOffset = c.offset;
  if (c.times.empty()) return false;
  // One 32-bit count; a file with more time tags than that cannot be read
  // into memory anyway, but the count must never wrap.
  if (c.times.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return false;

  SortByTime(c.times, c.texts);
  const auto count = static_cast<int32_t>(c.times.size());
  out.LyricCount = count;
  out.LyricText.Resize(count);
  out.LyricTime.Resize(count);
  out.LyricRow.Resize(count);
  out.LyricShown.Resize(count);
  out.LyricShownDynamic.Resize(count);
  out.LyricWidth.Resize(count);
  out.LyricShownBytes.Resize(count);
  // The offset moves lines earlier (positive) or later (negative), in whole
  // centiseconds; only a shifted time is held at 0.
  const int64_t shift = base::Round(static_cast<double>(c.offset) / 10);
  for (int32_t i = 1; i <= count; ++i) {
    const auto n = static_cast<size_t>(i - 1);
    int64_t time = c.times[n];
    if (c.offset != 0) time = std::max<int64_t>(time - shift, 0);
    out.LyricTime[i] = static_cast<int32_t>(time);
    out.LyricText[i] = base::Utf16ToUtf8(c.texts[n]);
    if (i % 2 == 0) out.LyricRow[i] = 1;
  }
  ForgetLyricWidths(out);
  return true;
}

void ForgetLyricWidths(LyricTimeline& lyrics) {
  const int32_t count = std::min(lyrics.LyricCount, lyrics.LyricText.size());
  lyrics.LyricWidth.Resize(count);
  lyrics.LyricShownBytes.Resize(count);
  for (int32_t i = 1; i <= count; ++i) {
    lyrics.LyricWidth[i] = kWidthNotMeasured;
    lyrics.LyricShownBytes[i] = kWidthNotMeasured;
  }
}

bool LoadLyricFile(platform::FileSystem& files, const std::string& path,
                   const CodePageDecoder& decode, LyricTimeline& out) {
  const std::optional<uint64_t> size = files.FileSize(path);
  const auto bytes = size && *size <= kMaxLyricFileBytes ? files.ReadFile(path) : std::nullopt;
  if (!bytes) {
    Reset(out);
    return false;
  }
  return ParseLyrics(*bytes, decode, out);
}

namespace {

bool Measurable(const LyricTimeline& lyrics, int32_t i) {
  return i >= 1 && i <= lyrics.LyricText.size() && i <= lyrics.LyricWidth.size() &&
         i <= lyrics.LyricShownBytes.size();
}

}  // namespace

int32_t LineWidth(LyricTimeline& lyrics, int32_t i, const LyricFont& font,
                  platform::TextRenderer& text) {
  if (!Measurable(lyrics, i)) return 0;
  MeasureLine(lyrics, i, font, text);
  return lyrics.LyricWidth[i];
}

std::string ShownText(LyricTimeline& lyrics, int32_t i, const LyricFont& font,
                      platform::TextRenderer& text) {
  if (!Measurable(lyrics, i)) return {};
  MeasureLine(lyrics, i, font, text);
  return lyrics.LyricText[i].substr(0, static_cast<size_t>(lyrics.LyricShownBytes[i]));
}

// [lookups] -----------------------------------------------------------------------

int32_t PositionCentiseconds(double seconds) {
  const double cs = seconds * 100;
  if (std::isnan(cs)) return 0;
  constexpr double kMax = std::numeric_limits<int32_t>::max();
  constexpr double kMin = std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(base::Round(std::clamp(cs, kMin, kMax)));
}

namespace {

bool FlagIs(const album::OneBased<int32_t>* flags, int32_t i, int32_t wanted) {
  if (flags == nullptr) return true;
  return i >= 1 && i <= flags->size() && (*flags)[i] == wanted;
}

// The song's length as the sweep of the last line compares it: the integer
// part of its centiseconds.
int64_t DurationCentiseconds(double seconds) {
  const double cs = seconds * 100;
  if (std::isnan(cs)) return 0;
  return base::Int(std::clamp(cs, -1e15, 1e15));
}

}  // namespace

int32_t DueLine(const LyricTimeline& lyrics, int32_t t, int32_t before, int32_t after,
                const album::OneBased<int32_t>* flags, int32_t wanted) {
  const int32_t count = std::min(lyrics.LyricCount, lyrics.LyricTime.size());
  for (int32_t i = 1; i <= count; ++i) {
    if (!FlagIs(flags, i, wanted)) continue;
    const int64_t time = lyrics.LyricTime[i];
    if (time - before < t && t < time + after) return i;
  }
  return 0;
}

std::optional<Sweep> SweepLine(const LyricTimeline& lyrics, int32_t t,
                               const album::OneBased<int32_t>& flags, double duration_seconds) {
  const int32_t count = std::min(lyrics.LyricCount, lyrics.LyricTime.size());
  if (count < 1) return std::nullopt;
  for (int32_t i = 1; i < count; ++i) {
    const int32_t start = lyrics.LyricTime[i];
    const int64_t end = static_cast<int64_t>(lyrics.LyricTime[i + 1]) - 5;
    if (FlagIs(&flags, i, 1) && start < t && t < end) {
      return Sweep{i, start, static_cast<int32_t>(end)};
    }
  }
  const int32_t start = lyrics.LyricTime[count];
  const int64_t end = DurationCentiseconds(duration_seconds);
  if (FlagIs(&flags, count, 1) && start < t && end >= t) {
    return Sweep{count, start, static_cast<int32_t>(std::min<int64_t>(end, INT32_MAX))};
  }
  return std::nullopt;
}

}  // namespace lantern::media
