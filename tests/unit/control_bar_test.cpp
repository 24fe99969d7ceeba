// The control bar, the size menu and the tool-tip panel on the fake backend:
// their geometry and rules, the layers' pixels, and their behaviour under the
// pointer and the one-second tick, with a stand-in for the player.
#include <gtest/gtest.h>

#include <vector>

#include "platform/fake/fake_platform.h"
#include "windows/bar_layout.h"
#include "windows/bar_paint.h"
#include "windows/control_bar.h"
#include "windows/control_bar_windows.h"

namespace lantern::windows {
namespace {

namespace k = platform::keys;
using platform::Rect;
using platform::fake::EventType;

TEST(BarLayout, LabelsCoverTheBarEdgeToEdge) {
  EXPECT_EQ(BarLabelAt(0, 0), kCounterLabel);
  EXPECT_EQ(BarLabelAt(95, 31), kCounterLabel);
  EXPECT_EQ(BarLabelAt(96, 0), 1);
  EXPECT_EQ(BarLabelAt(127, 0), 1);
  EXPECT_EQ(BarLabelAt(128, 0), 2);
  EXPECT_EQ(BarLabelAt(351, 31), 8);
  EXPECT_EQ(BarLabelAt(352, 0), 0);
  EXPECT_EQ(BarLabelAt(10, 32), 0);
  EXPECT_EQ(BarLabelAt(-1, 0), 0);
  for (int label = 1; label <= kCounterLabel; ++label) {
    const Rect r = BarLabelRect(label);
    EXPECT_EQ(BarLabelAt(r.left, 0), label);
    EXPECT_EQ(BarLabelAt(r.right - 1, r.bottom - 1), label);
    EXPECT_FALSE(BarToolTip(label).empty());
  }
  EXPECT_EQ(BarKey(2), k::kSpace);
  EXPECT_EQ(BarKey(6), k::kN);
  EXPECT_EQ(BarKey(kSizeButton), 0);
  EXPECT_EQ(BarKey(kCounterLabel), k::kReturn);
}

TEST(BarLayout, CounterTextSizeAndHighlight) {
  BarState s;
  s.photos = 1200;
  s.displayed_slide = 1200;
  EXPECT_EQ(CounterText(s), "1200/1200");
  EXPECT_EQ(CounterFontSize(1200), 18);
  EXPECT_EQ(CounterFontSize(1000), 18);
  EXPECT_EQ(CounterFontSize(999), 22);
  s.hover = kCounterLabel;
  EXPECT_TRUE(HighlightShown(s));
  // During the opening and ending neither the counter nor its highlight.
  s.displayed_slide = -1;
  EXPECT_FALSE(CounterText(s).has_value());
  EXPECT_FALSE(HighlightShown(s));
  s.displayed_slide = 1201;
  EXPECT_FALSE(CounterText(s).has_value());
  s.hover = 3;
  EXPECT_TRUE(HighlightShown(s));
}

TEST(BarLayout, ThePlayAndMuteButtonsFollowTheState) {
  BarState s;
  EXPECT_EQ(ButtonImage(2, s), BarImage::kPause);
  EXPECT_EQ(ButtonImage(4, s), BarImage::kMuteOff);
  s.show_paused = true;
  s.mute_sound = true;
  EXPECT_EQ(ButtonImage(2, s), BarImage::kPlay);
  // Without songs the mute button never shows the music as paused.
  EXPECT_EQ(ButtonImage(4, s), BarImage::kMuteOff);
  s.has_songs = true;
  EXPECT_EQ(ButtonImage(4, s), BarImage::kMuteOn);
  EXPECT_EQ(ButtonImage(8, s), BarImage::kClose);
}

TEST(BarLayout, TheFloatingWindowsSitInTheTopRightCorner) {
  const FloatingPlaces p = PlaceFloatingWindows({100, 50, 1100, 800}, 1000);
  EXPECT_EQ(p.bar, (Rect{740, 58, 1092, 90}));
  // The size menu hangs under the size button (bar x 288..320).
  EXPECT_EQ(p.menu, (Rect{1012, 90, 1076, 282}));
  EXPECT_GE(p.menu.left, p.bar.left + 288 - 32);
  EXPECT_EQ(p.number_box_left, 740);
  EXPECT_EQ(p.number_box_top, 90);
  EXPECT_EQ(SizeChoiceAt(0, 0), 1);
  EXPECT_EQ(SizeChoiceAt(63, 191), 6);
  EXPECT_EQ(SizeChoiceAt(0, 192), 0);
  EXPECT_EQ(SizeChoiceHighlight(6), (Rect{2, 162, 62, 190}));
  EXPECT_EQ(SizeChoiceOfScale(0.8f), 4);
  EXPECT_EQ(SizeChoiceOfScale(1.0f), 6);
}

TEST(ToolTipLayout, OneLineUpTo100BytesOtherwiseLinesOf40Characters) {
  const auto measure = [](const std::string& line) { return static_cast<float>(line.size()) * 6; };
  const ToolTipLayout one = LayOutToolTip("退出 [Esc]", 15, measure);
  EXPECT_EQ(AnsiLength("退出 [Esc]"), 10);
  EXPECT_EQ(one.width, 12 * 6 + 20);  // UTF-8: two characters of three bytes
  EXPECT_EQ(one.height, 35);
  const std::string long_text(120, 'a');
  const ToolTipLayout wrapped = LayOutToolTip(long_text, 15, measure);
  EXPECT_EQ(wrapped.text,
            std::string(40, 'a') + "\n" + std::string(40, 'a') + "\n" + std::string(40, 'a'));
  EXPECT_EQ(wrapped.width, 40 * 6 + 20);
  EXPECT_EQ(wrapped.height, 3 * 15 + 20);
  // 51 Chinese characters are 102 bytes: wrapped, never cut inside a character.
  std::string chinese;
  for (int i = 0; i < 51; ++i)
    chinese += "图";
  std::string first;
  const std::string lines = WrapCharacters(chinese, 40, &first);
  EXPECT_EQ(first.size(), 40u * 3);
  EXPECT_EQ(lines.size(), 51u * 3 + 1);
}

TEST(ToolTipLayout, ThePanelStaysInsideTheWindow) {
  EXPECT_EQ(PlaceToolTip(100, 50, 80, 30, 800, 600), (Rect{110, 60, 190, 90}));
  // Too far right: left of the pointer.
  EXPECT_EQ(PlaceToolTip(750, 50, 80, 30, 800, 600), (Rect{660, 60, 740, 90}));
  // Too low: above it.
  EXPECT_EQ(PlaceToolTip(100, 580, 80, 30, 800, 600), (Rect{110, 540, 190, 570}));
}

// Every pixel of a premultiplied layer has no channel above its alpha.
bool Premultiplied(const platform::Surface& s) {
  for (int32_t y = 0; y < s.height; ++y) {
    for (int32_t x = 0; x < s.width; ++x) {
      const uint32_t p = s.Row(y)[x];
      const uint32_t a = p >> 24;
      if ((p & 0xFF) > a || ((p >> 8) & 0xFF) > a || ((p >> 16) & 0xFF) > a) return false;
    }
  }
  return true;
}

TEST(BarPaint, ImagesBlendOverTheLayerPremultiplied) {
  platform::HeapSurfaceBuffer buffer(4, 1);
  const platform::Surface& layer = buffer.surface();
  ClearLayer(layer);
  platform::DecodedImage image;
  image.Resize(2, 1);
  image.pixels = {0x80FF0000u, 0x00FFFFFFu};  // half-transparent red, fully transparent white
  DrawImageOver(layer, image, {0, 0, 4, 1});  // scaled by two
  EXPECT_EQ(layer.Row(0)[0], 0x80800000u);
  EXPECT_EQ(layer.Row(0)[1], 0x80800000u);
  EXPECT_EQ(layer.Row(0)[2], kLayerBackground);
  EXPECT_EQ(layer.Row(0)[3], kLayerBackground);
  EXPECT_EQ(OpaqueFromBgr(0x0000FF), 0xFFFF0000u);  // system red to premultiplied red
}

class ControlBarTest : public ::testing::Test, public show::ControlBarHost {
 protected:
  ControlBarTest() {
    fake_.set_screen({1280, 720, 15, 15, 60});
    fake_.set_record_pixels(true);
    values_.ScreenWidth = 1280;
    values_.WindowScale = 0.8f;
    settings_.NowI = 12;
    player_ = fake_.Create({platform::WindowKind::kBorderless, "player", {128, 72, 1152, 648}},
                           player_handler_);
    fake_.Show(player_, true);
    bar_.CreateControlBar(*this, /*composition_on=*/true);
    bar_.FollowWindow(fake_.ClientBounds(player_));
  }
  // The stand-in player.
  platform::WindowId PlayerWindow() const override { return player_; }
  void RequestWindowSize(int32_t index) override { size_requests_.push_back(index); }
  void HideNumberBox() override { ++number_box_hidden_; }
  void FocusPlayer() override { ++focused_; }
  void KeyDown(int key, int shift) override { keys_.push_back(key + 1000 * shift); }
  void KeyUp(int, int) override {}

