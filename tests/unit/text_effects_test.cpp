// The text effects on the fake backend: properties over all nine (the end is
// exactly the final look whatever flag ends them, nothing is written outside
// the surfaces, what they hold is kept while they run), and the cases whose
// numbers the effects are made of.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "base/rounding.h"
#include "imaging/raster.h"
#include "text_effects_test_support.h"
#include "texteffects/effects.h"
#include "texteffects/text_effects.h"

namespace lantern::texteffects {
namespace {

using testing_support::EffectStage;
using testing_support::SlowText;

EffectText Hello(float left = 100, float top = 60, float width = 120, float height = 40) {
  EffectText t;
  t.text = "Hello";
  t.style.font_name = "Arial";
  t.style.font_size = 20;  // the fake draws 10 x 20 cells
  t.style.argb1 = 0xFFE03010;
  t.style.border_width = 1;
  t.style.border_argb = 0xAA2040F0;
  t.left = left;
  t.top = top;
  t.width = width;
  t.height = height;
  return t;
}

// The flags that end an effect early.
const std::vector<bool show::ShowState::*> kFlags{
    &show::ShowState::ShowStopping, &show::ShowState::NextRequested,
    &show::ShowState::PreviousRequested, &show::ShowState::ShowPaused,
    &show::ShowState::RelayoutPending};

TEST(TextEffectsTest, EveryEffectEndsOnExactlyItsFinalLookInsideItsSurfaces) {
  for (int32_t number = 0; number < kEffectCount; ++number) {
    for (int32_t dir = 0; dir < (number == 2 ? 4 : 1); ++dir) {
      EffectStage stage(320, 240);
      const std::vector<uint32_t> look = stage.FinalLook(Hello());
      const int32_t frames = stage.Run(number, Hello(), dir);
      EXPECT_GT(frames, 1) << EffectName(number);
      EXPECT_EQ(stage.Dst(), look) << EffectName(number) << " " << dir;
      EXPECT_TRUE(stage.SentinelsIntact()) << EffectName(number);
      EXPECT_FALSE(stage.effects.holds_objects());
      // Frames end inside 2 s (the slowest, HopText, has 400 + 300 + 350 ms).
      EXPECT_LT(stage.fake.now_ms_exact(), 2000) << EffectName(number);
    }
  }
}

TEST(TextEffectsTest, AnyFlagEndsAnEffectAfterItsFrameAndStillLeavesTheFinalLook) {
  for (int32_t number = 0; number < kEffectCount; ++number) {
    for (const auto flag : kFlags) {
      EffectStage stage(320, 240);
      const std::vector<uint32_t> look = stage.FinalLook(Hello());
      int32_t flagged_at = 0;
      const int32_t frames = stage.Run(number, Hello(), 1, [&](int32_t frame) {
        if (frame == 3) {
          stage.state.*flag = true;
          flagged_at = frame;
        }
      });
      EXPECT_EQ(frames, flagged_at) << EffectName(number);
      EXPECT_EQ(stage.Dst(), look) << EffectName(number);
    }
  }
}

TEST(TextEffectsTest, PureBlackTextAndTextOutsideThePictureEndAsTheirFinalLook) {
  EffectText black = Hello();
  black.style.argb1 = 0xFF000000;
  black.style.border_argb = 0xFF000000;
  EffectText hanging = Hello(260, 220, 120, 40);  // past the right and bottom edges
  EffectText left_out = Hello(-50, -10, 120, 40);
  for (const EffectText& text : {black, hanging, left_out}) {
    for (int32_t number = 0; number < kEffectCount; ++number) {
      EffectStage stage(320, 240);
      const std::vector<uint32_t> look = stage.FinalLook(text);
      stage.Run(number, text, 3);
      EXPECT_EQ(stage.Dst(), look) << EffectName(number) << " at " << text.left;
      EXPECT_TRUE(stage.SentinelsIntact()) << EffectName(number);
    }
  }
}

TEST(TextEffectsTest, AnEmptyOrAbsurdBoxGetsItsTextOnceAndNoNumberAboveEightDrawsAnything) {
  for (const EffectText& text : {Hello(100, 60, 0, 40), Hello(100, 60, 1e9f, 1e9f)}) {
    EffectStage stage(320, 240);
    const std::vector<uint32_t> look = stage.FinalLook(text);
    EXPECT_EQ(stage.Run(8, text, 0), 0);
    EXPECT_EQ(stage.Dst(), look);
  }
  EffectStage stage(320, 240);
  const std::vector<uint32_t> before = stage.Dst();
  for (int32_t number : {9, 10, 41, -1})
    EXPECT_EQ(stage.Run(number, Hello(), 0), 0);
  EXPECT_EQ(stage.Dst(), before);
  EXPECT_TRUE(stage.fake.presents().empty());
}

// A handler that runs inside an effect's wait (the show being stopped) may
// ask for the effect's objects to go; the effect still draws with them.
TEST(TextEffectsTest, ReleasingTheObjectsFromInsideAFrameWaitsForTheEffectToEnd) {
  for (int32_t number = 2; number < kEffectCount; ++number) {
    EffectStage stage(320, 240);
    const std::vector<uint32_t> look = stage.FinalLook(Hello());
    bool held = false;
    stage.Run(number, Hello(), 0, [&](int32_t frame) {
      if (frame != 2) return;
      stage.effects.ReleaseEffectObjects();
      held = stage.effects.holds_objects();
    });
    EXPECT_TRUE(held) << EffectName(number);
    EXPECT_EQ(stage.Dst(), look) << EffectName(number);
    EXPECT_FALSE(stage.effects.holds_objects());
  }
}

// The effects' own times: the time drawing the text took is taken off the
// first budget, unless it is above the effect's limit.
TEST(TextEffectsTest, FadeInTextTakes900MsLessTheTextsDrawingTimeUnlessThatIsAbove899) {
  for (const auto& [draw_ms, fade_ms] : {std::pair{950, 900}, std::pair{300, 600}}) {
    EffectStage stage(320, 240, draw_ms);
    std::vector<double> at;
    stage.Run(0, Hello(), 0, [&](int32_t) { at.push_back(stage.fake.now_ms_exact()); });
    ASSERT_EQ(at.size(), 25u);
    EXPECT_NEAR(at.front(), draw_ms, 1);  // the first step at once
    EXPECT_NEAR(stage.fake.now_ms_exact() - draw_ms, fade_ms, 3) << draw_ms;
  }
}

// The column where the text's first cell starts (its fill begins one pixel in
// from the cell), or -1 while no text shows.
int32_t TextLeft(const EffectStage& stage, int32_t row) {
  const platform::Surface& d = stage.dst.surface();
  for (int32_t x = 0; x < d.width; ++x)
    if (d.Row(row)[x] != testing_support::Background(x, row)) return x;
  return -1;
}

TEST(TextEffectsTest, SlideInTextFromTheRightStartsAtTheEdgeAndMoves12PixelsAFrame) {
  // Without waits every step is a frame of its own (with them, the first,
  // due at once, shares its frame with the second).
  EffectStage stage(1024, 300);
  stage.effects.context().waits = false;
  std::vector<int32_t> left;
  stage.Run(2, Hello(100, 60, 120, 40), 2, [&](int32_t) { left.push_back(TextLeft(stage, 70)); });
  ASSERT_EQ(left.size(), 78u);  // x = 1024, 1012, ..., 100
  EXPECT_EQ(left[0], -1);       // at x = 1024 the text is just outside
  for (size_t k = 1; k < left.size(); ++k)
    EXPECT_EQ(left[k], 1024 - 12 * static_cast<int32_t>(k)) << k;
  EXPECT_EQ(left.back(), 100);
  EffectStage narrow(640, 300);  // under 800 pixels wide: 6 pixels a frame
  narrow.effects.context().waits = false;
  EXPECT_EQ(narrow.Run(2, Hello(100, 60, 120, 40), 2), (640 - 100) / 6 + 1);
}

TEST(TextEffectsTest, GrowTextsFirstFrameShowsATenthOfTheTextAboutTheBoxCentre) {
  EffectStage stage(320, 240);
  const EffectText text = Hello(100, 60, 120, 40);
  bool checked = false;
  stage.Run(5, text, 0, [&](int32_t frame) {
    if (frame != 1) return;
    // A tenth of 120 x 40 about (160, 80): 12 x 4 at (154, 78).
    int32_t changed = 0;
    for (int32_t y = 0; y < 240; ++y)
      for (int32_t x = 0; x < 320; ++x) {
        if (stage.dst.at(x, y) == testing_support::Background(x, y)) continue;
        ++changed;
        EXPECT_TRUE(x >= 154 && x < 166 && y >= 78 && y < 82) << x << "," << y;
      }
    EXPECT_GT(changed, 0);
    checked = true;
  });
  EXPECT_TRUE(checked);
}

// The effects that move the text in phases: every phase is seen (it spans
// time, and more than one different picture is presented while it runs), and
// the effect as a whole lasts what it always did.
TEST(TextEffectsTest, EveryPhaseOfPulseGrowAndZoomIsSeenWithinTheEffectsTime) {
  struct Phased {
    int32_t number;
    std::vector<int32_t> phase_starts;  // the frame (1-based) that starts each phase
    int32_t frames;
    double total_ms;  // from the start to the final look
  };
  const std::vector<Phased> effects{
      {3, {1, 11, 21, 26}, 30, 400},                    // PulseText: wider, narrower, wider, back
      {5, {1, 13, 19}, 21, 400 + 30},                   // GrowText: grow, settle, overshoot
      {6, {1, 13, 17, 20}, 21, 350 * 12 / 11.0 + 30}};  // ZoomInText: shrink, bounce, ...
  for (const Phased& effect : effects) {
    SCOPED_TRACE(EffectName(effect.number));
    EffectStage stage(320, 240);
    platform::WindowHandler handler;
    stage.presenter.SetTarget(stage.fake.windows().Create({}, handler), &stage.dst.surface());
    stage.presenter.PresentNow();
    std::vector<double> at;
    stage.Run(effect.number, Hello(), 0, [&](int32_t) { at.push_back(stage.fake.now_ms_exact()); });
    ASSERT_EQ(static_cast<int32_t>(at.size()), effect.frames);
    EXPECT_NEAR(stage.fake.now_ms_exact(), effect.total_ms, 3);
    for (size_t k = 0; k < effect.phase_starts.size(); ++k) {
      SCOPED_TRACE(testing::Message() << "phase " << k + 1);
      const double from = at[static_cast<size_t>(effect.phase_starts[k] - 1)];
      const double to = k + 1 < effect.phase_starts.size()
                            ? at[static_cast<size_t>(effect.phase_starts[k + 1] - 1)]
                            : stage.fake.now_ms_exact();
      std::set<uint64_t> pictures;
      for (const platform::fake::PresentRecord& p : stage.fake.presents()) {
        const double ms = static_cast<double>(p.at_ticks) / platform::fake::kTicksPerMs;
        if (ms >= from && ms < to) pictures.insert(p.checksum);
      }
      EXPECT_GT(to - from, 16) << "drawn in one instant";
      EXPECT_GE(pictures.size(), 2u);
    }
  }
}

TEST(TextEffectsTest, AssembleTextCutsNarrowBoxesIn2PixelPiecesAndWideOnesIn8Or4) {
  EXPECT_EQ(AssemblePieceSide(580), 2);
  EXPECT_EQ(AssemblePieceSide(581), 8);
  EXPECT_EQ(AssemblePieceSide(590), 8);
  EXPECT_EQ(AssemblePieceSide(600), 8);
  EXPECT_EQ(AssemblePieceSide(601), 4);
  EXPECT_EQ(AssemblePieceSide(700), 4);
  EXPECT_EQ(AssemblePieceSide(1000), 4);
  EXPECT_EQ(AssemblePieceSide(1001), 8);
  // 20 frames whatever the piece size, ending on the text in place.
  for (const float width : {590.f, 700.f}) {
    EffectStage stage(800, 200);
    const EffectText text = Hello(100, 60, width, 40);
    const std::vector<uint32_t> look = stage.FinalLook(text);
    EXPECT_EQ(stage.Run(8, text, 0), 20);
    EXPECT_EQ(stage.Dst(), look);
  }
}

// AssembleText's pieces fly over an area twice the box each way, around it;
// only the part of that area on the picture is composed, so a box as large
// as the picture allows holds little more than its cut-out, and every frame
// is the picture the whole area gives.
TEST(TextEffectsTest, AssembleTextComposesOnlyThePartOfItsAreaOnThePicture) {
  struct Box {
    float left, top, width, height;
    uint64_t frames;  // PicDst's checksum after each frame, folded (as ever drawn)
  };
  const std::vector<Box> boxes{
      {100, 60, 120, 40, 0xe2de85c964f02bd5ull},       // inside
      {-30, -10, 200, 60, 0x62fec7082b5fd868ull},      // hanging off the top left
      {250, 200, 590, 30, 0xce61117023ae7b51ull},      // 8-pixel pieces, off the right
      {-200, -100, 620, 470, 0xf03d3388b3595dc4ull}};  // larger than the picture
  for (const Box& box : boxes) {
    SCOPED_TRACE(testing::Message() << box.left << "," << box.top);
    EffectStage stage(320, 240);
    const EffectText text = Hello(box.left, box.top, box.width, box.height);
    int64_t held = 0;
    uint64_t folded = 0;
    stage.Run(8, text, 0, [&](int32_t) {
      held = std::max(held, stage.effects.held_pixels());
      folded = folded * 1099511628211u ^ transitions::testing::Checksum(stage.dst);
    });
    const int64_t cutout = int64_t{base::Round32(box.width) + 10} * (base::Round32(box.height) + 4);
    EXPECT_LE(held, cutout + 320 * 240);
    EXPECT_EQ(folded, box.frames);
  }
}

TEST(RasterTest, StretchKeyedLeavesBlackSourcePixelsOutAndScalesTheRestAsStretchNearest) {
  testing_support::Pixels src(4, 2,
                              {0x000000, 0x0000FF, 0xFF000000, 0x00FF00,  //
                               0x123456, 0x000000, 0x00FF0000, 0x010000});
  testing_support::Pixels keyed(8, 4, std::vector<uint32_t>(32, 0x777777));
  testing_support::Pixels plain(8, 4, std::vector<uint32_t>(32, 0x777777));
  imaging::StretchKeyed(keyed.surface(), 0, 0, 8, 4, src.surface(), 0, 0, 4, 2);
  imaging::StretchNearest(plain.surface(), 0, 0, 8, 4, src.surface(), 0, 0, 4, 2);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 8; ++x) {
      const uint32_t s = src.at(x / 2, y / 2);
      EXPECT_EQ(keyed.at(x, y), (s & 0xFFFFFF) == 0 ? 0x777777u : plain.at(x, y)) << x << y;
    }
  // Outside the destination, nothing; non-positive extents, nothing.
  imaging::StretchKeyed(keyed.surface(), -100, -100, 8, 4, src.surface(), 0, 0, 4, 2);
  imaging::StretchKeyed(keyed.surface(), 0, 0, -8, 4, src.surface(), 0, 0, 4, 2);
  EXPECT_TRUE(keyed.SentinelIntact());
}

}  // namespace
}  // namespace lantern::texteffects
