// The catalogue: every transition number with its routine and the direction
// argument it takes, and the dispatch the run loop calls.
#include "transitions/catalogue.h"

#include <array>

#include "base/rounding.h"
#include "transitions/blended.h"
#include "transitions/displacement.h"
#include "transitions/reveal.h"
#include "transitions/scaled.h"
#include "transitions/sliding.h"

namespace lantern::transitions {

namespace {

using enum DirectionArg;

// Number -> routine. The second routine of 32 (used when the two-way pick is
// not 0) is kZoomThrough below.
constexpr std::array<CatalogueEntry, kLastTransition + 1> kEntries{{
    {"RandomBlocks", kPick2, RandomBlocks},          // 0
    {"RandomStrips", kPick2, RandomStrips},          // 1
    {"SoftWipe", kPick4, SoftWipe},                  // 2
    {"SoftSplit", kPick2, SoftSplit},                // 3
    {"RectIris", kPick2, RectIris},                  // 4
    {"GridReveal", kCellSizeAndPick2, GridReveal},   // 5
    {"FlyingTiles", kPick2, FlyingTiles},            // 6
    {"Explode", kNone, Explode},                     // 7
    {"DiagonalBlocks", kPick2, DiagonalBlocks},      // 8
    {"Blinds", kPick2, Blinds},                      // 9
    {"BrickComb", kPick2, BrickComb},                // 10
    {"CircleIris", kPick2, CircleIris},              // 11
    {"TangentCurves", kPick2, TangentCurves},        // 12
    {"Ripple", kNone, Ripple, true},                 // 13
    {"ClockSweep", kPick2, ClockSweep},              // 14
    {"MirrorBand", kPick4, MirrorBand},              // 15
    {"DiamondIris", kPick2, DiamondIris},            // 16
    {"Smear", kPick4, Smear},                        // 17
    {"Rays", kNone, Rays},                           // 18
    {"Whirlwind", kPick2, Whirlwind},                // 19
    {"LineSweep", kPick4, LineSweep},                // 20
    {"ConcentricFrames", kPick2, ConcentricFrames},  // 21
    {"Sparkle", kPick4, Sparkle},                    // 22
    {"EdgeCover", kPick4, EdgeCover},                // 23
    {"CornerCover", kPick4, CornerCover},            // 24
    {"Push", kPick4, Push},                          // 25
    {"SplitPush", kPick4, SplitPush},                // 26
    {"Shredder", kPick2, Shredder},                  // 27
    {"BandComb", kPick2, BandComb},                  // 28
    {"FilmStrip", kNone, FilmStrip},                 // 29
    {"CrossFade", kNone, CrossFade},                 // 30
    {"Zoom", kPick2, Zoom},                          // 31
    {"ShrinkGrow", kNone, ShrinkGrow},               // 32 with the two-way pick 0
    {"PageFold", kPick2, PageFold},                  // 33
    {"NegativeFlash", kNone, NegativeFlash},         // 34
    {"ShrinkDrop", kNone, ShrinkDrop},               // 35
    {"CurtainDrop", kPick2, CurtainDrop},            // 36
    {"FallingBars", kNone, FallingBars},             // 37
    {"SpiralTiles", kPick2, SpiralTiles},            // 38
    {"RotatingPanels", kPick2, RotatingPanels},      // 39
    {"PixelScatter", kNone, PixelScatter, true},     // 40
}};
// 32 with a two-way pick other than 0; the run loop gives it 100 steps.
constexpr CatalogueEntry kZoomThrough{"ZoomThrough", kNone, ZoomThrough};

// Restores PicDst's DrawWidth however the routine ends, as the routine that
// widens the pen does on its way out.
class RunScope {
 public:
  RunScope(FrameRun*& slot, FrameRun& run, int32_t& width) : slot_(slot), run_(run), width_(width) {
    slot_ = &run_;
  }
  ~RunScope() {
    width_ = run_.draw_width();
    slot_ = nullptr;
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;

 private:
  FrameRun*& slot_;
  FrameRun& run_;
  int32_t& width_;
};

}  // namespace

const CatalogueEntry* Catalogue::Entry(int32_t number, int32_t pick2) {
  if (number < 0 || number > kLastTransition) return nullptr;
  if (number == 32 && pick2 != 0) return &kZoomThrough;
  return &kEntries[static_cast<size_t>(number)];
}

bool Catalogue::Has(int32_t number, int32_t pick2) {
  const CatalogueEntry* e = Entry(number, pick2);
  return e != nullptr && e->routine != nullptr;
}

bool Catalogue::KeepsOldSlide(int32_t number) const {
  const CatalogueEntry* e = Entry(number, 0);
  return e != nullptr && e->keeps_old_slide;
}

int32_t Catalogue::DirectionCount(int32_t number) {
  const CatalogueEntry* e = Entry(number, 0);
  if (e == nullptr) return 1;
  switch (e->arg) {
    case kPick2:
    case kCellSizeAndPick2:
      return 2;
    case kPick4:
      return 4;
    case kNone:
      break;
  }
  return 1;
}

void Catalogue::Run(int32_t number, const show::Surfaces& surfaces, int32_t pick2, int32_t pick4) {
  const CatalogueEntry* e = Entry(number, pick2);
  if (e == nullptr || e->routine == nullptr || !surfaces.PicDst.valid()) return;
  int32_t dir = 0;
  switch (e->arg) {
    case kPick2:
      dir = pick2;
      break;
    case kPick4:
      dir = pick4;
      break;
    case kCellSizeAndPick2:
      // The cell size (round(width / 20)) is read by the routine from its run.
      dir = pick2;
      break;
    case kNone:
      break;
  }
  FrameRun run(context_, surfaces);
  run.draw_width() = draw_width_;
  RunScope scope(run_, run, draw_width_);
  e->routine(run, dir);
}

}  // namespace lantern::transitions
