// A floating layered window with its off-screen layer.
#include "windows/layer_window.h"

#include "windows/bar_paint.h"

namespace lantern::windows {

namespace {
constexpr int32_t kOutOfSight = -3000;
}

LayerWindow::LayerWindow(platform::Platform& platform, show::KeySink& keys, int32_t width,
                         int32_t height, MouseCall on_mouse)
    : KeyForwardingHandler(keys),
      platform_(platform),
      width_(width),
      height_(height),
      on_mouse_(std::move(on_mouse)) {}

LayerWindow::~LayerWindow() {
  Destroy();
}

bool LayerWindow::Create(platform::WindowId owner, bool topmost) {
  Destroy();
  left_ = 0;
  top_ = kOutOfSight;
  topmost_ = topmost;
  layer_ = platform_.surfaces().CreateSurface(width_, height_);
  if (!layer_ || !layer_->surface().valid()) {
    layer_.reset();
    return false;
  }
  ClearLayer(layer_->surface());
  window_ = platform_.layered().CreateLayered(placement(), topmost, owner, *this);
  if (window_ == 0 || !Push()) {
    Destroy();
    return false;
  }
  Show(true);
  return true;
}

void LayerWindow::Destroy() {
  if (window_ != 0) platform_.layered().DestroyLayered(window_);
  window_ = 0;
  visible_ = false;
  layer_.reset();
}

void LayerWindow::Place(int32_t left, int32_t top) {
  left_ = left;
  top_ = top;
}

platform::Rect LayerWindow::placement() const {
  return {left_, top_, left_ + width_, top_ + height_};
}

bool LayerWindow::Push() {
  return window_ != 0 && platform_.layered().PushLayer(window_, layer_->surface(), placement());
}

void LayerWindow::Show(bool show) {
  if (window_ == 0) return;
  platform_.layered().ShowLayered(window_, show);
  visible_ = show;
}

void LayerWindow::KeepOnTop() {
  if (window_ == 0) return;
  if (topmost_) {
    platform_.windows().SetTopmost(window_, true);
  } else {
    platform_.windows().Raise(window_);
  }
}

void LayerWindow::OnMouseDown(int /*button*/, int /*shift*/, int x, int y) {
  on_mouse_(MouseAction::kDown, x, y);
}

void LayerWindow::OnMouseMove(int /*button*/, int /*shift*/, int x, int y) {
  on_mouse_(MouseAction::kMove, x, y);
}

void LayerWindow::OnMouseUp(int /*button*/, int /*shift*/, int x, int y) {
  on_mouse_(MouseAction::kUp, x, y);
}

}  // namespace lantern::windows
