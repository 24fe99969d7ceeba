// The karaoke lyric windows on the fake backend, in virtual time with a song
// of the test's own: the windows of each style, when lines appear and where,
// the sweep's margins and abutting slices over whole songs, the timer that
// only moves windows, pausing, clearing, the probe and the keys.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "media/lyric_sweep.h"
#include "media/lyric_windows.h"
#include "platform/fake/fake_platform.h"

namespace lantern::media {
namespace {

using platform::fake::kTicksPerMs;
using platform::fake::LayerPushRecord;

// [the sweep's geometry] ---------------------------------------------------------------

TEST(LyricSweepTest, MarginsGiveTheOddPixelToTheLeftAndGoNegativeForWideLines) {
  EXPECT_EQ(CentredMargin(501, 200), 151);  // f = 301: m = 151, r = 150
  EXPECT_EQ(CentredMargin(500, 200), 150);
  EXPECT_EQ(CentredMargin(200, 200), 0);
  EXPECT_EQ(CentredMargin(200, 203), -1);  // f = -3
  EXPECT_EQ(CentredMargin(200, 204), -2);
  EXPECT_EQ(SungPixels({1, 1000, 1995}, 1002, 200), 0);
  EXPECT_EQ(SungPixels({1, 1000, 1995}, 1995, 200), 200);
  EXPECT_EQ(SungPixels({1, 1000, 1000}, 1000, 200), 0);  // an empty interval sings nothing
}

TEST(LyricSweepTest, SlicesAbutAtTheSweepPointAndStayInsideTheLayer) {
  for (const LinePlace place : {LinePlace::kCentred, LinePlace::kLeft, LinePlace::kRight}) {
    for (const int32_t line : {0, 1, 200, 501, 700}) {
      for (int32_t sung = -5; sung <= line + 5; ++sung) {
        const SweepSlices s = SliceSweep(place, 40, 501, line, sung);
        SCOPED_TRACE(testing::Message() << int(place) << " " << line << " " << sung);
        EXPECT_EQ(s.highlight.x, 40);
        EXPECT_EQ(s.highlight.sx, 0);
        EXPECT_EQ(s.normal.x, 40 + s.highlight.cx);  // abutting on the screen
        EXPECT_EQ(s.normal.sx, s.highlight.cx);      // and in the layer
        EXPECT_EQ(s.highlight.cx + s.normal.cx, 501);
        EXPECT_GE(s.highlight.cx, 0);
        EXPECT_GE(s.normal.cx, 0);
      }
    }
  }
  // Where each place starts its sweep.
  EXPECT_EQ(SliceSweep(LinePlace::kCentred, 0, 501, 200, 0).highlight.cx, 151);
  EXPECT_EQ(SliceSweep(LinePlace::kLeft, 0, 501, 200, 10).highlight.cx, 10);
  EXPECT_EQ(SliceSweep(LinePlace::kRight, 0, 501, 200, 10).highlight.cx, 311);
}

// [the windows on a song] ----------------------------------------------------------------

// A song whose position follows the virtual clock from `start_ms`, and stands
// still while paused.
class FakeSong final : public LyricSong {
 public:
  explicit FakeSong(platform::fake::FakePlatform& fake) : fake_(fake) {}
  bool SongHasLyrics() override { return true; }
  std::optional<double> SongPosition() override {
    return paused_ ? paused_at_ : (fake_.now_ms_exact() - start_ms_) / 1000;
  }
  std::optional<double> SongDuration() override { return duration; }
  LyricTimeline& lyrics() override { return timeline; }
  void Pause() {
    paused_at_ = *SongPosition();
    paused_ = true;
  }
  void StartNow() {
    start_ms_ = fake_.now_ms_exact();
    paused_ = false;
  }
  void Resume() {
    start_ms_ = fake_.now_ms_exact() - paused_at_ * 1000;
    paused_ = false;
  }

  double duration = 60;
  LyricTimeline timeline;

