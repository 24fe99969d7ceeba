// The fake backend behaves like a small operating system: input reaches the
// active window, timers fire from the pump, presents are recorded.
#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"

namespace lantern::platform::fake {
namespace {

class Recorder final : public WindowHandler {
 public:
  void OnKeyDown(int key, int shift) override { log.push_back("down " + Num(key, shift)); }
  void OnKeyUp(int key, int shift) override { log.push_back("up " + Num(key, shift)); }
  void OnMouseMove(int, int, int x, int y) override { log.push_back("move " + Num(x, y)); }
  void OnTimer(int id) override { log.push_back("timer " + std::to_string(id)); }
  void OnCloseRequest() override { log.push_back("close"); }
  void OnActivate(bool active) override { log.push_back(active ? "activate" : "deactivate"); }
  void OnResize(int w, int h) override { log.push_back("resize " + Num(w, h)); }
  std::vector<std::string> log;

 private:
  static std::string Num(int a, int b) { return std::to_string(a) + "," + std::to_string(b); }
};

TEST(FakePlatform, InputGoesToTheActiveWindowInTimeOrder) {
  FakePlatform fake;
  Recorder first;
  Recorder second;
  const WindowId a = fake.Create({}, first);
  const WindowId b = fake.Create({}, second);
  fake.Show(a, true);
  fake.Show(b, false);  // shown without activation: input still goes to a
  fake.Script({20, EventType::kKeyUp, 0, 39, 0});
  fake.Script({10, EventType::kKeyDown, 0, 39, kShiftMask});
  fake.Script({15, EventType::kMouseMove, b, 0, 0, 0, 7, 8});
  fake.AdvanceMs(30);
  fake.PumpMessages();
  EXPECT_EQ(first.log, (std::vector<std::string>{"activate", "down 39,1", "up 39,0"}));
  EXPECT_EQ(second.log, (std::vector<std::string>{"move 7,8"}));
  EXPECT_EQ(fake.pending_events(), 0u);
}

TEST(FakePlatform, WaitAdvancesToTheEarlierOfTimerAndMessage) {
  FakePlatform fake;
  Recorder r;
  const WindowId w = fake.Create({}, r);
  fake.Script({50, EventType::kClose, w});
  auto timer = fake.StartWaitTimer(80);
  EXPECT_EQ(fake.WaitForTimerOrMessage(*timer), WaitResult::kMessage);
  EXPECT_EQ(fake.NowMs(), 50u);
  fake.PumpMessages();
  EXPECT_EQ(fake.WaitForTimerOrMessage(*timer), WaitResult::kTimer);
  EXPECT_EQ(fake.NowMs(), 80u);
  EXPECT_EQ(r.log, std::vector<std::string>{"close"});
}

TEST(FakePlatform, LateTimersFireOnceAndStoppedTimersNever) {
  FakePlatform fake;
  Recorder r;
  const WindowId w = fake.Create({}, r);
  fake.StartTimer(w, 1, 100);
  fake.StartTimer(w, 2, 30);
  fake.AdvanceMs(350);
  fake.PumpMessages();
  fake.StopTimer(w, 2);
  fake.AdvanceMs(100);
  fake.PumpMessages();
  EXPECT_EQ(r.log, (std::vector<std::string>{"timer 1", "timer 2", "timer 1"}));
}

TEST(FakePlatform, ResizeIsEchoedAndDestroyedWindowsGetNothing) {
  FakePlatform fake;
  Recorder r;
  const WindowId w = fake.Create({WindowKind::kBorderless, "x", {0, 0, 10, 10}}, r);
  fake.SetBounds(w, {5, 5, 15, 15});  // moved, same size: no resize
  fake.SetBounds(w, {0, 0, 20, 10});
  fake.Destroy(w);
  fake.Script({0, EventType::kKeyDown, w, 65});
  fake.PumpMessages();
  EXPECT_EQ(r.log, std::vector<std::string>{"resize 20,10"});
  EXPECT_FALSE(fake.Exists(w));
}

TEST(FakePlatform, PresentClipsToTheSurfaceAndChecksumsPixels) {
  FakePlatform fake;
  Recorder r;
  const WindowId w = fake.Create({}, r);
  auto buffer = fake.CreateSurface(8, 4);
  fake.AttachSurface(w, &buffer->surface());
  fake.Present(w, {-5, -5, 100, 100});
  buffer->surface().Row(3)[7] = 0xFF0000;
  fake.Present(w, {0, 0, 8, 4});
  ASSERT_EQ(fake.presents().size(), 2u);
  EXPECT_EQ(fake.presents()[0].area, (Rect{0, 0, 8, 4}));
  EXPECT_NE(fake.presents()[0].checksum, fake.presents()[1].checksum);
}

TEST(FakePlatform, LocalTimeFollowsVirtualTime) {
  FakePlatform fake;
  fake.set_local_time({23, 59, 59, 500});
  fake.AdvanceMs(1'500);
  const LocalTime t = fake.Now();
  EXPECT_EQ(t.hour, 0);
  EXPECT_EQ(t.minute, 0);
  EXPECT_EQ(t.second, 1);
}

TEST(Rect, UnionAndIntersect) {
  EXPECT_EQ(Union({}, {1, 2, 3, 4}), (Rect{1, 2, 3, 4}));
  EXPECT_EQ(Union({0, 0, 2, 2}, {5, 5, 6, 6}), (Rect{0, 0, 6, 6}));
  EXPECT_EQ(Intersect({0, 0, 4, 4}, {2, 2, 8, 8}), (Rect{2, 2, 4, 4}));
  EXPECT_TRUE(Intersect({0, 0, 2, 2}, {3, 3, 4, 4}).empty());
}

}  // namespace
}  // namespace lantern::platform::fake
