// Keys, the mouse and the one-second timer of the player form on the fake
// backend: what ends the screen saver and what does not, the windowed
// player's commands, the slide-number box, Print Screen and the power
// time-outs.
#include <gtest/gtest.h>

#include "player/frm_pb.h"
#include "show/key_sink.h"
#include "show_fixture.h"

namespace lantern::player {
namespace {

namespace k = platform::keys;
using platform::fake::EventType;
using show_fixture::ShowTest;

class InputTest : public ShowTest {
 protected:
  void Key(int64_t at_ms, int key, int shift = 0) {
    fake_.Script({.at_ms = at_ms, .type = EventType::kKeyDown, .key = key, .shift = shift});
    fake_.Script({.at_ms = at_ms + 20, .type = EventType::kKeyUp, .key = key, .shift = shift});
  }
  void Char(int64_t at_ms, char ch) {
    fake_.Script({.at_ms = at_ms, .type = EventType::kChar, .key = ch});
  }
  void Mouse(int64_t at_ms, EventType type, int x, int y) {
    fake_.Script({.at_ms = at_ms, .type = type, .button = platform::kLeftButton, .x = x, .y = y});
  }
  // Runs the screen saver; returns the virtual time at which it ended.
  double RunSaver(int64_t close_at_ms = 20000) {
    RunForm("/S", close_at_ms);
    return fake_.now_ms_exact();
  }
};

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

TEST_F(InputTest, AMouseJitterOfFivePixelsKeepsTheScreenSaverAndSixEndIt) {
  Photos({kRed, kGreen});
  Mouse(300, EventType::kMouseMove, 160, 120);  // the reference point
  Mouse(400, EventType::kMouseMove, 165, 115);
  Mouse(500, EventType::kMouseMove, 155, 125);
  Mouse(600, EventType::kMouseMove, 160, 126);
  EXPECT_NEAR(RunSaver(), 600, 5);
}

TEST_F(InputTest, IgnoreMouseMoveKeepsTheScreenSaverButAButtonReleaseStillEndsIt) {
  Photos({kRed, kGreen});
  writer_.SetFlag("IgnoreMouseMove", true);
  Mouse(300, EventType::kMouseMove, 10, 10);
  Mouse(400, EventType::kMouseMove, 300, 200);
  Mouse(900, EventType::kMouseUp, 300, 200);
  EXPECT_NEAR(RunSaver(), 900, 5);
}

TEST_F(InputTest, ScreenSaverKeysExitExceptTheCommands) {
  Photos({kRed, kGreen, kBlue});
  for (const int key : {k::kEscape, k::kSpace, k::kN, k::kReturn, int{'A'}, k::kShift}) {
    fake_.AdvanceMs(10);
    const int64_t at = static_cast<int64_t>(fake_.now_ms_exact()) + 300;
    Key(at, key);
    EXPECT_NEAR(RunSaver(at + 5000), static_cast<double>(at), 5) << "key " << key;
  }
  // Arrows move between photos; F1 pauses; neither ends the show.
  fake_.AdvanceMs(10);
  const int64_t t = static_cast<int64_t>(fake_.now_ms_exact());
  Key(t + 300, k::kRight);
  Key(t + 600, k::kLeft);
  const size_t before = Slides().size();
  EXPECT_NEAR(RunSaver(t + 1000), static_cast<double>(t + 1000), 5);
  const auto shown = Slides();
  ASSERT_EQ(shown.size(), before + 3);
  EXPECT_EQ(shown[before + 1].colour, kGreen);
  EXPECT_NEAR(shown[before + 1].at_ms, static_cast<double>(t + 300), 2);
  EXPECT_EQ(shown[before + 2].colour, kRed);  // back to photo 1
}

TEST_F(InputTest, AfterF2TheMouseNoLongerEndsTheScreenSaver) {
  Photos({kRed});
  Key(200, k::kF2);
  Mouse(300, EventType::kMouseMove, 10, 10);
  Mouse(400, EventType::kMouseMove, 300, 200);
  Mouse(500, EventType::kMouseUp, 300, 200);
  EXPECT_NEAR(RunSaver(3000), 3000, 5);
  EXPECT_EQ(fake_.fake_system().cursor_calls, (std::vector<bool>{false, true, true}));
}

TEST_F(InputTest, WindowSizeKeysRefuseWindowsNarrowerThan480Pixels) {
  fake_.set_screen({800, 600, 15, 15, 60});
  Photos({kRed});
  RunForm("", 3000, [&](FrmPb& form) {
    Key(300, '5', platform::kAltMask);  // 400 pixels: refused
    At(400, [&] { EXPECT_FALSE(form.state().RelayoutPending); });
    Key(500, '6', platform::kAltMask);  // 480 pixels
    At(550, [&] {
      EXPECT_TRUE(form.state().RelayoutPending);
      EXPECT_EQ(form.state().WindowSizeIndex, 2);
    });
    At(1000, [&] { EXPECT_EQ(fake_.Bounds(form.window()).width(), 480); });
  });
}

TEST_F(InputTest, AltEnterGoesFullScreenAndBackToTheSizeBefore) {
  fake_.set_screen({1000, 800, 15, 15, 60});
  Photos({kRed});
  std::vector<platform::Rect> bounds;
  RunForm("", 3000, [&](FrmPb& form) {
    FrmPb* player = &form;
    const auto record = [this, player, &bounds] {
      bounds.push_back(fake_.Bounds(player->window()));
    };
    At(200, record);
    Key(300, k::kReturn, platform::kAltMask);
    At(800, record);
    Key(900, k::kReturn, platform::kAltMask);
    At(1400, [record, player] {
      record();
      EXPECT_EQ(player->state().WindowSizeIndex, 4);
    });
  });
  ASSERT_EQ(bounds.size(), 3u);
  EXPECT_EQ(bounds[0], (platform::Rect{100, 80, 900, 720}));
  EXPECT_EQ(bounds[1], (platform::Rect{0, 0, 1000, 800}));
  EXPECT_EQ(bounds[2], bounds[0]);
}

TEST_F(InputTest, TheSlideNumberBoxJumpsOnlyToAPhotoThatExists) {
  std::vector<uint32_t> colours;
  for (uint32_t i = 1; i <= 10; ++i)
    colours.push_back(i * 0x10);
  Photos(colours);
  writer_.SetSingle("TimeInterval", 30.0f);
  RunForm("", 5000, [&](FrmPb& form) {
    Key(300, k::kReturn);  // opens the box
    At(350, [&] { EXPECT_TRUE(form.TxtGoToSlide().visible()); });
    Char(400, '1');
    Char(410, '2');
    Char(420, 'x');  // dropped
    At(430, [&] { EXPECT_EQ(form.TxtGoToSlide().text(), "12"); });
    Key(500, k::kReturn);  // 12 of 10 photos: nothing, and the box goes
    At(600, [&] { EXPECT_FALSE(form.TxtGoToSlide().visible()); });
    Key(1000, k::kReturn);
    Char(1100, '7');
    Key(1200, k::kReturn);
  });
  const auto shown = Slides();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].colour, 0x10u);
  EXPECT_EQ(shown[1].colour, 0x70u);
  EXPECT_NEAR(shown[1].at_ms, 1200, 2);
}

