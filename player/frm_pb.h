// The player form: it owns the show. Form_Load prepares the window, the
// surfaces and the album; Form_Activate runs album passes until the show
// stops; StopShow ends everything in one order. Input handlers, timers and
// close requests run inside the show's waits and talk to it through the
// flags of ShowState.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "album/album_settings.h"
#include "album/items.h"
#include "album/picture_source.h"
#include "album/property_bag.h"
#include "base/rnd.h"
#include "imaging/album_pictures.h"
#include "imaging/composition.h"
#include "platform/platform.h"
#include "player/layout.h"
#include "player/number_box.h"
#include "player/pacing.h"
#include "player/presenter.h"
#include "player/process_values.h"
#include "player/show_state.h"
#include "player/slide_errors.h"
#include "player/surfaces.h"

namespace lantern::media {
class Music;
}  // namespace lantern::media

namespace lantern::player {

// The music as the show drives it.
class ShowMusic {
 public:
  virtual ~ShowMusic() = default;
  virtual void StartMusic() = 0;
  virtual void ContinueMusic() = 0;
  virtual void AdvanceSongIfEnded() = 0;
  virtual int32_t SongRemainingMs() = 0;
  virtual void StopMusic() = 0;
  virtual void SkipSong() = 0;
  virtual void PauseMusic() = 0;   // pauses the song; the album's sound is then off
  virtual void ResumeMusic() = 0;  // runs it again; the sound is on
  virtual void ChangeVolumeBy(int32_t percent) = 0;
  // The song's media control and audio interfaces exist.
  virtual bool HasMediaControl() = 0;
  virtual bool HasAudio() = 0;
};

// The parts of the show that other subsystems provide. Each may be left
// empty; the show then goes on without it.
struct ShowParts {
  // Transition `number` (0-40) from PicDst to PicSource, with the slide's two
  // random direction picks (0-1 and 0-3).
  std::function<void(int32_t number, const Surfaces&, int32_t pick2, int32_t pick4)> transition;
  ShowMusic* music = nullptr;
  // The opening and the ending picture with their titles, around a pass.
  std::function<void()> opening;
  std::function<void()> ending;
};

class FrmPb final : public platform::WindowHandler {
 public:
  static constexpr int kTimer1 = 1;  // idle seconds, power time-outs, composition: 1 s
  static constexpr int kTimer3 = 3;  // re-layout redraw, 200 ms

  FrmPb(platform::Platform& platform, ProcessValues& values, album::AlbumSettings& settings,
        const album::PropertyBag& store, ShowParts parts = {});
  ~FrmPb() override;
  FrmPb(const FrmPb&) = delete;
  FrmPb& operator=(const FrmPb&) = delete;

  // Loads the form, shows it and plays the album until the show stops.
  void Run();

  void Form_Load();
  void Form_Activate();
  void Form_QueryUnload();
  void StopShow();
  void Timer3_Timer();
  // Copies `source` onto `target` and puts it on the screen.
  void PresentSlide(const platform::Surface& target, const platform::Surface& source);
  // Photo n (background for n < 1) on the cover windows of other monitors.
  void ShowOnCoverMonitors(int n);
  void PeekNextTransition();

  // --- input (every window of the show forwards its keys here) ---
  void Form_KeyDown(int key, int shift);
  void Form_KeyUp(int key, int shift);
  void PicDst_MouseDown(int button, int shift, int x, int y);
  void PicDst_MouseMove(int button, int shift, int x, int y);
  void PicDst_MouseUp(int button, int shift, int x, int y);
  void Timer1_Timer();
  // Shows photo PhotoOrder[index] at once (while the show is paused).
  void StepSlideNow(int32_t index, int32_t position);
  NumberBox& TxtGoToSlide() { return number_box_; }

  // --- window events ---
  void OnCloseRequest() override { Form_QueryUnload(); }
  void OnTimer(int timer_id) override;
  void OnKeyDown(int key, int shift) override { Form_KeyDown(key, shift); }
  void OnKeyUp(int key, int shift) override { Form_KeyUp(key, shift); }
  void OnMouseDown(int button, int shift, int x, int y) override {
    PicDst_MouseDown(button, shift, x, y);
  }
  void OnMouseMove(int button, int shift, int x, int y) override {
    PicDst_MouseMove(button, shift, x, y);
  }
  void OnMouseUp(int button, int shift, int x, int y) override {
    PicDst_MouseUp(button, shift, x, y);
  }

