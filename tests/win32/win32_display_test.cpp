// Monitors, layered windows and the control bar on them, of the Windows
// backend under Wine. Wine on Xvfb does not blend per-pixel alpha with what
// lies behind a layer, so these tests check that the system takes the layer
// and where the window goes, not the screen's pixels.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "windows/bar_layout.h"
#include "windows/control_bar_windows.h"

namespace lantern {
namespace {

using platform::Rect;

Rect WindowRect(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return {r.left, r.top, r.right, r.bottom};
}

bool Contains(const Rect& outer, const Rect& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

TEST(Win32Monitors, ThePrimaryMonitorIsTheScreenAndTheVirtualScreenHoldsThemAll) {
  auto platform = platform::win32::CreateWin32Platform();
  const std::vector<platform::MonitorInfo> list = platform->monitors().List();
  ASSERT_FALSE(list.empty());
  int primaries = 0;
  const platform::VirtualScreen all = platform->monitors().Virtual();
  for (const platform::MonitorInfo& m : list) {
    if (m.primary) {
      ++primaries;
      EXPECT_EQ(m.bounds,
                (Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}));
    }
    EXPECT_FALSE(m.bounds.empty());
    EXPECT_TRUE(Contains(m.bounds, m.work_area));
    EXPECT_TRUE(Contains(all.bounds, m.bounds));
    // The name ends at its first NUL: nothing of the rest of the fixed array.
    EXPECT_EQ(m.device_name.find('\0'), std::string::npos);
    EXPECT_EQ(m.device_name.rfind("\\\\.\\", 0), 0u) << m.device_name;
  }
  EXPECT_EQ(primaries, 1);
  EXPECT_EQ(all.monitor_count, static_cast<int32_t>(list.size()));
  Rect around{};
  for (const platform::MonitorInfo& m : list)
    around = Union(around, m.bounds);
  EXPECT_EQ(all.bounds, around);
}

class Recorder final : public platform::WindowHandler {
 public:
  void OnKeyDown(int key, int) override { keys.push_back(key); }
  void OnMouseDown(int button, int, int x, int y) override { clicks.push_back({button, x, y}); }
  std::vector<int> keys;
  struct Click {
    int button, x, y;
    bool operator==(const Click&) const = default;
  };
  std::vector<Click> clicks;
};

// An opaque layer: premultiplied colours with alpha 255, half red, half blue.
class Win32LayeredTest : public ::testing::Test {
 protected:
  Win32LayeredTest() {
    const platform::Surface& s = buffer_->surface();
    for (int32_t y = 0; y < s.height; ++y) {
      for (int32_t x = 0; x < s.width; ++x)
        s.Row(y)[x] = x < s.width / 2 ? 0xFFFF0000u : 0xFF0000FFu;
    }
  }
  HWND Hwnd(platform::WindowId w) {
    return reinterpret_cast<HWND>(platform_->window_states().Native(w));
  }
  void Pump() {
    for (int i = 0; i < 20; ++i) {
      platform_->loop().PumpMessages();
      Sleep(10);
    }
  }

