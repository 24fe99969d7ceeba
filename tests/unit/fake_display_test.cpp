// Monitors and layered windows on the fake backend: the monitors a test gives
// (or the one of the screen's size), the virtual screen around them, and every
// push to a layered window recorded with its place and pixels.
#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"

namespace lantern::platform::fake {
namespace {

class Recorder final : public WindowHandler {
 public:
  void OnKeyDown(int key, int) override { log.push_back("down " + std::to_string(key)); }
  void OnMouseDown(int button, int, int x, int y) override {
    log.push_back("click " + std::to_string(button) + " " + Num(x, y));
  }
  void OnActivate(bool active) override { log.push_back(active ? "activate" : "deactivate"); }
  void OnResize(int w, int h) override { log.push_back("resize " + Num(w, h)); }
  std::vector<std::string> log;

 private:
  static std::string Num(int a, int b) { return std::to_string(a) + "," + std::to_string(b); }
};

TEST(FakeMonitors, WithoutMonitorsGivenThereIsOnePrimaryOfTheScreensSize) {
  FakePlatform fake;
  fake.set_screen({1280, 720, 15, 15, 60});
  Monitors& monitors = fake.monitors();
  const std::vector<MonitorInfo> list = monitors.List();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].bounds, (Rect{0, 0, 1280, 720}));
  EXPECT_EQ(list[0].work_area, list[0].bounds);
  EXPECT_TRUE(list[0].primary);
  EXPECT_EQ(list[0].device_name, "\\\\.\\DISPLAY1");
  const VirtualScreen all = monitors.Virtual();
  EXPECT_EQ(all.bounds, (Rect{0, 0, 1280, 720}));
  EXPECT_EQ(all.monitor_count, 1);
}

TEST(FakeMonitors, AMonitorLeftOfThePrimaryWidensTheVirtualScreenToNegativeCoordinates) {
  FakePlatform fake;
  const MonitorInfo left{{-1280, -200, 0, 824}, {-1280, -200, 0, 784}, false, "\\\\.\\DISPLAY2"};
  const MonitorInfo primary{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true, "\\\\.\\DISPLAY1"};
  fake.set_monitors({left, primary});
  const std::vector<MonitorInfo> list = fake.monitors().List();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].bounds, left.bounds);
  EXPECT_EQ(list[0].work_area, left.work_area);
  EXPECT_FALSE(list[0].primary);
  EXPECT_TRUE(list[1].primary);
  const VirtualScreen all = fake.monitors().Virtual();
  EXPECT_EQ(all.bounds, (Rect{-1280, -200, 1920, 1080}));
  EXPECT_EQ(all.monitor_count, 2);
  // As on Windows, the screen's size is the primary monitor's.
  EXPECT_EQ(fake.Screen().width, 1920);
  EXPECT_EQ(fake.Screen().height, 1080);
}

// A 6 x 5 layer in a buffer with a wider stride, every pixel different and
// alpha varying, so a push that ignores the stride or the alpha shows.
class FakeLayeredTest : public ::testing::Test {
 protected:
  FakeLayeredTest() {
    for (int32_t y = 0; y < layer_.height; ++y) {
      for (int32_t x = 0; x < layer_.width; ++x)
        layer_.Row(y)[x] = static_cast<uint32_t>((x * 40) << 24 | y << 8 | x);
    }
  }

  std::vector<uint8_t> memory_ = std::vector<uint8_t>(9 * 4 * 5, 0xEE);
  Surface layer_{memory_.data(), 6, 5, 9 * 4};
  FakePlatform fake_;
  LayeredWindows& layered_ = fake_.layered();
  Recorder handler_;
};

