// Dirty-rectangle presenting, throttled to the display's frame rate.
#include "show/presenter.h"

#include <algorithm>

namespace lantern::show {

namespace {

int64_t AreaOf(const platform::Rect& r) {
  return r.empty() ? 0 : int64_t{r.width()} * r.height();
}

// The pixels merging a and b into one rectangle presents beyond those they
// cover, less the present the merge saves.
int64_t MergeCost(const platform::Rect& a, const platform::Rect& b) {
  return AreaOf(platform::Union(a, b)) - AreaOf(a) - AreaOf(b) + AreaOf(platform::Intersect(a, b)) -
         DirtyAreas::kPresentCost;
}

bool Contains(const platform::Rect& outer, const platform::Rect& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

}  // namespace

void DirtyAreas::Add(const platform::Rect& area) {
  if (area.empty()) return;
  // Most pieces fall inside the area that held the one before.
  if (last_hit_ < areas_.size() && Contains(areas_[last_hit_], area)) return;
  for (size_t i = 0; i < areas_.size(); ++i) {
    if (Contains(areas_[i], area)) {
      last_hit_ = i;
      return;
    }
  }
  areas_.push_back(area);
  MergeInto(areas_.size() - 1);
  if (areas_.size() > kMaxAreas) MergeCheapestPair();
}

void DirtyAreas::MergeInto(size_t at) {
  for (size_t i = 0; i < areas_.size();) {
    if (i == at || MergeCost(areas_[i], areas_[at]) > 0) {
      ++i;
      continue;
    }
    areas_[at] = platform::Union(areas_[at], areas_[i]);
    areas_.erase(areas_.begin() + static_cast<std::ptrdiff_t>(i));
    if (i < at) --at;
    i = 0;  // the grown area may now be worth merging with one passed over
  }
  last_hit_ = at;
}

void DirtyAreas::MergeCheapestPair() {
  size_t a = 0, b = 1;
  int64_t best = INT64_MAX;
  for (size_t i = 0; i < areas_.size(); ++i)
    for (size_t j = i + 1; j < areas_.size(); ++j)
      if (const int64_t cost = MergeCost(areas_[i], areas_[j]); cost < best) {
        best = cost;
        a = i;
        b = j;
      }
  areas_[a] = platform::Union(areas_[a], areas_[b]);
  areas_.erase(areas_.begin() + static_cast<std::ptrdiff_t>(b));
  MergeInto(a);
}

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

void Presenter::MarkAllDirty() {
  if (surface_ == nullptr) return;
  dirty_.Clear();
  dirty_.Add(surface_->bounds());
}

// The next present is timed from the end of this one: a present that takes
// longer than a display frame (a 4K frame copied into the window) is not
// followed at once by another.
void Presenter::Present() {
  if (window_ != 0 && surface_ != nullptr && !stopped_) {
    platform_.painting().PresentAreas(window_, dirty_.areas());
    ++presents_;
  }
  dirty_.Clear();
  last_present_ = platform_.clock().Counter();
}

}  // namespace lantern::show
