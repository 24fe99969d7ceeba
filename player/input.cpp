// Input of the player form: keys, the mouse and the one-second housekeeping
// timer. In the screen saver almost any input ends the program; the windowed
// player has its commands. Handlers run inside the show's waits and leave
// requests in the flags; only while the show is paused do they draw at once.
#include "base/rounding.h"
#include "player/frm_pb.h"
#include "show/window_size.h"

namespace lantern::player {

namespace k = platform::keys;

namespace {

constexpr int32_t kMouseTolerance = 5;  // pixels the screen saver forgives

bool WithAlt(int shift) {
  return (shift & platform::kAltMask) != 0;
}

bool Beyond(int32_t a, int32_t b, int32_t tolerance) {
  return a - b > tolerance || b - a > tolerance;
}

}  // namespace

void FrmPb::Form_KeyDown(int key, int shift) {
  if (values_.WindowedMode) {
    WindowedKey(key, shift);
  } else {
    ScreenSaverKey(key, shift);
  }
  values_.IdleSeconds = 0;
}

void FrmPb::Form_KeyUp(int key, int /*shift*/) {
  if (key == k::kSnapshot) {
    // The picture on the screen, rather than the whole desktop, replaces the
    // bitmap the system's Print Screen put on the clipboard. When the key
    // went to another tool the clipboard holds something else, the user's,
    // and stays as it is.
    platform::Clipboard& clipboard = platform_.clipboard();
    if (pic_dst_ && clipboard.ClipboardHoldsBitmap()) clipboard.SetClipboardBitmap(PicDst());
    if (!values_.WindowedMode) Exit();
  }
  values_.IdleSeconds = 0;
}

// The commands both modes share; false for any other key.
bool FrmPb::CommandKey(int key, int shift) {
  switch (key) {
    case k::kF1:
      PauseOrResumeShow();
      return true;
    case k::kPageUp:
    case k::kLeft:
      PreviousSlide();
      return true;
    case k::kPageDown:
    case k::kRight:
      NextSlide();
      return true;
    case k::kDown:
    case k::kAdd:
    case k::kOemPlus:
    case k::kSubtract:
    case k::kOemMinus:
    case k::kF3:
      MusicKey(key);
      return true;
    case k::kF4:
      if (WithAlt(shift)) Exit();
      return true;
    default:
      return false;
  }
}

void FrmPb::ScreenSaverKey(int key, int shift) {
  if (CommandKey(key, shift)) return;
  if (key == k::kF2) {
    settings_.ShowCursor = !settings_.ShowCursor;
    platform_.power().ShowCursor(settings_.ShowCursor);
    mouse_ref_x_ = mouse_ref_y_ = 0;
  } else if (key != k::kSnapshot) {  // Print Screen acts when released, as Windows sends it
    Exit();                          // Esc, Space, Enter, N, R and every unlisted key
  }
}

void FrmPb::WindowedKey(int key, int shift) {
  if (parts_.control_bar != nullptr) parts_.control_bar->HideSizeMenu();
  if (CommandKey(key, shift)) return;
  switch (key) {
    case k::kReturn:
    case k::kSeparator:
      if (WithAlt(shift) && key == k::kReturn) {
        FullScreenKey();
      } else if (!WithAlt(shift)) {
        SlideNumberKey();
      }
      break;
    case k::kEscape:
      Exit();
      break;
    case k::kSpace:
      PauseOrResumeShow();
      break;
    case k::kN:
      number_box_.Hide();
      if (parts_.control_bar != nullptr) parts_.control_bar->HideControlBar();
      platform_.window_states().Minimise(window_);
      break;
    case k::kR:
      platform_.window_states().Restore(window_);
      break;
    default:
      if (key >= k::kDigit5 && key <= k::kDigit9 && WithAlt(shift)) WindowSizeKey(key);
      break;
  }
}

// A user's step, pause or go-to ends the fitting of slides to the songs; the
// music keeps that flag.
void FrmPb::EndSynchronisation() {
  if (parts_.music != nullptr) parts_.music->EndSynchronisation();
}

void FrmPb::PauseOrResumeShow() {
  EndSynchronisation();
  show::ShowMusic* music = parts_.music;
  if (settings_.NowM >= 1) {
    if (music_.MusicBusy) return;  // a song is being changed
    const bool control = music != nullptr && music->HasMediaControl();
    // The music keeps MuteSound in step with its player.
    if (state_.ShowPaused) {
      if (control) music->ResumeMusic();
      state_.ShowPaused = false;
    } else {
      if (control) music->HoldMusic();
      state_.ShowPaused = true;
    }
  } else {
    state_.ShowPaused = !state_.ShowPaused;
  }
  RedrawControlBar();  // the play/pause button changes
}

void FrmPb::PreviousSlide() {
  EndSynchronisation();
  if (!state_.ShowPaused) {
    state_.PreviousRequested = true;
    if (slide_position_ > 0) --slide_position_;
    // The loop adds one after the next transition.
    int32_t& shown = state_.DisplayedSlideNumber;
    shown = in_transition_ ? std::max(shown - 1, 1) : std::max(shown - 2, 0);
    return;
  }
  if (in_transition_ || state_.TextEffectRunning) return;
  if (shown_index_ - 1 < 0 || shown_index_ - 1 >= settings_.NowI || slide_position_ < 1) return;
  if (!StepSlideNow(shown_index_ - 1, slide_position_ - 1)) return;
  state_.DisplayedSlideNumber = std::max(state_.DisplayedSlideNumber - 1, 1);
  RedrawControlBar();
}

void FrmPb::NextSlide() {
  EndSynchronisation();
  if (!state_.ShowPaused) {
    state_.NextRequested = true;
    return;
  }
  if (in_transition_ || state_.TextEffectRunning) return;
  if (shown_index_ + 1 < 0 || shown_index_ + 1 >= settings_.NowI ||
      slide_position_ + 1 > settings_.NowI) {
    return;
  }
  if (!StepSlideNow(shown_index_ + 1, slide_position_ + 1)) return;
  state_.DisplayedSlideNumber = std::min(state_.DisplayedSlideNumber + 1, settings_.NowI);
  RedrawControlBar();
}

bool FrmPb::StepSlideNow(int32_t index, int32_t position) {
  // A key handled inside a step's pump must not compose over that step's
  // surfaces: it is dropped, and its caller leaves the slide number alone.
  if (steps_ > 0) return false;
  StepScope scope(*this);
  slide_position_ = position;
  shown_index_ = index;
  try {
    PrepareSlide(PhotoAt(index) + 1, /*may_wait=*/false);  // a handler never waits
    PresentSlide(PicDst(), pic_source_->surface());
    PrefetchAfter(index);
    if (parts_.cover_windows != nullptr && parts_.cover_windows->MonitorCount() >= 2)
      parts_.cover_windows->ShowOnCoverMonitors(PhotoAt(index) + 1);
  } catch (const std::exception&) {
    // the handler ends quietly; the slide shows what was drawn
  }
  return true;
}

void FrmPb::WindowSizeKey(int key) {
  const int32_t s = key - k::kDigit0 - 4;  // the size index 1..5: 50 % .. 90 % of the screen
  if (!show::WindowSizeFits(s, values_.ScreenWidth)) return;
  if (s == state_.WindowSizeIndex) return;
  state_.WindowSizeIndex = s;
  if (values_.WindowScale * 10 != static_cast<float>(s + 4)) {
    platform_.desktop().SetBusyCursor(window_, true);
    state_.RelayoutPending = true;
  }
}

void FrmPb::FullScreenKey() {
  if (values_.WindowScale != 1.0f) {
    state_.WindowSizeIndex = 6;
    saved_scale_ = values_.WindowScale;
    platform_.desktop().SetBusyCursor(window_, true);
    state_.RelayoutPending = true;
  } else if (saved_scale_ >= 0.5f && saved_scale_ <= 0.9f) {
    state_.WindowSizeIndex = base::Round32(saved_scale_ * 10 - 4);
    saved_scale_ = 1;
    platform_.desktop().SetBusyCursor(window_, true);
    state_.RelayoutPending = true;
  }
}

void FrmPb::SlideNumberKey() {
  const int32_t photos = settings_.NowI;
  if (state_.DisplayedSlideNumber < 0 || state_.DisplayedSlideNumber > photos) return;
  if (!number_box_.visible()) {
    if (show::ShowControlBar* bar = ControlBar()) bar->RevealControlBar();
    int32_t left = 0, top = 0;
    NumberBoxPlace(left, top);
    number_box_.ShowAt(window_, left, top);
    return;
  }
  if (number_box_.text() == "0") return;
  number_box_.set_text(NormaliseNumberBox(number_box_.text(), "0"));
  const int32_t n = std::stoi(number_box_.text());
  if (n >= 1 && n <= photos && n != slide_position_ + 1) {
    EndSynchronisation();
    if (!state_.ShowPaused) {
      state_.GoToSlideNumber = n;
      state_.GoToRequested = true;
      state_.NextRequested = true;  // ends the current wait; the loop jumps
    } else if (!in_transition_ && !state_.TextEffectRunning && StepSlideNow(n - 1, n - 1)) {
      state_.DisplayedSlideNumber = n;
      RedrawControlBar();
      if (n == photos) slide_position_ = photos;
      if (n == 1) slide_position_ = 1;
    }
  }
  number_box_.Hide();
}

void FrmPb::MusicKey(int key) {
  show::ShowMusic* music = parts_.music;
  if (music == nullptr || settings_.NowM < 1) return;
  if (key == k::kDown) {
    music->SkipSong();
  } else if (key == k::kF3) {
    if (settings_.MuteSound) {
      music->ResumeMusic();
    } else {
      music->PauseMusic();
    }
    RedrawControlBar();  // the mute button follows the music
  } else if (!music_.MusicBusy && music->HasAudio()) {
    music->ChangeVolumeBy(key == k::kAdd || key == k::kOemPlus ? 10 : -10);
  }
}

void FrmPb::PicDst_MouseDown(int /*button*/, int /*shift*/, int x, int y) {
  if (!values_.WindowedMode) {
    // With composition on, the click may have put the player over the lyrics.
    if (composition_on_ && parts_.lyric_windows != nullptr)
      parts_.lyric_windows->RaiseLyricWindows();
    return;
  }
  if (!player_active_) return;
  if (values_.WindowScale < 1) {
    drag_started_ = false;
    dragging_ = true;
    mouse_ref_x_ = x;
    mouse_ref_y_ = y;
  }
  if (parts_.control_bar != nullptr) parts_.control_bar->HideSizeMenu();
  number_box_.Hide();
}

void FrmPb::PicDst_MouseMove(int /*button*/, int /*shift*/, int x, int y) {
  if (!values_.WindowedMode) {
    if (settings_.IgnoreMouseMove || settings_.ShowCursor) {
      values_.IdleSeconds = 0;
    } else if (mouse_ref_x_ == 0 && mouse_ref_y_ == 0) {
      mouse_ref_x_ = x;
      mouse_ref_y_ = y;
    } else if (Beyond(x, mouse_ref_x_, kMouseTolerance) ||
               Beyond(y, mouse_ref_y_, kMouseTolerance)) {
      mouse_ref_x_ = mouse_ref_y_ = 0;
      Exit();
    }
    return;
  }
  if (!player_active_) return;
  if (!dragging_) {
    if (parts_.control_bar != nullptr) parts_.control_bar->PlayerMouseMove(x, y);
    return;
  }
  if (Beyond(x, mouse_ref_x_, kMouseTolerance) || Beyond(y, mouse_ref_y_, kMouseTolerance)) {
    MoveWindowBy(x - mouse_ref_x_, y - mouse_ref_y_);
    if (!drag_started_) ShowFloatingWindows(false);  // they come back where the drag ends
    drag_started_ = true;
  }
}

void FrmPb::PicDst_MouseUp(int /*button*/, int /*shift*/, int x, int y) {
  if (!values_.WindowedMode) {
    if (settings_.ShowCursor) {
      values_.IdleSeconds = 0;
    } else {
      Exit();
    }
    return;
  }
  if (!player_active_ || !dragging_) return;
  if (x != mouse_ref_x_ || y != mouse_ref_y_) MoveWindowBy(x - mouse_ref_x_, y - mouse_ref_y_);
  FollowWindow();
  dragging_ = false;
  if (drag_started_) {
    if (parts_.lyric_windows != nullptr) parts_.lyric_windows->HideLyricWindows();
    ShowFloatingWindows(true);
    drag_started_ = false;
  }
  if (parts_.control_bar != nullptr) parts_.control_bar->HideSizeMenu();
}

// The window moves under the pointer, so the grip point stays where it is.
void FrmPb::MoveWindowBy(int32_t dx, int32_t dy) {
  const platform::Rect b = platform_.windows().Bounds(window_);
  platform_.windows().SetBounds(window_, {b.left + dx, b.top + dy, b.right + dx, b.bottom + dy});
}

void FrmPb::Timer1_Timer() {
  if (values_.WindowedMode) {
    if (values_.WindowsVersionClass > 5) CheckComposition();
    if (composition_on_ != composition_seen_) RebuildFloatingWindows();
    if (parts_.control_bar != nullptr && parts_.control_bar->SecondTick(player_active_))
      number_box_.Hide();
    return;
  }
  ++values_.IdleSeconds;
  PowerTimeouts();
}

void FrmPb::PowerTimeouts() {
  const int32_t idle = values_.IdleSeconds;
  if ((values_.HibernateTimeout > 0 && idle >= values_.HibernateTimeout) ||
      (values_.SleepTimeout > 0 && idle >= values_.SleepTimeout)) {
    state_.ShowPaused = false;
    state_.SleepOnExit = true;
    state_.ShowStopping = true;
    values_.IdleSeconds = 0;
    StopShow();
    return;
  }
  if (values_.MonitorTimeout >= 1 && idle >= values_.MonitorTimeout) {
    platform_.power().MonitorOff();
    platform_.loop().PumpMessages();
    Exit();
  }
}

void FrmPb::CheckComposition() {
  composition_on_ = platform_.power().CompositionEnabled().value_or(false);
}

// The floating windows are built for one composition state (above every
// window, or staying with the player's); when it changes, they are built
// again behind a minimised player (the lyric windows once it is restored)
// and placed once it is restored: a minimised window's client area lies far
// off the screen. Without floating
// windows nothing changes.
void FrmPb::RebuildFloatingWindows() {
  composition_seen_ = composition_on_;
  show::ShowControlBar* bar = parts_.control_bar;
  if (bar == nullptr && parts_.lyric_windows == nullptr) return;
  platform_.window_states().Minimise(window_);
  state_.LyricsRebuilding = true;
  if (bar != nullptr) {
    bar->DestroyControlBar();
    bar->CreateControlBar(*this, composition_on_);
  }
  number_box_.Hide();
  floating_shown_ = true;
  platform_.window_states().Restore(window_);
  BuildLyricWindows();  // made over a shown owner, which takes their first push
  FollowWindow();
  state_.LyricsRebuilding = false;
  player_active_ = platform_.desktop().ApplicationActive();
}

}  // namespace lantern::player
