// WaitMs, WaitTicks, the presenting throttle and ShufflePermutation on the fake backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "platform/fake/fake_platform.h"
#include "show/pacing.h"

namespace lantern::show {
namespace {

using platform::fake::EventType;
using platform::fake::FakePlatform;
using platform::fake::kTicksPerMs;

// Sets the flags the way the player's key handler will: → next, Space pause.
class FlagKeys final : public platform::WindowHandler {
 public:
  explicit FlagKeys(ShowState& state) : state_(state) {}
  void OnKeyDown(int key, int) override {
    if (key == platform::keys::kRight) state_.NextRequested = true;
    if (key == platform::keys::kEscape) state_.ShowStopping = true;
  }
  void OnTimer(int id) override { timer_ticks.push_back(id); }
  std::vector<int> timer_ticks;

 private:
  ShowState& state_;
};

class PacingTest : public ::testing::Test {
 protected:
  PacingTest() {
    window_ = fake_.windows().Create({}, keys_);
    fake_.windows().Show(window_, true);
  }
  void Key(int64_t at_ms, int key) { fake_.Script({at_ms, EventType::kKeyDown, 0, key}); }
  double ElapsedMs(int64_t since_ticks) const {
    return static_cast<double>(fake_.now_ticks() - since_ticks) / kTicksPerMs;
  }

