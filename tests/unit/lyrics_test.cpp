// The lyric timeline: how LRC text becomes timed lines, the decoding by
// byte-order mark, widths, the lookups, and the shared LRC corpus against its
// reference readings.
#include <iconv.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "media/exchange_order.h"
#include "media/lyrics.h"
#include "platform/fake/fake_files.h"
#include "platform/fake/fake_text.h"

namespace lantern::media {
namespace {

using Line = std::pair<int32_t, std::string>;

// Bytes without a mark as Windows-1252 would read them (close enough to
// Latin-1 for the test texts).
std::string Latin1(std::string_view bytes) {
  std::string out;
  for (const unsigned char c : bytes) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// The code page of a Simplified Chinese system (936), through the C library.
std::string Gbk(std::string_view bytes) {
  iconv_t cd = iconv_open("UTF-8", "GB18030");
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string in(bytes), out(bytes.size() * 4 + 4, '\0');
  char* src = in.data();
  char* dst = out.data();
  size_t left = in.size(), room = out.size();
  iconv(cd, &src, &left, &dst, &room);
  iconv_close(cd);
  out.resize(out.size() - room);
  return out;
}

// A system whose code page is UTF-8 (65001).
std::string Utf8CodePage(std::string_view bytes) {
  return std::string(bytes);
}

class LyricsTest : public ::testing::Test {
 protected:
  // The stand-in renderer is 10 pixels a character at size 20.
  const LyricFont font_{"Lyric Font", 20, 1};
  platform::fake::FakeTextRenderer text_;
  LyricTimeline lyrics_;

  bool Parse(std::string_view content, const CodePageDecoder& decode = Latin1) {
    const std::vector<uint8_t> bytes(content.begin(), content.end());
    return ParseLyrics(bytes, decode, lyrics_);
  }
  std::vector<Line> Lines() const {
    std::vector<Line> lines;
    for (int32_t i = 1; i <= lyrics_.LyricCount; ++i) {
      lines.emplace_back(lyrics_.LyricTime[i], lyrics_.LyricText[i]);
    }
    return lines;
  }
};

// [reading] --------------------------------------------------------------------------

TEST_F(LyricsTest, ReadsTheUsualFormsOfTimeTags) {
  const struct {
    const char* lrc;
    std::vector<Line> lines;
  } cases[] = {
      {"[00:12.34]Hello", {{1234, "Hello"}}},
      {"[00:12.34][01:02.50]Chorus", {{1234, "Chorus"}, {6250, "Chorus"}}},
      {"[1:05.20]One-digit minutes", {{6520, "One-digit minutes"}}},
      // Zero seconds are read over three characters and the hundredths one
      // place later, where only the 0 before the "]" is left.
      {"[01:00.50]Zero seconds", {{6000, "Zero seconds"}}},
      {"[00:00.28]x", {{8, "x"}}},
      // Two-digit minutes that read as 0 are read over three characters,
      // which puts the seconds where the ":" is: they read as 0.
      {"[005:10.00]Three-digit minutes", {{30000, "Three-digit minutes"}}},
      {"[100:05.00]x", {{60000, "x"}}},
      // The hundredths come from a fixed place, whatever separates them.
      {"[00:12:34]Colon", {{1234, "Colon"}}},
      {"[00:12]No fraction", {{1200, "No fraction"}}},
      {"[00:12.345]Milliseconds", {{1234, "Milliseconds"}}},
      // Fields that do not read as numbers are 0; the tag still counts.
      {"[0x:yz.ab]Garbage", {{0, "Garbage"}}},
      {"[00:12.34]", {{1234, ""}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lrc);
    EXPECT_TRUE(Parse(c.lrc));
    EXPECT_EQ(Lines(), c.lines);
  }
}

TEST_F(LyricsTest, SplitsLinesAtCarriageReturnsAndCopesWithBareLineFeeds) {
  EXPECT_TRUE(Parse("[00:01.00]one\n[00:02.00]two"));
  EXPECT_EQ(Lines(), (std::vector<Line>{{100, "one"}, {200, "two"}}));

  EXPECT_TRUE(Parse("[00:01.00]one\r\n[00:02.00]two\r[00:03.00]three\r\n"));
  EXPECT_EQ(Lines(), (std::vector<Line>{{100, "one"}, {200, "two"}, {300, "three"}}));

  // Text before a later tag on the same line loses the character before the
  // "[" (where a bare line feed would be); tags after the text still count.
  EXPECT_TRUE(Parse("[00:01.00]hello [ar:Singer]"));
  EXPECT_EQ(Lines(), (std::vector<Line>{{100, "hello"}}));
  EXPECT_EQ(lyrics_.LyricArtist, "Singer");

  // A "][" pair not followed by a time tag: the rest of the line is the text.
  EXPECT_TRUE(Parse("[00:01.00][ar:Singer]"));
  EXPECT_EQ(Lines(), (std::vector<Line>{{100, "[ar:Singer]"}}));
  EXPECT_EQ(lyrics_.LyricArtist, "Singer");
}

TEST_F(LyricsTest, SeveralTagsOnALineShareItsText) {
  EXPECT_TRUE(Parse("[00:03.00][00:01.00][00:05.00]la\r\n[00:02.00]mid"));
  EXPECT_EQ(Lines(), (std::vector<Line>{{100, "la"}, {200, "mid"}, {300, "la"}, {500, "la"}}));
  // Tags left waiting at the end of a line take the text of the next tag read.
  EXPECT_TRUE(Parse("[00:01.00][0\r\n[00:03.00]next"));
  EXPECT_EQ(Lines(), (std::vector<Line>{{0, "next"}, {100, "next"}, {300, "next"}}));
}

TEST_F(LyricsTest, SortsWithTheExchangeSort) {
  EXPECT_TRUE(Parse("[00:03.00]c\r[00:01.00]a\r[00:02.00]b"));
  EXPECT_EQ(Lines(), (std::vector<Line>{{100, "a"}, {200, "b"}, {300, "c"}}));
  // Equal times end up in the order the exchanges leave them: here the first
  // "x" is swapped behind its twin when "a" moves to the front.
  EXPECT_TRUE(Parse("[00:05.00]x1\r[00:05.00]x2\r[00:01.00]a"));
  EXPECT_EQ(Lines(), (std::vector<Line>{{100, "a"}, {500, "x2"}, {500, "x1"}}));
}

// The exchange sort, as the player runs it: the reference for its order.
std::vector<size_t> ReferenceExchangeOrder(std::vector<int32_t> times) {
  std::vector<size_t> order(times.size());
  for (size_t i = 0; i < order.size(); ++i)
    order[i] = i;
  for (size_t i = 0; i + 1 < times.size(); ++i) {
    for (size_t j = i + 1; j < times.size(); ++j) {
      if (times[j] < times[i]) {
        std::swap(times[i], times[j]);
        std::swap(order[i], order[j]);
      }
    }
  }
  return order;
}

// Random files of every shape, with many equal times: the fast order is the
// exchange sort's, equal times included.
TEST(ExchangeSortOrder, AgreesWithTheExchangeSort) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 20000; ++round) {
    const size_t n = random() % 40;
    const int32_t spread = 1 + static_cast<int32_t>(random() % 8);
    std::vector<int32_t> times(n);
    for (int32_t& t : times)
      t = static_cast<int32_t>(random() % static_cast<uint32_t>(spread));
    ASSERT_EQ(ExchangeSortOrder(times), ReferenceExchangeOrder(times)) << "round " << round;
  }
  for (const int32_t spread : {3, 50, 100000}) {
    std::vector<int32_t> times(3000);
    for (int32_t& t : times)
      t = static_cast<int32_t>(random() % static_cast<uint32_t>(spread));
    EXPECT_EQ(ExchangeSortOrder(times), ReferenceExchangeOrder(times)) << spread;
  }
  std::vector<int32_t> descending(2000);
  for (size_t i = 0; i < descending.size(); ++i)
    descending[i] = static_cast<int32_t>((descending.size() - i) / 3);
  EXPECT_EQ(ExchangeSortOrder(descending), ReferenceExchangeOrder(descending));
}

TEST_F(LyricsTest, TagsAreStoredAndCaseInsensitive) {
  EXPECT_FALSE(Parse("[ti:Title]\r\n[AR:Artist]\r\n[Al: Album]\r\n[by:Maker]"));
  EXPECT_EQ(lyrics_.LyricCount, 0);
  EXPECT_EQ(lyrics_.LyricTitle, "Title");
  EXPECT_EQ(lyrics_.LyricArtist, "Artist");
  EXPECT_EQ(lyrics_.LyricAlbum, " Album");  // the value is kept as written
  EXPECT_EQ(lyrics_.LyricBy, "Maker");
  EXPECT_EQ(lyrics_.LyricText.size(), 1);
  EXPECT_EQ(lyrics_.LyricTime.size(), 1);
  // The next file's reading starts from nothing.
  EXPECT_TRUE(Parse("[00:01.00]x"));
  EXPECT_EQ(lyrics_.LyricTitle, "");
  EXPECT_EQ(lyrics_.LyricArtist, "");
}

TEST_F(LyricsTest, OffsetShiftsEveryLineInWholeCentiseconds) {
  const struct {
    const char* offset_tag;
    int32_t offset;
    std::vector<int32_t> times;
  } cases[] = {
      {"[offset:500]", 500, {80, 950}},        // 50 cs earlier
      {"[offset:1500]", 1500, {0, 850}},       // a line before the shift is held at 0
      {"[offset:-1500]", -1500, {280, 1150}},  // 150 cs later
      {"[OFFSET: 250]", 250, {105, 975}},
      {"[offset:25]", 25, {128, 998}},    // 2.5 cs rounds to 2 (halves to even)
      {"[offset:35]", 35, {126, 996}},    // 3.5 cs rounds to 4
      {"[offset:12.5]", 12, {129, 999}},  // 12.5 ms is 12, then 1.2 cs is 1
      {"[offset:abc]", 0, {130, 1000}},
      {"[offset:99999999999]", 0, {130, 1000}},  // too large: left as it was
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.offset_tag);
    EXPECT_TRUE(Parse(std::string(c.offset_tag) + "\r\n[00:01.30]a\r\n[00:10.00]b"));
    EXPECT_EQ(lyrics_.LyricOffset, c.offset);
    EXPECT_EQ(lyrics_.LyricTime[1], c.times[0]);
    EXPECT_EQ(lyrics_.LyricTime[2], c.times[1]);
  }
}

TEST_F(LyricsTest, RowsFlagsAndWidths) {
  EXPECT_TRUE(Parse("[00:01.00]Hello\r[00:02.00]\r[00:03.00]caf\xE9\r[00:04.00]x\r[00:05.00]y"));
  EXPECT_EQ(lyrics_.LyricCount, 5);
  const std::vector<int32_t> rows(lyrics_.LyricRow.begin(), lyrics_.LyricRow.end());
  EXPECT_EQ(rows, (std::vector<int32_t>{0, 1, 0, 1, 0}));
  for (int32_t i = 1; i <= 5; ++i) {
    EXPECT_EQ(lyrics_.LyricShown[i], 0);
    EXPECT_EQ(lyrics_.LyricShownDynamic[i], 0);
  }
  // Measured width + 1 (10 pixels a character here); empty text is 0 wide,
  // and a character outside ASCII is one character. Each line is measured
  // when it is asked for, which reading the file does not do.
  for (int32_t i = 1; i <= 5; ++i)
    EXPECT_EQ(lyrics_.LyricWidth[i], kWidthNotMeasured);
  std::vector<int32_t> widths;
  for (int32_t i = 1; i <= 5; ++i)
    widths.push_back(LineWidth(lyrics_, i, font_, text_));
  EXPECT_EQ(widths, (std::vector<int32_t>{51, 0, 41, 11, 11}));
  EXPECT_EQ(std::vector<int32_t>(lyrics_.LyricWidth.begin(), lyrics_.LyricWidth.end()), widths);
  EXPECT_EQ(LineWidth(lyrics_, 0, font_, text_), 0);
  EXPECT_EQ(LineWidth(lyrics_, 6, font_, text_), 0);
  EXPECT_EQ(lyrics_.LyricText[3], "caf\xC3\xA9");
}

// [decoding] -------------------------------------------------------------------------

TEST_F(LyricsTest, ByteOrderMarksDecideTheDecoding) {
  int calls = 0;
  const CodePageDecoder counting = [&](std::string_view bytes) {
    ++calls;
    return Latin1(bytes);
  };
  EXPECT_TRUE(Parse("\xEF\xBB\xBF[00:01.00]caf\xC3\xA9", counting));
  EXPECT_EQ(lyrics_.LyricText[1], "caf\xC3\xA9");

  const std::u16string wide = u"[00:01.00]caf\u00E9\r\n[ti:\u6B4C]";
  std::string le = "\xFF\xFE", be = "\xFE\xFF";
  for (const char16_t c : wide) {
    le += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    be += {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
  }
  for (const std::string& file : {le, be, le + "\x0A"}) {  // an odd last byte is dropped
    EXPECT_TRUE(Parse(file, counting));
    EXPECT_EQ(lyrics_.LyricText[1], "caf\xC3\xA9");
    EXPECT_EQ(lyrics_.LyricTitle, "\xE6\xAD\x8C");
  }
  EXPECT_EQ(calls, 0);

  // Without a mark, bytes that are not UTF-8 are the system code page's.
  EXPECT_TRUE(Parse("[00:01.00]caf\xE9", counting));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(lyrics_.LyricText[1], "caf\xC3\xA9");
}

TEST_F(LyricsTest, UnmarkedFilesThatAreUtf8AreReadAsUtf8) {
  int calls = 0;
  const CodePageDecoder gbk = [&](std::string_view bytes) {
    ++calls;
    return Gbk(bytes);
  };
  // UTF-8 with multi-byte sequences, as most LRC files made today are.
  EXPECT_TRUE(Parse("[ti:\xE6\xAD\x8C]\r\n[00:01.00]\xE4\xBD\xA0\xE5\xA5\xBD caf\xC3\xA9", gbk));
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(lyrics_.LyricTitle, "\xE6\xAD\x8C");
  EXPECT_EQ(lyrics_.LyricText[1], "\xE4\xBD\xA0\xE5\xA5\xBD caf\xC3\xA9");
  // GBK for "\u4F60\u597D" (C4 E3 BA C3) is not well-formed UTF-8: the code page reads it.
  EXPECT_TRUE(Parse("[00:01.00]\xC4\xE3\xBA\xC3", gbk));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(lyrics_.LyricText[1], "\xE4\xBD\xA0\xE5\xA5\xBD");
  // Nor are truncated, overlong or surrogate sequences.
  for (const char* bytes : {"[00:01.00]\xE4\xBD", "[00:01.00]\xC0\xAF", "[00:01.00]\xED\xA0\x80",
                            "[00:01.00]\xF4\x90\x80\x80", "[00:01.00]\x80"}) {
    SCOPED_TRACE(bytes);
    calls = 0;
    Parse(bytes, gbk);
    EXPECT_EQ(calls, 1);
  }
  // Plain ASCII goes to the code page, which reads it the same.
  calls = 0;
  EXPECT_TRUE(Parse("[00:01.00]abc", gbk));
  EXPECT_EQ(calls, 1);
}

// A line is one line on the screen, never broken at the lyric box: it is
// measured unbroken, and what lies beyond four widths of the box is cut.
TEST_F(LyricsTest, LinesAreMeasuredAsOneLineAndCutAfterFourBoxWidths) {
  const LyricFont boxed{"Lyric Font", 20, 1, 55, 30};  // 10 pixels a character; cut at 220
  const std::string lrc =
      "[00:01.00]abc\r\n[00:02.00]abcdefghij\r\n[00:03.00]abcdefghijklmnopqrstuvwxyz\r\n"
      "[00:04.00]\xE7\x9B\xB8\xE7\x9B\xB8"
      "abcdefghijklmnopqrstuvwxyz";
  ASSERT_TRUE(ParseLyrics(std::vector<uint8_t>(lrc.begin(), lrc.end()), Latin1, lyrics_));
  EXPECT_EQ(LineWidth(lyrics_, 1, boxed, text_), 31);
  EXPECT_EQ(LineWidth(lyrics_, 2, boxed, text_), 101);  // wider than the box, one line
  EXPECT_EQ(ShownText(lyrics_, 2, boxed, text_), "abcdefghij");
  EXPECT_EQ(LineWidth(lyrics_, 3, boxed, text_), 221);
  EXPECT_EQ(ShownText(lyrics_, 3, boxed, text_), "abcdefghijklmnopqrstuv");
  // Cut between characters, never inside one.
  EXPECT_EQ(ShownText(lyrics_, 4, boxed, text_),
            "\xE7\x9B\xB8\xE7\x9B\xB8"
            "abcdefghijklmnopqrst");
  EXPECT_EQ(lyrics_.LyricText[3], "abcdefghijklmnopqrstuvwxyz");  // the line itself is kept
  const LyricFont bigger{"Lyric Font", 40, 1, 500, 30};
  ForgetLyricWidths(lyrics_);
  EXPECT_EQ(LineWidth(lyrics_, 1, bigger, text_), 61);
  EXPECT_EQ(LineWidth(lyrics_, 3, bigger, text_), 521);
  EXPECT_EQ(ShownText(lyrics_, 3, bigger, text_), lyrics_.LyricText[3]);
}

TEST_F(LyricsTest, LoadsFilesAndFailsQuietlyWithoutOne) {
  platform::fake::FakeFileSystem files;
  const std::string content = "[ti:Song]\r\n[00:01.00]a";
  ASSERT_TRUE(
      files.WriteAt("C:\\song.lrc", std::vector<uint8_t>(content.begin(), content.end()), 0));
  EXPECT_TRUE(LoadLyricFile(files, "C:\\SONG.LRC", Latin1, lyrics_));
  EXPECT_EQ(lyrics_.LyricCount, 1);
  EXPECT_EQ(lyrics_.LyricTitle, "Song");

  EXPECT_FALSE(LoadLyricFile(files, "C:\\missing.lrc", Latin1, lyrics_));
  EXPECT_EQ(lyrics_.LyricCount, 0);
  EXPECT_EQ(lyrics_.LyricTitle, "");
  EXPECT_EQ(lyrics_.LyricTime.size(), 1);
}

// A file past the size limit is not read (its song plays without lyrics); a
// long file within it is read without measuring a single line.
TEST_F(LyricsTest, LongFilesAreBoundedAndNotMeasuredWhileRead) {
  std::string lrc;
  for (int i = 0; lrc.size() + 14 <= kMaxLyricFileBytes; ++i) {
    lrc += "[" + std::to_string(10 + (i * 7919) % 90) + ":00.00]x\r\n";  // unsorted
  }
  platform::fake::FakeFileSystem files;
  ASSERT_TRUE(files.WriteAt("C:\\long.lrc", std::vector<uint8_t>(lrc.begin(), lrc.end()), 0));
  class CountingRenderer final : public platform::TextRenderer {
   public:
    void DrawTextBox(const platform::Surface&, const platform::TextBox&) override {}
    float MeasureWidth(const std::string&, const std::string&, float, int32_t) override {
      ++calls;
      return 9;
    }
    float MeasureString(const std::string&, const std::string&, float, int32_t, float,
                        float) override {
      ++calls;
      return 9;
    }
    int calls = 0;
  } counting;
  EXPECT_TRUE(LoadLyricFile(files, "C:\\long.lrc", Latin1, lyrics_));
  EXPECT_GT(lyrics_.LyricCount, 70000);
  EXPECT_EQ(counting.calls, 0);
  EXPECT_EQ(LineWidth(lyrics_, 5, font_, counting), 10);
  EXPECT_EQ(LineWidth(lyrics_, 5, font_, counting), 10);
  EXPECT_EQ(counting.calls, 1);

  const std::string more = lrc + std::string(kMaxLyricFileBytes + 1 - lrc.size(), ' ');
  ASSERT_TRUE(files.WriteAt("C:\\long.lrc", std::vector<uint8_t>(more.begin(), more.end()), 0));
  EXPECT_FALSE(LoadLyricFile(files, "C:\\long.lrc", Latin1, lyrics_));
  EXPECT_EQ(lyrics_.LyricCount, 0);
  EXPECT_FALSE(Parse(more));
  EXPECT_EQ(lyrics_.LyricCount, 0);
}

TEST_F(LyricsTest, MalformedInputNeverFails) {
  for (const char* lrc : {"", "[", "[1", "]", "][", "[ti", "[ti]", "[of]", "[offset:", "[0:",
                          "[00:00.", "[[[[", "[0][0][0]", "\r\r\n\n", "[al:\xFF]", "[00:-5.00]"}) {
    SCOPED_TRACE(lrc);
    Parse(lrc);
    EXPECT_EQ(lyrics_.LyricText.size(), std::max(lyrics_.LyricCount, 1));
  }
  // A tag without a "]" keeps its previous value.
  EXPECT_FALSE(Parse("[ti:first]\r[ti:second"));
  EXPECT_EQ(lyrics_.LyricTitle, "first");
}

// [lookups] --------------------------------------------------------------------------

TEST_F(LyricsTest, PositionsRoundHalfToEven) {
  EXPECT_EQ(PositionCentiseconds(12.345), 1234);  // 1234.5 in binary is just below
  EXPECT_EQ(PositionCentiseconds(0.125), 12);     // exactly 12.5: to even
  EXPECT_EQ(PositionCentiseconds(0.135), 14);
  EXPECT_EQ(PositionCentiseconds(-1.0), -100);
  EXPECT_EQ(PositionCentiseconds(1e300), INT32_MAX);
  EXPECT_EQ(PositionCentiseconds(std::nan("")), 0);
}

TEST_F(LyricsTest, DueLineFindsTheFirstLineInsideItsWindow) {
  ASSERT_TRUE(Parse("[00:01.00]a\r[00:02.00]b\r[00:02.10]c"));
  // Window 5 before / 20 after around 100: 96 .. 119 open at both ends.
  EXPECT_EQ(DueLine(lyrics_, 95, 5, 20, nullptr, 0), 0);
  EXPECT_EQ(DueLine(lyrics_, 96, 5, 20, nullptr, 0), 1);
  EXPECT_EQ(DueLine(lyrics_, 119, 5, 20, nullptr, 0), 1);
  EXPECT_EQ(DueLine(lyrics_, 120, 5, 20, nullptr, 0), 0);
  // Overlapping windows: the first line in index order wins.
  EXPECT_EQ(DueLine(lyrics_, 205, 80, 20, nullptr, 0), 2);
  // With a flag list only lines whose flag is the wanted value count.
  lyrics_.LyricShown[2] = 1;
  EXPECT_EQ(DueLine(lyrics_, 205, 80, 20, &lyrics_.LyricShown, 0), 3);
  EXPECT_EQ(DueLine(lyrics_, 205, 80, 20, &lyrics_.LyricShown, 1), 2);
  EXPECT_EQ(DueLine(lyrics_, 171, 40, 20, &lyrics_.LyricShown, 0), 3);
  // A list shorter than the timeline (never made by loading) matches nothing past it.
  const album::OneBased<int32_t> short_flags{1};
  EXPECT_EQ(DueLine(lyrics_, 205, 80, 20, &short_flags, 0), 0);
}

TEST_F(LyricsTest, SweepLineCoversEachLineUpToTheNext) {
  ASSERT_TRUE(Parse("[00:01.00]a\r[00:02.00]b\r[00:03.00]c"));
  album::OneBased<int32_t> flags{3};
  flags[1] = flags[2] = flags[3] = 1;
  EXPECT_EQ(SweepLine(lyrics_, 100, flags, 10), std::nullopt);  // at the start exactly
  EXPECT_EQ(SweepLine(lyrics_, 101, flags, 10), (Sweep{1, 100, 195}));
  EXPECT_EQ(SweepLine(lyrics_, 194, flags, 10), (Sweep{1, 100, 195}));
  EXPECT_EQ(SweepLine(lyrics_, 195, flags, 10), std::nullopt);  // the 5 cs gap
  EXPECT_EQ(SweepLine(lyrics_, 250, flags, 10), (Sweep{2, 200, 295}));
  // The last line sweeps to the end of the song (its integer centiseconds).
  EXPECT_EQ(SweepLine(lyrics_, 400, flags, 9.999), (Sweep{3, 300, 999}));
  EXPECT_EQ(SweepLine(lyrics_, 999, flags, 9.999), (Sweep{3, 300, 999}));
  EXPECT_EQ(SweepLine(lyrics_, 1000, flags, 9.999), std::nullopt);
  // Only lines whose flag is 1.
  flags[2] = 0;
  EXPECT_EQ(SweepLine(lyrics_, 250, flags, 10), std::nullopt);
  LyricTimeline empty;
  EXPECT_EQ(SweepLine(empty, 250, flags, 10), std::nullopt);
}

// [corpus] ---------------------------------------------------------------------------

const std::string kCorpus = LANTERN_CORPUS_DIR;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The parts of a reference reading the tests use, from its JSON file (written
// with raw UTF-8 and no escapes but \" and \\).
struct Reference {
  std::map<std::string, std::string> tags;  // absent tags are ""
  int32_t offset = 0;
  std::vector<Line> lines;
};

std::string JsonString(const std::string& s, size_t& i) {
  std::string out;
  for (++i; i < s.size() && s[i] != '"'; ++i) {
    if (s[i] == '\\') ++i;
    out += s[i];
  }
  ++i;
  return out;
}

Reference ReadReference(const std::string& name) {
  const std::string s = ReadAll(kCorpus + "/reference/lrc/" + name + ".json");
  Reference ref;
  for (const char* tag : {"ti", "ar", "al", "by"}) {
    size_t i = s.find('"' + std::string(tag) + "\": ", s.find("\"tags\""));
    i = s.find_first_of("\"n", i + 6);
    ref.tags[tag] = s[i] == '"' ? JsonString(s, i) : "";
  }
  ref.offset = std::stoi(s.substr(s.find("\"offset_ms\": ") + 13));
  size_t i = s.find('[', s.find("\"lines\":")) + 1;
  for (;;) {
    i = s.find_first_of("[]", i);
    if (s[i] == ']') break;
    const size_t number = s.find_first_of("-0123456789", i);
    i = s.find('"', number);
    ref.lines.emplace_back(std::stoi(s.substr(number)), JsonString(s, i));
    i = s.find(']', i) + 1;
  }
  return ref;
}

// The reference reads files by rules of its own; where they and this
// program's reading agree the results must match line for line. Where they
// differ, this program's reading stands:
// - tag values are kept as written (the reference trims spaces);
// - a zero-seconds tag reads its hundredths one place later ([00:00.28] is 8 cs);
// - three-digit minutes read as 0 for their first two digits only;
// - the offset is rounded to whole centiseconds before it is subtracted
//   (the reference subtracts milliseconds, then truncates);
// - text keeps word-time marks such as <02:37.50> and runs to the next "[";
// - tags with 60 seconds or more are read like any other (the reference drops them);
// - equal times keep the exchange sort's order (the reference keeps file order).
class LyricCorpusTest : public LyricsTest {
 protected:
  void ExpectAgreement(const std::string& file, const std::string& reference,
                       const CodePageDecoder& decode) {
    SCOPED_TRACE(file);
    const std::string content = ReadAll(kCorpus + "/lrc/" + file);
    ASSERT_FALSE(content.empty());
    ASSERT_TRUE(Parse(content, decode));
    ref_ = ReadReference(reference);
    // The reference trims tag values; this program keeps their spaces.
    const auto trimmed = [](const std::string& v) {
      return v.substr(std::min(v.find_first_not_of(' '), v.size()));
    };
    EXPECT_EQ(trimmed(lyrics_.LyricTitle), ref_.tags["ti"]);
    EXPECT_EQ(trimmed(lyrics_.LyricArtist), ref_.tags["ar"]);
    EXPECT_EQ(trimmed(lyrics_.LyricBy), ref_.tags["by"]);
    EXPECT_EQ(lyrics_.LyricOffset, ref_.offset);
  }
  Reference ref_;
};

TEST_F(LyricCorpusTest, SimpleFilesAgreeCompletely) {
  for (const auto& [file, reference] : std::vector<std::pair<std::string, std::string>>{
           {"subforge/simple.lrc", "subforge__simple"},
           {"derived/simple_cr.lrc", "derived__simple_cr"},
           {"derived/simple_crlf_utf8bom.lrc", "derived__simple_crlf_utf8bom"},
           {"derived/simple_colon_centis.lrc", "derived__simple_colon_centis"},
           {"derived/simple_no_fraction.lrc", "derived__simple_no_fraction"}}) {
    ExpectAgreement(file, reference, Latin1);
    EXPECT_EQ(lyrics_.LyricAlbum, ref_.tags["al"]);
    EXPECT_EQ(Lines(), ref_.lines);
  }
}

TEST_F(LyricCorpusTest, ExampleFilesAgreeButForTheZeroSecondsTagAndTheTrimmedAlbum) {
  for (const auto& [file, reference, decode] :
       std::vector<std::tuple<std::string, std::string, CodePageDecoder>>{
           {"lrcparser_python/example.lrc", "lrcparser_python__example", Utf8CodePage},
           {"derived/example_gb2312_crlf.lrc", "derived__example_gb2312_crlf", Gbk},
           {"derived/example_utf16le_bom_crlf.lrc", "derived__example_utf16le_bom_crlf", Latin1}}) {
    ExpectAgreement(file, reference, decode);
    EXPECT_EQ(lyrics_.LyricAlbum, " " + ref_.tags["al"]);
    std::vector<Line> expected = ref_.lines;
    ASSERT_EQ(expected.size(), 7u);
    ASSERT_EQ(expected[1], (Line{3, "Line 2"}));  // [00:00.28] less 25 cs
    expected[1].first = 0;                        // 8 cs less 25, held at 0
    EXPECT_EQ(Lines(), expected);
  }
}

TEST_F(LyricCorpusTest, SpecialExampleIsReadByThisProgramsRules) {
  ExpectAgreement("lrcparser_python/example_spec.lrc", "lrcparser_python__example_spec",
                  Utf8CodePage);
  EXPECT_EQ(lyrics_.LyricTitle, " Special LRC File Test");
  EXPECT_EQ(lyrics_.LyricBy, " 283375");
  EXPECT_EQ(lyrics_.LyricOffset, 75);  // 7.5 cs, rounded to 8
  // Milliseconds are cut to hundredths and the offset is subtracted in whole
  // centiseconds: [01:23.456] is 8345 - 8 (the reference: 8338).
  ASSERT_EQ(lyrics_.LyricCount, 12);  // the reference drops [02:83.375] and [02:83.37]
  EXPECT_EQ(Lines()[0], (Line{8337, "I hate this kind of lyrics"}));
  EXPECT_EQ(lyrics_.LyricTime[3], 15448);  // [02:34.56] agrees
  EXPECT_EQ(lyrics_.LyricText[5], "<02:37.50>Very <02:37.52>fast <02:37.55>speed!");
  // [02:83.375] is 2 minutes and 83 seconds here, the same as [03:23.375].
  EXPECT_EQ(lyrics_.LyricTime[7], 20329);
  EXPECT_EQ(lyrics_.LyricTime[8], 20329);
  EXPECT_EQ(lyrics_.LyricTime[9], 20329);
  // With no "[" after the last tag its text is the whole rest of the file.
  EXPECT_EQ(lyrics_.LyricTime[12], 51367);
  EXPECT_NE(lyrics_.LyricText[12].find("----- Expanded Lyric -----{01:23.456}"), std::string::npos);
}

TEST_F(LyricCorpusTest, TenThousandLinesAgreeBelowAHundredMinutes) {
  ExpectAgreement("subforge/lrc-10k.lrc", "subforge__lrc-10k", Latin1);
  ASSERT_EQ(lyrics_.LyricCount, 10000);
  ASSERT_EQ(ref_.lines.size(), 10000u);
  std::map<std::string, int32_t> ours;
  for (const auto& [time, text] : Lines())
    ours[text] = time;
  int agreeing = 0;
  for (const auto& [time, text] : ref_.lines) {
    const int32_t minutes = time / 6000;
    const int32_t seconds = time / 100 % 60;
    if (minutes < 100 && seconds != 0) {
      EXPECT_EQ(ours[text], time) << text;
      ++agreeing;
    } else if (minutes >= 100) {
      // Three-digit minutes: the first two digits only, and no seconds.
      EXPECT_EQ(ours[text], minutes / 10 * 6000) << text;
    } else {
      EXPECT_EQ(ours[text], time) << text;  // zero seconds and zero hundredths agree
    }
  }
  EXPECT_GT(agreeing, 1000);
  // The sort leaves the whole timeline ascending.
  for (int32_t i = 2; i <= lyrics_.LyricCount; ++i) {
    ASSERT_LE(lyrics_.LyricTime[i - 1], lyrics_.LyricTime[i]);
  }
}

}  // namespace
}  // namespace lantern::media
