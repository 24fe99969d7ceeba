// The windowed player with its control bar on the fake backend: the frame
// and centring by scale, the bar following the window, full screen, hiding
// with the activation, the counter, the buttons, the size menu, the idle
// hiding and a drag.
#include <gtest/gtest.h>

#include <algorithm>

#include "player/frm_pb.h"
#include "show_fixture.h"
#include "windows/bar_layout.h"

namespace lantern::player {
namespace {

namespace k = platform::keys;
using platform::Rect;
using platform::fake::EventType;
using show_fixture::ShowTest;

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

class WindowedPlayerTest : public ShowTest {
 protected:
  WindowedPlayerTest() {
    fake_.set_screen({1000, 800, 15, 15, 60});
    fake_.set_frame_border(3);
    Photos({kRed, kGreen, kBlue});
  }
  // The bar's window: the last one a 352-pixel layer was pushed to.
  platform::WindowId Bar() const {
    for (auto it = fake_.layer_pushes().rbegin(); it != fake_.layer_pushes().rend(); ++it) {
      if (it->bounds.width() == windows::kBarWidth) return it->window;
    }
    return 0;
  }
  platform::WindowId Menu() const {
    for (auto it = fake_.layer_pushes().rbegin(); it != fake_.layer_pushes().rend(); ++it) {
      if (it->bounds.width() == windows::kMenuWidth) return it->window;
    }
    return 0;
  }
  bool BarVisible() const {
    const platform::fake::FakeWindow* w = fake_.window(Bar());
    return w != nullptr && w->visible;
  }
  // A click on a label of the bar (or a choice of the menu) at `at_ms`.
  void Click(int64_t at_ms, bool menu, int x, int y) {
    At(at_ms, [this, menu, x, y] {
      const platform::WindowId w = menu ? Menu() : Bar();
      fake_.Script(
          {.at_ms = fake_.NowMs(), .type = EventType::kMouseDown, .window = w, .x = x, .y = y});
      fake_.Script(
          {.at_ms = fake_.NowMs() + 10, .type = EventType::kMouseUp, .window = w, .x = x, .y = y});
    });
  }
  void ClickLabel(int64_t at_ms, int label) {
    Click(at_ms, false, windows::BarLabelRect(label).left + 4, 4);
  }
  std::vector<std::string> CounterTexts() {
    std::vector<std::string> texts;
    for (const platform::TextBox& box : fake_.fake_text().drawn()) {
      if (box.font_name == "Arial" && box.text.find('/') != std::string::npos)
        texts.push_back(box.text);
    }
    return texts;
  }
};

TEST_F(WindowedPlayerTest, TheFramedWindowIsCentredAndTheBarFollowsItButNotInFullScreen) {
  RunForm("", 4000, [&](FrmPb& form) {
    FrmPb* player = &form;
    At(300, [this, player] {
      // 80 % of 1000 x 800 is an 800 x 640 slide inside a 3-pixel frame.
      EXPECT_EQ(fake_.Bounds(player->window()), (Rect{97, 77, 903, 723}));
      EXPECT_TRUE(fake_.window(player->window())->framed);
      EXPECT_EQ(fake_.ClientBounds(player->window()), (Rect{100, 80, 900, 720}));
      EXPECT_EQ(fake_.Bounds(Bar()), (Rect{540, 88, 892, 120}));
      EXPECT_TRUE(BarVisible());
      fake_.SetBounds(player->window(), {47, 57, 853, 703});  // the user moves it
    });
    At(500, [this] { EXPECT_EQ(fake_.Bounds(Bar()), (Rect{490, 68, 842, 100})); });
    fake_.Script({.at_ms = 600,
                  .type = EventType::kKeyDown,
                  .key = k::kReturn,
                  .shift = platform::kAltMask});
    At(1200, [this, player] {
      EXPECT_EQ(fake_.Bounds(player->window()), (Rect{0, 0, 1000, 800}));
      EXPECT_FALSE(fake_.window(player->window())->framed);
      EXPECT_EQ(fake_.Bounds(Bar()), (Rect{640, 8, 992, 40}));
      EXPECT_FALSE(fake_.window(player->window())->busy_cursor);
      fake_.SetBounds(player->window(), {10, 10, 1010, 810});
    });
    At(1600, [this] { EXPECT_EQ(fake_.Bounds(Bar()), (Rect{640, 8, 992, 40})); });
  });
}

TEST_F(WindowedPlayerTest, WithCompositionOnAMinimisedOrInactivePlayerHidesTheBar) {
  fake_.fake_system().composition = true;
  RunForm("", 4000, [&](FrmPb& form) {
    FrmPb* player = &form;
    At(300, [this, player] {
      EXPECT_TRUE(player->CompositionOn());
      EXPECT_TRUE(BarVisible());
      EXPECT_TRUE(fake_.window(Bar())->spec.topmost);
      fake_.Minimise(player->window());
    });
    At(600, [this, player] {
      EXPECT_FALSE(BarVisible());
      EXPECT_FALSE(player->PlayerActive());
      fake_.Restore(player->window());
    });
    At(900, [this] {
      EXPECT_TRUE(BarVisible());
      fake_.Deactivate();
    });
    At(1200, [this, player] {
      EXPECT_FALSE(BarVisible());
      fake_.Show(player->window(), true);  // active again, so the close request reaches it
    });
  });
}

TEST_F(WindowedPlayerTest, WithCompositionOffTheBarStaysWithThePlayer) {
  RunForm("", 1000, [&](FrmPb& form) {
    FrmPb* player = &form;
    At(300, [this, player] {
      EXPECT_FALSE(fake_.window(Bar())->spec.topmost);
      EXPECT_EQ(fake_.window(Bar())->spec.owner, player->window());
      fake_.Deactivate();
    });
    At(600, [this, player] {
      EXPECT_TRUE(BarVisible());
      fake_.Show(player->window(), true);
    });
  });
}

TEST_F(WindowedPlayerTest, TheCounterStartsWithTheFirstSlideAndButtonsActLikeTheirKeys) {
  RunForm("", 9000, [&](FrmPb& form) {
    FrmPb* player = &form;
    ClickLabel(2500, 2);  // pause, while the second slide shows
    At(2600, [this, player] {
      EXPECT_TRUE(player->state().ShowPaused);
      // The bar was drawn before the first slide too, without a counter.
      EXPECT_EQ(CounterTexts().front(), "1/3");
      EXPECT_EQ(CounterTexts().back(), "2/3");
    });
    ClickLabel(3000, 3);  // next, while paused: at once
    At(3100, [this] { EXPECT_EQ(CounterTexts().back(), "3/3"); });
    ClickLabel(3500, 1);  // previous
    At(3600, [this] { EXPECT_EQ(CounterTexts().back(), "2/3"); });
    ClickLabel(4000, windows::kCounterLabel);  // the slide-number box
    At(4100, [this, player] {
      EXPECT_TRUE(player->TxtGoToSlide().visible());
      EXPECT_EQ(fake_.active_window() == player->window(), false);  // the box has the keys
    });
    ClickLabel(5000, 8);  // close
  });
  EXPECT_NEAR(fake_.now_ms_exact(), 5000, 20);
}

TEST_F(WindowedPlayerTest, TheSizeMenuChangesTheWindowSizeUnderAnHourglass) {
  RunForm("", 4000, [&](FrmPb& form) {
    FrmPb* player = &form;
    ClickLabel(1000, windows::kSizeButton);
    At(1050, [this] {
      EXPECT_TRUE(fake_.window(Menu())->visible);
      fake_.Script(
          {.at_ms = 1060, .type = EventType::kMouseMove, .window = Menu(), .x = 10, .y = 40});
    });
    Click(1100, true, 10, 40);  // 60 %
    At(1105, [this, player] {
      EXPECT_EQ(player->state().WindowSizeIndex, 2);
      EXPECT_TRUE(fake_.window(player->window())->busy_cursor);
      EXPECT_FALSE(fake_.window(Menu())->visible);
    });
    At(2000, [this, player] {
      EXPECT_EQ(fake_.ClientBounds(player->window()), (Rect{200, 160, 800, 640}));
      EXPECT_FALSE(fake_.window(player->window())->busy_cursor);
      EXPECT_EQ(fake_.Bounds(Bar()).left, 800 - 360);
      EXPECT_FALSE(player->state().RelayoutPending);
    });
  });
}

TEST_F(WindowedPlayerTest, TheBarHidesAtTheEighthIdleSecondAndComesBackWithThePointer) {
  RunForm("", 10000, [&](FrmPb& form) {
    FrmPb* player = &form;
    At(7500, [this] { EXPECT_TRUE(BarVisible()); });
    At(8500, [this] { EXPECT_FALSE(BarVisible()); });
    fake_.Script({.at_ms = 8600, .type = EventType::kMouseMove, .window = 0, .x = 100, .y = 100});
    fake_.Script({.at_ms = 8700, .type = EventType::kMouseMove, .window = 0, .x = 100, .y = 111});
    At(8800, [this, player] {
      EXPECT_EQ(fake_.active_window(), player->window()) << Bar() << " " << Menu();
      EXPECT_TRUE(BarVisible());
    });
  });
}

TEST_F(WindowedPlayerTest, ADragHidesTheFloatingWindowsAndTheyComeBackWhereItEnds) {
  Rect before;
  RunForm("", 3000, [&](FrmPb& form) {
    At(900, [this, &before] { before = fake_.Bounds(Bar()); });
    fake_.Script({.at_ms = 1000, .type = EventType::kMouseDown, .button = 1, .x = 100, .y = 100});
    fake_.Script({.at_ms = 1100, .type = EventType::kMouseMove, .button = 1, .x = 120, .y = 130});
    At(1120, [this] { EXPECT_FALSE(BarVisible()); });
    fake_.Script({.at_ms = 1200, .type = EventType::kMouseUp, .button = 1, .x = 120, .y = 130});
    At(1210, [this, &before] {
      EXPECT_TRUE(BarVisible());
      EXPECT_EQ(fake_.Bounds(Bar()).left,
                before.left + 40);  // moved twice: on the move and the drop
      EXPECT_EQ(fake_.Bounds(Bar()).top, before.top + 60);
    });
    (void)form;
  });
}

// Giving the keyboard back to the player after a click on the bar, or the
// user activating the player, brings the player up; the bar and the size
// menu must end above it, not hidden behind it.
TEST_F(WindowedPlayerTest, TheBarStaysAboveThePlayerWhenThePlayerIsActivated) {
  RunForm("", 3000, [&](FrmPb& form) {
    FrmPb* player = &form;
    const auto above = [this, player](platform::WindowId w) {
      return fake_.window(w)->raised > fake_.window(player->window())->raised;
    };
    ClickLabel(1000, 2);
    At(1100, [this, player, above] {
      EXPECT_EQ(fake_.active_window(), player->window());
      EXPECT_TRUE(above(Bar()));
      EXPECT_TRUE(above(Menu()));
      fake_.Deactivate();
      fake_.Show(player->window(), true);  // the user clicks the player's frame
      EXPECT_TRUE(above(Bar()));
      EXPECT_TRUE(above(Menu()));
    });
  });
}

TEST_F(WindowedPlayerTest, ACompositionChangeRebuildsTheBarForTheNewState) {
  platform::WindowId first = 0;
  RunForm("", 4000, [&](FrmPb& form) {
    FrmPb* player = &form;
    At(500, [this, &first] {
      first = Bar();
      EXPECT_FALSE(fake_.window(first)->spec.topmost);
      fake_.fake_system().composition = true;
    });
    At(1500, [this, player, &first] {
      EXPECT_NE(Bar(), first);
      EXPECT_EQ(fake_.window(first), nullptr);
      EXPECT_TRUE(fake_.window(Bar())->spec.topmost);
      EXPECT_FALSE(fake_.IsMinimised(player->window()));
      EXPECT_TRUE(BarVisible());
      // Placed by the restored window's client area, not the minimised one's.
      EXPECT_EQ(fake_.Bounds(Bar()), (Rect{540, 88, 892, 120}));
    });
  });
}

// The re-layout hides the player until its slide is drawn again: restoring
// the window in between would show it black for a moment.
TEST_F(WindowedPlayerTest, ARelayoutKeepsThePlayerHiddenUntilItsSlideIsDrawnAgain) {
  MaskFrame();
  int masks_built = 0;
  bool shown_while_redrawn = true;
  RunForm("", 3500, [&](FrmPb& form) {
    FrmPb* player = &form;
    // The mask is built again after the window's layout, before the slide.
    fake_.fake_resources().on_load = [&, player](const std::string& name) {
      if (name != "MaskImage" || ++masks_built != 2) return;
      shown_while_redrawn = fake_.window(player->window())->visible;
    };
    fake_.Script({.at_ms = 2500,
                  .type = EventType::kKeyDown,
                  .key = k::kDigit5,
                  .shift = platform::kAltMask});
    At(3000, [this, player] {
      EXPECT_EQ(player->PicDst().width, 500);
      EXPECT_TRUE(fake_.window(player->window())->visible);
    });
  });
  EXPECT_EQ(masks_built, 2);
  EXPECT_FALSE(shown_while_redrawn);
}

// Before the ending and the next opening the slide number is gone: the bar
// never reads "0/3".
TEST_F(WindowedPlayerTest, TheCounterShowsNoNumberDuringTheEndingAndTheNextOpening) {
  writer_.SetFlag("EnableEnding", true);
  writer_.SetSingle("EndingDurationTime", 1.0f);
  writer_.SetFlag("EnableOpening", true);
  writer_.SetSingle("OpeningDurationTime", 1.0f);
  RunForm("", 9500);  // the ending ends at 8 s, the second opening at 9 s
  const std::vector<std::string> texts = CounterTexts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "3/3"), texts.end());
  EXPECT_EQ(std::find(texts.begin(), texts.end(), "0/3"), texts.end());
}

}  // namespace
}  // namespace lantern::player
