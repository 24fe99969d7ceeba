// The pass loop of the player form: every photo once in play order, each with
// its transition, the pause after it and the rest of its time; between them
// the requests the input handlers leave in the flags.
#include <algorithm>
#include <utility>

#include "base/rounding.h"
#include "imaging/raster.h"
#include "player/frm_pb.h"
#include "player/slide_timing.h"

namespace lantern::player {

namespace {

bool TransitionsOn(const album::AlbumSettings& s) {
  return s.EnableTransition && s.SelectedTransitionCount >= 1;
}

}  // namespace

void FrmPb::RunPasses() {
  default_slide_ms_ = DefaultSlideMs(settings_);
  transition_cursor_ = 0;
  if (TransitionsOn(settings_)) {
    transition_order_ =
        show::ShufflePermutation(rnd_, platform_.clock(), 0, settings_.SelectedTransitionCount - 1);
  }
  // The first opening's steps count their errors against the album's limit
  // too, before the first pass starts counting.
  errors_.StartPass(settings_.NowI > 0 ? settings_.NowI : 0);
  while (!state_.ShowStopping)
    RunPass();
}

void FrmPb::RunPass() {
  platform::Clock& clock = platform_.clock();
  const int32_t photos = settings_.NowI > 0 ? settings_.NowI : 0;
  // Without synchronisation the opening comes before every pass; with it only
  // at the start of a synchronised cycle.
  const bool cycle_start = album_pass_count_ == 0 && music_.PassCount == 0;
  show::ShowOpeningEnding* sequences = parts_.opening_ending;
  if (settings_.EnableOpening && (cycle_start || !settings_.EnableSync) && sequences != nullptr &&
      !state_.ShowStopping) {
    sequences->Opening(*this);  // its drawing runs in steps, its waits between them
  }
  slide_start_time_ = clock.NowMs();
  if (settings_.PlayPhotoInRamdomOrder) {
    if (next_photo_order_.size() == static_cast<size_t>(std::max(photos, 0)) && photos > 0)
      photo_order_ = std::move(next_photo_order_);
    else
      photo_order_ = show::ShufflePermutation(rnd_, clock, 0, photos - 1);
    next_photo_order_.clear();
  } else {
    photo_order_.resize(static_cast<size_t>(photos));
    for (int32_t i = 0; i < photos; ++i)
      photo_order_[static_cast<size_t>(i)] = i;
  }
  errors_.StartPass(photos);
  slide_position_ = 0;
  in_transition_ = false;
  ++album_pass_count_;
  ++passes_begun_;
  state_.DisplayedSlideNumber = 0;
  // The pass's first photo is made ready on the worker while its music
  // starts (unless the last pass already made it ready).
  Guard([&] { PrefetchAfter(-1); });
  if (photos == 0) ShowPlainAlbum();
  while (slide_position_ != photos && !state_.ShowStopping) {
    if (!RunSlide()) break;
  }
  state_.DisplayedSlideNumber = 0;
  const bool cycle_done =
      music_.PassCount >= music_.SyncMusicPasses && album_pass_count_ >= music_.SyncAlbumPasses;
  if (settings_.EnableEnding && (!settings_.EnableSync || cycle_done) && sequences != nullptr &&
      !state_.ShowStopping) {
    sequences->Ending(*this);
  }
  if (cycle_done) {  // a new synchronised cycle begins (every pass without synchronisation)
    music_.PassCount = 0;
    album_pass_count_ = 0;
  }
}

// An opening or ending begins: lyrics synchronised to the album are cleared,
// the control bar shows no slide number, and the slide-number box goes.
void FrmPb::BeginSequence() {
  if (settings_.EnableSync && MusicPlays(settings_) && parts_.lyric_windows != nullptr)
    parts_.lyric_windows->ClearLyricWindows();
  if (values_.WindowedMode && state_.ControlBarReady && parts_.control_bar != nullptr)
    parts_.control_bar->RedrawControlBar();
  number_box_.Hide();
}

// An album without photos shows its background for a slide's time per pass,
// so the loop waits instead of spinning.
void FrmPb::ShowPlainAlbum() {
  Guard([&] {
    imaging::DrawBackground(pic_source_->surface(), album_, pictures_);
    PresentSlide(PicDst(), pic_source_->surface());
  });
  pacer_.WaitMs(default_slide_ms_ > 500 ? default_slide_ms_ : 500);
}

bool FrmPb::RunSlide() {
  platform::Clock& clock = platform_.clock();
  in_slide_phase_ = true;
  ++slides_begun_;
  WaitWhilePaused();
  if (!values_.WindowedMode) {
    Guard([&] {
      platform::WindowSystem& windows = platform_.windows();
      windows.SetBounds(window_, {0, 0, values_.ScreenWidth, values_.ScreenHeight});
      if (platform_.window_states().IsMinimised(window_))
        platform_.window_states().Restore(window_);
      const bool lyrics =
          settings_.NowM >= 1 && settings_.LyricFilesCount >= 1 && state_.LyricsReady;
      if (!lyrics) windows.SetTopmost(window_, true);
    });
  }
  rnd_.Reseed(clock.Now().SecondsSinceMidnight());
  random_pick2_ = static_cast<int32_t>(base::Int(rnd_.Next() * 2.0));
  random_pick4_ = static_cast<int32_t>(base::Int(rnd_.Next() * 4.0));
  StartSlideMusic();
  shown_index_ = slide_position_;
  Guard([&] { PrepareSlide(PhotoAt(shown_index_) + 1); });
  StepBackFromComposedSlide();
  RunSlideTransition();
  ApplyRequestsAfterTransition();
  RedrawControlBar();  // the slide counter
  if (!state_.RelayoutPending) {
    if (settings_.PersistentTransitionSelected) Guard([&] { PeekNextTransition(); });
    Guard([&] { PresentSlide(PicDst(), pic_source_->surface()); });
  }
  Guard([&] { PrefetchAfter(shown_index_); });  // made ready while this slide shows
  if (parts_.cover_windows != nullptr && parts_.cover_windows->MonitorCount() >= 2)
    Guard([&] { parts_.cover_windows->ShowOnCoverMonitors(PhotoAt(shown_index_) + 1); });
  state_.NextRequested = false;
  state_.PreviousRequested = false;
  PauseAfterTransition();
  RunHeadline();
  // A go-to request that came during the headline is carried out at once.
  if (state_.GoToRequested) {
    state_.NextRequested = false;
    GoToRequestedSlide();
    Guard([&] { PresentSlide(PicDst(), pic_source_->surface()); });
    Guard([&] { PrefetchAfter(shown_index_); });
    RedrawControlBar();
  }
  if (state_.ShowStopping) return false;
  WaitOutSlide();
  if (!state_.PreviousRequested && !state_.GoToRequested && slide_position_ + 1 <= settings_.NowI) {
    ++slide_position_;
  }
  slide_start_time_ = clock.NowMs();
  AdvanceTransitionCursor();
  platform_.loop().PumpMessages();
  WaitWhilePaused();
  if (settings_.EnableSync && MusicPlays(settings_) && album_pass_count_ > music_.SyncAlbumPasses &&
      music_.SyncAlbumPasses >= 1 && music_.PassComplete &&
      music_.PassCount >= music_.SyncMusicPasses && music_.SyncMusicPasses >= 1) {
    return false;  // the synchronised cycle is complete: the pass ends here
  }
  in_slide_phase_ = false;
  return true;
}

// A step back asked for while this slide was composed counted from the slide
// on the screen, the one before it: that one's predecessor is shown instead.
void FrmPb::StepBackFromComposedSlide() {
  if (!state_.PreviousRequested || slide_position_ >= shown_index_) return;
  slide_position_ = std::max(slide_position_ - 1, 0);
  shown_index_ = slide_position_;
  Guard([&] { PrepareSlide(PhotoAt(shown_index_) + 1); });
}

// Nothing is due while the show is paused: the loop sleeps until a message
// comes (a key, a click, a window timer), looking at the flags once a second
// all the same.
void FrmPb::WaitWhilePaused() {
  if (!state_.ShowPaused) return;
  constexpr int32_t kPausedCheckMs = 1000;
  while (state_.ShowPaused && !state_.ShowStopping)
    pacer_.WaitForMessage(kPausedCheckMs);
  slide_start_time_ = platform_.clock().NowMs();
}

void FrmPb::StartSlideMusic() {
  if (!MusicPlays(settings_) || parts_.music == nullptr) return;
  music_.MusicBusy = true;
  Guard([&] {
    if (!music_.MusicStarted) {
      parts_.music->StartMusic();
    } else {
      parts_.music->ContinueMusic();
    }
  });
  music_.MusicBusy = false;
}

void FrmPb::RunSlideTransition() {
  if (!TransitionsOn(settings_) || state_.PreviousRequested || state_.NextRequested ||
      state_.ShowPaused) {
    return;
  }
  in_transition_ = true;
  Guard([&] {
    const size_t at = static_cast<size_t>(transition_cursor_);
    const int32_t t = settings_.SelectedTransitions[transition_order_.at(at) + 1];
    if (parts_.transitions != nullptr)
      parts_.transitions->Run(t, surfaces(), random_pick2_, random_pick4_);
  });
}

// The photo's headline with its effect, unless a request is waiting.
void FrmPb::RunHeadline() {
  if (!settings_.EnableHeadlineEffect || parts_.headlines == nullptr || state_.PreviousRequested ||
      state_.NextRequested || state_.ShowPaused || state_.RelayoutPending) {
    return;
  }
  state_.TextEffectRunning = true;
  Guard([&] {
    const int32_t n = PhotoAt(shown_index_) + 1;
    if (n <= settings_.ImgHeadline.size() && !settings_.ImgHeadline[n].empty())
      parts_.headlines->Headline(*this, n, random_pick4_);
  });
  state_.TextEffectRunning = false;
}

void FrmPb::ApplyRequestsAfterTransition() {
  const int32_t photos = settings_.NowI;
  if (state_.NextRequested && state_.GoToRequested) state_.NextRequested = false;
  if (state_.PreviousRequested && in_transition_ && shown_index_ - 1 >= 0 &&
      shown_index_ - 1 < photos && slide_position_ >= 1) {
    --slide_position_;
    --shown_index_;
    Guard([&] { PrepareSlide(PhotoAt(shown_index_) + 1); });
  }
  if (state_.NextRequested && in_transition_ && shown_index_ + 1 >= 0 &&
      shown_index_ + 1 < photos && slide_position_ + 1 <= photos) {
    ++slide_position_;
    ++shown_index_;
    Guard([&] { PrepareSlide(PhotoAt(shown_index_) + 1); });
  }
  in_transition_ = false;
  ++state_.DisplayedSlideNumber;
  if (state_.GoToRequested) GoToRequestedSlide();
}

void FrmPb::GoToRequestedSlide() {
  state_.DisplayedSlideNumber = state_.GoToSlideNumber;
  slide_position_ = state_.GoToSlideNumber - 1;
  shown_index_ = slide_position_;
  Guard([&] { PrepareSlide(PhotoAt(shown_index_) + 1); });
  state_.GoToRequested = false;
}

void FrmPb::MusicCheckRounds(int64_t rounds) {
  for (int64_t i = 0; i < rounds; ++i) {
    music_.MusicBusy = true;
    if (music_.MusicStarted && parts_.music != nullptr) {
      Guard([&] { parts_.music->AdvanceSongIfEnded(); });
    }
    music_.MusicBusy = false;
    pacer_.WaitMs(50);
  }
}

void FrmPb::PauseAfterTransition() {
  if (SlideWaitKind(settings_, music_, album_pass_count_) == SlideWait::kMusicChecks) {
    MusicCheckRounds(10);
  } else {
    pacer_.WaitMs(500);
  }
}

void FrmPb::WaitOutSlide() {
  const bool shown = shown_index_ >= 0 && static_cast<size_t>(shown_index_) < photo_order_.size();
  const int32_t n = shown ? photo_order_[static_cast<size_t>(shown_index_)] + 1 : 0;
  const int64_t cycle = SlideCycleMs(settings_, n, default_slide_ms_);
  const int64_t elapsed = static_cast<uint32_t>(platform_.clock().NowMs() - slide_start_time_);
  if (elapsed < cycle) {
    const auto rest = static_cast<int32_t>(cycle - elapsed);
    if (SlideWaitKind(settings_, music_, album_pass_count_) == SlideWait::kMusicChecks) {
      MusicCheckRounds(base::Round(rest / 50.0));
    } else {
      pacer_.WaitMs(rest);
    }
  }
  if (MusicPlays(settings_) && !settings_.EnableSync && parts_.music != nullptr) {
    const int32_t remaining = parts_.music->SongRemainingMs();
    if (remaining >= 1 && remaining < 500) pacer_.WaitMs(remaining);  // let the song finish
  }
}

void FrmPb::AdvanceTransitionCursor() {
  if (!TransitionsOn(settings_)) return;
  if (transition_cursor_ == settings_.SelectedTransitionCount - 1) {
    transition_order_ =
        show::ShufflePermutation(rnd_, platform_.clock(), 0, settings_.SelectedTransitionCount - 1);
    transition_cursor_ = 0;
  } else {
    ++transition_cursor_;
  }
}

void FrmPb::PeekNextTransition() {
  next_transition_persistent_ = false;
  const int32_t count = settings_.SelectedTransitionCount;
  if (count < 1) return;
  if (transition_cursor_ + 1 == count) {
    transition_order_ = show::ShufflePermutation(rnd_, platform_.clock(), 0, count - 1);
    transition_cursor_ = -1;
  }
  const size_t next = static_cast<size_t>(transition_cursor_ + 1);
  const int32_t number = settings_.SelectedTransitions[transition_order_.at(next) + 1];
  next_transition_persistent_ =
      parts_.transitions != nullptr && parts_.transitions->KeepsOldSlide(number);
}

}  // namespace lantern::player
