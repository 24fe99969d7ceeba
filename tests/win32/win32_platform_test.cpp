// The Windows backend under Wine: real waits, real windows, presents that
// reach the screen, and messages delivered to handlers during a wait. Timing
// bounds are generous on purpose; precise figures are in the benchmark.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_platform.h"
#include "show/pacing.h"

namespace lantern {
namespace {

class Win32Test : public ::testing::Test {
 protected:
  double ElapsedMs(int64_t start) {
    auto& clock = platform_->clock();
    return static_cast<double>(clock.Counter() - start) * 1000.0 /
           static_cast<double>(clock.CounterFrequency());
  }
  std::unique_ptr<platform::Platform> platform_ = platform::win32::CreateWin32Platform();
  show::ShowState state_;
  show::Presenter presenter_{*platform_};
  show::Pacer pacer_{*platform_, state_, presenter_};
};

// Posts a → key to its own window from a timer, and records what arrives.
class Handler final : public platform::WindowHandler {
 public:
  explicit Handler(show::ShowState& state) : state_(state) {}
  void OnTimer(int id) override {
    if (id == 7) PostMessageW(hwnd, WM_KEYDOWN, VK_RIGHT, 0);
  }
  void OnKeyDown(int key, int) override {
    keys.push_back(key);
    if (key == VK_RIGHT) state_.NextRequested = true;
  }
  void OnCloseRequest() override { closes++; }
  HWND hwnd = nullptr;
  std::vector<int> keys;
  int closes = 0;

 private:
  show::ShowState& state_;
};

TEST_F(Win32Test, WaitsLastAboutAsLongAsAsked) {
  int64_t start = platform_->clock().Counter();
  pacer_.WaitMs(500);
  const double wait_ms = ElapsedMs(start);
  EXPECT_GE(wait_ms, 480.0);
  EXPECT_LT(wait_ms, 3000.0);
  start = platform_->clock().Counter();
  pacer_.WaitTicks(10);
  const double ticks_ms = ElapsedMs(start);
  EXPECT_GE(ticks_ms, 0.9);
  EXPECT_LT(ticks_ms, 200.0);
  const uint32_t before = platform_->clock().NowMs();
  pacer_.WaitMs(50);
  EXPECT_GE(platform_->clock().NowMs() - before, 40u);
}

TEST_F(Win32Test, KeyArrivingDuringAWaitEndsIt) {
  Handler handler(state_);
  auto& windows = platform_->windows();
  const platform::WindowId w =
      windows.Create({platform::WindowKind::kBorderless, "keys", {10, 10, 110, 110}}, handler);
  ASSERT_NE(w, 0u);
  handler.hwnd = reinterpret_cast<HWND>(platform_->window_states().Native(w));
  windows.Show(w, true);
  platform_->timers().StartTimer(w, 7, 100);
  const int64_t start = platform_->clock().Counter();
  pacer_.WaitMs(5000);
  EXPECT_TRUE(state_.NextRequested);
  EXPECT_LT(ElapsedMs(start), 2500.0);
  EXPECT_EQ(handler.keys, std::vector<int>{VK_RIGHT});
  platform_->timers().StopTimer(w, 7);
  PostMessageW(handler.hwnd, WM_CLOSE, 0, 0);
  platform_->loop().PumpMessages();
  EXPECT_EQ(handler.closes, 1);
  EXPECT_TRUE(windows.Exists(w));  // closing is the handler's decision
  windows.Destroy(w);
  EXPECT_FALSE(windows.Exists(w));
}

TEST_F(Win32Test, PresentPutsTheSurfaceOnTheScreen) {
  Handler handler(state_);
  auto& windows = platform_->windows();
  const platform::WindowId w =
      windows.Create({platform::WindowKind::kBorderless, "present", {0, 0, 64, 48}, true}, handler);
  ASSERT_NE(w, 0u);
  auto buffer = platform_->surfaces().CreateSurface(64, 48);
  const platform::Surface& s = buffer->surface();
  ASSERT_TRUE(s.valid());
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x)
      s.Row(y)[x] = x < 32 ? 0x00FF0000 : 0x000000FF;  // red | blue
  }
  presenter_.SetTarget(w, &s);
  windows.Show(w, true);
  pacer_.WaitMs(100);  // shows the window and presents the dirty surface
  s.Row(40)[50] = 0x0000FF00;
  presenter_.MarkDirty({50, 40, 51, 41});
  pacer_.WaitMs(20);
  HWND hwnd = reinterpret_cast<HWND>(platform_->window_states().Native(w));
  HDC dc = GetDC(hwnd);
  EXPECT_EQ(GetPixel(dc, 5, 5), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 60, 5), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(dc, 50, 40), RGB(0, 255, 0));
  ReleaseDC(hwnd, dc);
  windows.Destroy(w);
}

