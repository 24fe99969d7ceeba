// The karaoke lyric windows: up to four layered windows floating over the
// show, each with an off-screen layer the size of the lyric area. Which
// windows exist and how lines appear is the album's "LyricStyle":
//
//   0      FrmLyricTop                       one centred line at its time
//   1      FrmLyricTop, FrmLyricBottom       two rows, each line 0.8 s ahead
//   2      + FrmLyricDynamic, FrmLyricDynamic2   one centred line, swept
//   3      all four                          two rows, each swept
//   other  FrmLyricTop                       nothing is drawn
//
// A line is rendered into a layer once (the timeline's shown flags record
// it); the 30 ms lyric timer (Timer2_Timer, on the top window) only moves
// and resizes windows over those layers. The music clears the windows when a
// song ends, hides them when it pauses and starts the timer when a song
// starts. Keys pressed in any of them go to the player's key sink.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "album/album_settings.h"
#include "imaging/text_box.h"
#include "media/lyric_song.h"
#include "media/lyric_sweep.h"
#include "platform/platform.h"
#include "show/key_sink.h"
#include "show/show_parts.h"
#include "show/show_state.h"

namespace lantern::media {

// What the lyric windows need of the system.
struct LyricWindowServices {
  platform::LayeredWindows& layered;
  platform::WindowSystem& windows;  // topmost
  platform::WindowTimers& timers;
  platform::Surfaces& surfaces;  // the layers' memory
  platform::TextRenderer& text;
};

// The show the windows float over; LyricsReady is theirs to set.
struct LyricShow {
  const album::AlbumSettings& settings;
  show::ShowState& state;
  const show::MusicProgress& music;
};

enum class LyricForm { kTop, kBottom, kDynamic, kDynamic2 };

class LyricWindows final : public show::ShowLyricWindows {
 public:
  static constexpr int kTimer2 = 2;
  static constexpr uint32_t kTimer2Interval = 30;  // ms

  LyricWindows(LyricWindowServices services, LyricShow show);
  ~LyricWindows() override;
  LyricWindows(const LyricWindows&) = delete;
  LyricWindows& operator=(const LyricWindows&) = delete;

  // The song the windows follow; null while there is none.
  void SetSong(LyricSong* song) { song_ = song; }

  // --- show::ShowLyricWindows ---
  void CreateLyricWindows(const show::LyricArea& area, show::KeySink& keys) override;
  void DestroyLyricWindows() override;
  void FollowWindow(const show::LyricArea& area) override;
  void HideLyricWindows() override;
  void SetLyricWindowsShown(bool shown) override;
  void RaiseLyricWindows() override;

  // Timer off, every layer emptied, the windows moved off the screen (the
  // music calls it at a song's end too).
  void ClearLyricWindows() override;

  // --- what the music calls ---
  void StartTimer2();

  // Pushes the empty top layer once, above the screen; false when the
  // system refuses layered windows.
  bool ProbeLyricWindows();
  void Timer2_Timer();

  // --- for tests ---
  platform::WindowId window(LyricForm form) const;
  const platform::Surface* layer(LyricForm form) const;
  bool timer_on() const { return timer_on_; }

 private:
  class Form;
  // Where the first row's windows stand, in screen pixels.
  int32_t PosX() const { return area_.left + settings_.LyricPosX; }
  int32_t RowY(int32_t row) const;
  int32_t LayerWidth() const { return width_; }
  Form* Find(LyricForm form) const;
  bool MakeForms(show::KeySink& keys);
  void StopTimer2();

  // Drawing and pushing (lyric_windows.cpp).
  void DrawLine(LyricForm form, int32_t line, int32_t align, bool highlight);
  bool PushWhole(LyricForm form, int32_t x);
  bool PushSlice(LyricForm form, const LyricSlice& slice);
  void ClearAndPush(LyricForm form, int32_t x);
  void MoveTo(LyricForm form, int32_t x);

  // The ticks of the four styles (lyric_timer.cpp).
  bool TickDue(int32_t& t, double& duration);
  void TickSingle(LyricTimeline& lyrics, int32_t t);
  void TickRows(LyricTimeline& lyrics, int32_t t);
  void TickCentredSweep(LyricTimeline& lyrics, int32_t t, double duration);
  void TickRowSweep(LyricTimeline& lyrics, int32_t t, double duration);
  void ShowSweep(LyricTimeline& lyrics, const album::OneBased<int32_t>& flags, int32_t t,
                 double duration, bool centred);

  LyricWindowServices services_;
  const album::AlbumSettings& settings_;
  show::ShowState& state_;
  const show::MusicProgress& music_;
  LyricSong* song_ = nullptr;
  show::LyricArea area_;
  int32_t style_ = 0;  // the style the windows were made for
  int32_t width_ = 0;  // of every layer and window: the lyric area as laid out then
  int32_t height_ = 0;
  imaging::TextStyle normal_, highlight_;
  std::array<std::unique_ptr<Form>, 4> forms_;
  bool rebuilding_ = false;  // windows are being torn down and made again
  bool timer_on_ = false;
  bool probe_failed_ = false;  // layered windows do not work: lyrics stay off
};

}  // namespace lantern::media