  void Mouse(EventType type, platform::WindowId window, int x, int y) {
    fake_.Script({.at_ms = 0, .type = type, .window = window, .x = x, .y = y});
    fake_.PumpMessages();
  }
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i)
      hid_ = bar_.SecondTick(true) || hid_;
  }
  bool BarVisible() { return fake_.window(bar_.bar_window())->visible; }
  uint32_t BarPixel(int x, int y) { return bar_.bar_layer().Row(y)[x]; }

  platform::fake::FakePlatform fake_;
  show::ProcessValues values_;
  show::ShowContext context_{fake_, values_};
  album::AlbumSettings settings_;
  platform::WindowHandler player_handler_;
  platform::WindowId player_ = 0;
  ControlBarWindows bar_{context_, settings_};
  std::vector<int> keys_;
  std::vector<int32_t> size_requests_;
  int number_box_hidden_ = 0;
  int focused_ = 0;
  bool hid_ = false;
};

TEST_F(ControlBarTest, TheBarSitsInTheWindowsCornerAndTheMenuIsHidden) {
  ASSERT_TRUE(bar_.ControlBarReady());
  EXPECT_TRUE(context_.state.ControlBarReady);
  EXPECT_EQ(fake_.Bounds(bar_.bar_window()), (Rect{1152 - 360, 80, 1152 - 8, 112}));
  EXPECT_EQ(fake_.Bounds(bar_.menu_window()), (Rect{1152 - 88, 112, 1152 - 24, 304}));
  EXPECT_TRUE(BarVisible());
  EXPECT_FALSE(bar_.size_menu_visible());
  EXPECT_TRUE(fake_.window(bar_.bar_window())->spec.topmost);
  EXPECT_EQ(fake_.window(bar_.bar_window())->spec.owner, player_);
  EXPECT_TRUE(Premultiplied(bar_.bar_layer()));
  bar_.DestroyControlBar();
  EXPECT_FALSE(context_.state.ControlBarReady);
  EXPECT_EQ(fake_.window(bar_.bar_window()), nullptr);
}

