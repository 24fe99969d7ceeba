// The blended transitions: the old and the new slide are mixed with a
// constant-alpha blend, along a soft-edged front or over the whole slide.
// All pace in proportion to time.
#pragma once

#include <cstdint>

#include "transitions/routine.h"

namespace lantern::transitions {

void SoftWipe(FrameRun& run, int32_t dir);       // 2: 0 rightwards, 1 down, 2 left, 3 up
void SoftSplit(FrameRun& run, int32_t dir);      // 3: dir != 0 rows split, else columns
void FilmStrip(FrameRun& run, int32_t dir);      // 29: no direction
void CrossFade(FrameRun& run, int32_t dir);      // 30: no direction
void NegativeFlash(FrameRun& run, int32_t dir);  // 34: no direction

}  // namespace lantern::transitions
