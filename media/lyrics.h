// The lyric timeline: an LRC file read into timed lines sorted by time, with
// the rows, shown flags and pixel widths the lyric windows need, and the two
// time lookups the lyric timer makes against the song position.
//
// All times are centiseconds. The lists are 1-based and parallel, of length
// LyricCount (LyricText and LyricTime hold one empty entry when it is 0).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "album/album_settings.h"
#include "platform/platform.h"

namespace lantern::media {

// The largest lyric file read. A longer one is refused as unreadable (its
// song plays without lyrics): reading stays within a few tens of megabytes
// and well under a second, whatever the file holds.
inline constexpr size_t kMaxLyricFileBytes = size_t{1} << 20;

// A width not measured yet.
inline constexpr int32_t kWidthNotMeasured = -1;

struct LyricTimeline {
  int32_t LyricCount = 0;  // timed lines; 0 = no usable lyrics
  album::OneBased<std::string> LyricText{1};
  album::OneBased<int32_t> LyricTime{1};  // start, offset applied, ascending
  album::OneBased<int32_t> LyricRow;      // 0 for odd lines, 1 for even lines
  album::OneBased<int32_t> LyricShown;    // 0/1, set by the lyric windows
  album::OneBased<int32_t> LyricShownDynamic;
  // Pixels in the lyric font of what can show of the line (see LineWidth),
  // 0 for empty text; kWidthNotMeasured until the line is measured.
  album::OneBased<int32_t> LyricWidth;
  // Bytes of LyricText that can show; kWidthNotMeasured until measured.
  album::OneBased<int32_t> LyricShownBytes;
  int32_t LyricOffset = 0;  // the file's offset tag, milliseconds
  std::string LyricTitle, LyricArtist, LyricAlbum, LyricBy;
};

// Turns the bytes of a file without a byte-order mark into UTF-8 as the
// system's ANSI code page reads them. The caller supplies it; an empty
// function takes the bytes as UTF-8.
using CodePageDecoder = std::function<std::string(std::string_view)>;

// The lyric font: the album's third font set, and the box a line is laid out
// in ("LyricPosW" x "LyricPosH"), which bounds what of a line can show.
struct LyricFont {
  std::string name;
  float size = 0;
  int32_t style = 0;
  float box_width = 0;
  float box_height = 0;
};

// Replaces the timeline with the lyrics in `bytes`. A UTF-8, UTF-16LE or
// UTF-16BE byte-order mark decides the decoding; without one, well-formed
// UTF-8 with at least one multi-byte sequence is read as UTF-8 and other
// bytes go through `decode`. True when at least one timed line was read.
// Never fails on bad data: unreadable fields count as 0. More than
// kMaxLyricFileBytes give false with the timeline cleared. Widths are left
// to LineWidth.
bool ParseLyrics(std::span<const uint8_t> bytes, const CodePageDecoder& decode, LyricTimeline& out);

// The same for a file. A missing, unreadable or too long file gives false
// with the timeline cleared (tags, offset, count, texts and times), quietly.
bool LoadLyricFile(platform::FileSystem& files, const std::string& path,
                   const CodePageDecoder& decode, LyricTimeline& out);

// A lyric line is one line on the screen, never broken. Of a line wider than
// this many widths of the lyric box only its start is kept: it cannot be seen
// whole anyway, and drawing and measuring it whole would cost in proportion
// to whatever length the file gives it.
inline constexpr int32_t kShownBoxWidths = 4;

// The width of what can show of line i, laid out as one line in the lyric
// font (integer part of the measured width + 1; 0 for an empty text or an
// index outside the timeline). A line is measured the first time it is asked
// for, when it is about to be shown, and the width is kept: measuring every
// line of a long file at once would hold the show up.
int32_t LineWidth(LyricTimeline& lyrics, int32_t i, const LyricFont& font,
                  platform::TextRenderer& text);

// What can show of line i (measured as LineWidth measures it): the line cut
// after kShownBoxWidths widths of the lyric box.
std::string ShownText(LyricTimeline& lyrics, int32_t i, const LyricFont& font,
                      platform::TextRenderer& text);

// Forgets every measured width (after the lyric font or box changed), so
// each line is measured again when it is next shown.
void ForgetLyricWidths(LyricTimeline& lyrics);

// The song position in seconds as the lookups compare it: centiseconds,
// rounded half to even (clamped to the 32-bit range).
int32_t PositionCentiseconds(double seconds);

// The first line i, in index order, whose flag equals `wanted` (every line when
// `flags` is null) with LyricTime(i) - before < t < LyricTime(i) + after; 0 when
// there is none.
int32_t DueLine(const LyricTimeline& lyrics, int32_t t, int32_t before, int32_t after,
                const album::OneBased<int32_t>* flags, int32_t wanted);

// The line being sung at t and the interval its highlight sweeps over. The
// caller uses it only when start < end.
struct Sweep {
  int32_t index = 0;
  int32_t start = 0;
  int32_t end = 0;
  friend bool operator==(const Sweep&, const Sweep&) = default;
};

// A line i < LyricCount with flag 1 sweeps from its time to 5 cs before the
// next line's; the last line sweeps to the end of the song.
std::optional<Sweep> SweepLine(const LyricTimeline& lyrics, int32_t t,
                               const album::OneBased<int32_t>& flags, double duration_seconds);

}  // namespace lantern::media
