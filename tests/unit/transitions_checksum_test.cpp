// One checksum per routine and direction over the whole catalogue, from a
// fixed generator state and a fixed clock: any change to what a routine draws
// shows, named by routine and direction. A deliberate change is recorded by
// printing the current table (LANTERN_PRINT_TRANSITION_CHECKSUMS=1) and
// replacing kRecorded with it.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/unit/transitions_test_support.h"

namespace lantern::transitions::testing {
namespace {

struct Recorded {
  int32_t number, dir;
  uint64_t sum;
};

// Printed by the test with LANTERN_PRINT_TRANSITION_CHECKSUMS=1.
constexpr Recorded kRecorded[] = {
    {0, 0, 0xF65EF61CCED26523u},   // RandomBlocks
    {0, 1, 0xABA66BE467F46F04u},   // RandomBlocks
    {1, 0, 0x67E9151B4F350DA1u},   // RandomStrips
    {1, 1, 0x5857B50E3854761Du},   // RandomStrips
    {2, 0, 0x5B4720CF337F7786u},   // SoftWipe
    {2, 1, 0xC86710FE6C53E027u},   // SoftWipe
    {2, 2, 0x13578142A3DC5611u},   // SoftWipe
    {2, 3, 0x6F6F3D021B3F3900u},   // SoftWipe
    {3, 0, 0xCCE018770672E8DBu},   // SoftSplit
    {3, 1, 0x66D023B5AAF6C19Bu},   // SoftSplit
    {4, 0, 0xD1741BAA88016770u},   // RectIris
    {4, 1, 0x0AD15E3CC50589FFu},   // RectIris
    {5, 0, 0x90B60DCA0F72BD5Bu},   // GridReveal
    {5, 1, 0xD630F7F23EFE08EFu},   // GridReveal
    {6, 0, 0x1F80C57E1199816Eu},   // FlyingTiles
    {6, 1, 0xE81273570BFC49DFu},   // FlyingTiles
    {7, 0, 0xC4296528371586C1u},   // Explode
    {8, 0, 0x8253C8688AB9AB47u},   // DiagonalBlocks
    {8, 1, 0x3FF2884030550A2Cu},   // DiagonalBlocks
    {9, 0, 0x05B6AF480D331FF6u},   // Blinds
    {9, 1, 0xD7449344FFA392BBu},   // Blinds
    {10, 0, 0xDC5076A26A0504E5u},  // BrickComb
    {10, 1, 0xABBC6906FCABDBF2u},  // BrickComb
    {11, 0, 0xA4DB245A8FECED85u},  // CircleIris
    {11, 1, 0xD0228E0A2C8D0BF4u},  // CircleIris
    {12, 0, 0xCCDC642D1FDA0D69u},  // TangentCurves
    {12, 1, 0x9D79D629CF1DF874u},  // TangentCurves
    {13, 0, 0x313546ED528D4B97u},  // Ripple
    {14, 0, 0x1E7545D547ACFFF7u},  // ClockSweep
    {14, 1, 0xA4FF3BD4EB5901C0u},  // ClockSweep
    {15, 0, 0x8FA40C43884CB322u},  // MirrorBand
    {15, 1, 0x3E0B854BE926233Fu},  // MirrorBand
    {15, 2, 0x3D46DBA3555858B2u},  // MirrorBand
    {15, 3, 0xF542B474212BB2DDu},  // MirrorBand
    {16, 0, 0x06767C340424A0FBu},  // DiamondIris
    {16, 1, 0x8557DA0F4D4A52D1u},  // DiamondIris
    {17, 0, 0x0C95CFB325733947u},  // Smear
    {17, 1, 0x8AEB40F98517DC68u},  // Smear
    {17, 2, 0xB59930B0385EF432u},  // Smear
    {17, 3, 0x83B806983348B733u},  // Smear
    {18, 0, 0x9C047EA84830CD79u},  // Rays
    {19, 0, 0x0A6A751D29B654DCu},  // Whirlwind
    {19, 1, 0x237D5F64E6167910u},  // Whirlwind
    {20, 0, 0x3BC9CB550103EE2Cu},  // LineSweep
    {20, 1, 0x62A4A2E8B9B293A3u},  // LineSweep
    {20, 2, 0xF9169E4D49BB9616u},  // LineSweep
    {20, 3, 0x7FA67E1C31B67C5Cu},  // LineSweep
    {21, 0, 0xBD262667111FF1A4u},  // ConcentricFrames
    {21, 1, 0x3A9B9B47230E2B7Au},  // ConcentricFrames
    {22, 0, 0x7F3A1A69D4F0756Eu},  // Sparkle
    {22, 1, 0xD8B53E8A4E1CFD31u},  // Sparkle
    {22, 2, 0xDBFBF7C6BE100504u},  // Sparkle
    {22, 3, 0x22474363E3678E95u},  // Sparkle
    {23, 0, 0x6C6C359134B26305u},  // EdgeCover
    {23, 1, 0x33EED322CE4DD2ABu},  // EdgeCover
    {23, 2, 0x9A859E1BF0915905u},  // EdgeCover
    {23, 3, 0x70EF1DBAD90F16A7u},  // EdgeCover
    {24, 0, 0xBD5E8BE804A4968Fu},  // CornerCover
    {24, 1, 0x594D090F92538117u},  // CornerCover
    {24, 2, 0x8485D3D9378782F3u},  // CornerCover
    {24, 3, 0xEC82A169A8DBE3EFu},  // CornerCover
    {25, 0, 0x4DAE0EEB093B077Cu},  // Push
    {25, 1, 0x043BABCA01C44FD7u},  // Push
    {25, 2, 0xC623E202992286FEu},  // Push
    {25, 3, 0xB31BA9CBBC51238Fu},  // Push
    {26, 0, 0xD4A8F44E182F4D6Fu},  // SplitPush
    {26, 1, 0xCCDF0A1EFA008F95u},  // SplitPush
    {26, 2, 0x213D2624D6709C21u},  // SplitPush
    {26, 3, 0x4A88C01F94622C5Fu},  // SplitPush
    {27, 0, 0xDED4A375CBF9E29Bu},  // Shredder
    {27, 1, 0x643951AD0825B81Cu},  // Shredder
    {28, 0, 0x1B3591A438BA5120u},  // BandComb
    {28, 1, 0x4CA1B1ABC60C0571u},  // BandComb
    {29, 0, 0xDB8C6BACA5D1206Fu},  // FilmStrip
    {30, 0, 0x9D2C6ABE37633FEBu},  // CrossFade
    {31, 0, 0x17F20441E92BC61Cu},  // Zoom
    {31, 1, 0x3AAE7D68B65E40A7u},  // Zoom
    {32, 0, 0x81B52EF4F4705E5Eu},  // ShrinkGrow
    {32, 1, 0xEBB7BAC6688A4960u},  // ZoomThrough
    {33, 0, 0x642D4962DC303A25u},  // PageFold
    {33, 1, 0xA5B640351E041A95u},  // PageFold
    {34, 0, 0xBCB842F386F09E90u},  // NegativeFlash
    {35, 0, 0xBB866D4E78F0D638u},  // ShrinkDrop
    {36, 0, 0xA5EEC0A9AACF3C52u},  // CurtainDrop
    {36, 1, 0x9117025BB58A54C2u},  // CurtainDrop
    {37, 0, 0x00A247A734AFB7A9u},  // FallingBars
    {38, 0, 0x016AECCF16EDDA0Du},  // SpiralTiles
    {38, 1, 0x94FFBF45CD3AED39u},  // SpiralTiles
    {39, 0, 0xDC7EB0C33648E689u},  // RotatingPanels
    {39, 1, 0xC2B52E25C882CD43u},  // RotatingPanels
    {40, 0, 0x1C9B9D656BE98FB1u},  // PixelScatter
};

// A 4:3 slide whose width is a multiple of 4 (so Ripple and PixelScatter
// draw), and an odd, lopsided one that takes the rounding and clipping paths.
constexpr Size kSizes[] = {{160, 120}, {203, 117}};
constexpr platform::LocalTime kClock{9, 41, 5, 120};

uint64_t Mix(uint64_t h, uint64_t v) {
  return (h ^ v) * 1099511628211u;
}

// One run as the player runs it (with waits, in virtual time): the frame
// count, the pictures after frames 1, 2, 4, 8, ... and the last picture.
uint64_t Fingerprint(int32_t number, int32_t dir, Size size, int32_t version) {
  Stage stage(size.w, size.h, version);
  stage.fake.set_local_time(kClock);
  stage.rnd.set_state(base::Rnd::kInitialState);
  uint64_t h = 1469598103934665603u;
  const int32_t frames = stage.Run(number, dir, [&](int32_t f) {
    if ((f & (f - 1)) == 0) h = Mix(h, Checksum(stage.dst));
  });
  return Mix(Mix(h, static_cast<uint64_t>(frames)), Checksum(stage.dst));
}

// Each routine and direction at both sizes, and at classes 7 and 5 where its
// steps follow the version class.
std::vector<Recorded> CurrentTable() {
  std::vector<Recorded> table;
  for (const int32_t number : Built())
    for (int32_t dir = 0; dir < Variants(number); ++dir) {
      uint64_t sum = 0;
      for (const Size size : kSizes) {
        sum = Mix(sum, Fingerprint(number, dir, size, 7));
        if (StepsByVersion(number)) sum = Mix(sum, Fingerprint(number, dir, size, 5));
      }
      table.push_back({number, dir, sum});
    }
  return table;
}

std::string Name(int32_t number, int32_t dir) {
  return std::string(Catalogue::Entry(number, dir & 1)->name) + " (" + std::to_string(number) +
         ") dir " + std::to_string(dir);
}

// The routines and directions whose sums differ between the tables, or that
// only one of them has.
std::string Changes(const std::vector<Recorded>& now, const std::vector<Recorded>& before) {
  std::string changes;
  const auto find = [](const std::vector<Recorded>& table, const Recorded& r) {
    for (const Recorded& other : table)
      if (other.number == r.number && other.dir == r.dir) return &other;
    return static_cast<const Recorded*>(nullptr);
  };
  for (const Recorded& r : now) {
    const Recorded* old = find(before, r);
    if (!old)
      changes += "\n  " + Name(r.number, r.dir) + ": not recorded";
    else if (old->sum != r.sum)
      changes += "\n  " + Name(r.number, r.dir) + ": changed";
  }
  for (const Recorded& r : before)
    if (!find(now, r))
      changes += "\n  #" + std::to_string(r.number) + " dir " + std::to_string(r.dir) +
                 ": recorded but not run";
  return changes;
}

void Print(const std::vector<Recorded>& table) {
  std::printf("constexpr Recorded kRecorded[] = {\n");
  for (const Recorded& r : table)
    std::printf("    {%d, %d, 0x%016" PRIX64 "u},  // %s\n", r.number, r.dir, r.sum,
                std::string(Catalogue::Entry(r.number, r.dir & 1)->name).c_str());
  std::printf("};\n");
}

TEST(TransitionChecksums, EveryRoutineDrawsTheRecordedFramesAndTheSameOnASecondRun) {
  const std::vector<Recorded> now = CurrentTable();
  if (const char* print = std::getenv("LANTERN_PRINT_TRANSITION_CHECKSUMS"); print && *print)
    Print(now);
  const std::string changed =
      Changes(now, std::vector<Recorded>(std::begin(kRecorded), std::end(kRecorded)));
  EXPECT_TRUE(changed.empty()) << "What these routines draw changed; if that was meant, print the "
                                  "table with LANTERN_PRINT_TRANSITION_CHECKSUMS=1 and record it:"
                               << changed;
  const std::string unstable = Changes(CurrentTable(), now);
  EXPECT_TRUE(unstable.empty()) << "These routines drew other frames on a second run with the "
                                   "same generator and clock:"
                                << unstable;
}

}  // namespace
}  // namespace lantern::transitions::testing