  std::unique_ptr<platform::Platform> platform_ = platform::win32::CreateWin32Platform();
  platform::LayeredWindows& layered_ = platform_->layered();
  std::unique_ptr<platform::SurfaceBuffer> buffer_ = platform_->surfaces().CreateSurface(64, 48);
  Recorder handler_;
};

TEST_F(Win32LayeredTest, ALayeredToolWindowTakesPushesAtTheirPlaceAndSize) {
  const platform::WindowId w = layered_.CreateLayered({10, 10, 20, 20}, true, 0, handler_);
  ASSERT_NE(w, 0u);
  HWND hwnd = Hwnd(w);
  const LONG_PTR ex_style = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
  EXPECT_TRUE(ex_style & WS_EX_LAYERED);
  EXPECT_TRUE(ex_style & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(ex_style & WS_EX_TOPMOST);
  ASSERT_TRUE(layered_.PushLayer(w, buffer_->surface(), {100, 120, 164, 168}));
  EXPECT_EQ(WindowRect(hwnd), (Rect{100, 120, 164, 168}));
  // Bounds larger than the layer are cut to it; smaller ones show part of it.
  ASSERT_TRUE(layered_.PushLayer(w, buffer_->surface(), {-20, 30, 500, 500}));
  EXPECT_EQ(WindowRect(hwnd), (Rect{-20, 30, 44, 78}));
  ASSERT_TRUE(layered_.PushLayer(w, buffer_->surface(), {200, 210, 232, 226}));
  EXPECT_EQ(WindowRect(hwnd), (Rect{200, 210, 232, 226}));
  // Moving and resizing without a push keeps the window a layered one.
  layered_.MoveLayered(w, {300, 310, 400, 340});
  EXPECT_EQ(WindowRect(hwnd), (Rect{300, 310, 400, 340}));
  EXPECT_FALSE(layered_.PushLayer(w, platform::Surface{}, {0, 0, 10, 10}));
  layered_.DestroyLayered(w);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_FALSE(layered_.PushLayer(w, buffer_->surface(), {0, 0, 10, 10}));
}

TEST_F(Win32LayeredTest, ShowingDoesNotActivateAndInputReachesTheHandler) {
  Recorder form_handler;
  auto& windows = platform_->windows();
  const platform::WindowId form =
      windows.Create({platform::WindowKind::kBorderless, "form", {0, 0, 200, 200}}, form_handler);
  windows.Show(form, true);
  windows.SetForeground(form);
  Pump();
  const platform::WindowId w = layered_.CreateLayered({0, 0, 64, 48}, true, form, handler_);
  ASSERT_NE(w, 0u);
  ASSERT_TRUE(layered_.PushLayer(w, buffer_->surface(), {400, 300, 464, 348}));
  layered_.ShowLayered(w, true);
  Pump();
  HWND hwnd = Hwnd(w);
  EXPECT_TRUE(IsWindowVisible(hwnd));
  EXPECT_EQ(GetForegroundWindow(), Hwnd(form));
  EXPECT_NE(GetActiveWindow(), hwnd);
  // A click on the layer, through the system's input queue.
  SetCursorPos(410, 320);
  INPUT click[2] = {};
  click[0].type = click[1].type = INPUT_MOUSE;
  click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, click, sizeof(INPUT));
  Pump();
  EXPECT_EQ(handler_.clicks, (std::vector<Recorder::Click>{{platform::kLeftButton, 10, 20}}));
  PostMessageW(hwnd, WM_KEYDOWN, VK_SPACE, 0);
  Pump();
  EXPECT_EQ(handler_.keys, std::vector<int>{VK_SPACE});
  layered_.ShowLayered(w, false);
  EXPECT_FALSE(IsWindowVisible(hwnd));
}

// What the fake backend copies: a minimised window's client area is empty
// and away from the window's place (Windows parks it at (-32000, -32000),
// Wine without a window manager at the screen's bottom-left corner), and
// restoring a hidden window shows it.
TEST(Win32Windows, AMinimisedClientAreaIsOffTheScreenAndRestoringShows) {
  auto platform = platform::win32::CreateWin32Platform();
  auto& windows = platform->windows();
  Recorder handler;
  const platform::WindowId w =
      windows.Create({platform::WindowKind::kBorderless, "player", {100, 50, 500, 350}}, handler);
  windows.Show(w, true);
  platform->window_states().Minimise(w);
  for (int i = 0; i < 20; ++i) {
    platform->loop().PumpMessages();
    Sleep(10);
  }
  ASSERT_TRUE(platform->window_states().IsMinimised(w));
  const Rect client = windows.ClientBounds(w);
  EXPECT_TRUE(client.empty());
  EXPECT_FALSE(client.left == 100 && client.top == 50) << "the minimised client area stayed";
  platform->window_states().Restore(w);
  EXPECT_EQ(windows.ClientBounds(w), (Rect{100, 50, 500, 350}));
  windows.Hide(w);
  const HWND hwnd = reinterpret_cast<HWND>(platform->window_states().Native(w));
  EXPECT_FALSE(IsWindowVisible(hwnd));
  platform->window_states().Restore(w);
  EXPECT_TRUE(IsWindowVisible(hwnd));
  windows.Destroy(w);
}

}  // namespace
}  // namespace lantern

