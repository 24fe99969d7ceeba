// The sliding and moving transitions: the new slide slides or pushes in, or
// pieces of the old slide slide, fall or fold away. The step-based ones (Push,
// EdgeCover, CornerCover, SplitPush, PageFold) pace with a fixed delay per
// step; the others in proportion to time.
#pragma once

#include <cstdint>

#include "transitions/routine.h"

namespace lantern::transitions {

// --- fixed delay per step (sliding_steps.cpp) ---
void Push(FrameRun& run, int32_t dir);         // 25: 0 left, 1 top, 2 right, 3 bottom
void EdgeCover(FrameRun& run, int32_t dir);    // 23: same directions
void CornerCover(FrameRun& run, int32_t dir);  // 24: 0 TL, 1 TR, 2 BR, 3 BL
void SplitPush(FrameRun& run, int32_t dir);    // 26: 0 right, 1 bottom, 2 left, 3 top
void PageFold(FrameRun& run, int32_t dir);     // 33: dir != 0 folds down, else right

// --- time-proportional (sliding_frames.cpp) ---
void MirrorBand(FrameRun& run, int32_t dir);   // 15: 0 left, 1 top, 2 right, 3 bottom
void Smear(FrameRun& run, int32_t dir);        // 17: 0 up, 1 leftwards, 2 down, 3 rightwards
void Shredder(FrameRun& run, int32_t dir);     // 27: dir != 0 columns, else rows
void BandComb(FrameRun& run, int32_t dir);     // 28: dir != 0 sideways bands, else upright
void BrickComb(FrameRun& run, int32_t dir);    // 10: dir != 0 columns, else rows
void CurtainDrop(FrameRun& run, int32_t dir);  // 36: dir != 0 starting right
void FallingBars(FrameRun& run, int32_t dir);  // 37: no direction

}  // namespace lantern::transitions
