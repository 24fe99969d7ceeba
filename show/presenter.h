// Puts what was drawn on the screen, at most once per display frame. Drawing
// only marks dirty areas; the pacing step presents them when a display frame
// has passed since the last present ended, and always before a wait that
// sleeps. So a transition that copies 200 000 small blocks costs a few dozen
// screen updates, not 200 000.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace lantern::show {

// What changed since the last present, as a few rectangles. Two areas are
// merged into their bounding rectangle only when presenting the pixels the
// merge adds costs less than presenting them apart (a present of its own has
// a fixed cost, counted in pixels); past kMaxAreas, the two whose merge adds
// least are merged. Scattered pieces all over the picture end as one
// rectangle, a few separate lines as a few thin ones.
class DirtyAreas {
 public:
  static constexpr size_t kMaxAreas = 8;
  // The fixed cost of a present of its own, as the pixels it could copy instead.
  static constexpr int64_t kPresentCost = 128 * 128;

  void Add(const platform::Rect& area);
  void Clear() { areas_.clear(); }
  bool empty() const { return areas_.empty(); }
  const std::vector<platform::Rect>& areas() const { return areas_; }

 private:
  // Merges the area at `at` with every other that is cheaper merged, until none is.
  void MergeInto(size_t at);
  void MergeCheapestPair();

  std::vector<platform::Rect> areas_;
  size_t last_hit_ = 0;  // the area that held the last one added
};

class Presenter {
 public:
  explicit Presenter(platform::Platform& platform);

  // The window shows this surface from now on; the whole surface becomes dirty.
  void SetTarget(platform::WindowId window, const platform::Surface* surface);
  void MarkDirty(const platform::Rect& area) { dirty_.Add(area); }
  void MarkAllDirty();
  bool dirty() const { return !dirty_.empty(); }
  // How many times the screen was updated so far.
  int64_t presents() const { return presents_; }
  // The counter reading at the end of the last present.
  int64_t last_present() const { return last_present_; }
  // Counter counts per display frame.
  int64_t frame_counts() const { return frame_counts_; }
  // Whether a display frame has passed since the last present ended.
  bool Due(int64_t counter) const { return counter - last_present_ >= frame_counts_; }

  // Presents the dirty areas if a display frame has passed since the last
  // present ended. `counter` is a fresh reading of the high-resolution counter.
  void PresentIfDue(int64_t counter) {
    if (!dirty_.empty() && Due(counter)) Present();
  }
  // Presents the dirty areas now, whatever the time.
  void PresentNow() {
    if (!dirty_.empty()) Present();
  }
  // The show is stopping: nothing drawn from now on reaches the screen, though
  // the steps still unwinding may go on drawing into their surfaces.
  void Stop() { stopped_ = true; }
  bool stopped() const { return stopped_; }

 private:
  void Present();

  platform::Platform& platform_;
  platform::WindowId window_ = 0;
  const platform::Surface* surface_ = nullptr;
  DirtyAreas dirty_;
  int64_t frame_counts_;  // counter counts per display frame
  int64_t last_present_;
  int64_t presents_ = 0;
  bool stopped_ = false;
};

}  // namespace lantern::show
