// Puts what was drawn on the screen, at most once per display frame. Drawing
// only marks a dirty rectangle; the pacing step presents the dirty area when a
// display frame has passed, and always before a wait that sleeps. So a
// transition that copies 200 000 small blocks costs a few dozen screen updates,
// not 200 000.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace lantern::show {

class Presenter {
 public:
  explicit Presenter(platform::Platform& platform);

  // The window shows this surface from now on; the whole surface becomes dirty.
  void SetTarget(platform::WindowId window, const platform::Surface* surface);
  void MarkDirty(const platform::Rect& area);
  void MarkAllDirty();
  bool dirty() const { return !dirty_.empty(); }
  // How many times the screen was updated so far.
  int64_t presents() const { return presents_; }
  // The counter reading of the last present.
  int64_t last_present() const { return last_present_; }

  // Presents the dirty area if a display frame has passed since the last
  // present. `counter` is a fresh reading of the high-resolution counter.
  void PresentIfDue(int64_t counter) {
    if (!dirty_.empty() && counter - last_present_ >= frame_counts_) PresentAt(counter);
  }
  // Presents the dirty area now, whatever the time.
  void PresentNow();
  // The show is stopping: nothing drawn from now on reaches the screen, though
  // the steps still unwinding may go on drawing into their surfaces.
  void Stop() { stopped_ = true; }
  bool stopped() const { return stopped_; }

 private:
  void PresentAt(int64_t counter);

  platform::Platform& platform_;
  platform::WindowId window_ = 0;
  const platform::Surface* surface_ = nullptr;
  platform::Rect dirty_;
  int64_t frame_counts_;  // counter counts per display frame
  int64_t last_present_;
  int64_t presents_ = 0;
  bool stopped_ = false;
};

}  // namespace lantern::show