TEST_F(FakeLayeredTest, APushIsRecordedCutToTheLayerAndMovesTheWindow) {
  fake_.set_record_pixels(true);
  const WindowId w = layered_.CreateLayered({0, 0, 1, 1}, true, 0, handler_);
  ASSERT_NE(w, 0u);
  EXPECT_EQ(fake_.window(w)->spec.kind, WindowKind::kTool);
  EXPECT_TRUE(fake_.window(w)->spec.topmost);
  fake_.AdvanceMs(7);
  ASSERT_TRUE(layered_.PushLayer(w, layer_, {-30, 40, -26, 43}));  // 4 x 3 of the 6 x 5
  ASSERT_TRUE(layered_.PushLayer(w, layer_, {10, 20, 110, 120}));  // larger: cut to 6 x 5
  ASSERT_EQ(fake_.layer_pushes().size(), 2u);
  const LayerPushRecord& first = fake_.layer_pushes()[0];
  EXPECT_EQ(first.window, w);
  EXPECT_EQ(first.at_ticks, 7 * kTicksPerMs);
  EXPECT_EQ(first.bounds, (Rect{-30, 40, -26, 43}));
  std::vector<uint32_t> expected;
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 4; ++x)
      expected.push_back(layer_.Row(y)[x]);
  }
  EXPECT_EQ(first.pixels, expected);
  EXPECT_EQ(fake_.layer_pushes()[1].bounds, (Rect{10, 20, 16, 25}));
  EXPECT_EQ(fake_.layer_pushes()[1].pixels.size(), 30u);
  EXPECT_EQ(fake_.Bounds(w), (Rect{10, 20, 16, 25}));
  EXPECT_EQ(handler_.log, (std::vector<std::string>{"resize 4,3", "resize 6,5"}));
}

TEST_F(FakeLayeredTest, TheChecksumCountsAlphaButNotThePosition) {
  const WindowId w = layered_.CreateLayered({0, 0, 6, 5}, false, 0, handler_);
  layered_.PushLayer(w, layer_, {0, 0, 6, 5});
  layered_.PushLayer(w, layer_, {300, 200, 306, 205});
  layer_.Row(4)[5] ^= 0x01000000;  // only the alpha of the last pixel
  layered_.PushLayer(w, layer_, {0, 0, 6, 5});
  const auto& pushes = fake_.layer_pushes();
  ASSERT_EQ(pushes.size(), 3u);
  EXPECT_EQ(pushes[0].checksum, pushes[1].checksum);
  EXPECT_NE(pushes[1].checksum, pushes[2].checksum);
  EXPECT_TRUE(pushes[0].pixels.empty());  // copies only when asked for
}

TEST_F(FakeLayeredTest, PushesThatCannotShowAnythingFailAndAreNotRecorded) {
  Recorder plain_handler;
  const WindowId plain = fake_.Create({WindowKind::kTool, "", {0, 0, 6, 5}}, plain_handler);
  const WindowId w = layered_.CreateLayered({0, 0, 6, 5}, false, 0, handler_);
  EXPECT_FALSE(layered_.PushLayer(plain, layer_, {0, 0, 6, 5}));  // not a layered window
  EXPECT_FALSE(layered_.PushLayer(w, Surface{}, {0, 0, 6, 5}));
  EXPECT_FALSE(layered_.PushLayer(w, layer_, {5, 5, 5, 9}));  // no width
  layered_.DestroyLayered(w);
  EXPECT_FALSE(fake_.Exists(w));
  EXPECT_FALSE(layered_.PushLayer(w, layer_, {0, 0, 6, 5}));
  EXPECT_TRUE(fake_.layer_pushes().empty());
}

TEST_F(FakeLayeredTest, ShowingNeverActivatesAndInputForTheLayerReachesItsHandler) {
  Recorder form;
  const WindowId main = fake_.Create({}, form);
  fake_.Show(main, true);
  const WindowId w = layered_.CreateLayered({0, 0, 6, 5}, false, main, handler_);
  EXPECT_EQ(fake_.window(w)->spec.owner, main);
  layered_.ShowLayered(w, true);
  EXPECT_TRUE(fake_.window(w)->visible);
  EXPECT_EQ(fake_.active_window(), main);
  fake_.Script({1, EventType::kKeyDown, w, keys::kSpace});
  fake_.Script({2, EventType::kMouseDown, w, 0, 0, kLeftButton, 3, 4});
  fake_.Script({3, EventType::kKeyDown, 0, keys::kEscape});  // the active window's
  fake_.AdvanceMs(5);
  fake_.PumpMessages();
  EXPECT_EQ(handler_.log, (std::vector<std::string>{"down 32", "click 1 3,4"}));
  EXPECT_EQ(form.log, (std::vector<std::string>{"activate", "down 27"}));
  layered_.MoveLayered(w, {50, 60, 58, 65});
  EXPECT_EQ(fake_.Bounds(w), (Rect{50, 60, 58, 65}));
  layered_.ShowLayered(w, false);
  EXPECT_FALSE(fake_.window(w)->visible);
}

}  // namespace
}  // namespace lantern::platform::fake
