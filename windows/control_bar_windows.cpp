// The control bar, the size menu and the tool-tip panel, and their state.
#include "windows/control_bar_windows.h"

#include "show/window_size.h"
#include "windows/size_menu.h"

namespace lantern::windows {

namespace {

bool Beyond(int32_t a, int32_t b, int32_t tolerance) {
  return a - b > tolerance || b - a > tolerance;
}

}  // namespace

ControlBarWindows::ControlBarWindows(show::ShowContext& context,
                                     const album::AlbumSettings& settings)
    : context_(context),
      platform_(context.platform),
      settings_(settings),
      bar_(platform_, *this, kBarWidth, kBarHeight,
           [this](MouseAction a, int32_t x, int32_t y) { BarMouse(a, x, y); }),
      menu_(platform_, *this, kMenuWidth, kMenuHeight,
            [this](MouseAction a, int32_t x, int32_t y) { MenuMouse(a, x, y); }),
      tip_(platform_, *this) {}

ControlBarWindows::~ControlBarWindows() {
  DestroyControlBar();
}

void ControlBarWindows::CreateControlBar(show::ControlBarHost& host, bool composition_on) {
  DestroyControlBar();
  host_ = &host;
  const platform::WindowId owner = host.PlayerWindow();
  colours_ = SystemHighlight(platform_.desktop());
  scratch_ = platform_.surfaces().CreateSurface(kBarWidth, kBarHeight);
  // With composition on the windows float above all others; without it they
  // are owned by the player's window and stay with it.
  const bool topmost = composition_on;
  if (!scratch_ || !scratch_->surface().valid() || !bar_.Create(owner, topmost)) {
    DestroyControlBar();
    return;
  }
  images_.Load(context_.items, platform_);
  context_.state.ControlBarReady = true;
  if (menu_.Create(owner, topmost)) menu_.Show(false);
  shown_ = true;  // the bar counts as shown: its idle count starts
  idle_ticks_ = 0;
  RedrawControlBar();
}

void ControlBarWindows::DestroyControlBar() {
  bar_.Destroy();
  menu_.Destroy();
  tip_.Destroy();
  images_.Clear();
  scratch_.reset();
  context_.state.ControlBarReady = false;
  hover_ = 0;
  shown_ = false;
  reveal_x_ = reveal_y_ = 0;
  ClearToolTip();
}

void ControlBarWindows::RedrawControlBar() {
  if (!bar_.exists() || Stopping()) return;
  DrawBar();
  bar_.Push();
}

void ControlBarWindows::FollowWindow(const platform::Rect& client) {
  client_ = client;
  const FloatingPlaces places = PlaceFloatingWindows(client, client.width());
  bar_.Place(places.bar.left, places.bar.top);
  menu_.Place(places.menu.left, places.menu.top);
  if (menu_.exists()) {
    DrawMenu();
    menu_.Push();
  }
  if (bar_.exists()) {
    hover_ = 0;
    DrawBar();
    bar_.Push();
  }
}

void ControlBarWindows::ShowFloatingWindows(bool show) {
  if (!bar_.exists()) return;
  bar_.Show(show);
  menu_.Show(false);
  shown_ = show;
  idle_ticks_ = 0;
  ClearToolTip();
  tip_.Hide();
}

void ControlBarWindows::RevealControlBar() {
  if (!bar_.exists()) return;
  RedrawControlBar();
  shown_ = true;
  idle_ticks_ = 0;
  bar_.Show(true);
}

void ControlBarWindows::HideControlBar() {
  bar_.Show(false);
  menu_.Show(false);
  shown_ = false;
}

void ControlBarWindows::HideSizeMenu() {
  menu_.Show(false);
}

void ControlBarWindows::PlayerMouseMove(int32_t x, int32_t y) {
  if (bar_.exists()) {
    if (reveal_x_ == 0 && reveal_y_ == 0) {
      reveal_x_ = x;
      reveal_y_ = y;
    } else if (Beyond(x, reveal_x_, kRevealTravel) || Beyond(y, reveal_y_, kRevealTravel)) {
      reveal_x_ = reveal_y_ = 0;
      RevealControlBar();
    }
  }
  tip_pending_ = false;
  tip_.Hide();
  if (hover_ != 0) {
    hover_ = 0;
    RedrawControlBar();
  }
}

bool ControlBarWindows::SecondTick(bool player_active) {
  bool hid = false;
  if (player_active && bar_.exists() && shown_ && ++idle_ticks_ > kIdleSeconds) {
    HideControlBar();
    ClearToolTip();
    tip_.Hide();
    hid = true;
  }
  // A tool-tip asked for shows at the second tick after the request.
  if (tip_ticks_ == 1 && tip_pending_ && !tip_shown_ && host_ != nullptr) {
    tip_.Show(host_->PlayerWindow(), tip_text_, pointer_x_, pointer_y_, client_);
    tip_shown_ = true;
  }
  if (++tip_ticks_ > kToolTipSeconds) {
    tip_pending_ = false;
    tip_text_.clear();
    tip_ticks_ = 0;
    tip_.Hide();
  }
  return hid;
}

void ControlBarWindows::KeepOnTop() {
  bar_.KeepOnTop();
  menu_.KeepOnTop();
}

void ControlBarWindows::KeyDown(int key, int shift) {
  if (host_ != nullptr) host_->KeyDown(key, shift);
}

void ControlBarWindows::KeyUp(int key, int shift) {
  if (host_ != nullptr) host_->KeyUp(key, shift);
}

void ControlBarWindows::BarMouse(MouseAction action, int32_t x, int32_t y) {
  if (Stopping() || host_ == nullptr) return;
  const int label = BarLabelAt(x, y);
  const platform::Rect at = bar_.placement();
  pointer_x_ = at.left + x;
  pointer_y_ = at.top + y;
  if (action == MouseAction::kUp) {
    host_->FocusPlayer();
  } else if (label != 0) {
    if (action == MouseAction::kDown) BarMouseDown(label);
    if (action == MouseAction::kMove) BarMouseMove(label);
  }
}

// A button does what its key does: the player's key handler is called with
// the button's key.
void ControlBarWindows::BarMouseDown(int label) {
  hover_ = label;
  tip_text_.clear();
  tip_ticks_ = 0;
  tip_.Hide();
  if (label != kSizeButton) menu_.Show(false);
  if (label != kCounterLabel) host_->HideNumberBox();
  idle_ticks_ = 0;
  if (label == kSizeButton) {
    OpenSizeMenu();
  } else {
    host_->KeyDown(BarKey(label), 0);
  }
  RedrawControlBar();
}

void ControlBarWindows::BarMouseMove(int label) {
  idle_ticks_ = 0;
  if (label != hover_) {
    tip_shown_ = tip_pending_ = false;
    hover_ = label;
    tip_text_.clear();
    tip_ticks_ = 0;
    tip_.Hide();
    RedrawControlBar();
  }
  if (!tip_pending_) {
    tip_pending_ = true;
    tip_ticks_ = 0;
    tip_text_ = BarToolTip(label);
  }
}

void ControlBarWindows::OpenSizeMenu() {
  if (!menu_.exists()) return;
  context_.state.WindowSizeIndex = SizeChoiceOfScale(context_.values.WindowScale);
  DrawMenu();
  menu_.Push();
  menu_.Show(true);
}

void ControlBarWindows::MenuMouse(MouseAction action, int32_t x, int32_t y) {
  if (Stopping() || host_ == nullptr) return;
  if (action == MouseAction::kUp) {
    host_->FocusPlayer();
    return;
  }
  const int choice = SizeChoiceAt(x, y);
  if (choice == 0) return;
  const bool fits = show::WindowSizeFits(choice, context_.values.ScreenWidth);
  if (action == MouseAction::kMove) {
    hover_ = kSizeButton;  // the size button stays highlighted
    idle_ticks_ = 0;
    if (choice != context_.state.WindowSizeIndex && fits) {
      context_.state.WindowSizeIndex = choice;
      DrawMenu();
      menu_.Push();
    }
    return;
  }
  menu_.Show(false);
  if (context_.values.WindowScale * 10 != static_cast<float>(choice + 4) && fits)
    host_->RequestWindowSize(choice);
}

void ControlBarWindows::DrawBar() {
  if (!bar_.exists() || Stopping()) return;
  DrawControlBar(bar_.layer(), scratch_->surface(), platform_.text(), State(), images_, colours_);
}

void ControlBarWindows::DrawMenu() {
  if (!menu_.exists() || Stopping()) return;
  DrawSizeMenu(menu_.layer(), context_.state.WindowSizeIndex, images_.size_menu(), colours_);
}

void ControlBarWindows::ClearToolTip() {
  tip_text_.clear();
  tip_pending_ = false;
  tip_shown_ = false;
  tip_ticks_ = 0;
}

BarState ControlBarWindows::State() const {
  const show::ShowState& s = context_.state;
  return {
      hover_,        s.ShowPaused, settings_.MuteSound, settings_.NowM >= 1, s.DisplayedSlideNumber,
      settings_.NowI};
}

}  // namespace lantern::windows
