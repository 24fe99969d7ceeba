// The opening and ending on the fake backend: the picture phase, the title
// line loop against the phase's duration, and the redraw after a re-layout.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/raster.h"
#include "text_effects_test_support.h"
#include "texteffects/title_sequence.h"

namespace lantern::texteffects {
namespace {

using testing_support::EffectStage;

constexpr uint32_t kPicture = 0x00406080;

// The player form as the sequence sees it: every step runs at once, the
// picture is a plain colour.
struct FormStage final : show::ShowStage {
  explicit FormStage(EffectStage& s) : stage(s) {}
  show::Surfaces surfaces() const override { return stage.surfaces(); }
  const imaging::DecodedImage* texture() const override { return nullptr; }
  void RunStep(const std::function<void()>& step) override { step(); }
  void DrawPicture(const std::string& item) override {
    pictures.push_back(item);
    const platform::Surface& d = stage.dst.surface();
    imaging::Fill(d, 0, 0, d.width, d.height, kPicture);
  }
  void ShowBackgroundOnCovers() override { ++covers; }
  void BeginSequence() override { numbers_at_begin.push_back(stage.state.DisplayedSlideNumber); }
  EffectStage& stage;
  std::vector<int32_t> numbers_at_begin;  // the slide number each time the player's windows follow
  std::vector<std::string> pictures;
  int32_t covers = 0;
};

class TitleSequenceTest : public ::testing::Test {
 protected:
  TitleSequenceTest() {
    settings_.OpeningImage = "C:\\Album\\opening.jpg";  // the picture is found by its item name
    settings_.TitlePosX = 20;
    settings_.TitlePosY = 30;
    settings_.TitlePosW = 200;
    settings_.TitlePosH = 40;
    for (int k = 1; k <= album::kStyleCount; ++k) {
      settings_.fFontName[k] = "Arial";
      settings_.fFontSize[k] = 10 * k;
      settings_.FontStartColor[k] = 0x0000F0 + k;
    }
  }
  // Plays the opening with this title, style and duration; the text's
  // drawing takes `draw_ms` each time. Returns when it ended (ms).
  double Opening(const std::string& title, int32_t style, float seconds, int32_t draw_ms = 0) {
    settings_.TitleText[1] = title;
    settings_.TitleStyle = style;
    settings_.OpeningDurationTime = seconds;
    stage_ = std::make_unique<EffectStage>(320, 240, draw_ms);
    form_ = std::make_unique<FormStage>(*stage_);
    sequence_ = std::make_unique<TitleSequence>(stage_->effects, settings_);
    sequence_->Opening(*form_);
    return stage_->fake.now_ms_exact();
  }
  const std::vector<platform::TextBox>& drawn() const { return stage_->text.drawn(); }