TEST_F(Win32Test, ScreenMetrics) {
  const platform::ScreenMetrics m = platform_->desktop().Screen();
  EXPECT_GT(m.width, 0);
  EXPECT_GT(m.height, 0);
  EXPECT_EQ(m.twips_per_pixel_x, 15);  // 96 dpi
  EXPECT_GE(m.refresh_hz, 30);
}

// The windows carry the executable's first icon group, here number 7.
TEST_F(Win32Test, WindowsCarryTheFirstIconGroup) {
  Handler handler(state_);
  auto& windows = platform_->windows();
  const platform::WindowId w =
      windows.Create({platform::WindowKind::kBorderless, "icon", {10, 10, 50, 50}}, handler);
  ASSERT_NE(w, 0u);
  HWND hwnd = reinterpret_cast<HWND>(platform_->window_states().Native(w));
  EXPECT_NE(GetClassLongPtrW(hwnd, GCLP_HICON), 0);
  windows.Destroy(w);
}

// Looks, from a window timer, for a waitable timer under every name a wait of
// this program could have had ("MMSS" "Timer" and the program's name).
class TimerFinder final : public platform::WindowHandler {
 public:
  void OnTimer(int) override {
    if (looks > 0) return;  // one look at every name is enough (3600 lookups)
    for (int second = 0; second < 3600 && !found; ++second) {
      wchar_t name[64];
      swprintf(name, 64, L"%02d%02dTimer%ls", second / 60, second % 60, L"lantern_win32_tests");
      if (HANDLE h = OpenWaitableTimerW(TIMER_ALL_ACCESS, FALSE, name)) {
        found = true;
        CloseHandle(h);
      }
    }
    ++looks;
  }
  bool found = false;
  int looks = 0;
};

// Two copies of one album waiting at once must not re-arm each other's
// timer: no other process can find a wait's timer by a name.
TEST_F(Win32Test, WaitTimersArePrivateToTheProcess) {
  TimerFinder finder;
  auto& windows = platform_->windows();
  const platform::WindowId w =
      windows.Create({platform::WindowKind::kBorderless, "timers", {10, 10, 50, 50}}, finder);
  ASSERT_NE(w, 0u);
  platform_->timers().StartTimer(w, 1, 50);
  pacer_.WaitMs(300);
  platform_->timers().StopTimer(w, 1);
  windows.Destroy(w);
  EXPECT_GE(finder.looks, 1);
  EXPECT_FALSE(finder.found);
}

TEST_F(Win32Test, NonClientMetricsGiveTheInterfaceFontsAndTheScreenResolution) {
  const std::optional<platform::NonClientMetrics> m = platform_->fonts().ReadNonClientMetrics();
  ASSERT_TRUE(m.has_value());
  EXPECT_GT(m->caption_height, 0);
  EXPECT_GT(m->scroll_width, 0);
  for (const platform::LogicalFont* f : {&m->caption_font, &m->sm_caption_font, &m->menu_font,
                                         &m->status_font, &m->message_font, &m->icon_title_font}) {
    EXPECT_FALSE(f->face_name.empty());
    EXPECT_EQ(f->face_name.find('\0'), std::string::npos);
    EXPECT_NE(f->height, 0);
    EXPECT_GT(f->weight, 0);
  }
  EXPECT_EQ(platform_->desktop().Screen().pixels_per_inch_y, 96);
}

// Counts how it ends.
class Child final : public platform::WindowHandler {
 public:
  void OnDestroyed() override { destroyed++; }
  int destroyed = 0;
};

TEST_F(Win32Test, AChildOfAForeignWindowIsToldWhenItGoesWithItsParent) {
  HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 200,
                              150, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(host, nullptr);
  RECT client{};
  GetClientRect(host, &client);
  platform::WindowSystem& windows = platform_->windows();
  Child child;
  platform::WindowSpec spec;
  spec.bounds = {0, 0, client.right, client.bottom};
  const platform::WindowId w = windows.Create(spec, child);
  ASSERT_NE(w, 0u);
  platform_->window_states().SetNativeParent(w, reinterpret_cast<platform::NativeHandle>(host));
  windows.SetBounds(w, spec.bounds);
  windows.Show(w, false);
  HWND hwnd = reinterpret_cast<HWND>(platform_->window_states().Native(w));
  EXPECT_EQ(GetParent(hwnd), host);
  EXPECT_NE(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD, 0);
  RECT inside{};
  GetWindowRect(hwnd, &inside);
  POINT origin{0, 0};
  ClientToScreen(host, &origin);
  EXPECT_EQ(inside.left, origin.x);
  EXPECT_EQ(inside.top, origin.y);

  DestroyWindow(host);
  EXPECT_EQ(child.destroyed, 1);
  EXPECT_FALSE(windows.Exists(w));
  platform_->timers().StopTimer(w, 1);  // calls on a window that is gone do nothing
  windows.Destroy(w);
  EXPECT_EQ(child.destroyed, 1);
}

}  // namespace
}  // namespace lantern
