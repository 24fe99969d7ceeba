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
#include "imaging/photo_prefetch.h"
#include "imaging/worker_decoder.h"
#include "platform/platform.h"
#include "player/layout.h"
#include "player/number_box.h"
#include "player/slide_errors.h"
#include "show/key_sink.h"
#include "show/show_context.h"
#include "show/show_parts.h"

namespace lantern::player {

class FrmPb final : public platform::WindowHandler,
                    public show::ShowStage,
                    public show::ControlBarHost,
                    public show::MouseSink {
 public:
  static constexpr int kTimer1 = 1;  // idle seconds, power time-outs, composition: 1 s
  static constexpr int kTimer3 = 3;  // re-layout redraw, 200 ms
  static constexpr int kTimer4 = 4;  // the floating windows follow the player, 150 ms

  FrmPb(show::ShowContext& context, album::AlbumSettings& settings, const album::PropertyBag& store,
        show::ShowParts parts = {});
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
  void Timer4_Timer();
  // Re-places the floating windows by the player window's client area.
  void FollowWindow();
  // Shows or hides the floating windows together.
  void ShowFloatingWindows(bool show);
  void KeepFloatingOnTop();
  // Copies `source` onto `target` and puts it on the screen.
  void PresentSlide(const platform::Surface& target, const platform::Surface& source);
  void PeekNextTransition();

  // --- input (every window of the show hands its keys here) ---
  void Form_KeyDown(int key, int shift);
  void Form_KeyUp(int key, int shift);
  void KeyDown(int key, int shift) override { Form_KeyDown(key, shift); }
  void KeyUp(int key, int shift) override { Form_KeyUp(key, shift); }
  void PicDst_MouseDown(int button, int shift, int x, int y);
  void PicDst_MouseMove(int button, int shift, int x, int y);
  void PicDst_MouseUp(int button, int shift, int x, int y);
  // The mouse over a cover window: handled as over PicDst, at the point of
  // PicDst it would be on, so a movement is measured the same wherever it
  // goes.
  void ScreenMouseDown(int button, int shift, int32_t x, int32_t y) override;
  void ScreenMouseMove(int button, int shift, int32_t x, int32_t y) override;
  void ScreenMouseUp(int button, int shift, int32_t x, int32_t y) override;
  void Timer1_Timer();
  // Shows photo PhotoOrder[index] at once (while the show is paused); false
  // when a step of the show is in progress, which the key must not draw over.
  bool StepSlideNow(int32_t index, int32_t position);
  NumberBox& TxtGoToSlide() { return number_box_; }

  // --- what the control bar and the size menu ask of the player ---
  platform::WindowId PlayerWindow() const override { return window_; }
  void RequestWindowSize(int32_t index) override;
  void HideNumberBox() override { number_box_.Hide(); }
  void FocusPlayer() override;

  // --- window events ---
  void OnCloseRequest() override { Form_QueryUnload(); }
  void OnActivate(bool active) override;
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

  // --- the stage the headlines and the opening and ending draw on ---
  show::Surfaces surfaces() const override;
  const imaging::DecodedImage* texture() const override {
    return has_texture_ ? &texture_ : nullptr;
  }
  void RunStep(const std::function<void()>& step) override { Guard(step); }
  void DrawPicture(const std::string& item) override;
  void ShowBackgroundOnCovers() override;
  void BeginSequence() override;

  // --- state, for the input handlers, the transitions and tests ---
  show::ShowState& state() { return state_; }
  const show::MusicProgress& music_progress() const { return music_; }
  platform::WindowId window() const { return window_; }
  const platform::Surface& PicDst() const { return pic_dst_->surface(); }
  const std::vector<int32_t>& PhotoOrder() const { return photo_order_; }
  const imaging::PhotoPrefetch& prefetch() const { return prefetch_; }
  const imaging::WorkerDecoder& worker_decoder() const { return worker_decoder_; }
  bool InTransition() const { return in_transition_; }
  int32_t SlidePosition() const { return slide_position_; }
  int32_t AlbumPassCount() const { return album_pass_count_; }
  // Passes begun since the show started (never reset, unlike the count above).
  int64_t PassesBegun() const { return passes_begun_; }
  // Slides begun since the show started (each one's time starts with it).
  int64_t SlidesBegun() const { return slides_begun_; }
  int32_t SlideErrorCount() const { return errors_.count(); }
  bool StopDone() const { return stop_done_; }
  DisplaySize display() const { return display_; }
  const std::string& ExtractionFolder() const { return context_.ExtractionFolder; }
  int32_t ShownIndex() const { return shown_index_; }
  bool CompositionOn() const { return composition_on_; }
  bool PlayerActive() const { return player_active_; }
  // A step of the show (a composition, a transition, a re-layout) is in progress.
  bool StepInProgress() const { return steps_ > 0; }

 private:
  // Input.
  void Exit() { Form_QueryUnload(); }
  bool CommandKey(int key, int shift);
  void ScreenSaverKey(int key, int shift);
  void WindowedKey(int key, int shift);
  void PauseOrResumeShow();
  void EndSynchronisation();
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
  // The control bar when it exists.
  show::ShowControlBar* ControlBar() const;
  void RedrawControlBar();
  void NumberBoxPlace(int32_t& left, int32_t& top);
  // Form_Load's steps.
  void LoadSteps();
  void ActivateSteps();
  void RunOwnSteps(void (FrmPb::*steps)());
  bool ReSizeWindow1(float scale);
  void ReSizeWindow2();
  // ReSizeWindow2 without the lyric windows: the frame, bounds and floating windows.
  void PlaceWindow();
  void BuildLyricWindows();
  show::LyricArea LyricAreaNow();
  // There are lyric windows, and the album has lyrics.
  bool LyricWindowsUp() const;
  bool MakeSurfaces(DisplaySize size);
  void RedrawAfterRelayout();
  void ApplyStyleFontFallback();
  void BuildMask();
  // The pass loop.
  void RunPasses();
  void RunPass();
  bool RunSlide();  // false when the pass ends after this slide
  void StartSlideMusic();
  void StepBackFromComposedSlide();
  void RunSlideTransition();
  void ApplyRequestsAfterTransition();
  void RunHeadline();
  void GoToRequestedSlide();
  void PauseAfterTransition();
  void WaitOutSlide();
  void AdvanceTransitionCursor();
  void WaitWhilePaused();
  void MusicCheckRounds(int64_t rounds);
  void ShowPlainAlbum();
  // Composes photo n in PicSource, from the photo the worker made ready when
  // it is this one; `may_wait` lets it wait (pumping) for a job still running.
  void PrepareSlide(int n, bool may_wait = true);
  imaging::PhotoKey KeyOf(int n) const;
  // Starts making the photo that follows order index `index` ready, when the
  // order says which it is.
  void PrefetchAfter(int32_t index);
  int32_t PhotoAt(int32_t index) const;
  // The end of the show's release part: what StopShow defers while a step
  // or the loop still holds the objects.
  void ReleaseShow();
  void ReleaseIfSafe() noexcept;
  // Marks a step in progress for as long as it lives; the last one to end
  // carries out a release that waited for it.
  class StepScope {
   public:
    explicit StepScope(FrmPb& form) : form_(form) { ++form_.steps_; }
    ~StepScope() {
      --form_.steps_;
      form_.ReleaseIfSafe();
    }
    StepScope(const StepScope&) = delete;
    StepScope& operator=(const StepScope&) = delete;

   private:
    FrmPb& form_;
  };
  // One step of the pass loop: retried once, then skipped (SlideErrors); a
  // handler that runs inside it finds it in progress.
  template <typename Step>
  void Guard(Step&& step) {
    StepScope scope(*this);
    errors_.Run(std::forward<Step>(step));
  }

  show::ShowContext& context_;
  platform::Platform& platform_;
  show::ProcessValues& values_;
  album::AlbumSettings& settings_;
  const album::PropertyBag& store_;
  show::ShowParts parts_;
  // The shared pieces of the show, under the names the form's code uses.
  show::ShowState& state_;
  show::MusicProgress& music_;
  show::Presenter& presenter_;
  show::Pacer& pacer_;
  base::Rnd& rnd_;
  album::AlbumItems& items_;
  album::AlbumData album_;
  imaging::PhotoPrefetch prefetch_;
  // The pictures the interface thread decodes: what the system cannot stop
  // part-way is decoded on the prefetch's worker while the show waits.
  imaging::WorkerDecoder worker_decoder_;
  imaging::AlbumPictures pictures_;
  imaging::MaskTable mask_;
  imaging::DecodedImage texture_;
  bool has_texture_ = false;
  SlideErrors errors_;
  std::optional<album::ExtractionFolder> extraction_folder_;  // held while the show runs

  platform::WindowId window_ = 0;
  DisplaySize display_;
  std::unique_ptr<platform::SurfaceBuffer> pic_dst_, pic_source_, pic_tmp_, p4_, p5_;

  bool activated_ = false;
  bool stop_done_ = false;
  bool imaging_started_ = false;
  bool in_transition_ = false;
  bool in_slide_phase_ = false;
  bool next_transition_persistent_ = false;
  // Steps in progress that hold surfaces, pictures or media players (see
  // StepScope), and whether the form's own loading or pass loop runs. What
  // those hold is released or rebuilt only when neither is the case.
  int32_t steps_ = 0;
  bool running_ = false;
  bool release_pending_ = false;

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
  bool floating_shown_ = true;  // the state ShowFloatingWindows last applied
  int32_t last_left_ = 0;       // the window's place at the last layout or Timer4 tick
  int32_t last_top_ = 0;

  std::vector<int32_t> photo_order_;
  // The next pass's shuffled order, drawn while the last slide of a pass
  // shows so that its first photo can be made ready ahead; empty otherwise.
  std::vector<int32_t> next_photo_order_;
  int32_t slide_position_ = 0;
  int32_t shown_index_ = 0;
  std::vector<int32_t> transition_order_;
  int32_t transition_cursor_ = 0;
  int32_t album_pass_count_ = 0;
  int64_t passes_begun_ = 0;
  int64_t slides_begun_ = 0;
  uint32_t slide_start_time_ = 0;
  int32_t default_slide_ms_ = 0;
  int32_t random_pick2_ = 0;
  int32_t random_pick4_ = 0;
};

}  // namespace lantern::player