 private:
  platform::fake::FakePlatform& fake_;
  double start_ms_ = 0;
  double paused_at_ = 0;
  bool paused_ = false;
};

struct KeyLog : show::KeySink {
  std::vector<std::pair<int, int>> downs, ups;
  void KeyDown(int key, int shift) override { downs.emplace_back(key, shift); }
  void KeyUp(int key, int shift) override { ups.emplace_back(key, shift); }
};

constexpr int32_t kPosX = 50, kPosY = 400, kW = 501, kH = 40;
constexpr uint32_t kNormalArgb = 0xFFFF0000;     // red, opaque
constexpr uint32_t kHighlightArgb = 0xFF00FF00;  // green

class LyricWindowsTest : public ::testing::Test {
 protected:
  LyricWindowsTest() {
    settings_.NowM = 1;
    settings_.LyricFilesCount = 1;
    settings_.EnableLyric = true;
    settings_.LyricPosX = kPosX;
    settings_.LyricPosY = kPosY;
    settings_.LyricPosW = kW;
    settings_.LyricPosH = kH;
    settings_.fFontName[3] = "Lyric";
    settings_.fFontSize[3] = 20;  // the stand-in renderer: 10 pixels a character
    settings_.FontStartColor[3] = 0x0000FF;
    settings_.LyricDynamicFontStartColor = 0x00FF00;
    progress_.MusicStarted = true;
    windows_.SetSong(&song_);
  }

  // The lyrics of an LRC text, measured as the music measures them.
  void Lyrics(const std::string& lrc) {
    const std::vector<uint8_t> bytes(lrc.begin(), lrc.end());
    ASSERT_TRUE(ParseLyrics(bytes, {}, song_.timeline));
  }
  void Create(int32_t style) {
    settings_.LyricStyle = style;
    windows_.CreateLyricWindows({0, 0, 800, 600, 0}, keys_);
  }
  void Start() {
    Create(settings_.LyricStyle);
    windows_.StartTimer2();
  }
  // Lets virtual time run to `ms`, timers firing on the way.
  void RunTo(int64_t ms) {
    while (fake_.now_ms_exact() < static_cast<double>(ms)) {
      const auto left = static_cast<int32_t>(std::ceil(ms - fake_.now_ms_exact()));
      auto timer = fake_.StartWaitTimer(left);
      const platform::WaitResult r = fake_.WaitForTimerOrMessage(*timer);
      fake_.PumpMessages();
      if (r == platform::WaitResult::kTimer) break;
    }
  }
  platform::WindowId Id(LyricForm form) const { return windows_.window(form); }
  platform::Rect Bounds(LyricForm form) { return fake_.Bounds(Id(form)); }
  std::vector<std::string> DrawnTexts() {
    std::vector<std::string> texts;
    for (const platform::TextBox& box : fake_.fake_text().drawn())
      texts.push_back(box.text);
    return texts;
  }
  std::vector<LayerPushRecord> PushesTo(LyricForm form) const {
    std::vector<LayerPushRecord> out;
    for (const LayerPushRecord& p : fake_.layer_pushes()) {
      if (p.window == Id(form)) out.push_back(p);
    }
    return out;
  }
  // The last push of each window at every moment something was pushed.
  std::map<int64_t, std::map<platform::WindowId, platform::Rect>> PushesByTick() const {
    std::map<int64_t, std::map<platform::WindowId, platform::Rect>> ticks;
    for (const LayerPushRecord& p : fake_.layer_pushes())
      ticks[p.at_ticks][p.window] = p.bounds;
    return ticks;
  }
  // Every tick at which the highlight window of a pair was pushed on screen:
  // the sung slice, which must meet the unsung slice exactly. Returns how
  // many ticks were checked.
  int CheckAbutting(LyricForm normal, LyricForm highlight) {
    int checked = 0;
    for (const auto& [at, bounds] : PushesByTick()) {
      const auto h = bounds.find(Id(highlight));
      if (h == bounds.end() || h->second.left != kPosX) continue;
      SCOPED_TRACE(testing::Message() << "at " << at / kTicksPerMs << " ms");
      const auto n = bounds.find(Id(normal));
      if (n == bounds.end()) {  // all sung: the unsung window has nothing to show
        EXPECT_EQ(h->second.right, kPosX + kW);
        EXPECT_GT(Bounds(normal).left, 800);
        ++checked;
        continue;
      }
      EXPECT_EQ(n->second.left, h->second.right);
      EXPECT_EQ(n->second.right, kPosX + kW);
      EXPECT_EQ(n->second.top, h->second.top);
      ++checked;
    }
    return checked;
  }