TEST_F(ControlBarTest, TheHighlightIsTheSystemGradientFramedInWhite) {
  const Rect next = BarLabelRect(3);
  Mouse(EventType::kMouseMove, bar_.bar_window(), next.left + 5, 5);
  EXPECT_EQ(bar_.hover(), 3);
  // The frame is white and opaque; inside, the gradient runs from the
  // selection colour at the top to the active caption's at the bottom.
  EXPECT_EQ(BarPixel(next.left, 0), 0xFFFFFFFFu);
  EXPECT_EQ(BarPixel(next.right - 1, 31), 0xFFFFFFFFu);
  const uint32_t top = BarPixel(next.left + 1, 1);
  const uint32_t bottom = BarPixel(next.left + 1, 30);
  EXPECT_EQ(top >> 24, 0xFFu);
  EXPECT_NEAR(static_cast<int>(top & 0xFF), 0xC5, 12);  // blue of the selection colour 0xC56A31
  EXPECT_NEAR(static_cast<int>(bottom & 0xFF), 0xE3, 12);
  EXPECT_NEAR(static_cast<int>((bottom >> 16) & 0xFF), 0x00, 12);
  // Elsewhere the layer is clear but for the pictures: almost transparent.
  EXPECT_EQ(BarPixel(next.left - 32, 0), kLayerBackground);
  EXPECT_TRUE(Premultiplied(bar_.bar_layer()));
  // A move over the slide takes the highlight away.
  bar_.PlayerMouseMove(400, 300);
  EXPECT_EQ(bar_.hover(), 0);
  EXPECT_EQ(BarPixel(next.left, 0), kLayerBackground);
}

