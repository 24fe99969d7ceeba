// The opening and ending: the picture phase, the title phase with its line
// loop, and the redraw after a re-layout.
#include "texteffects/title_sequence.h"

#include <algorithm>

#include "base/rounding.h"
#include "imaging/composition.h"
#include "imaging/raster.h"

namespace lantern::texteffects {

namespace {

// Style 1 writes each line with FadeInText, style 2 with WipeInText.
int32_t EffectOfTitleStyle(int32_t title_style) {
  return title_style == 1 ? 0 : 1;
}

}  // namespace

std::vector<std::string> TitleLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t from = 0;
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", from)) {
    lines.push_back(text.substr(from, at - from));
    from = at + 2;
  }
  lines.push_back(text.substr(from));
  return lines;
}

void TitleSequence::Opening(show::ShowStage& stage) {
  Run(stage, {"OpeningImage", settings_.TitleText[1], settings_.OpeningDurationTime});
}

void TitleSequence::Ending(show::ShowStage& stage) {
  Run(stage, {"EndingImage", settings_.TitleText[2], settings_.EndingDurationTime});
}

void TitleSequence::Run(show::ShowStage& stage, const Phase& phase) {
  show::ShowState& state = effects_.context().state;
  state.NextRequested = false;  // a request from the last slide of a pass ends here
  state.DisplayedSlideNumber = -1;
  stage.RunStep([&] { stage.BeginSequence(); });
  start_ms_ = effects_.context().clock.NowMs();
  // A damaged duration is held to a day rather than overflowing the waits.
  duration_ms_ =
      base::Round(std::clamp(static_cast<double>(phase.duration_seconds), -1.0, 86400.0) * 1000);
  image_ = phase.image;
  stage.RunStep([&] { stage.DrawPicture(phase.image); });
  stage.RunStep([&] { stage.ShowBackgroundOnCovers(); });
  stage.RunStep([&] { KeepCleanPicture(stage.surfaces()); });
  picture_up_ = true;
  title_line_.clear();
  Wait(900);
  picture_up_ = false;
  title_up_ = true;
  if (!phase.text.empty()) WriteTitle(stage, phase);
  const int64_t elapsed = effects_.context().clock.NowMs() - start_ms_;
  if (elapsed < duration_ms_) Wait(static_cast<int32_t>(duration_ms_ - elapsed));
  title_up_ = false;
  image_ = nullptr;
}

void TitleSequence::WriteTitle(show::ShowStage& stage, const Phase& phase) {
  switch (settings_.TitleStyle) {
    case 0:
      title_line_ = phase.text;
      stage.RunStep([&] { DrawTitle(stage.surfaces(), title_line_, stage.texture()); });
      break;
    case 1:
    case 2:
      WriteLines(stage, TitleLines(phase.text));
      break;
    default:
      break;  // no title
  }
}

// Each line is written with the effect, held for 2 s, wiped and followed by
// a 1 s gap, as long as the phase's duration lasts; the last line stays.
void TitleSequence::WriteLines(show::ShowStage& stage, const std::vector<std::string>& lines) {
  show::ShowState& state = effects_.context().state;
  const int32_t effect = EffectOfTitleStyle(settings_.TitleStyle);
  for (size_t i = 0; i < lines.size(); ++i) {
    title_line_ = lines[i];
    EffectText text;
    text.text = lines[i];
    // The effects' working style takes the title style's font, size, fill
    // and border; its alignment stays its own.
    text.style = imaging::StyleOf(settings_, 4);
    text.style.align = settings_.fFontAlign[2];
    text.left = static_cast<float>(settings_.TitlePosX);
    text.top = static_cast<float>(settings_.TitlePosY);
    text.width = static_cast<float>(settings_.TitlePosW);
    text.height = static_cast<float>(settings_.TitlePosH);
    state.TextEffectRunning = true;
    stage.RunStep([&] {
      text.texture = stage.texture();
      effects_.Run(effect, stage.surfaces(), text, 0);
    });
    state.TextEffectRunning = false;
    if (Reached()) return;
    Wait(2000);
    if (i + 1 < lines.size()) {
      stage.RunStep([&] { WipeLine(stage.surfaces()); });
      if (Reached()) return;
      Wait(1000);
    }
    if (Reached() || state.ShowStopping) return;
  }
}

bool TitleSequence::Reached() const {
  return effects_.context().clock.NowMs() - start_ms_ >= duration_ms_;
}

void TitleSequence::DrawTitle(const show::Surfaces& surfaces, const std::string& text,
                              const imaging::DecodedImage* texture) {
  imaging::DrawTextBox(
      effects_.text(), surfaces.PicDst, text, imaging::StyleOf(settings_, 4),
      static_cast<float>(settings_.TitlePosX), static_cast<float>(settings_.TitlePosY),
      static_cast<float>(settings_.TitlePosW), static_cast<float>(settings_.TitlePosH), texture);
  effects_.context().presenter.MarkAllDirty();
}

void TitleSequence::KeepCleanPicture(const show::Surfaces& s) {
  imaging::Copy(s.P4, 0, 0, s.PicDst.width, s.PicDst.height, s.PicDst, 0, 0);
}

void TitleSequence::WipeLine(const show::Surfaces& s) {
  imaging::Copy(s.PicDst, 0, 0, s.PicDst.width, s.PicDst.height, s.P4, 0, 0);
  effects_.context().presenter.MarkAllDirty();
  title_line_.clear();
}

void TitleSequence::Wait(int32_t ms) {
  effects_.context().pacer.WaitMs(ms);
}

bool TitleSequence::RelayoutRedraw(show::ShowStage& stage) {
  if (image_ == nullptr || (!picture_up_ && !title_up_)) return false;
  stage.DrawPicture(image_);
  const show::Surfaces surfaces = stage.surfaces();
  KeepCleanPicture(surfaces);
  if (title_up_ && !title_line_.empty()) DrawTitle(surfaces, title_line_, stage.texture());
  return true;
}

}  // namespace lantern::texteffects