// The box opens under the control bar's counter, as wide as it, and writes
// in the dialogs' font 8 points larger, never above 18 points.
TEST_F(InputTest, TheSlideNumberBoxIsAsWideAsTheCounterInTheDialogFontEightPointsLarger) {
  fake_.set_screen({1000, 800, 15, 15, 60});
  Photos({kRed});
  struct Case {
    int32_t font_height;  // of the system's interface fonts, pixels at 96 per inch
    const char* face;
    float box_pixels;  // the box's em
  } cases[] = {
      {-11, "Tahoma", 16 * 96 / 72.0f},    // 8.25 points: 8 + 8
      {-15, "Segoe UI", 18 * 96 / 72.0f},  // 11.25 points: 11 + 8 is held at 18
  };
  for (const Case& c : cases) {
    platform::NonClientMetrics metrics = platform::fake::DefaultNonClientMetrics();
    for (platform::LogicalFont* f : {&metrics.menu_font, &metrics.message_font})
      *f = {c.font_height, 400, false, false, false, 0, c.face};
    fake_.fake_system().non_client_metrics = metrics;
    fake_.AdvanceMs(10);
    const int64_t start = static_cast<int64_t>(fake_.now_ms_exact());
    bool checked = false;
    RunForm("", start + 1000, [&](FrmPb& form) {
      Key(start + 300, k::kReturn);
      At(start + 400, [&] {
        const NumberBox& box = form.TxtGoToSlide();
        ASSERT_TRUE(box.visible()) << c.face;
        const platform::Rect client = fake_.ClientBounds(form.window());
        const int32_t left = client.left + form.display().width - 360;  // the bar's counter
        EXPECT_EQ(fake_.Bounds(box.window()),
                  (platform::Rect{left, client.top + 40, left + 96, client.top + 72}))
            << c.face;
        const auto& drawn = fake_.fake_text().drawn();
        const auto text = std::find_if(drawn.rbegin(), drawn.rend(),
                                       [](const platform::TextBox& t) { return t.text == "0"; });
        ASSERT_NE(text, drawn.rend());
        EXPECT_EQ(text->font_name, c.face);
        EXPECT_FLOAT_EQ(text->font_size, c.box_pixels) << c.face;
        checked = true;
      });
      Key(start + 500, k::kEscape);  // the box goes; the close goes to the player
    });
    EXPECT_TRUE(checked) << c.face;
  }
}

