// The only ways the show waits. WaitMs sleeps on a timer while it keeps
// dispatching window messages; WaitTicks spins on the high-resolution counter
// for frame steps shorter than a timer can time. Both end early when an abort
// flag is set, and both present what was drawn before time passes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/rnd.h"
#include "platform/platform.h"
#include "show/presenter.h"
#include "show/show_state.h"

namespace lantern::show {

class Pacer {
 public:
  Pacer(platform::Platform& platform, ShowState& state, Presenter& presenter);

  // Waits ms milliseconds (zero or negative: at once), dispatching messages.
  // What was drawn is presented at its start, or as soon as a display frame
  // has passed since the last present (see PresentWithin).
  void WaitMs(const int32_t& ms);
  // Sleeps until a message arrives or ms milliseconds have passed, whatever
  // the abort flags say, then dispatches. A paused show waits here, so it
  // handles its messages without keeping a processor busy.
  void WaitForMessage(int32_t ms);
  // Busy-waits t tenths of a millisecond, dispatching messages.
  void WaitTicks(int32_t t);
  // Waits until the counter reaches `deadline`: sleeps a millisecond at a
  // time while more than two remain, spins for the rest, dispatching
  // messages and presenting at most once per display frame. Returns true
  // when an abort flag ended it early.
  bool WaitUntil(int64_t deadline);
  // A millisecond's sleep that presents only when a display frame is due
  // (WaitMs(1) presents every time it sleeps).
  void SleepFrameAware();
  // One step of a tight drawing loop: presents when a display frame has
  // passed, dispatches messages when about a millisecond has passed. Returns
  // true when an abort flag is set. Costs a counter read when nothing is due.
  bool Step() {
    const int64_t now = clock_.Counter();
    presenter_.PresentIfDue(now);
    if (now - last_pump_ >= pump_counts_) Pump(now);
    return state_.AnyAbort();
  }

  // Counter counts per tenth of a millisecond.
  double counts_per_tick() const { return counts_per_tick_; }

 private:
  void Pump(int64_t now);
  // The one wait timer, armed for ms milliseconds (made on first use); nullptr
  // when the system gives none.
  platform::WaitTimer* Arm(int32_t ms);
  // Presents what was drawn once a display frame has passed since the last
  // present ended, sleeping (and dispatching) until then if that comes
  // before `end`; otherwise leaves it to the next present. True when it slept.
  bool PresentWithin(int64_t end);
  // Whole milliseconds from now until the counter reaches `end`, rounded up;
  // 0 once it has.
  int32_t MsUntil(int64_t end);

  platform::Clock& clock_;
  platform::MessageLoop& loop_;
  ShowState& state_;
  Presenter& presenter_;
  double counts_per_tick_;
  int64_t pump_counts_;  // counts per millisecond
  int64_t last_pump_;
  std::unique_ptr<platform::WaitTimer> timer_;
  // Counts the arming of timer_: a wait that sees it change while it
  // dispatched knows a nested wait took the timer and arms it again.
  uint64_t arms_ = 0;
};

// Waits for code that runs before or without the player form (start-up,
// installation): flags of its own, nothing to present.
class StandaloneWait {
 public:
  explicit StandaloneWait(platform::Platform& platform)
      : presenter_(platform), pacer_(platform, state_, presenter_) {}
  void operator()(int32_t ms) { pacer_.WaitMs(ms); }

 private:
  ShowState state_;
  Presenter presenter_;
  Pacer pacer_;
};

// The numbers a..b in random order: an array indexed 0..b-a. The generator is
// reseeded from the clock first, so every call gives a new order.
std::vector<int32_t> ShufflePermutation(base::Rnd& rnd, platform::Clock& clock, int32_t a,
                                        int32_t b);
// The shuffle itself, without the reseed (for a caller that seeds on its own).
std::vector<int32_t> ShuffleWith(base::Rnd& rnd, int32_t a, int32_t b);

}  // namespace lantern::show
