// The lyric timer: every 30 ms the song's position picks the lines due, draws
// each into its layer the first time (the shown flags), and moves the windows.
//
// Lookup windows, in centiseconds before / after a line's time: a line is
// shown 5 / 20 around its time in the single-line styles, prepared or shown
// 80 / 20 ahead in the row styles and the highlight layers, and the second
// row's highlight 40 / 20 ahead.
#include "media/lyric_windows.h"

namespace lantern::media {

namespace {

// Alignment codes of the text box: horizontal = code % 3, vertical = code / 3.
constexpr int32_t kLeftMiddle = 3;
constexpr int32_t kCentred = 4;
constexpr int32_t kRightMiddle = 5;

bool SecondRow(const LyricTimeline& lyrics, int32_t line) {
  return lyrics.LyricRow[line] == 1;
}

}  // namespace

void LyricWindows::Timer2_Timer() {
  int32_t t = 0;
  double duration = 0;
  if (!TickDue(t, duration)) return;
  LyricTimeline& lyrics = song_->lyrics();
  // The flag lists may lag the count only in a timeline being replaced.
  if (lyrics.LyricShown.size() < lyrics.LyricCount ||
      lyrics.LyricShownDynamic.size() < lyrics.LyricCount ||
      lyrics.LyricWidth.size() < lyrics.LyricCount) {
    return;
  }
  switch (style_) {
    case 0:
      TickSingle(lyrics, t);
      break;
    case 1:
      TickRows(lyrics, t);
      break;
    case 2:
      TickCentredSweep(lyrics, t, duration);
      break;
    case 3:
      TickRowSweep(lyrics, t, duration);
      break;
    default:
      break;  // other styles show nothing
  }
}

// A tick does something only while a song with lyrics plays and the windows
// are usable: not paused, not being rebuilt, not while the show stops.
bool LyricWindows::TickDue(int32_t& t, double& duration) {
  if (settings_.MuteSound || settings_.NowM < 1 || !state_.LyricsReady || rebuilding_ ||
      state_.LyricsRebuilding || !music_.MusicStarted || state_.ShowStopping || song_ == nullptr ||
      !song_->SongHasLyrics()) {
    return false;
  }
  const std::optional<double> d = song_->SongDuration();
  const std::optional<double> p = song_->SongPosition();
  if (!d || !p || *p >= *d) return false;
  t = PositionCentiseconds(*p);
  duration = *d;
  return true;
}

// Style 0: one centred line at its time.
void LyricWindows::TickSingle(LyricTimeline& lyrics, int32_t t) {
  const int32_t i = DueLine(lyrics, t, 5, 20, &lyrics.LyricShown, 0);
  if (i == 0) return;
  lyrics.LyricShown[i] = 1;
  DrawLine(LyricForm::kTop, i, kCentred, false);
  PushWhole(LyricForm::kTop, PosX());
}

// Style 1: odd lines left in the top row, even lines right in the bottom
// row, each 0.8 s ahead, so both rows are filled while one is sung.
void LyricWindows::TickRows(LyricTimeline& lyrics, int32_t t) {
  const int32_t i = DueLine(lyrics, t, 80, 20, &lyrics.LyricShown, 0);
  if (i == 0) return;
  lyrics.LyricShown[i] = 1;
  const LyricForm form = SecondRow(lyrics, i) ? LyricForm::kBottom : LyricForm::kTop;
  DrawLine(form, i, SecondRow(lyrics, i) ? kRightMiddle : kLeftMiddle, false);
  PushWhole(form, PosX());
}

// Style 2: one centred line; its highlight is prepared ahead in the dynamic
// layer of its row parity, the line is shown at its time, and the sweep
// moves the two windows.
void LyricWindows::TickCentredSweep(LyricTimeline& lyrics, int32_t t, double duration) {
  int32_t i = DueLine(lyrics, t, 80, 20, nullptr, 0);
  if (i != 0 && lyrics.LyricShownDynamic[i] == 0) {
    DrawLine(SecondRow(lyrics, i) ? LyricForm::kDynamic2 : LyricForm::kDynamic, i, kCentred, true);
    lyrics.LyricShownDynamic[i] = 1;
  }
  i = DueLine(lyrics, t, 5, 20, &lyrics.LyricShownDynamic, 1);
  if (i != 0 && lyrics.LyricShown[i] == 0) {
    // The previous line's highlight goes; this line's is still off the screen.
    if (SecondRow(lyrics, i)) {
      ClearAndPush(LyricForm::kDynamic, -area_.width - 100);
    } else {
      ClearAndPush(LyricForm::kDynamic2, -2 * area_.width - 100);
    }
    DrawLine(LyricForm::kTop, i, kCentred, false);
    PushWhole(LyricForm::kTop, PosX());
    lyrics.LyricShown[i] = 1;
  }
  ShowSweep(lyrics, lyrics.LyricShown, t, duration, /*centred=*/true);
}

// Style 3: two rows as in style 1, each line swept in its row.
void LyricWindows::TickRowSweep(LyricTimeline& lyrics, int32_t t, double duration) {
  int32_t i = DueLine(lyrics, t, 80, 20, nullptr, 0);
  if (i != 0 && lyrics.LyricShown[i] == 0) {
    if (SecondRow(lyrics, i)) {
      ClearAndPush(LyricForm::kDynamic2, -area_.width - 100);
      DrawLine(LyricForm::kBottom, i, kRightMiddle, false);
      PushWhole(LyricForm::kBottom, PosX());
    } else {
      ClearAndPush(LyricForm::kDynamic, -area_.width - 100);
      DrawLine(LyricForm::kTop, i, kLeftMiddle, false);
      PushWhole(LyricForm::kTop, PosX());
    }
    lyrics.LyricShown[i] = 1;
  }
  i = DueLine(lyrics, t, 40, 20, &lyrics.LyricShownDynamic, 0);
  if (i != 0 && lyrics.LyricShown[i] == 1 && lyrics.LyricShownDynamic[i] == 0) {
    if (SecondRow(lyrics, i)) {
      DrawLine(LyricForm::kDynamic2, i, kRightMiddle, true);
    } else {
      DrawLine(LyricForm::kDynamic, i, kLeftMiddle, true);
    }
    lyrics.LyricShownDynamic[i] = 1;
  }
  ShowSweep(lyrics, lyrics.LyricShownDynamic, t, duration, /*centred=*/false);
}

// The line being sung: its unsung part from the normal window, its sung part
// from the highlight window of its row, abutting at the sweep point.
void LyricWindows::ShowSweep(LyricTimeline& lyrics, const album::OneBased<int32_t>& flags,
                             int32_t t, double duration, bool centred) {
  const std::optional<media::Sweep> sweep = SweepLine(lyrics, t, flags, duration);
  if (!sweep || flags[sweep->index] != 1 || sweep->start >= sweep->end) return;
  const int32_t g = sweep->index;
  const int32_t width = LineWidth(lyrics, g, LyricFontOf(settings_), services_.text);
  const bool second = SecondRow(lyrics, g);
  const LinePlace place = centred  ? LinePlace::kCentred
                          : second ? LinePlace::kRight
                                   : LinePlace::kLeft;
  const SweepSlices slices =
      SliceSweep(place, PosX(), LayerWidth(), width, SungPixels(*sweep, t, width));
  const bool bottom = second && !centred;
  PushSlice(bottom ? LyricForm::kBottom : LyricForm::kTop, slices.normal);
  PushSlice(second ? LyricForm::kDynamic2 : LyricForm::kDynamic, slices.highlight);
}

}  // namespace lantern::media