TEST_F(ControlBarTest, TheCounterShowsOnlyWhileASlideNumberIs) {
  const auto counter_lit = [&] {
    int lit = 0;
    for (int32_t y = 0; y < kBarHeight; ++y)
      for (int32_t x = 0; x < kCounterWidth; ++x)
        lit += BarPixel(x, y) == 0xFFFFFFFFu ? 1 : 0;
    return lit;
  };
  context_.state.DisplayedSlideNumber = -1;
  bar_.RedrawControlBar();
  EXPECT_EQ(counter_lit(), 0);
  Mouse(EventType::kMouseMove, bar_.bar_window(), 10, 10);  // no highlight either
  EXPECT_EQ(counter_lit(), 0);
  context_.state.DisplayedSlideNumber = 3;
  bar_.RedrawControlBar();
  EXPECT_GT(counter_lit(), 0);
  const auto& drawn = fake_.fake_text().drawn();
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.back().text, "3/12");
  EXPECT_EQ(drawn.back().font_size, 22);
  EXPECT_EQ(drawn.back().font_name, "Arial");
}

TEST_F(ControlBarTest, AToolTipShowsAtTheSecondTickAndGoesAfterTheSixth) {
  const Rect pause = BarLabelRect(2);
  Mouse(EventType::kMouseMove, bar_.bar_window(), pause.left + 4, 20);
  EXPECT_EQ(bar_.tool_tip_text(), BarToolTip(2));
  Tick();
  EXPECT_FALSE(bar_.tool_tip().visible());
  Tick();
  ASSERT_TRUE(bar_.tool_tip().visible());
  // 10 pixels right of and below the pointer, inside the window.
  const Rect tip = fake_.Bounds(bar_.tool_tip().window());
  EXPECT_EQ(tip.left, 1152 - 360 + pause.left + 4 + 10);
  EXPECT_EQ(tip.top, 80 + 20 + 10);
  EXPECT_EQ(fake_.window(bar_.tool_tip().window())->spec.owner, player_);
  Tick(3);
  EXPECT_TRUE(bar_.tool_tip().visible());
  Tick();
  EXPECT_FALSE(bar_.tool_tip().visible());
  EXPECT_TRUE(bar_.tool_tip_text().empty());
  // Another button asks again; a move over the slide cancels the request.
  Mouse(EventType::kMouseMove, bar_.bar_window(), BarLabelRect(5).left, 5);
  EXPECT_EQ(bar_.tool_tip_text(), BarToolTip(5));
  bar_.PlayerMouseMove(10, 10);
  Tick(3);
  EXPECT_FALSE(bar_.tool_tip().visible());
}

TEST_F(ControlBarTest, AToolTipNearTheRightEdgeOpensToTheLeft) {
  Mouse(EventType::kMouseMove, bar_.bar_window(), BarLabelRect(8).left + 20, 10);
  Tick(2);
  ASSERT_TRUE(bar_.tool_tip().visible());
  const Rect tip = fake_.Bounds(bar_.tool_tip().window());
  EXPECT_LE(tip.right, 1152);
  EXPECT_EQ(tip.right, 1152 - 360 + BarLabelRect(8).left + 20 - 10);
}

TEST_F(ControlBarTest, ButtonsPressTheirKeysAndTheSizeButtonOpensTheMenu) {
  for (int label : {1, 2, 3, 4, 5, 6, 8, 9})
    Mouse(EventType::kMouseDown, bar_.bar_window(), BarLabelRect(label).left + 1, 1);
  EXPECT_EQ(keys_, (std::vector<int>{k::kLeft, k::kSpace, k::kRight, k::kF3, k::kDown, k::kN,
                                     k::kEscape, k::kReturn}));
  // Every button but the counter closes the slide-number box.
  EXPECT_EQ(number_box_hidden_, 7);
  Mouse(EventType::kMouseUp, bar_.bar_window(), 1, 1);
  EXPECT_EQ(focused_, 1);
  Mouse(EventType::kMouseDown, bar_.bar_window(), BarLabelRect(kSizeButton).left + 1, 1);
  EXPECT_EQ(keys_.size(), 8u);
  EXPECT_TRUE(bar_.size_menu_visible());
  EXPECT_EQ(context_.state.WindowSizeIndex, 4);  // 80 %, highlighted
  EXPECT_EQ(bar_.menu_layer().Row(4 * 32 - 30)[2] >> 24, 0xFFu);
  // Any other button closes the menu.
  Mouse(EventType::kMouseDown, bar_.bar_window(), BarLabelRect(1).left + 1, 1);
  EXPECT_FALSE(bar_.size_menu_visible());
}

