// The run loop's rule for a step that fails: the failure is counted; after an
// odd count the step is tried once more, after an even one it is skipped; so a
// step that keeps failing is tried twice and then left. When the count in one
// pass exceeds three per photo, the show stops.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>

namespace lantern::player {

class SlideErrors {
 public:
  // `stop` runs once, when the count first exceeds the limit.
  explicit SlideErrors(std::function<void()> stop) : stop_(std::move(stop)) {}

  // A new pass: the count starts again; the limit is three per photo.
  void StartPass(int32_t photos) {
    count_ = 0;
    limit_ = 3 * photos;
  }
  int32_t count() const { return count_; }

  // Runs one step under the rule.
  template <typename Step>
  void Run(Step&& step) {
    for (;;) {
      try {
        step();
        return;
      } catch (const std::exception&) {
        if (!Count()) return;
      }
    }
  }

 private:
  // Counts a failure; true when the step is to be tried again.
  bool Count() {
    ++count_;
    if (count_ > limit_) {
      if (!stopped_) {
        stopped_ = true;
        stop_();
      }
      return false;
    }
    return count_ % 2 == 1;
  }

  std::function<void()> stop_;
  int32_t count_ = 0;
  int32_t limit_ = 0;
  bool stopped_ = false;
};

}  // namespace lantern::player
