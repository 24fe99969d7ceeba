// The nine effects, each drawing its frames with an EffectRun. FadeInText and
// WipeInText end on their own final look; the keyed effects (2-8) prepare the
// cut-out and leave the final look to their caller.
#pragma once

#include <cstdint>

#include "texteffects/effect_run.h"

namespace lantern::texteffects {

void FadeInText(EffectRun& e);
void WipeInText(EffectRun& e);
void SlideInText(EffectRun& e, int32_t direction);
void PulseText(EffectRun& e);
void StretchInText(EffectRun& e);
void GrowText(EffectRun& e);
void ZoomInText(EffectRun& e);
void HopText(EffectRun& e);
void AssembleText(EffectRun& e);

// AssembleText's piece side for a box tw pixels wide.
int32_t AssemblePieceSide(int32_t tw);

}  // namespace lantern::texteffects
