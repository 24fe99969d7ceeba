// WaitMs, WaitTicks and ShufflePermutation.
#include "show/pacing.h"

#include <algorithm>
#include <utility>

#include "base/rounding.h"

namespace lantern::show {

Pacer::Pacer(platform::Platform& platform, ShowState& state, Presenter& presenter)
    : clock_(platform.clock()), loop_(platform.loop()), state_(state), presenter_(presenter) {
  const int64_t frequency = clock_.CounterFrequency();
  counts_per_tick_ = static_cast<double>(frequency) / 10'000.0;
  pump_counts_ = frequency / 1000;
  last_pump_ = clock_.Counter() - pump_counts_;
}

void Pacer::Pump(int64_t now) {
  loop_.PumpMessages();
  last_pump_ = now;
}

platform::WaitTimer* Pacer::Arm(int32_t ms) {
  ++arms_;
  if (timer_ && loop_.RearmWaitTimer(*timer_, ms)) return timer_.get();
  timer_ = loop_.StartWaitTimer(ms);
  return timer_.get();
}

int32_t Pacer::MsUntil(int64_t end) {
  const int64_t counts = std::max<int64_t>(end - clock_.Counter(), 0);
  return static_cast<int32_t>((counts + pump_counts_ - 1) / pump_counts_);
}

void Pacer::WaitMs(const int32_t& ms) {
  const int64_t end = clock_.Counter() + int64_t{ms} * pump_counts_;
  const bool slept = PresentWithin(end);
  // A flag that is already set ends the wait after one dispatch, so a paused
  // show that waits in short steps keeps handling its messages.
  if (state_.AnyAbort()) {
    Pump(clock_.Counter());
    return;
  }
  // What is left of the wait after waiting for a present.
  platform::WaitTimer* timer = Arm(slept ? MsUntil(end) : ms);
  if (timer == nullptr) {  // no timer: skip the pause rather than hang
    Pump(clock_.Counter());
    return;
  }
  platform::WaitResult result;
  do {
    const uint64_t armed = arms_;
    result = loop_.WaitForTimerOrMessage(*timer);
    Pump(clock_.Counter());
    PresentWithin(end);  // a handler may have drawn
    if (arms_ != armed && result == platform::WaitResult::kMessage) {
      // A handler waited on the timer meanwhile: the rest of this wait.
      const int32_t rest = MsUntil(end);
      if (rest <= 0 || (timer = Arm(rest)) == nullptr) return;
    }
  } while (!state_.AnyAbort() && result == platform::WaitResult::kMessage);
}

bool Pacer::PresentWithin(int64_t end) {
  bool slept = false;
  while (presenter_.dirty()) {
    const int64_t now = clock_.Counter();
    if (presenter_.Due(now)) break;
    const int64_t due = presenter_.last_present() + presenter_.frame_counts();
    if (now >= end || state_.AnyAbort()) return slept;
    const int64_t counts = std::min(due, end) - now;
    platform::WaitTimer* timer =
        Arm(static_cast<int32_t>((counts + pump_counts_ - 1) / pump_counts_));
    if (timer == nullptr) break;
    loop_.WaitForTimerOrMessage(*timer);
    Pump(clock_.Counter());
    slept = true;
  }
  presenter_.PresentNow();
  return slept;
}

void Pacer::WaitForMessage(int32_t ms) {
  presenter_.PresentNow();
  if (platform::WaitTimer* timer = Arm(ms)) loop_.WaitForTimerOrMessage(*timer);
  Pump(clock_.Counter());
  presenter_.PresentNow();  // a handler may have drawn
}

void Pacer::WaitTicks(int32_t t) {
  const int64_t start = clock_.Counter();
  for (;;) {
    if (Step()) return;
    const double elapsed = static_cast<double>(clock_.Counter() - start) / counts_per_tick_;
    if (base::Round(elapsed) > t) return;
  }
}

bool Pacer::WaitUntil(int64_t deadline) {
  for (;;) {
    if (Step()) return true;
    const int64_t now = clock_.Counter();
    if (now >= deadline) return false;
    if (deadline - now > 2 * pump_counts_) SleepFrameAware();
  }
}

void Pacer::SleepFrameAware() {
  presenter_.PresentIfDue(clock_.Counter());
  if (state_.AnyAbort()) return;
  if (platform::WaitTimer* timer = Arm(1)) loop_.WaitForTimerOrMessage(*timer);
  Pump(clock_.Counter());
}

std::vector<int32_t> ShuffleWith(base::Rnd& rnd, int32_t a, int32_t b) {
  std::vector<int32_t> list;
  if (b < a) return list;
  list.reserve(static_cast<size_t>(b - a) + 1);
  for (int32_t v = a; v <= b; ++v)
    list.push_back(v);
  for (size_t i = list.size(); i-- > 0;) {
    const auto j = static_cast<size_t>(base::Int(rnd.Next() * static_cast<double>(i + 1)));
    std::swap(list[i], list[j < i ? j : i]);
  }
  return list;
}

std::vector<int32_t> ShufflePermutation(base::Rnd& rnd, platform::Clock& clock, int32_t a,
                                        int32_t b) {
  rnd.Reseed(clock.Now().SecondsSinceMidnight());
  return ShuffleWith(rnd, a, b);
}

}  // namespace lantern::show