  // --- state, for the input handlers, the transitions and tests ---
  ShowState& state() { return state_; }
  Pacer& pacer() { return pacer_; }
  Presenter& presenter() { return presenter_; }
  base::Rnd& rnd() { return rnd_; }
  ShowParts& parts() { return parts_; }
  const MusicProgress& music_progress() const { return music_; }
  MusicProgress& music_progress() { return music_; }
  platform::WindowId window() const { return window_; }
  const platform::Surface& PicDst() const { return pic_dst_->surface(); }
  const std::vector<int32_t>& PhotoOrder() const { return photo_order_; }
  int32_t SlidePosition() const { return slide_position_; }
  int32_t AlbumPassCount() const { return album_pass_count_; }
  int32_t SlideErrorCount() const { return errors_.count(); }
  bool StopDone() const { return stop_done_; }
  DisplaySize display() const { return display_; }
  const std::string& ExtractionFolder() const { return extraction_folder_; }
  int32_t ShownIndex() const { return shown_index_; }
  bool CompositionOn() const { return composition_on_; }

 private:
  // Input.
  void Exit() { Form_QueryUnload(); }
  bool CommandKey(int key, int shift);
  void ScreenSaverKey(int key, int shift);
  void WindowedKey(int key, int shift);
  void PauseOrResumeShow();
  void MoveWindowBy(int32_t dx, int32_t dy);
  void PreviousSlide();
  void NextSlide();
  void WindowSizeKey(int key);
  void FullScreenKey();
  void SlideNumberKey();
  void MusicKey(int key);
  void CheckComposition();
  void RebuildFloatingWindows();
  void PowerTimeouts();
  // Form_Load's steps.
  void LoadSteps();
  void ReSizeWindow1(float scale);
  void ReSizeWindow2();
  void MakeSurfaces();
  void ApplyStyleFontFallback();
  void BuildMask();
  void ClearSurfaces();
  // The pass loop.
  void RunPasses();
  void RunPass();
  bool RunSlide();  // false when the pass ends after this slide
  void StartSlideMusic();
  void RunSlideTransition();
  void ApplyRequestsAfterTransition();
  void GoToRequestedSlide();
  void PauseAfterTransition();
  void WaitOutSlide();
  void AdvanceTransitionCursor();
  void WaitWhilePaused();
  void MusicCheckRounds(int64_t rounds);
  void ShowPlainAlbum();
  void PrepareSlide(int n);
  int32_t PhotoAt(int32_t index) const;
  Surfaces surfaces() const;
  template <typename Step>
  void Guard(Step&& step) {
    errors_.Run(std::forward<Step>(step));
  }

  platform::Platform& platform_;
  ProcessValues& values_;
  album::AlbumSettings& settings_;
  const album::PropertyBag& store_;
  ShowParts parts_;
  ShowState state_;
  MusicProgress music_;
  Presenter presenter_;
  Pacer pacer_;
  base::Rnd rnd_;
  album::AlbumItems items_;
  album::AlbumData album_;
  imaging::AlbumPictures pictures_;
  imaging::MaskTable mask_;
  imaging::DecodedImage texture_;
  bool has_texture_ = false;
  SlideErrors errors_;

  platform::WindowId window_ = 0;
  DisplaySize display_;
  // The windows that cover the other monitors in the screen saver, each with
  // the surface it shows.
  struct CoverWindow {
    platform::WindowId window = 0;
    std::unique_ptr<platform::SurfaceBuffer> picture;
  };
  std::vector<CoverWindow> cover_windows_;
  std::unique_ptr<media::Music> songs_;  // the album's music, unless the caller brought its own
  std::unique_ptr<platform::SurfaceBuffer> pic_dst_, pic_source_, pic_tmp_, p4_, p5_;

  bool activated_ = false;
  bool stop_done_ = false;
  bool imaging_started_ = false;
  bool in_transition_ = false;
  bool in_slide_phase_ = false;
  bool next_transition_persistent_ = false;
  int32_t monitor_count_ = 1;
  std::string extraction_folder_;
  int32_t opening_ms_ = 0;
  int32_t ending_ms_ = 0;

  // Input state.
  NumberBox number_box_;
  int32_t mouse_ref_x_ = 0;  // the screen saver's reference point, or a drag's grip point
  int32_t mouse_ref_y_ = 0;
  bool dragging_ = false;
  bool drag_started_ = false;
  float saved_scale_ = 0;  // the window scale to return to from full screen
  bool composition_on_ = false;
  bool composition_seen_ = false;
  bool player_active_ = true;

  std::vector<int32_t> photo_order_;
  int32_t slide_position_ = 0;
  int32_t shown_index_ = 0;
  std::vector<int32_t> transition_order_;
  int32_t transition_cursor_ = 0;
  int32_t album_pass_count_ = 0;
  uint32_t slide_start_time_ = 0;
  int32_t default_slide_ms_ = 0;
  int32_t random_pick2_ = 0;
  int32_t random_pick4_ = 0;
};

}  // namespace lantern::player