namespace lantern {
namespace {

// The frame, the client area, the busy pointer and the scheme's colours.
TEST(Win32Frame, ADialogFrameShrinksTheClientAreaInsideTheSameBounds) {
  auto platform = platform::win32::CreateWin32Platform();
  platform::WindowSystem& windows = platform->windows();
  Recorder handler;
  const platform::WindowId w =
      windows.Create({platform::WindowKind::kBorderless, "framed", {100, 100, 500, 400}}, handler);
  ASSERT_NE(w, 0u);
  windows.Show(w, false);
  EXPECT_EQ(windows.ClientBounds(w), (Rect{100, 100, 500, 400}));
  platform->window_states().SetFramed(w, true);
  const Rect client = windows.ClientBounds(w);
  EXPECT_EQ(windows.Bounds(w), (Rect{100, 100, 500, 400}));
  EXPECT_GT(client.left, 100);
  EXPECT_EQ(client.left - 100, 500 - client.right);  // the same frame on both sides
  EXPECT_EQ(client.top - 100, 400 - client.bottom);
  platform->window_states().SetFramed(w, false);
  EXPECT_EQ(windows.ClientBounds(w), (Rect{100, 100, 500, 400}));
  platform->desktop().SetBusyCursor(w, true);
  platform->desktop().SetBusyCursor(w, false);
  EXPECT_EQ(platform->desktop().SystemColourOf(platform::SystemColour::kHighlight),
            static_cast<uint32_t>(GetSysColor(COLOR_HIGHLIGHT)));
  EXPECT_EQ(platform->desktop().SystemColourOf(platform::SystemColour::kInfoBackground),
            static_cast<uint32_t>(GetSysColor(COLOR_INFOBK)));
  windows.Destroy(w);
}

}  // namespace
}  // namespace lantern

namespace lantern {
namespace {

// A stand-in player for the control bar: a real window, keys ignored.
class BarHost final : public show::ControlBarHost {
 public:
  explicit BarHost(platform::WindowId w) : window_(w) {}
  platform::WindowId PlayerWindow() const override { return window_; }
  void RequestWindowSize(int32_t) override {}
  void HideNumberBox() override {}
  void FocusPlayer() override {}
  void KeyDown(int, int) override {}
  void KeyUp(int, int) override {}

 private:
  platform::WindowId window_;
};

// Where a top-level window stands, counted from the top.
int StackIndex(HWND hwnd) {
  int i = 0;
  for (HWND h = GetTopWindow(nullptr); h != nullptr; h = GetWindow(h, GW_HWNDNEXT), ++i) {
    if (h == hwnd) return i;
  }
  return -1;
}

// The bar drawn by the real text renderer into a real layer: premultiplied
// throughout, clear but for its pictures, the counter in opaque white; and
// back above the player after the player is activated.
TEST(Win32ControlBar, TheLayerIsPremultipliedWithTheCounterAndStaysAboveThePlayer) {
  auto backend = platform::win32::CreateWin32Platform();
  show::ProcessValues values;
  values.ScreenWidth = 1280;
  values.WindowScale = 0.8f;
  show::ShowContext context{*backend, values};
  context.state.DisplayedSlideNumber = 3;
  album::AlbumSettings settings;
  settings.NowI = 12;
  platform::WindowHandler player_handler;
  platform::WindowSystem& windows = backend->windows();
  const platform::WindowId player = windows.Create(
      {platform::WindowKind::kBorderless, "player", {128, 72, 1152, 648}}, player_handler);
  windows.Show(player, true);
  BarHost host(player);
  windows::ControlBarWindows bar{context, settings};
  bar.CreateControlBar(host, /*composition_on=*/false);
  ASSERT_TRUE(bar.ControlBarReady());
  bar.FollowWindow(windows.ClientBounds(player));
  backend->layered().ShowLayered(bar.bar_window(), true);

  const platform::Surface& layer = bar.bar_layer();
  int counter_white = 0, clear = 0;
  for (int32_t y = 0; y < layer.height; ++y) {
    for (int32_t x = 0; x < layer.width; ++x) {
      const uint32_t p = layer.Row(y)[x];
      const uint32_t a = p >> 24;
      ASSERT_LE((p >> 16) & 0xFF, a) << x << "," << y;
      ASSERT_LE((p >> 8) & 0xFF, a) << x << "," << y;
      ASSERT_LE(p & 0xFF, a) << x << "," << y;
      if (x < windows::kCounterWidth && p == 0xFFFFFFFFu) ++counter_white;
      if (a <= 1) ++clear;
    }
  }
  EXPECT_GT(counter_white, 30);  // "3/12" in white
  EXPECT_GT(clear, layer.width * layer.height / 4);

  HWND player_hwnd = reinterpret_cast<HWND>(backend->window_states().Native(player));
  HWND bar_hwnd = reinterpret_cast<HWND>(backend->window_states().Native(bar.bar_window()));
  windows.SetForeground(player);
  bar.KeepOnTop();
  EXPECT_LT(StackIndex(bar_hwnd), StackIndex(player_hwnd));
  bar.DestroyControlBar();
  windows.Destroy(player);
}

}  // namespace
}  // namespace lantern