TEST_F(ControlBarTest, OnAn800PixelScreenFiftyPercentIsNeitherHighlightedNorTaken) {
  values_.ScreenWidth = 800;
  Mouse(EventType::kMouseDown, bar_.bar_window(), BarLabelRect(kSizeButton).left + 1, 1);
  Mouse(EventType::kMouseMove, bar_.menu_window(), 10, 10);  // choice 1: 400 pixels
  EXPECT_EQ(context_.state.WindowSizeIndex, 4);
  Mouse(EventType::kMouseDown, bar_.menu_window(), 10, 10);
  EXPECT_TRUE(size_requests_.empty());
  EXPECT_FALSE(bar_.size_menu_visible());
  Mouse(EventType::kMouseDown, bar_.bar_window(), BarLabelRect(kSizeButton).left + 1, 1);
  Mouse(EventType::kMouseMove, bar_.menu_window(), 10, 40);  // choice 2: 480 pixels
  EXPECT_EQ(context_.state.WindowSizeIndex, 2);
  EXPECT_EQ(bar_.hover(), kSizeButton);
  Mouse(EventType::kMouseDown, bar_.menu_window(), 10, 40);
  EXPECT_EQ(size_requests_, (std::vector<int32_t>{2}));
  // The size the window already has is no request.
  Mouse(EventType::kMouseDown, bar_.bar_window(), BarLabelRect(kSizeButton).left + 1, 1);
  Mouse(EventType::kMouseDown, bar_.menu_window(), 10, 3 * 32 + 5);  // 80 %
  EXPECT_EQ(size_requests_.size(), 1u);
}

TEST_F(ControlBarTest, TheBarHidesAtTheEighthIdleSecondAndPointerTravelBringsItBack) {
  Tick(7);
  EXPECT_TRUE(BarVisible());
  EXPECT_FALSE(hid_);
  Tick();
  EXPECT_FALSE(BarVisible());
  EXPECT_TRUE(hid_);
  bar_.PlayerMouseMove(200, 200);  // the reference point
  bar_.PlayerMouseMove(210, 190);  // 10 pixels: not yet
  EXPECT_FALSE(BarVisible());
  bar_.PlayerMouseMove(211, 200);
  EXPECT_TRUE(BarVisible());
  // A move over the bar starts the count again; an inactive player does not count.
  Tick(5);
  Mouse(EventType::kMouseMove, bar_.bar_window(), 5, 5);
  Tick(7);
  EXPECT_TRUE(BarVisible());
  for (int i = 0; i < 5; ++i)
    bar_.SecondTick(false);
  EXPECT_TRUE(BarVisible());
}

TEST_F(ControlBarTest, HidingTheFloatingWindowsTakesTheMenuAndTheToolTipAlong) {
  Mouse(EventType::kMouseDown, bar_.bar_window(), BarLabelRect(kSizeButton).left + 1, 1);
  Mouse(EventType::kMouseMove, bar_.bar_window(), BarLabelRect(kSizeButton).left + 1, 1);
  Tick(2);
  bar_.ShowFloatingWindows(false);
  EXPECT_FALSE(BarVisible());
  EXPECT_FALSE(bar_.size_menu_visible());
  EXPECT_FALSE(bar_.tool_tip().visible());
  EXPECT_FALSE(bar_.shown());
  bar_.ShowFloatingWindows(true);
  EXPECT_TRUE(BarVisible());
  EXPECT_FALSE(bar_.size_menu_visible());
}

TEST_F(ControlBarTest, KeysInTheBarReachThePlayer) {
  fake_.Script(
      {.at_ms = 0, .type = EventType::kKeyDown, .window = bar_.bar_window(), .key = k::kF1});
  fake_.Script({.at_ms = 0,
                .type = EventType::kKeyDown,
                .window = bar_.menu_window(),
                .key = k::kReturn,
                .shift = platform::kAltMask});
  fake_.PumpMessages();
  EXPECT_EQ(keys_, (std::vector<int>{k::kF1, k::kReturn + 1000 * platform::kAltMask}));
}

TEST_F(ControlBarTest, WithoutAlbumPicturesTheButtonsAreDrawn) {
  // Every button's place holds some opaque white (its symbol) over a shade.
  for (int button = 1; button <= kButtonCount; ++button) {
    const Rect r = BarLabelRect(button);
    int white = 0, shade = 0;
    for (int32_t y = 0; y < kBarHeight; ++y) {
      for (int32_t x = r.left; x < r.right; ++x) {
        const uint32_t p = BarPixel(x, y);
        white += p == 0xFFFFFFFFu ? 1 : 0;
        shade += (p >> 24) > 1 && (p >> 24) < 255 ? 1 : 0;
      }
    }
    EXPECT_GT(white, 20) << button;
    EXPECT_GT(shade, 200) << button;
  }
}

}  // namespace
}  // namespace lantern::windows
