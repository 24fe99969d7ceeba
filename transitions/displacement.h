// The pixel-displacement transitions: pixels of a reduced copy of the slide
// are moved one by one while the old slide fades into the new, and each frame
// is drawn scaled up to the full size. Both need the old slide readable in
// PicDst (the catalogue says so) and do nothing when the width is not a
// multiple of 4.
#pragma once

#include <cstdint>

#include "transitions/routine.h"

namespace lantern::transitions {

void Ripple(FrameRun& run, int32_t dir);        // 13: no direction
void PixelScatter(FrameRun& run, int32_t dir);  // 40: no direction

}  // namespace lantern::transitions