  album::AlbumSettings settings_;
  std::unique_ptr<EffectStage> stage_;
  std::unique_ptr<FormStage> form_;
  std::unique_ptr<TitleSequence> sequence_;
};

TEST_F(TitleSequenceTest, ThreeWipedLinesInTenSecondsEndWithTheThirdLinesEffect) {
  // Each line: 800 ms of drawing (above the wipe's 699 ms limit, so counted
  // as 0) and a 700 ms wipe, 1 500 ms in all. 900 picture, line 1, hold,
  // wipe, gap, line 2, hold, wipe, gap (9 900), line 3: ends at 11 400.
  const double ended = Opening("One\r\nTwo\r\nThree", 2, 10.0f, 800);
  EXPECT_NEAR(ended, 11400, 10);
  ASSERT_EQ(drawn().size(), 3u);
  EXPECT_EQ(drawn()[2].text, "Three");
  EXPECT_EQ(form_->pictures, std::vector<std::string>{"OpeningImage"});
  EXPECT_EQ(form_->covers, 1);
  EXPECT_FALSE(sequence_->title_up());
  // The last line stays; the clean picture waits in P4 for the next wipe.
  EXPECT_NE(stage_->dst.at(25, 35), kPicture);
  EXPECT_EQ(stage_->p4.at(25, 35), kPicture);
}

TEST_F(TitleSequenceTest, AZeroDurationShowsThePictureAndTheFirstLinesWholeEffectOnly) {
  // 900 ms of picture, then FadeInText's 900 ms; no hold and no second line.
  EXPECT_NEAR(Opening("One\r\nTwo", 1, 0.0f), 1800, 10);
  ASSERT_EQ(drawn().size(), 1u);
  EXPECT_EQ(drawn()[0].text, "One");
}

TEST_F(TitleSequenceTest, WithoutATitleOrWithAnUnknownStyleOnlyThePictureShowsForTheDuration) {
  EXPECT_NEAR(Opening("", 1, 3.0f), 3000, 5);
  EXPECT_TRUE(drawn().empty());
  EXPECT_NEAR(Opening("", 1, 0.0f), 900, 5);
  EXPECT_NEAR(Opening("One\r\nTwo", 3, 2.0f), 2000, 5);
  EXPECT_TRUE(drawn().empty());
  for (int32_t y = 0; y < 240; y += 7)
    for (int32_t x = 0; x < 320; x += 7)
      ASSERT_EQ(stage_->dst.at(x, y) & 0xFFFFFF, kPicture);
}

TEST_F(TitleSequenceTest, StyleZeroDrawsAllLinesAtOnceInTheTitleStyleAndBox) {
  settings_.fFontAlign[4] = 4;
  EXPECT_NEAR(Opening("One\r\nTwo", 0, 2.0f), 2000, 5);
  ASSERT_EQ(drawn().size(), 1u);
  const platform::TextBox& box = drawn()[0];
  EXPECT_EQ(box.text, "One\r\nTwo");
  EXPECT_EQ(box.font_size, 40);
  EXPECT_EQ(box.align, 4);
  EXPECT_EQ(box.left, 20);
  EXPECT_EQ(box.width, 200);
}

TEST_F(TitleSequenceTest, ANextRequestFromTheLastSlideIsDroppedAndTheSlideNumberIsHidden) {
  settings_.TitleText[1] = "";
  settings_.OpeningDurationTime = 1.0f;
  EffectStage stage(320, 240);
  FormStage form(stage);
  TitleSequence sequence(stage.effects, settings_);
  stage.state.NextRequested = true;
  stage.state.DisplayedSlideNumber = 7;
  sequence.Opening(form);
  EXPECT_FALSE(stage.state.NextRequested);
  EXPECT_EQ(stage.state.DisplayedSlideNumber, -1);
  EXPECT_EQ(form.numbers_at_begin, std::vector<int32_t>{-1});  // the bar never shows "0/N"
  EXPECT_NEAR(stage.fake.now_ms_exact(), 1000, 5);
}

// A re-layout while the title is up draws the picture and the line on screen
// again, statically; after the phase there is nothing to redraw.
TEST_F(TitleSequenceTest, ARelayoutDuringTheTitleRedrawsPictureAndLineStatically) {
  settings_.TitleText[2] = "The end";
  settings_.TitleStyle = 1;
  settings_.EndingDurationTime = 5.0f;
  EffectStage stage(320, 240);
  FormStage form(stage);
  TitleSequence sequence(stage.effects, settings_);
  bool redrawn = false;
  stage.fake.Script({.at_ms = 3000, .type = platform::fake::EventType::kCall, .call = [&] {
                       EXPECT_TRUE(sequence.title_up());
                       EXPECT_EQ(sequence.title_line(), "The end");
                       redrawn = sequence.RelayoutRedraw(form);
                     }});
  sequence.Ending(form);
  EXPECT_TRUE(redrawn);
  EXPECT_EQ(form.pictures, (std::vector<std::string>{"EndingImage", "EndingImage"}));
  ASSERT_EQ(stage.text.drawn().size(), 2u);  // the effect's, then the static one
  EXPECT_EQ(stage.text.drawn()[1].font_size, 40);
  EXPECT_FALSE(sequence.RelayoutRedraw(form));
}

TEST(TitleLinesTest, LinesBreakOnlyAtCarriageReturnLineFeed) {
  EXPECT_EQ(TitleLines("a\r\nb\nc\r\n"), (std::vector<std::string>{"a", "b\nc", ""}));
  EXPECT_EQ(TitleLines("one"), std::vector<std::string>{"one"});
}

}  // namespace
}  // namespace lantern::texteffects
