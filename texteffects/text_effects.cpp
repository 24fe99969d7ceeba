// The effects by number, and what every run shares: a frame run on the
// caller's surfaces, the effect's working pictures released at its end, and
// the final look however the animation ended.
#include "texteffects/text_effects.h"

#include <array>

#include "imaging/raster.h"
#include "texteffects/effects.h"

namespace lantern::texteffects {

namespace {

constexpr std::array<std::string_view, kEffectCount> kNames{
    "FadeInText", "WipeInText", "SlideInText", "PulseText",   "StretchInText",
    "GrowText",   "ZoomInText", "HopText",     "AssembleText"};

// A box that cannot animate still gets its text, drawn once.
void DrawStatically(EffectRun& e) {
  show::FrameRun& run = e.run;
  imaging::Copy(run.tmp(), 0, 0, run.W(), run.H(), run.dst(), 0, 0);
  e.DrawText(run.tmp());
  run.Copy(run.dst(), 0, 0, run.W(), run.H(), run.tmp(), 0, 0);
}

void Animate(EffectRun& e, int32_t number, int32_t direction) {
  switch (number) {
    case 0:
      return FadeInText(e);
    case 1:
      return WipeInText(e);
    case 2:
      SlideInText(e, direction);
      break;
    case 3:
      PulseText(e);
      break;
    case 4:
      StretchInText(e);
      break;
    case 5:
      GrowText(e);
      break;
    case 6:
      ZoomInText(e);
      break;
    case 7:
      HopText(e);
      break;
    default:
      AssembleText(e);
      break;
  }
  e.ShowFinalLook();
}

}  // namespace

std::string_view EffectName(int32_t number) {
  return number >= 0 && number < kEffectCount ? kNames[static_cast<size_t>(number)]
                                              : std::string_view{};
}

void TextEffects::Run(int32_t number, const show::Surfaces& surfaces, const EffectText& text,
                      int32_t direction) {
  if (number < 0 || number >= kEffectCount || !surfaces.PicDst.valid()) return;
  running_ = true;
  try {
    show::FrameRun run(context_, surfaces);
    EffectRun effect(run, text_, text, objects_);
    if (effect.Unusable()) {
      DrawStatically(effect);
    } else {
      Animate(effect, number, direction);
    }
  } catch (...) {
    running_ = false;
    objects_.Release();
    throw;
  }
  running_ = false;
  objects_.Release();
}

void TextEffects::ReleaseEffectObjects() {
  // A running effect still draws with them; it releases them when it ends.
  if (!running_) objects_.Release();
}

}  // namespace lantern::texteffects