  platform::fake::FakePlatform fake_;
  album::AlbumSettings settings_;
  show::ShowState state_;
  show::MusicProgress progress_;
  FakeSong song_{fake_};
  KeyLog keys_;
  LyricWindows windows_{
      {fake_.layered(), fake_.windows(), fake_.timers(), fake_.surfaces(), fake_.text()},
      {settings_, state_, progress_}};
};

TEST_F(LyricWindowsTest, EachStyleMakesItsWindowsInItsRows) {
  using F = LyricForm;
  const std::map<int32_t, std::map<F, int32_t>> rows = {
      {0, {{F::kTop, 0}}},
      {1, {{F::kTop, 0}, {F::kBottom, 1}}},
      {2, {{F::kTop, 0}, {F::kDynamic, 0}, {F::kDynamic2, 0}}},
      {3, {{F::kTop, 0}, {F::kDynamic, 0}, {F::kBottom, 1}, {F::kDynamic2, 1}}},
      {5, {{F::kTop, 0}}}};
  for (const auto& [style, forms] : rows) {
    SCOPED_TRACE(style);
    Create(style);
    EXPECT_TRUE(state_.LyricsReady);
    for (const F form : {F::kTop, F::kBottom, F::kDynamic, F::kDynamic2}) {
      const auto row = forms.find(form);
      ASSERT_EQ(Id(form) != 0, row != forms.end());
      if (row == forms.end()) continue;
      const platform::fake::FakeWindow* w = fake_.window(Id(form));
      EXPECT_TRUE(w->layered && w->visible && w->spec.topmost);
      const platform::Surface* layer = windows_.layer(form);
      EXPECT_EQ(layer->width, kW);
      EXPECT_EQ(layer->height, kH);
      // Parked windows stay in their rows.
      windows_.HideLyricWindows();
      EXPECT_EQ(Bounds(form).top, kPosY + row->second * kH);
    }
    EXPECT_EQ(fake_.active_window(), 0u);  // shown without taking the activation
  }
  // The probe pushed the empty top layer above the screen once per build.
  const LayerPushRecord& probe = fake_.layer_pushes().back();
  EXPECT_EQ(probe.bounds, (platform::Rect{kPosX, -700, kPosX + kW, -700 + kH}));
}

// Without desktop composition the windows are owned by the player and stay
// with it rather than float above every program.
TEST_F(LyricWindowsTest, WithoutCompositionTheWindowsStayWithThePlayer) {
  platform::WindowHandler player_events;
  const platform::WindowId player =
      fake_.Create({platform::WindowKind::kBorderless, "", {100, 50, 900, 650}}, player_events);
  for (const bool composition : {false, true}) {
    windows_.CreateLyricWindows({100, 50, 800, 600, player, composition}, keys_);
    ASSERT_TRUE(state_.LyricsReady);
    const platform::fake::FakeWindow* w = fake_.window(Id(LyricForm::kTop));
    EXPECT_EQ(w->spec.topmost, composition);
    EXPECT_EQ(w->spec.owner, player);
  }
}

TEST_F(LyricWindowsTest, SingleLineStyleShowsEachLineCentredAtItsTime) {
  Lyrics("[00:10.00]one\r\n[00:10.10]two\r\n");
  Start();
  RunTo(9930);  // t = 993: too early
  EXPECT_TRUE(DrawnTexts().empty());
  RunTo(9960);  // t = 996: line 1 (995 < t < 1020)
  EXPECT_EQ(DrawnTexts(), (std::vector<std::string>{"one"}));
  EXPECT_EQ(fake_.fake_text().drawn().back().align, 4);
  EXPECT_EQ(Bounds(LyricForm::kTop), (platform::Rect{kPosX, kPosY, kPosX + kW, kPosY + kH}));
  RunTo(10050);  // t = 1005 is not yet inside line 2's window
  EXPECT_EQ(DrawnTexts().size(), 1u);
  RunTo(10080);  // t = 1008, the first tick with 1005 < t < 1030
  EXPECT_EQ(DrawnTexts(), (std::vector<std::string>{"one", "two"}));
  // Drawn once each, into a premultiplied layer: opaque text on clear black.
  RunTo(20000);
  EXPECT_EQ(DrawnTexts().size(), 2u);
  const platform::Surface& layer = *windows_.layer(LyricForm::kTop);
  EXPECT_EQ(layer.Row(0)[0], 0x01000000u);
  EXPECT_EQ(layer.Row(kH / 2)[kW / 2], kNormalArgb);  // the middle of "two"
}

TEST_F(LyricWindowsTest, RowStyleShowsEachLineEightTenthsAheadInItsRow) {
  Lyrics("[00:19.00]first\r\n[00:20.00]second\r\n");
  settings_.LyricStyle = 1;
  Start();
  RunTo(18180);  // t = 1818: not yet
  EXPECT_TRUE(DrawnTexts().empty());
  RunTo(18210);  // t = 1821: the first row's line, left-aligned in the top window
  ASSERT_EQ(DrawnTexts(), (std::vector<std::string>{"first"}));
  EXPECT_EQ(fake_.fake_text().drawn().back().align, 3);
  RunTo(19200);  // t = 1920: the second line is not due before 1920
  EXPECT_EQ(DrawnTexts().size(), 1u);
  RunTo(19230);  // t = 1923: right-aligned in the bottom row, while the first is sung
  EXPECT_EQ(DrawnTexts(), (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(fake_.fake_text().drawn().back().align, 5);
  EXPECT_EQ(Bounds(LyricForm::kBottom),
            (platform::Rect{kPosX, kPosY + kH, kPosX + kW, kPosY + 2 * kH}));
  EXPECT_EQ(Bounds(LyricForm::kTop), (platform::Rect{kPosX, kPosY, kPosX + kW, kPosY + kH}));
}

TEST_F(LyricWindowsTest, CentredSweepStartsWithTheMarginAndAbutsUntilTheSongsEnd) {
  Lyrics("[00:10.00]a line\r\n[00:20.00]last line\r\n");
  song_.duration = 30;
  fake_.set_record_pixels(true);
  settings_.LyricStyle = 2;
  Start();
  for (const int32_t i : {1, 2}) {  // measured as 200 pixels wide: f = 301, m = 151, r = 150
    song_.timeline.LyricWidth[i] = 200;
    song_.timeline.LyricShownBytes[i] = static_cast<int32_t>(song_.timeline.LyricText[i].size());
  }
  RunTo(10020);  // t = 1002: the first tick of line 1's sweep, Z = 0
  const std::vector<LayerPushRecord> sung = PushesTo(LyricForm::kDynamic);
  ASSERT_FALSE(sung.empty());
  EXPECT_EQ(sung.back().bounds, (platform::Rect{kPosX, kPosY, kPosX + 151, kPosY + kH}));
  // Only empty margin is sung so far.
  for (const uint32_t p : sung.back().pixels)
    ASSERT_EQ(p, 0x01000000u);
  const LayerPushRecord unsung = PushesTo(LyricForm::kTop).back();
  EXPECT_EQ(unsung.bounds, (platform::Rect{kPosX + 151, kPosY, kPosX + kW, kPosY + kH}));
  // The unsung slice shows the layer from column 151 on.
  const platform::Surface& top = *windows_.layer(LyricForm::kTop);
  for (int32_t x = 0; x < 350; ++x)
    ASSERT_EQ(unsung.pixels[static_cast<size_t>(kH / 2 * 350 + x)], top.Row(kH / 2)[151 + x]);

  RunTo(31000);
  EXPECT_GT(CheckAbutting(LyricForm::kTop, LyricForm::kDynamic), 300);
  EXPECT_GT(CheckAbutting(LyricForm::kTop, LyricForm::kDynamic2), 300);
  // The last line sweeps to the song's end: t = 2997 of 3000 has sung 199 of 200.
  const LayerPushRecord last = PushesTo(LyricForm::kDynamic2).back();
  EXPECT_EQ(last.at_ticks, 29970 * kTicksPerMs);
  EXPECT_EQ(last.bounds.width(), 151 + 199);
  // The highlight layer holds the line in the highlight colour.
  EXPECT_EQ(windows_.layer(LyricForm::kDynamic2)->Row(kH / 2)[kW / 2], kHighlightArgb);
}

TEST_F(LyricWindowsTest, TicksOnlyMoveWindowsOnceALineIsRendered) {
  for (const int32_t style : {2, 3}) {
    SCOPED_TRACE(style);
    Lyrics("[00:10.00]a line\r\n[00:20.00]next\r\n");
    song_.StartNow();
    const auto start = static_cast<int64_t>(fake_.now_ms_exact());
    const size_t before = fake_.fake_text().drawn().size();
    settings_.LyricStyle = style;
    Start();
    RunTo(start + 11000);  // within line 1's sweep
    const size_t drawn = fake_.fake_text().drawn().size();
    EXPECT_EQ(drawn - before, 2u);  // the line in its normal and its highlight layer
    const size_t pushes = fake_.layer_pushes().size();
    RunTo(start + 14000);  // 100 ticks of the sweep
    EXPECT_EQ(fake_.fake_text().drawn().size(), drawn);
    EXPECT_EQ(fake_.layer_pushes().size() - pushes, 200u);  // two windows a tick
  }
}

TEST_F(LyricWindowsTest, RowSweepAbutsInBothRowsOverAWholeSong) {
  Lyrics(
      "[00:02.00]first row\r\n[00:05.00]second row\r\n[00:08.00]first again\r\n"
      "[00:11.00]x\r\n");
  song_.duration = 14;
  settings_.LyricStyle = 3;
  Start();
  RunTo(15000);
  EXPECT_GT(CheckAbutting(LyricForm::kTop, LyricForm::kDynamic), 150);
  EXPECT_GT(CheckAbutting(LyricForm::kBottom, LyricForm::kDynamic2), 150);
  // Every line was rendered once into each of its two layers.
  EXPECT_EQ(DrawnTexts().size(), 8u);
}

TEST_F(LyricWindowsTest, PausingHidesTheWindowsAndResumingShowsTheNextLineAtItsTime) {
  Lyrics("[00:10.00]one\r\n[00:20.00]two\r\n");
  Start();
  RunTo(12000);
  settings_.MuteSound = true;  // what the music does on F3
  song_.Pause();
  windows_.HideLyricWindows();
  EXPECT_EQ(Bounds(LyricForm::kTop).left, 10 * 800 + 100);
  const size_t pushes = fake_.layer_pushes().size();
  RunTo(40000);
  EXPECT_EQ(fake_.layer_pushes().size(), pushes);
  settings_.MuteSound = false;
  song_.Resume();  // at 12 s of the song: line 2 is due 8 s later
  RunTo(47940);    // t = 1994
  EXPECT_EQ(DrawnTexts(), (std::vector<std::string>{"one"}));
  EXPECT_EQ(Bounds(LyricForm::kTop).left, 10 * 800 + 100);
  RunTo(47970);  // t = 1997
  EXPECT_EQ(DrawnTexts(), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(Bounds(LyricForm::kTop), (platform::Rect{kPosX, kPosY, kPosX + kW, kPosY + kH}));
}

// While the player is laid out again the timer pushes nothing: the layers
// and positions it holds belong to the old layout.
TEST_F(LyricWindowsTest, NothingIsPushedWhileThePlayerIsLaidOutAgain) {
  Lyrics("[00:01.00]one\r\n[00:02.00]two\r\n");
  Start();
  RunTo(1500);
  ASSERT_EQ(DrawnTexts(), (std::vector<std::string>{"one"}));
  state_.LyricsRebuilding = true;
  const size_t pushes = fake_.layer_pushes().size();
  RunTo(2000);  // "two" is due from 1.95 s
  EXPECT_EQ(fake_.layer_pushes().size(), pushes);
  state_.LyricsRebuilding = false;
  RunTo(2100);
  EXPECT_EQ(DrawnTexts(), (std::vector<std::string>{"one", "two"}));
}

TEST_F(LyricWindowsTest, AnUnknownStyleMakesTheTopWindowAndDrawsNothing) {
  Lyrics("[00:01.00]one\r\n[00:02.00]two\r\n");
  settings_.LyricStyle = 5;
  Start();
  RunTo(10000);
  EXPECT_TRUE(DrawnTexts().empty());
  EXPECT_EQ(fake_.layer_pushes().size(), 1u);  // the probe
}

TEST_F(LyricWindowsTest, ClearingEmptiesEveryLayerParksTheWindowsAndStopsTheTimer) {
  Lyrics("[00:01.00]one\r\n[00:02.00]two\r\n");
  settings_.LyricStyle = 3;
  Start();
  RunTo(2500);
  windows_.ClearLyricWindows();
  EXPECT_FALSE(windows_.timer_on());
  const std::map<LyricForm, int32_t> parked = {{LyricForm::kTop, 900},
                                               {LyricForm::kBottom, 1800},
                                               {LyricForm::kDynamic, -900},
                                               {LyricForm::kDynamic2, -1700}};
  for (const auto& [form, x] : parked) {
    EXPECT_EQ(Bounds(form).left, x);
    const platform::Surface& layer = *windows_.layer(form);
    for (int32_t y = 0; y < layer.height; ++y) {
      for (int32_t i = 0; i < layer.width; ++i)
        ASSERT_EQ(layer.Row(y)[i], 0x01000000u);
    }
  }
  const size_t pushes = fake_.layer_pushes().size();
  RunTo(5000);
  EXPECT_EQ(fake_.layer_pushes().size(), pushes);
  // Hidden windows (the music paused) are parked farther out, each its own way.
  windows_.HideLyricWindows();
  const std::map<LyricForm, int32_t> hidden = {{LyricForm::kTop, 8100},
                                               {LyricForm::kBottom, 9800},
                                               {LyricForm::kDynamic, -8100},
                                               {LyricForm::kDynamic2, -9700}};
  for (const auto& [form, x] : hidden)
    EXPECT_EQ(Bounds(form).left, x);
}

// The player minimised or dragged hides every window of the style and shows
// them again without activation; once it has moved, lines are placed by its
// new position and the timer stopped at a song's end runs again.
TEST_F(LyricWindowsTest, TheWindowsHideShowAndFollowThePlayer) {
  Lyrics("[00:01.00]one\r\n[00:03.00]two\r\n");
  settings_.LyricStyle = 1;
  Start();
  windows_.SetLyricWindowsShown(false);
  for (const LyricForm form : {LyricForm::kTop, LyricForm::kBottom})
    EXPECT_FALSE(fake_.window(Id(form))->visible);
  windows_.SetLyricWindowsShown(true);
  for (const LyricForm form : {LyricForm::kTop, LyricForm::kBottom})
    EXPECT_TRUE(fake_.window(Id(form))->visible);
  EXPECT_EQ(fake_.active_window(), 0u);
  RunTo(1500);
  windows_.ClearLyricWindows();
  windows_.FollowWindow({40, 30, 800, 600, 0});
  EXPECT_TRUE(windows_.timer_on());
  RunTo(2500);  // line 2 is due 0.8 s ahead in the second row
  EXPECT_EQ(Bounds(LyricForm::kBottom),
            (platform::Rect{40 + kPosX, 30 + kPosY + kH, 40 + kPosX + kW, 30 + kPosY + 2 * kH}));
}

TEST_F(LyricWindowsTest, AFailedProbeTurnsLyricsOffForTheRun) {
  fake_.set_fail_layer_pushes(true);
  Create(0);
  EXPECT_FALSE(state_.LyricsReady);
  EXPECT_EQ(Id(LyricForm::kTop), 0u);
  fake_.set_fail_layer_pushes(false);
  Create(0);
  EXPECT_FALSE(state_.LyricsReady);
  windows_.StartTimer2();
  EXPECT_FALSE(windows_.timer_on());
}

TEST_F(LyricWindowsTest, ARebuildKeepsTheTimerAndKeysReachThePlayer) {
  Lyrics("[00:01.00]one\r\n");
  settings_.LyricStyle = 2;
  Start();
  const platform::WindowId old_top = Id(LyricForm::kTop);
  settings_.fFontSize[3] = 40;  // the window grew: the font was rescaled
  Create(2);
  EXPECT_FALSE(fake_.Exists(old_top));
  EXPECT_TRUE(windows_.timer_on());
  // The old width is forgotten; the line is measured again in the new font.
  EXPECT_EQ(song_.timeline.LyricWidth[1], kWidthNotMeasured);
  EXPECT_EQ(LineWidth(song_.timeline, 1, LyricFontOf(settings_), fake_.text()), 3 * 20 + 1);
  fake_.Script({.at_ms = 100,
                .type = platform::fake::EventType::kKeyDown,
                .window = Id(LyricForm::kDynamic2),
                .key = platform::keys::kF3});
  fake_.Script({.at_ms = 110,
                .type = platform::fake::EventType::kKeyUp,
                .window = Id(LyricForm::kTop),
                .key = platform::keys::kF3,
                .shift = platform::kAltMask});
  RunTo(200);
  EXPECT_EQ(keys_.downs, (std::vector<std::pair<int, int>>{{platform::keys::kF3, 0}}));
  EXPECT_EQ(keys_.ups,
            (std::vector<std::pair<int, int>>{{platform::keys::kF3, platform::kAltMask}}));
}

// A line far wider than the lyric area (3,000 "W", a blank and 2,000 "相"):
// it is measured once, cut to what can show (four widths of the area, here
// 200 characters of 10 pixels) and drawn as one line, so no tick of any
// style works through such a line whole, however many the song has.
TEST_F(LyricWindowsTest, LongLinesAreMeasuredOnceCutToFourAreaWidthsAndDrawnAsOneLine) {
  std::string line = std::string(3000, 'W') + " ";
  for (int i = 0; i < 2000; ++i)
    line += "\xE7\x9B\xB8";  // 相
  std::string lrc;
  for (int i = 0; i < 20; ++i)
    lrc += "[00:" + std::to_string(10 + i) + ".00]" + line + "\r\n";
  using Work = platform::fake::FakeTextRenderer::Work;
  std::map<int64_t, Work> by_tick;  // the text work done at each moment
  fake_.fake_text().on_work = [&](const Work& done) {
    Work& w = by_tick[fake_.now_ticks()];
    w.measures += done.measures;
    w.measured_chars += done.measured_chars;
    w.laid_out_chars += done.laid_out_chars;
  };
  for (const int32_t style : {0, 1, 2, 3}) {
    SCOPED_TRACE(testing::Message() << "style " << style);
    Lyrics(lrc);
    song_.duration = 32;
    song_.StartNow();
    const size_t drawn_before = fake_.fake_text().drawn().size();
    const int64_t measures_before = fake_.fake_text().work().measures;
    by_tick.clear();
    settings_.LyricStyle = style;
    Start();
    RunTo(static_cast<int64_t>(fake_.now_ms_exact()) + 31000);
    const std::vector<platform::TextBox>& drawn = fake_.fake_text().drawn();
    ASSERT_GE(drawn.size() - drawn_before, 20u);
    for (size_t k = drawn_before; k < drawn.size(); ++k) {
      EXPECT_TRUE(drawn[k].text == std::string(200, 'W')) << drawn[k].text.size() << " bytes";
      EXPECT_TRUE(drawn[k].one_line);
    }
    // Each line is measured once: as much as could show (a character a
    // pixel at the least: 2,004 characters), then its start to find the cut.
    EXPECT_LE(fake_.fake_text().work().measures - measures_before, 20 * 3);
    for (const auto& [at, work] : by_tick) {
      SCOPED_TRACE(testing::Message() << "at " << at / kTicksPerMs << " ms");
      EXPECT_LE(work.measures, 2 * 3);  // at most two lines come due in a tick
      EXPECT_LE(work.measured_chars, 2 * (4 * kW + 2 * 201));
      EXPECT_LE(work.laid_out_chars, 3 * 200);
    }
    if (style >= 2) {
      EXPECT_EQ(song_.timeline.LyricWidth[1], 2000 + 1);  // the sweep's width
    }
    windows_.DestroyLyricWindows();
  }
}

}  // namespace
}  // namespace lantern::media
