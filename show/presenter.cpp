// Dirty-rectangle presenting, throttled to the display's frame rate.
#include "show/presenter.h"

#include <algorithm>

namespace lantern::show {

Presenter::Presenter(platform::Platform& platform) : platform_(platform) {
  const int32_t hz = std::clamp(platform.desktop().Screen().refresh_hz, 30, 240);
  frame_counts_ = platform.clock().CounterFrequency() / hz;
  last_present_ = platform.clock().Counter() - frame_counts_;
}

void Presenter::SetTarget(platform::WindowId window, const platform::Surface* surface) {
  window_ = window;
  surface_ = surface;
  platform_.painting().AttachSurface(window, surface);
  MarkAllDirty();
}

void Presenter::MarkDirty(const platform::Rect& area) {
  dirty_ = platform::Union(dirty_, area);
}

void Presenter::MarkAllDirty() {
  if (surface_ != nullptr) dirty_ = surface_->bounds();
}

void Presenter::PresentNow() {
  if (!dirty_.empty()) PresentAt(platform_.clock().Counter());
}

void Presenter::PresentAt(int64_t counter) {
  if (window_ != 0 && surface_ != nullptr && !stopped_) {
    platform_.painting().Present(window_, dirty_);
    ++presents_;
  }
  dirty_ = {};
  last_present_ = counter;
}

}  // namespace lantern::show