TEST_F(InputTest, KeysOfAnotherWindowOfTheShowActOnThePlayer) {
  Photos({kRed});
  platform::WindowId other = 0;
  std::unique_ptr<show::KeyForwardingHandler> forwarder;
  RunForm("/S", 5000, [&](FrmPb& form) {
    forwarder = std::make_unique<show::KeyForwardingHandler>(form);
    At(100, [&] {
      other =
          fake_.Create({platform::WindowKind::kTool, "cover", {0, 0, 10, 10}, true, 0}, *forwarder);
      fake_.Script({.at_ms = 300, .type = EventType::kKeyDown, .window = other, .key = k::kF1});
      fake_.Script({.at_ms = 400, .type = EventType::kKeyDown, .window = other, .key = k::kEscape});
    });
    At(350, [&] { EXPECT_TRUE(form.state().ShowPaused); });
  });
  EXPECT_NE(other, 0u);
  EXPECT_NEAR(fake_.now_ms_exact(), 400, 5);
}

TEST(NumberBoxTest, TheTextIsNormalisedToANumberOrTheDefault) {
  EXPECT_EQ(NormaliseNumberBox("", "0"), "0");
  EXPECT_EQ(NormaliseNumberBox("12", "0"), "12");
  EXPECT_EQ(NormaliseNumberBox("012", "0"), "0");
  EXPECT_EQ(NormaliseNumberBox("-", "0"), "0");
  EXPECT_EQ(NormaliseNumberBox("5-", "0"), "0");
  EXPECT_EQ(NormaliseNumberBox(".5", "0"), "0");
  EXPECT_EQ(NormaliseNumberBox("1x", "0"), "0");
  EXPECT_EQ(NormaliseNumberBox("99999999999", "0"), "0");
}

TEST_F(InputTest, StepsWhilePausedDrawAtOnceAndStopAtTheLastPhoto) {
  Photos({kRed, kGreen, kBlue});
  RunForm("", 5000, [&](FrmPb&) {
    Key(300, k::kSpace);  // pause
    Key(400, k::kRight);
    Key(500, k::kRight);
    Key(600, k::kRight);  // already at the last photo
    Key(700, k::kLeft);
  });
  const auto shown = Slides();
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[1].colour, kGreen);
  EXPECT_NEAR(shown[1].at_ms, 400, 2);
  EXPECT_EQ(shown[2].colour, kBlue);
  EXPECT_EQ(shown[3].colour, kGreen);
  EXPECT_NEAR(shown[3].at_ms, 700, 2);
}

