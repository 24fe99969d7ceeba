// The dialogs' portable logic: the font choice, the button colours, the
// button row, the mouse over the buttons; and the two forms on the fake
// backend: what each shows, what its buttons and links do, the close box,
// and the information window's choice driving the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "dialogs/buttons.h"
#include "dialogs/forms.h"
#include "dialogs/skin.h"
#include "dialogs/text_fit.h"
#include "show_fixture.h"

namespace lantern::dialogs {
namespace {

using show_fixture::ShowTest;

windows::StdFont Font(const std::string& name, double size) {
  windows::StdFont f;
  f.name = name;
  f.size = size;
  return f;
}

TEST(DialogSkinTest, FontNameAndSizeFollowTheMajorityPreferringTheMessageFontAndSizesStayIn8To11) {
  struct Case {
    windows::StdFont menu, message, small;
    std::string name;
    int32_t points;
  } cases[] = {
      {Font("A", 9), Font("B", 10), Font("C", 11), "B", 10},  // all differ: the message font
      {Font("A", 9), Font("B", 10), Font("A", 9), "A", 9},    // menu and small caption agree
      {Font("B", 9), Font("B", 10), Font("A", 10), "B", 10},  // the message font is in the pair
      {Font("A", 12), Font("B", 12), Font("C", 9), "B", 11},  // a 12-point majority becomes 11
      {Font("A", 7), Font("A", 7), Font("A", 7), "A", 8},     // a 7-point one 8
      {Font("A", 8.25), Font("A", 9), Font("A", 14), "A", 9},
  };
  for (const Case& c : cases) {
    const DialogFont f = ChooseDialogFont(c.menu, c.message, c.small);
    EXPECT_EQ(f.name, c.name) << c.name << c.points;
    EXPECT_EQ(f.points, c.points) << c.name << c.points;
  }
  EXPECT_EQ(ButtonPadding(10), 4);
  EXPECT_EQ(ButtonPadding(11), 6);
  EXPECT_EQ(ButtonCorner(10), 4);
  EXPECT_EQ(ButtonCorner(11), 5);
}

TEST(DialogSkinTest, ButtonColoursComeFromTheSystemColoursClampedAndRoundedHalfToEven) {
  // 0x00BBGGRR: red 0x08, green 0x80, blue 0xF8; the highlight red 0x01, green 0x02, blue 0x03.
  const ButtonColours c = MakeButtonColours(0xF88008, 0x102030, 0x030201, 0xFFFFFF);
  EXPECT_EQ(c.normal_fill, 0xFF148CFFu);   // +12, blue held at 255
  EXPECT_EQ(c.pressed_fill, 0xFF0074ECu);  // -12, red held at 0
  EXPECT_EQ(c.pressed_text, 0xFFFF8B13u);  // white minus the pressed fill
  // (1 + 255) / 2 = 128, (2 + 255) / 2 = 128.5 -> 128, (3 + 255) / 2 = 129.
  EXPECT_EQ(c.hover_fill, 0xFF808081u);
  EXPECT_EQ(c.normal_border, 0xFF302010u);
  EXPECT_EQ(c.hot_border, 0xFF010203u);
}

TEST(ButtonRowTest, CaptionsSpreadOverTheDesignedSpanWithEqualGapsAndCentreBelowTheFrame) {
  std::vector<platform::Rect> captions = {{20, 0, 60, 16}, {200, 0, 250, 16}, {300, 0, 400, 16}};
  LayOutButtonRow(captions, 100, 160);
  // Widths 40 + 50 + 100 over a span of 380: two gaps of 95.
  EXPECT_EQ(captions[0], (platform::Rect{20, 122, 60, 138}));
  EXPECT_EQ(captions[1], (platform::Rect{155, 122, 205, 138}));
  EXPECT_EQ(captions[2], (platform::Rect{300, 122, 400, 138}));
  EXPECT_EQ(ButtonFace(captions[0], 4), (platform::Rect{12, 116, 68, 144}));
  EXPECT_EQ(ButtonFace(captions[0], 6), (platform::Rect{8, 113, 72, 147}));
}

TEST(FitLinesTest, WhatDoesNotFitEndsInAnEllipsisAndOnlyWhatCanShowIsLaidOut) {
  size_t measured = 0;  // characters measured, over all calls
  const platform::LineMeasure one_per_character = [&](const std::string& line) {
    const size_t n = static_cast<size_t>(
        std::count_if(line.begin(), line.end(), [](char ch) { return (ch & 0xC0) != 0x80; }));
    measured += n;
    return static_cast<float>(n);
  };
  using Lines = std::vector<std::string>;
  struct Case {
    std::string text;
    float width;
    int32_t lines;
    Lines fitted;
  } cases[] = {
      {"abc def", 7, 1, {"abc def"}},        // fits: whole, no ellipsis
      {"abc defg", 7, 1, {"abc de\u2026"}},  // as much as fits, not only whole words
      {"abc  defg", 5, 1, {"abc\u2026"}},    // no blanks before the ellipsis
      {"one two three four", 9, 2, {"one two", "three fo\u2026"}},
      {"a\nb\nc", 10, 2, {"a", "b\u2026"}},  // more paragraphs than lines
      {"abc", 0.5f, 1, {"\u2026"}},          // not even one character fits
      {"", 10, 3, {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FitLines(c.text, c.width, c.lines, 1, one_per_character), c.fitted) << c.text;

  // A megabyte of text costs what the few lines it shows cost.
  std::string huge;
  while (huge.size() < 1'000'000)
    huge += "word ";
  measured = 0;
  const Lines fitted = FitLines(huge, 20, 3, 1, one_per_character);
  EXPECT_EQ(fitted,
            (Lines{"word word word word", "word word word word", "word word word word\u2026"}));
  EXPECT_LT(measured, 50'000u);
}

TEST(ButtonMouseTest, HoverPressAndTheIgnoredMoveAfterARelease) {
  using S = ButtonState;
  ButtonMouse m;
  EXPECT_EQ(m.Move(0), (std::vector<ButtonRedraw>{{0, S::kHover}}));
  EXPECT_TRUE(m.Move(0).empty());  // still over it
  // Straight from one button onto the next: both are redrawn.
  EXPECT_EQ(m.Move(1), (std::vector<ButtonRedraw>{{0, S::kNormal}, {1, S::kHover}}));
  EXPECT_EQ(m.Down(1), (std::vector<ButtonRedraw>{{1, S::kPressed}}));
  bool action = false;
  EXPECT_EQ(m.Up(1, action), (std::vector<ButtonRedraw>{{1, S::kNormal}}));
  EXPECT_TRUE(action);
  EXPECT_TRUE(m.Move(1).empty());  // the first move after the release
  EXPECT_EQ(m.Move(2), (std::vector<ButtonRedraw>{{2, S::kHover}}));
  EXPECT_EQ(m.Leave(), (std::vector<ButtonRedraw>{{2, S::kNormal}}));
  EXPECT_TRUE(m.Leave().empty());
  // Pressed on one button, let go over the form: no action, the button back to normal.
  m.Down(0);
  EXPECT_EQ(m.Up(-1, action), (std::vector<ButtonRedraw>{{0, S::kNormal}}));
  EXPECT_FALSE(action);
}

// The dialogs as the program shows them, on a packed album with its information.
class DialogFormTest : public ShowTest {
 protected:
  DialogFormTest() {
    writer_.SetText("TxtSetting(0)", "春天");
    writer_.SetText("TxtSetting(1)", "王五");
    writer_.SetText("TxtSetting(2)", "me@example.com");
    writer_.SetText("TxtSetting(3)", "http://example.com/");
    writer_.SetText("TxtSetting(4)", "照片和歌");
    writer_.SetText("TxtSetting(5)", "(c) 2024");
    fake_.set_screen({1024, 768, 15, 15, 60});
  }
  // The dialog window the program shows (the first framed one).
  InfoDialog* Dialog() {
    for (platform::WindowId id = 1; id < 50; ++id) {
      const auto* w = fake_.window(id);
      if (w != nullptr && w->spec.kind == platform::WindowKind::kFramed) {
        return dynamic_cast<InfoDialog*>(w->handler);
      }
    }
    return nullptr;
  }
  static int32_t CentreX(const platform::Rect& r) { return (r.left + r.right) / 2; }
  static int32_t CentreY(const platform::Rect& r) { return (r.top + r.bottom) / 2; }
  // A click on button `index` of the dialog at `at_ms`.
  void ClickButton(int64_t at_ms, int32_t index) {
    At(at_ms, [this, index] {
      InfoDialog* d = Dialog();
      ASSERT_NE(d, nullptr);
      const platform::Rect face = d->faces().at(static_cast<size_t>(index));
      d->OnMouseDown(platform::kLeftButton, 0, CentreX(face), CentreY(face));
      d->OnMouseUp(platform::kLeftButton, 0, CentreX(face), CentreY(face));
    });
  }
  // The colour presented last at client point (x, y) of the dialog.
  uint32_t Shown(int32_t x, int32_t y) const {
    for (auto it = fake_.presents().rbegin(); it != fake_.presents().rend(); ++it) {
      const platform::Rect& a = it->area;
      if (x >= a.left && x < a.right && y >= a.top && y < a.bottom) {
        return it->pixels.at(static_cast<size_t>((y - a.top) * a.width() + (x - a.left))) &
               0xFFFFFF;
      }
    }
    return 0xDEADBEEF;
  }
};

TEST_F(DialogFormTest, SlashCShowsTheAlbumInformationAndTheExitButtonCloses) {
  writer_.SetFlag("EnableExport", true);
  writer_.SetText("LenOfRes", "0");  // file mode: no export, whatever the flag says
  platform::WindowId window = 0;
  At(100, [&] {
    InfoDialog* d = Dialog();
    ASSERT_NE(d, nullptr);
    window = d->window();
    EXPECT_EQ(fake_.window(window)->spec.title, "屏幕保护: 春天");
    EXPECT_TRUE(fake_.window(window)->visible);
    const std::vector<std::string>& t = d->texts();
    for (const char* s : {"屏幕保护: 春天", "王五", "me@example.com", "http://example.com/",
                          "(c) 2024", "照片和歌"})
      EXPECT_NE(std::find(t.begin(), t.end(), s), t.end()) << s;
    // The export face was never drawn: the form's colour stays where it would be,
    // and only the exit button has its tool tip.
    const platform::Rect exp = d->faces().at(1);
    EXPECT_EQ(
        fake_.window(window)->tool_tips,
        (std::vector<std::pair<platform::Rect, std::string>>{{d->faces().at(0), "退出设置程序"}}));
    EXPECT_EQ(Shown(CentreX(exp), exp.top + 1), 0xECE9D8u);
  });
  ClickButton(200, 0);
  EXPECT_EQ(Run("/c", 100'000), 0);
  EXPECT_NE(window, 0u);
  EXPECT_FALSE(fake_.Exists(window));
  EXPECT_LT(fake_.now_ms_exact(), 2000);  // closed by the button, not the scripted close
}

TEST_F(DialogFormTest, MovingBetweenButtonsRedrawsBothAndTheMoveAfterAClickRedrawsNothing) {
  fake_.fake_system().module_file_name = "C:\\Albums\\album.exe";
  At(100, [&] {
    InfoDialog* d = Dialog();
    ASSERT_NE(d, nullptr);
    const auto& f = d->faces();
    const ButtonColours& c = d->colours();
    d->OnMouseMove(0, 0, CentreX(f[0]), f[0].top + 2);
    size_t before = fake_.presents().size();
    d->OnMouseMove(0, 0, CentreX(f[1]), f[1].top + 2);
    ASSERT_EQ(fake_.presents().size(), before + 2);
    EXPECT_EQ(fake_.presents()[before].area, f[0]);
    EXPECT_EQ(fake_.presents()[before + 1].area, f[1]);
    EXPECT_EQ(Shown(CentreX(f[0]), f[0].top + 2), c.normal_fill & 0xFFFFFF);
    EXPECT_EQ(Shown(CentreX(f[1]), f[1].top + 2), c.hover_fill & 0xFFFFFF);
    d->OnMouseDown(platform::kLeftButton, 0, CentreX(f[1]), f[1].top + 2);
    EXPECT_EQ(Shown(CentreX(f[1]), f[1].top + 2), c.pressed_fill & 0xFFFFFF);
    // Let go over the form: nothing runs.
    d->OnMouseUp(platform::kLeftButton, 0, 2, 2);
    EXPECT_EQ(Shown(CentreX(f[1]), f[1].top + 2), c.normal_fill & 0xFFFFFF);
    before = fake_.presents().size();
    d->OnMouseMove(0, 0, CentreX(f[2]), f[2].top + 2);
    EXPECT_EQ(fake_.presents().size(), before);
    d->OnMouseMove(0, 0, 2, 2);  // over the form: nothing is lit, nothing to redraw
    EXPECT_EQ(fake_.presents().size(), before);
  });
  EXPECT_EQ(Run("", 1000), 0);  // the close box at 1 s
  EXPECT_TRUE(fake_.fake_system().commands.empty());
}

TEST_F(DialogFormTest, LinksLightUnderTheMouseAndOpenThroughTheShell) {
  fake_.fake_system().module_file_name = "C:\\Albums\\album.exe";
  At(100, [&] {
    InfoDialog* d = Dialog();
    ASSERT_NE(d, nullptr);
    const platform::Rect email = d->LinkBox(0);
    const platform::Rect web = d->LinkBox(1);
    d->OnMouseMove(0, 0, email.left + 1, CentreY(email));
    EXPECT_EQ(fake_.presents().back().area, email);
    d->OnMouseDown(platform::kLeftButton, 0, email.left + 1, CentreY(email));
    d->OnMouseUp(platform::kLeftButton, 0, email.left + 1, CentreY(email));
    d->OnMouseDown(platform::kLeftButton, 0, web.left + 1, CentreY(web));
    d->OnMouseUp(platform::kLeftButton, 0, web.left + 1, CentreY(web));
    d->OnMouseMove(0, 0, web.left + 1, CentreY(web));
    const size_t before = fake_.presents().size();
    d->OnMouseMove(0, 0, 2, 2);  // both links back to black
    EXPECT_EQ(fake_.presents().size(), before + 2);
  });
  Run("", 1000);
  EXPECT_EQ(fake_.fake_system().commands,
            (std::vector<std::string>{"open|mailto:me@example.com|", "open|http://example.com/|"}));
}

TEST_F(DialogFormTest, PlayInTheInformationWindowPlaysTheAlbum) {
  fake_.fake_system().module_file_name = "C:\\Albums\\album.exe";
  Photos({0xFF0000});
  ClickButton(100, 1);
  Run("", 3000);
  ASSERT_FALSE(Slides().empty());
  EXPECT_EQ(Slides().back().colour, 0xFF0000u);
  EXPECT_NEAR(fake_.now_ms_exact(), 3000, 100);  // the player ran until the close
}

TEST_F(DialogFormTest, ExitAndTheCloseBoxOfTheInformationWindowEndTheProgramWithoutPlaying) {
  for (const int32_t button : {2, -1}) {
    fake_.fake_system().module_file_name = "C:\\Albums\\album.exe";
    Photos({0xFF0000});
    const size_t before = fake_.presents().size();
    const int64_t start = static_cast<int64_t>(fake_.now_ms_exact());
    if (button >= 0) ClickButton(start + 100, button);
    Run("", start + 3000);
    // Only the dialog ever showed: nothing presented fills the screen.
    for (size_t i = before; i < fake_.presents().size(); ++i)
      EXPECT_LT(fake_.presents()[i].area.width(), 1024) << button;
    EXPECT_TRUE(fake_.fake_system().commands.empty());
    EXPECT_LT(fake_.now_ms_exact(), start + 3001) << button;
  }
}

// The information window as drawn, with the box of each album text.
struct DialogPicture {
  int32_t width = 0;
  std::vector<uint32_t> pixels;
  std::array<platform::Rect, 6> boxes;  // TxtSetting(0..5)
  std::vector<std::string> drawn;       // every text drawn while it loaded
};

// Texts of any length stay in their own boxes: a long title or address ends
// in an ellipsis within its row, a long description is cut with an
// ellipsis above the copyright line, and the frame and the rows around are
// left as they are. Each text is checked by drawing the dialog without it:
// every pixel that changes lies inside that text's box.
TEST_F(DialogFormTest, EveryAlbumTextIsDrawnInsideItsOwnBoxWhateverItsLength) {
  fake_.fake_system().module_file_name =
      "C:\\Albums\\album.exe";  // FrmInfo: TxtSetting(0) is the title
  const auto repeat = [](const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
      out += s;
    return out;
  };
  const std::string long_texts[6] = {
      repeat("春天的相册 ", 30),
      repeat("Wang Wu ", 40),
      std::string(200, 'm') + "@example.com",
      "http://example.com/" + std::string(300, 'p'),
      repeat("Photos and songs ", 36),  // 612 characters
      repeat("(c) 2024 ", 40),
  };
  const auto show = [&](const std::string(&texts)[6]) {
    for (int i = 0; i < 6; ++i)
      writer_.SetText("TxtSetting(" + std::to_string(i) + ")", texts[i]);
    DialogPicture picture;
    const size_t drawn_before = fake_.fake_text().drawn().size();
    const int64_t start = static_cast<int64_t>(fake_.now_ms_exact());
    At(start + 100, [&] {
      InfoDialog* d = Dialog();
      ASSERT_NE(d, nullptr);
      const platform::Surface& s = *fake_.window(d->window())->surface;
      picture.width = s.width;
      for (int32_t y = 0; y < s.height; ++y)
        picture.pixels.insert(picture.pixels.end(), s.Row(y), s.Row(y) + s.width);
      for (int i = 0; i < 6; ++i)
        picture.boxes[static_cast<size_t>(i)] = d->SettingBox(i);
      for (size_t i = drawn_before; i < fake_.fake_text().drawn().size(); ++i)
        picture.drawn.push_back(fake_.fake_text().drawn()[i].text);
    });
    Run("", start + 1000);
    return picture;
  };
  const auto ellipsised = [](const DialogPicture& p) {
    return std::count_if(p.drawn.begin(), p.drawn.end(),
                         [](const std::string& t) { return t.ends_with("\u2026"); });
  };

  const DialogPicture all = show(long_texts);
  ASSERT_FALSE(all.pixels.empty());
  for (size_t k = 0; k < 6; ++k) {
    std::string without[6];
    std::copy(std::begin(long_texts), std::end(long_texts), without);
    without[k].clear();
    const DialogPicture other = show(without);
    ASSERT_EQ(other.pixels.size(), all.pixels.size());
    const platform::Rect& box = all.boxes[k];
    int32_t changed = 0, lowest = -1;
    for (size_t i = 0; i < all.pixels.size(); ++i) {
      if (all.pixels[i] == other.pixels[i]) continue;
      const int32_t x = static_cast<int32_t>(i) % all.width;
      const int32_t y = static_cast<int32_t>(i) / all.width;
      ++changed;
      lowest = std::max(lowest, y);
      EXPECT_TRUE(x >= box.left && x < box.right && y >= box.top && y < box.bottom)
          << "text " << k << " drawn at " << x << "," << y;
      if (HasFailure()) return;
    }
    EXPECT_GT(changed, 0) << "text " << k << " is shown";
    // The description fills its box down to the last line.
    if (k == 4) {
      EXPECT_GT(lowest, box.bottom - box.height() / 4);
    }
    // Only what does not fit is cut, and where something is cut there is an ellipsis.
    const std::string shown_start = long_texts[k].substr(0, 9);
    EXPECT_TRUE(std::any_of(all.drawn.begin(), all.drawn.end(),
                            [&](const std::string& t) { return t.starts_with(shown_start); }))
        << "text " << k;
  }
  EXPECT_GE(ellipsised(all), 6);
  const std::string short_texts[6] = {
      "春天", "王五", "me@example.com", "http://example.com/", "照片和歌", "(c) 2024"};
  EXPECT_EQ(ellipsised(show(short_texts)), 0);
}

TEST_F(DialogFormTest, WithoutTheImagingLibraryFrmInfoSaysWhereTheFileGoesAndFrmSetSaysNothing) {
  fake_.fake_pictures().set_fail_start(true);
  fake_.fake_system().module_file_name = "C:\\Albums\\album.exe";
  Run("", 100'000);
  ASSERT_EQ(fake_.fake_system().messages.size(), 1u);
  EXPECT_EQ(fake_.fake_system().messages[0].rfind("加载文件 gdiplus.dll 错误", 0), 0u);
  EXPECT_TRUE(fake_.fake_system().messages[0].ends_with("\rC:\\windows\\syswow64\\") ||
              fake_.fake_system().messages[0].ends_with("\rC:\\windows\\system32\\"));
  fake_.fake_system().module_file_name = "C:\\Albums\\album.scr";
  Run("/c", 100'000);
  EXPECT_EQ(fake_.fake_system().messages.size(), 1u);
}

}  // namespace
}  // namespace lantern::dialogs
