// The monitor list, the cover windows of the screen saver and the system's
// interface fonts, on the fake backend: monitors left of and above the
// primary one, keys pressed on a cover, the fall-back to one monitor, and the
// point sizes of the system's fonts.
#include <gtest/gtest.h>

#include <string>

#include "show_fixture.h"
#include "windows/cover_windows.h"
#include "windows/monitors.h"
#include "windows/nc_metrics.h"

namespace lantern::windows {
namespace {

using platform::MonitorInfo;
using platform::Rect;
using platform::fake::EventType;
using show_fixture::ShowTest;

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00;

// A secondary monitor left of the primary and a third right of it, higher up.
std::vector<MonitorInfo> ThreeMonitors() {
  return {{{-200, 0, 0, 150}, {-200, 0, 0, 140}, false, std::string("\\\\.\\DISPLAY2\0\0\0", 15)},
          {{0, 0, 320, 240}, {0, 0, 320, 220}, true, "\\\\.\\DISPLAY1"},
          {{320, -60, 480, 60}, {320, -60, 480, 60}, false, "\\\\.\\DISPLAY3"}};
}

// --- the monitor list ---

TEST(MonitorsTest, ReadsEveryMonitorWithTheVirtualScreenAroundThem) {
  platform::fake::FakePlatform fake;
  fake.set_monitors(ThreeMonitors());
  const cMonitors monitors(fake.monitors());
  ASSERT_EQ(monitors.MonitorCount(), 3);
  EXPECT_EQ(monitors.DisplayMonitorCount(), 3);
  EXPECT_EQ(monitors.VirtualScreenLeft(), -200);
  EXPECT_EQ(monitors.VirtualScreenTop(), -60);
  EXPECT_EQ(monitors.VirtualScreenWidth(), 680);
  EXPECT_EQ(monitors.VirtualScreenHeight(), 300);
  const cMonitor& left = monitors.Monitor(1);
  EXPECT_FALSE(left.IsPrimary());
  EXPECT_EQ(left.Name(), "\\\\.\\DISPLAY2");  // without the padding NULs
  EXPECT_EQ(left.Left(), -200);
  EXPECT_EQ(left.Width(), 200);
  EXPECT_EQ(left.Height(), 150);
  EXPECT_EQ(left.WorkHeight(), 140);
  EXPECT_TRUE(monitors.Monitor(2).IsPrimary());
  EXPECT_EQ(monitors.Monitor(2).WorkHeight(), 220);
  EXPECT_EQ(monitors.Monitor(3).Top(), -60);
  EXPECT_THROW(monitors.Monitor(0), std::out_of_range);
  EXPECT_THROW(monitors.Monitor(4), std::out_of_range);
}

TEST(MonitorsTest, TheListIsReadWhenMadeAndWhenRefreshed) {
  platform::fake::FakePlatform fake;
  fake.set_screen({640, 480, 15, 15, 60});
  cMonitors monitors(fake.monitors());
  ASSERT_EQ(monitors.MonitorCount(), 1);
  EXPECT_EQ(monitors.VirtualScreenLeft(), 0);
  fake.set_monitors(ThreeMonitors());
  EXPECT_EQ(monitors.MonitorCount(), 1);
  monitors.Refresh();
  EXPECT_EQ(monitors.MonitorCount(), 3);
}

// --- cover windows in the screen saver ---

class CoverWindowsTest : public ShowTest {
 protected:
  // The window lying exactly over `bounds`; 0 when none.
  platform::WindowId WindowAt(const Rect& bounds) const {
    for (platform::WindowId id = 1; id < 50; ++id) {
      const auto* w = fake_.window(id);
      if (w != nullptr && w->spec.bounds == bounds) return id;
    }
    return 0;
  }
  int WindowCount() const {
    int count = 0;
    for (platform::WindowId id = 1; id < 50; ++id)
      count += fake_.window(id) != nullptr;
    return count;
  }
  // The centre pixel of the last present to `window`; 0 when none.
  uint32_t LastCentre(platform::WindowId window) const {
    uint32_t colour = 0;
    for (const auto& p : fake_.presents()) {
      if (p.window != window || p.pixels.empty()) continue;
      const auto centre =
          static_cast<size_t>(p.area.height() / 2 * p.area.width() + p.area.width() / 2);
      colour = p.pixels.at(centre) & 0xFFFFFF;
    }
    return colour;
  }
};

TEST_F(CoverWindowsTest, EverySecondaryMonitorIsCoveredAndShowsTheSlideOfTheShow) {
  Photos({kRed, kGreen});
  fake_.set_monitors(ThreeMonitors());
  platform::WindowId left = 0, right = 0;
  At(1000, [&] {
    left = WindowAt({-200, 0, 0, 150});
    right = WindowAt({320, -60, 480, 60});
    ASSERT_NE(left, 0u);
    ASSERT_NE(right, 0u);
    for (const platform::WindowId cover : {left, right}) {
      const auto* w = fake_.window(cover);
      EXPECT_TRUE(w->visible);
      EXPECT_TRUE(w->spec.topmost);
      EXPECT_EQ(w->spec.kind, platform::WindowKind::kTool);
      EXPECT_NE(fake_.active_window(), cover);  // shown without taking the activation
    }
    EXPECT_EQ(LastCentre(left), kRed);
    EXPECT_EQ(LastCentre(right), kRed);
  });
  At(3000, [&] { EXPECT_EQ(LastCentre(left), kGreen); });
  RunForm("/S", 3500);
  EXPECT_NE(left, 0u);
  EXPECT_FALSE(fake_.Exists(left));  // gone with the show
  EXPECT_FALSE(fake_.Exists(right));
}

TEST_F(CoverWindowsTest, AKeyOnACoverWindowActsAsOnTheShow) {
  Photos({kRed, kGreen});
  fake_.set_monitors(ThreeMonitors());
  At(1000, [&] {
    const platform::WindowId left = WindowAt({-200, 0, 0, 150});
    ASSERT_NE(left, 0u);
    fake_.Script({.at_ms = 1200, .type = EventType::kKeyDown, .window = left, .key = 'A'});
  });
  RunForm("/S", 20000);
  EXPECT_NEAR(fake_.now_ms_exact(), 1200, 5);  // any key ends the screen saver
}

// The mouse on a cover window ends the screen saver as on the show: the
// first move only sets the reference point, a later one more than 5 pixels
// from it ends the show, and so does a released button. Points are compared
// on the screen, so a move from the show onto the monitor left of it counts
// by the distance the pointer travelled.
TEST_F(CoverWindowsTest, TheMouseOnACoverWindowEndsTheScreenSaverAsOnTheShow) {
  Photos({kRed, kGreen});
  fake_.set_monitors(ThreeMonitors());
  const Rect left_monitor{-200, 0, 0, 150}, right_monitor{320, -60, 480, 60};
  struct Step {
    int64_t at_ms;  // after the covers were found at 1000 ms of the run
    EventType type;
    int on;  // 0 the show's window, 1 the left cover, 2 the right cover
    int x, y;
  };
  struct Case {
    const char* what;
    std::vector<Step> steps;
    int64_t ends_at_ms;  // from the run's start; 0: runs until the close
  } cases[] = {
      {"a first move alone", {{200, EventType::kMouseMove, 1, 100, 50}}, 0},
      {"5 pixels then 6 pixels on a cover",
       {{200, EventType::kMouseMove, 1, 100, 50},
        {300, EventType::kMouseMove, 1, 105, 45},
        {400, EventType::kMouseMove, 1, 94, 50}},
       1400},
      {"from the show onto the monitor left of it",
       {{200, EventType::kMouseMove, 0, 3, 100},
        {300, EventType::kMouseMove, 1, 199, 100},   // the screen's (-1, 100): 4 pixels
        {400, EventType::kMouseMove, 1, 196, 100}},  // (-4, 100): 7 pixels
       1400},
      {"a click on a cover",
       {{200, EventType::kMouseDown, 2, 10, 10}, {300, EventType::kMouseUp, 2, 10, 10}},
       1300},
  };
  for (const Case& c : cases) {
    fake_.AdvanceMs(3000);
    fake_.PumpMessages();  // the close of a run the mouse ended goes to no window
    const int64_t start = static_cast<int64_t>(fake_.now_ms_exact());
    bool scripted = false;
    RunForm("/S", start + 3000, [&](player::FrmPb& form) {
      At(start + 1000, [&, start] {
        const platform::WindowId windows[] = {form.window(), WindowAt(left_monitor),
                                              WindowAt(right_monitor)};
        for (const Step& s : c.steps) {
          ASSERT_NE(windows[s.on], 0u) << c.what;
          fake_.Script({.at_ms = start + 1000 + s.at_ms,
                        .type = s.type,
                        .window = windows[s.on],
                        .button = s.type == EventType::kMouseMove ? 0 : platform::kLeftButton,
                        .x = s.x,
                        .y = s.y});
        }
        scripted = true;
      });
    });
    EXPECT_TRUE(scripted) << c.what;
    const int64_t ends = c.ends_at_ms != 0 ? c.ends_at_ms : 3000;
    EXPECT_NEAR(fake_.now_ms_exact(), static_cast<double>(start + ends), 5) << c.what;
  }
}

TEST_F(CoverWindowsTest, OneMonitorOrTheWindowedPlayerMakesNoCover) {
  Photos({kRed});
  int windows = 0;
  At(1000, [&] { windows = WindowCount(); });
  RunForm("/S", 1500);
  EXPECT_EQ(windows, 1);  // the show alone

  // The windowed player has floating windows of its own, but none covers
  // another monitor.
  fake_.set_monitors(ThreeMonitors());
  fake_.fake_system().module_file_name = "C:\\Albums\\album.exe";
  platform::WindowId covers = 1;
  At(fake_.now_ms_exact() + 1000, [&] {
    covers = WindowAt({-200, 0, 0, 150}) + WindowAt({320, -60, 480, 60});
  });
  RunForm("", static_cast<int64_t>(fake_.now_ms_exact()) + 1500);
  EXPECT_EQ(covers, 0u);
}

// A stand-in for the player form's keys and mouse.
struct Keys : show::KeySink, show::MouseSink {
  void KeyDown(int key, int) override { down.push_back(key); }
  void KeyUp(int, int) override {}
  void ScreenMouseDown(int, int, int32_t, int32_t) override {}
  void ScreenMouseMove(int, int, int32_t x, int32_t y) override { moves.push_back({x, y}); }
  void ScreenMouseUp(int, int, int32_t, int32_t) override {}
  std::vector<int> down;
  std::vector<std::pair<int32_t, int32_t>> moves;
};

TEST_F(CoverWindowsTest, ACoverThatCannotBeMadeLeavesTheShowOnThePrimaryMonitorAlone) {
  Photos({kRed});
  fake_.set_monitors(ThreeMonitors());
  fake_.fake_resources().Add(album::kSettingsItem, writer_.Blob());
  app::StartUp start;
  ASSERT_TRUE(app::RunStartUp(fake_, start));
  album::AlbumItems items(fake_.resources(), fake_.files(), fake_.loop());
  const album::AlbumData album{start.settings, start.store, items, fake_.files()};
  base::Rnd rnd;
  imaging::AlbumPictures pictures(fake_, rnd);
  Keys keys;
  CoverWindows covers(fake_);

  fake_.set_window_limit(1);  // the first cover is made, the second is not
  covers.CreateCoverWindows(keys, keys, {album, pictures});
  EXPECT_EQ(covers.MonitorCount(), 1);
  EXPECT_EQ(WindowCount(), 0);  // the one that was made is gone again
  covers.ShowOnCoverMonitors(1);
  EXPECT_TRUE(fake_.presents().empty());

  fake_.set_window_limit(SIZE_MAX);
  covers.CreateCoverWindows(keys, keys, {album, pictures});
  ASSERT_EQ(covers.MonitorCount(), 3);
  EXPECT_EQ(covers.CoverWindow(2), nullptr);  // the primary monitor
  ASSERT_NE(covers.CoverWindow(1), nullptr);
  ASSERT_NE(covers.CoverWindow(3), nullptr);
  const platform::WindowId left = covers.CoverWindow(1)->window();
  fake_.Script({.at_ms = 0, .type = EventType::kKeyDown, .window = left, .key = 'Q'});
  fake_.Script({.at_ms = 0, .type = EventType::kMouseMove, .window = left, .x = 5, .y = 7});
  fake_.PumpMessages();
  EXPECT_EQ(keys.down, std::vector<int>{'Q'});
  // The mouse goes on at screen pixels: the left monitor starts at x = -200.
  EXPECT_EQ(keys.moves, (std::vector<std::pair<int32_t, int32_t>>{{-195, 7}}));
  covers.ShowOnCoverMonitors(0);  // the background alone
  EXPECT_EQ(LastCentre(left), show_fixture::kBackground);
  covers.ShowOnCoverMonitors(1);
  EXPECT_EQ(LastCentre(left), kRed);
  EXPECT_EQ(LastCentre(covers.CoverWindow(3)->window()), kRed);
  covers.UnloadCoverWindows();
  EXPECT_EQ(covers.MonitorCount(), 1);
  EXPECT_EQ(WindowCount(), 0);
}

// --- the system's interface fonts ---

platform::NonClientMetrics Metrics() {
  platform::NonClientMetrics m = platform::fake::DefaultNonClientMetrics();
  m.icon_title_font.face_name = "Icon";
  m.caption_font.face_name = "Caption";
  m.sm_caption_font.face_name = "Small";
  m.menu_font.face_name = "Menu";
  m.status_font.face_name = "Status";
  m.message_font = {-12, 700, true, false, true, 134, std::string("Message\0\0\0", 10)};
  return m;
}

TEST(NcMetricsTest, TheSixKindsAreTheSystemFontsInPoints) {
  platform::fake::FakeSystem system;
  system.non_client_metrics = Metrics();
  cNCMetrics metrics(system);
  EXPECT_FALSE(metrics.Font(96, 6).has_value());  // nothing read yet
  ASSERT_TRUE(metrics.GetMetrics());
  const std::optional<StdFont> message = metrics.Font(96, 6);
  ASSERT_TRUE(message.has_value());
  EXPECT_EQ(message->name, "Message");
  EXPECT_DOUBLE_EQ(message->size, 9.0);  // 12 pixels at 96 per inch
  EXPECT_TRUE(message->bold);
  EXPECT_TRUE(message->italic);
  EXPECT_FALSE(message->underline);
  EXPECT_TRUE(message->strikethrough);
  EXPECT_EQ(message->char_set, 134);
  const char* names[] = {"Icon", "Caption", "Small", "Menu", "Status", "Message"};
  for (int kind = 1; kind <= 6; ++kind)
    EXPECT_EQ(metrics.Font(96, kind)->name, names[kind - 1]) << kind;
  EXPECT_FALSE(metrics.Font(96, 0).has_value());
  EXPECT_FALSE(metrics.Font(96, 7).has_value());
  EXPECT_EQ(metrics.CaptionHeight(), 18);
  EXPECT_EQ(metrics.SMCaptionHeight(), 15);
  EXPECT_EQ(metrics.BorderWidth(), 1);

  system.non_client_metrics.reset();  // the system cannot say now
  EXPECT_FALSE(metrics.GetMetrics());
  EXPECT_EQ(metrics.Font(96, 6)->name, "Message");  // what was read stays
}

TEST(NcMetricsTest, PointSizesFollowTheResolutionAndWeightsAbove400AreBold) {
  platform::LogicalFont font{-16, 400, false, false, false, 0, "Tahoma"};
  EXPECT_DOUBLE_EQ(FontOf(font, 120).size, 9.6);
  EXPECT_DOUBLE_EQ(FontOf(font, 96).size, 12.0);
  EXPECT_DOUBLE_EQ(FontOf(font, 0).size, 12.0);  // an unknown resolution counts as 96
  EXPECT_FALSE(FontOf(font, 96).bold);
  font.weight = 401;
  EXPECT_TRUE(FontOf(font, 96).bold);
  font.height = 14;  // a cell height is taken as it is
  EXPECT_DOUBLE_EQ(FontOf(font, 120).size, 14.0);
}

}  // namespace
}  // namespace lantern::windows