TEST_F(InputTest, SpacePausesTheMusicWithTheShowAndResumesBoth) {
  Photos({kRed, kGreen});
  Item("MusicNames(1)", "MP3", {'I', 'D', '3', 0});
  writer_.SetInt32("NowM", 1);
  writer_.SetFlag("MuteSound", false);
  for (const char* folder : {"C:\\users", "C:\\users\\me", "C:\\users\\me\\Temp"})
    fake_.files().CreateFolder(folder);
  fake_.fake_media().SetDuration("C:\\users\\me\\Temp\\~Pemo\\1.MP3", 60);
  using State = platform::fake::FakeMediaPlayer::State;
  RunForm("", 6000, [&](FrmPb& form) {
    At(500, [&] { EXPECT_EQ(fake_.fake_media().current()->state(), State::kRunning); });
    Key(1000, k::kSpace);
    At(1100, [&] {
      EXPECT_TRUE(form.state().ShowPaused);
      EXPECT_EQ(fake_.fake_media().current()->state(), State::kPaused);
    });
    Key(4000, k::kSpace);
    At(4100, [&] {
      EXPECT_FALSE(form.state().ShowPaused);
      EXPECT_EQ(fake_.fake_media().current()->state(), State::kRunning);
    });
  });
  const auto shown = Slides();
  ASSERT_GE(shown.size(), 2u);
  EXPECT_NEAR(shown[1].at_ms, 4000, 2);  // the next photo follows the resume at once
}

// Print Screen replaces the bitmap the system put on the clipboard with the
// player's picture; whatever else the clipboard holds (text the key's own
// tool left there, say) stays. Either way it ends the screen saver.
TEST_F(InputTest, PrintScreenReplacesAClipboardBitmapAndEndsOnlyTheScreenSaver) {
  Photos({kRed});
  auto& system = fake_.fake_system();
  system.clipboard_holds_bitmap = true;
  fake_.Script({.at_ms = 500, .type = EventType::kKeyUp, .key = k::kSnapshot});
  RunForm("", 2000);
  EXPECT_NEAR(fake_.now_ms_exact(), 2000, 5);
  ASSERT_EQ(system.clipboard_width, 256);  // 320 x 0.8
  EXPECT_EQ(system.clipboard[100 * 256 + 128] & 0xFFFFFF, kRed);

  system.clipboard.clear();
  int64_t t = static_cast<int64_t>(fake_.now_ms_exact());
  fake_.Script({.at_ms = t + 500, .type = EventType::kKeyDown, .key = k::kSnapshot});
  fake_.Script({.at_ms = t + 520, .type = EventType::kKeyUp, .key = k::kSnapshot});
  EXPECT_NEAR(RunSaver(t + 5000), static_cast<double>(t + 520), 5);
  EXPECT_EQ(system.clipboard_width, 320);
  EXPECT_EQ(system.clipboard.at(120 * 320 + 160) & 0xFFFFFF, kRed);

  system.clipboard.clear();
  system.clipboard_width = 0;
  system.clipboard_holds_bitmap = false;  // the user's text
  t = static_cast<int64_t>(fake_.now_ms_exact());
  fake_.Script({.at_ms = t + 500, .type = EventType::kKeyUp, .key = k::kSnapshot});
  EXPECT_NEAR(RunSaver(t + 5000), static_cast<double>(t + 500), 5);
  EXPECT_FALSE(system.clipboard_holds_bitmap);
  EXPECT_TRUE(system.clipboard.empty());
}

TEST_F(InputTest, TheIdleCounterRunsUpToThePowerTimeOuts) {
  Photos({kRed});
  fake_.fake_system().power = {6, 0, 0};
  Key(3200, k::kRight);  // input starts the count again
  EXPECT_NEAR(RunSaver(60000), 9000, 1000);
  EXPECT_EQ(fake_.fake_system().suspend_calls, std::vector<bool>{false});

  fake_.fake_system().power = {0, 0, 4};
  fake_.fake_system().suspend_calls.clear();
  const double start = fake_.now_ms_exact();
  EXPECT_NEAR(RunSaver(static_cast<int64_t>(start) + 60000), start + 4000, 1000);
  EXPECT_EQ(fake_.fake_system().monitor_off_calls, 1);
  EXPECT_TRUE(fake_.fake_system().suspend_calls.empty());
}

TEST_F(InputTest, AnIdleTimeAlreadyPastTheSleepTimeOutStartsAgain) {
  Photos({kRed});
  fake_.fake_system().power = {200, 0, 0};
  fake_.fake_system().screen_save_timeout = 300;  // seeds the idle count with 300 s
  fake_.fake_system().last_input_tick = fake_.fake_system().tick_count - 300'000;
  RunForm("/S", 5000, [&](FrmPb&) {});
  EXPECT_EQ(values_.IdleSeconds, 4);  // counted from 0, not from 300
  EXPECT_TRUE(fake_.fake_system().suspend_calls.empty());
}

}  // namespace
}  // namespace lantern::player