  FakePlatform fake_;
  ShowState state_;
  FlagKeys keys_{state_};
  platform::WindowId window_ = 0;
  Presenter presenter_{fake_};
  Pacer pacer_{fake_, state_, presenter_};
};

TEST_F(PacingTest, WaitMsEndsWhenTheNextKeyArrives) {
  const int64_t start = fake_.now_ticks();
  Key(100 + start / kTicksPerMs, platform::keys::kRight);
  pacer_.WaitMs(500);
  EXPECT_TRUE(state_.NextRequested);
  EXPECT_NEAR(ElapsedMs(start), 100.0, 0.01);
}

TEST_F(PacingTest, WaitMsRunsItsWholeTimeWhenNothingHappens) {
  const int64_t start = fake_.now_ticks();
  const int32_t hour = 3'600'000;
  pacer_.WaitMs(hour);
  EXPECT_NEAR(ElapsedMs(start), 3'600'000.0, 0.01);
  pacer_.WaitMs(0);
  pacer_.WaitMs(-5);
  EXPECT_NEAR(ElapsedMs(start), 3'600'000.0, 0.01);
}

TEST_F(PacingTest, WaitMsWithAFlagAlreadySetDispatchesOnceAndReturns) {
  state_.ShowPaused = true;
  const int pumps = fake_.pump_count();
  const int64_t start = fake_.now_ticks();
  pacer_.WaitMs(500);
  EXPECT_EQ(fake_.pump_count(), pumps + 1);
  EXPECT_LT(ElapsedMs(start), 0.01);
}

TEST_F(PacingTest, WaitMsKeepsTheIntervalTimersRunning) {
  fake_.timers().StartTimer(window_, 3, 200);
  pacer_.WaitMs(1000);
  EXPECT_EQ(keys_.timer_ticks, std::vector<int>(5, 3));
}

// Every wait arms the same timer again. A handler that waits inside a wait
// takes it over; the outer wait then waits out the rest of its own time, not
// the handler's, and no timer is made beyond the first.
TEST_F(PacingTest, AWaitInsideAWaitKeepsTheOuterWaitsTimeOnOneTimer) {
  const int64_t start = fake_.now_ticks();
  double inner_ended_ms = 0;
  fake_.Script({.at_ms = 100 + start / kTicksPerMs, .type = EventType::kCall, .call = [&] {
                  pacer_.WaitMs(50);
                  inner_ended_ms = ElapsedMs(start);
                }});
  pacer_.WaitMs(500);
  EXPECT_NEAR(inner_ended_ms, 150.0, 0.01);
  EXPECT_NEAR(ElapsedMs(start), 500.0, 1.0);
  pacer_.WaitMs(30);
  pacer_.WaitForMessage(10);
  EXPECT_EQ(fake_.wait_timers_made(), 1);
}

TEST_F(PacingTest, WaitMsSkipsThePauseWhenNoTimerCanBeMade) {
  fake_.set_fail_wait_timers(true);
  const int64_t start = fake_.now_ticks();
  pacer_.WaitMs(500);
  EXPECT_LT(ElapsedMs(start), 0.01);
}

// A paused show waits here: each call sleeps until its time or the next
// message, flags or no flags, and dispatches once.
TEST_F(PacingTest, WaitForMessageSleepsUntilItsTimeOrTheNextMessage) {
  state_.ShowPaused = true;
  const int pumps = fake_.pump_count();
  int64_t start = fake_.now_ticks();
  pacer_.WaitForMessage(10);
  EXPECT_NEAR(ElapsedMs(start), 10.0, 0.01);
  EXPECT_EQ(fake_.pump_count(), pumps + 1);
  fake_.timers().StartTimer(window_, 3, 4);
  start = fake_.now_ticks();
  pacer_.WaitForMessage(10);
  EXPECT_NEAR(ElapsedMs(start), 4.0, 0.01);
  EXPECT_EQ(keys_.timer_ticks, std::vector<int>{3});
}

TEST_F(PacingTest, WaitTicksCountsTenthsOfAMillisecond) {
  int64_t start = fake_.now_ticks();
  pacer_.WaitTicks(10);
  EXPECT_GE(ElapsedMs(start), 1.0);
  EXPECT_LT(ElapsedMs(start), 1.1);
  start = fake_.now_ticks();
  pacer_.WaitTicks(0);  // ends at the first reading that rounds to one tenth
  EXPECT_GT(ElapsedMs(start), 0.05);
  EXPECT_LT(ElapsedMs(start), 0.1);
}

TEST_F(PacingTest, WaitTicksEndsOnAKeyDispatchedDuringTheSpin) {
  const int64_t start = fake_.now_ticks();
  Key(start / kTicksPerMs + 3, platform::keys::kEscape);
  pacer_.WaitTicks(100'000);  // ten seconds
  EXPECT_TRUE(state_.ShowStopping);
  EXPECT_LT(ElapsedMs(start), 5.0);  // dispatched within about a millisecond of its time
}

// A transition copying 100 000 tiny blocks must not present 100 000 times.
TEST_F(PacingTest, TightLoopPresentsAtMostOncePerDisplayFrame) {
  auto buffer = fake_.surfaces().CreateSurface(64, 64);
  const platform::Surface& surface = buffer->surface();
  presenter_.SetTarget(window_, &surface);
  for (int i = 0; i < 100'000; ++i) {
    const int x = i % 64;
    const int y = (i / 64) % 64;
    surface.Row(y)[x] = static_cast<uint32_t>(i);
    presenter_.MarkDirty({x, y, x + 1, y + 1});
    ASSERT_FALSE(pacer_.Step());
  }
  pacer_.WaitMs(1);  // a sleeping wait shows the last frame first
  const auto& presents = fake_.presents();
  ASSERT_GE(presents.size(), 2u);
  const int64_t frame = 10'000'000 / 60;
  for (size_t i = 1; i + 1 < presents.size(); ++i) {
    EXPECT_GE(presents[i].at_ticks - presents[i - 1].at_ticks, frame) << i;
  }
  const int64_t span = presents.back().at_ticks - presents.front().at_ticks;
  EXPECT_LE(presents.size(), static_cast<size_t>(span / frame + 2));
  EXPECT_FALSE(presenter_.dirty());
}

TEST_F(PacingTest, PresentsOnlyTheDirtyArea) {
  fake_.set_record_pixels(true);
  auto buffer = fake_.surfaces().CreateSurface(32, 16);
  presenter_.SetTarget(window_, &buffer->surface());
  pacer_.WaitMs(1);
  presenter_.MarkDirty({4, 5, 6, 9});
  presenter_.MarkDirty({10, 2, 11, 3});
  pacer_.WaitMs(20);
  ASSERT_EQ(fake_.presents().size(), 2u);
  EXPECT_EQ(fake_.presents()[0].area, (platform::Rect{0, 0, 32, 16}));
  EXPECT_EQ(fake_.presents()[1].area, (platform::Rect{4, 2, 11, 9}));
  EXPECT_EQ(fake_.presents()[1].pixels.size(), 7u * 7u);
}

// A present that takes longer than a display frame (a 4K frame copied into
// the window) is followed by the next only a display frame after it ended:
// a tight loop never presents back to back.
TEST_F(PacingTest, PresentsAreTimedFromTheEndOfTheLast) {
  auto buffer = fake_.surfaces().CreateSurface(64, 64);
  presenter_.SetTarget(window_, &buffer->surface());
  const int64_t cost = 25 * kTicksPerMs, frame = 10'000'000 / 60;
  fake_.set_present_ticks(cost);
  const int64_t start = fake_.now_ticks();
  while (fake_.now_ticks() - start < 500 * kTicksPerMs) {
    presenter_.MarkDirty({1, 1, 2, 2});
    ASSERT_FALSE(pacer_.Step());
  }
  const auto& presents = fake_.presents();
  ASSERT_GE(presents.size(), 5u);
  for (size_t i = 1; i < presents.size(); ++i)
    EXPECT_GE(presents[i].at_ticks - presents[i - 1].at_ticks, cost + frame) << i;
}

// What is drawn just after a present is presented by the next wait once a
// display frame has passed, not at once, and not only when the wait ends.
TEST_F(PacingTest, AWaitPresentsOnceADisplayFrameHasPassed) {
  auto buffer = fake_.surfaces().CreateSurface(64, 64);
  presenter_.SetTarget(window_, &buffer->surface());
  pacer_.WaitMs(1);
  ASSERT_EQ(fake_.presents().size(), 1u);
  presenter_.MarkDirty({1, 1, 2, 2});
  const int64_t start = fake_.now_ticks();
  pacer_.WaitMs(200);
  EXPECT_NEAR(ElapsedMs(start), 200.0, 1.0);
  ASSERT_EQ(fake_.presents().size(), 2u);
  const int64_t gap = fake_.presents()[1].at_ticks - fake_.presents()[0].at_ticks;
  EXPECT_GE(gap, 10'000'000 / 60);
  EXPECT_LE(gap, 10'000'000 / 60 + 2 * kTicksPerMs);
  // A wait shorter than what is left of the frame leaves it to the next one.
  presenter_.MarkDirty({1, 1, 2, 2});
  presenter_.PresentNow();
  presenter_.MarkDirty({1, 1, 2, 2});
  pacer_.WaitMs(2);
  EXPECT_EQ(fake_.presents().size(), 3u);
  EXPECT_TRUE(presenter_.dirty());
}

// Areas far apart are presented apart; areas that cost less merged than
// apart are merged; past the most areas kept, the cheapest pair merges.
// Whatever is merged, every area marked is covered.
TEST(DirtyAreas, MergedOnlyWhenThatIsCheaperAndAlwaysCovering) {
  DirtyAreas lines;
  lines.Add({0, 10, 1920, 12});
  lines.Add({0, 900, 1920, 902});
  EXPECT_EQ(lines.areas().size(), 2u);
  lines.Add({0, 12, 1920, 14});  // touches the first: merged
  ASSERT_EQ(lines.areas().size(), 2u);
  EXPECT_NE(std::find(lines.areas().begin(), lines.areas().end(), platform::Rect{0, 10, 1920, 14}),
            lines.areas().end());
  lines.Add({5, 900, 50, 901});  // inside the second
  EXPECT_EQ(lines.areas().size(), 2u);

  DirtyAreas scattered;
  std::vector<platform::Rect> added;
  uint32_t seed = 1;
  for (int i = 0; i < 2000; ++i) {
    seed = seed * 1103515245u + 12345u;
    const int32_t x = static_cast<int32_t>(seed >> 8) % 3838,
                  y = static_cast<int32_t>(seed >> 20) % 2158;
    added.push_back({x, y, x + 2, y + 2});
    scattered.Add(added.back());
    ASSERT_LE(scattered.areas().size(), DirtyAreas::kMaxAreas);
  }
  for (const platform::Rect& a : added) {
    const bool covered =
        std::any_of(scattered.areas().begin(), scattered.areas().end(),
                    [&](const platform::Rect& r) { return platform::Intersect(r, a) == a; });
    ASSERT_TRUE(covered) << a.left << "," << a.top;
  }
  scattered.Clear();
  EXPECT_TRUE(scattered.empty());
}

TEST(ShufflePermutation, SingleEntryAndEveryValueOnce) {
  base::Rnd rnd;
  FakePlatform fake;
  EXPECT_EQ(ShufflePermutation(rnd, fake.clock(), 0, 0), std::vector<int32_t>{0});
  for (int round = 0; round < 50; ++round) {
    fake.AdvanceMs(1234);
    std::vector<int32_t> list = ShufflePermutation(rnd, fake.clock(), 1, 5);
    ASSERT_EQ(list.size(), 5u);
    std::sort(list.begin(), list.end());
    EXPECT_EQ(list, (std::vector<int32_t>{1, 2, 3, 4, 5}));
  }
  EXPECT_TRUE(ShufflePermutation(rnd, fake.clock(), 3, 2).empty());
}

TEST(ShufflePermutation, SameSeedSameOrderAndOrdersDiffer) {
  base::Rnd a;
  base::Rnd b;
  EXPECT_EQ(ShuffleWith(a, 0, 40), ShuffleWith(b, 0, 40));
  FakePlatform fake;
  base::Rnd c;
  const auto first = ShufflePermutation(c, fake.clock(), 0, 40);
  fake.AdvanceMs(1500);
  const auto second = ShufflePermutation(c, fake.clock(), 0, 40);
  EXPECT_NE(first, second);
  std::vector<int32_t> identity(41);
  std::iota(identity.begin(), identity.end(), 0);
  EXPECT_NE(first, identity);
}

// The last entry swaps with Int(Rnd * n): check the first swap against the generator.
TEST(ShufflePermutation, FollowsTheGenerator) {
  base::Rnd rnd;
  base::Rnd copy;
  const auto list = ShuffleWith(rnd, 0, 9);
  const int j = static_cast<int>(copy.Next() * 10.0);
  std::vector<int32_t> expected(10);
  std::iota(expected.begin(), expected.end(), 0);
  std::swap(expected[9], expected[j]);
  EXPECT_EQ(list[9], expected[9]);
}

}  // namespace
}  // namespace lantern::show
