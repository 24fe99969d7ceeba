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
    {0, 0, 0x3EE3F908D00AAA6Fu},   // RandomBlocks
    {0, 1, 0x643A4098C7617CFEu},   // RandomBlocks
    {1, 0, 0xF5E2FA907042BA57u},   // RandomStrips
    {1, 1, 0xB9B3CEA0093109D9u},   // RandomStrips
    {2, 0, 0x5B4720CF337F7786u},   // SoftWipe
    {2, 1, 0xC86710FE6C53E027u},   // SoftWipe
    {2, 2, 0x13578142A3DC5611u},   // SoftWipe
    {2, 3, 0x6F6F3D021B3F3900u},   // SoftWipe
    {3, 0, 0xF9646B884F860DCAu},   // SoftSplit
    {3, 1, 0x8A22085617CE9BA9u},   // SoftSplit
    {4, 0, 0x1E8CC878B317EF96u},   // RectIris
    {4, 1, 0xF2E21FF98A7746F1u},   // RectIris
    {5, 0, 0xE6A5A132740EA3ABu},   // GridReveal
    {5, 1, 0x53B519EB24BE7226u},   // GridReveal
    {6, 0, 0x1F80C57E1199816Eu},   // FlyingTiles
    {6, 1, 0xE81273570BFC49DFu},   // FlyingTiles
    {7, 0, 0xC4296528371586C1u},   // Explode
    {8, 0, 0x9A59F6E551E6060Cu},   // DiagonalBlocks
    {8, 1, 0x88DD452C417668E8u},   // DiagonalBlocks
    {9, 0, 0x05B6AF480D331FF6u},   // Blinds
    {9, 1, 0xD7449344FFA392BBu},   // Blinds
    {10, 0, 0x6691561D443A7399u},  // BrickComb
    {10, 1, 0x5545AFA7D8DC2E94u},  // BrickComb
    {11, 0, 0xC900B64729FB582Bu},  // CircleIris
    {11, 1, 0xD6C53E51BE648ABCu},  // CircleIris
    {12, 0, 0x8B2150F79576B7D2u},  // TangentCurves
    {12, 1, 0xE180E0D621F5161Bu},  // TangentCurves
    {13, 0, 0x313546ED528D4B97u},  // Ripple
    {14, 0, 0x1E7545D547ACFFF7u},  // ClockSweep
    {14, 1, 0xA4FF3BD4EB5901C0u},  // ClockSweep
    {15, 0, 0x62C2513F01AB5F1Au},  // MirrorBand
    {15, 1, 0xFA32D2CE6C6E6F76u},  // MirrorBand
    {15, 2, 0xFAB6EDF1191C86C2u},  // MirrorBand
    {15, 3, 0xB11ADA5D6922CD12u},  // MirrorBand
    {16, 0, 0x06767C340424A0FBu},  // DiamondIris
    {16, 1, 0x8557DA0F4D4A52D1u},  // DiamondIris
    {17, 0, 0xDDE6B6F6B88C0298u},  // Smear
    {17, 1, 0x93D07AA947C1B95Au},  // Smear
    {17, 2, 0xC5D6F78230EC8BFEu},  // Smear
    {17, 3, 0xF47FC8890D5D4CE0u},  // Smear
    {18, 0, 0x007D66D3ECAF1DD1u},  // Rays
    {19, 0, 0x0A6A751D29B654DCu},  // Whirlwind
    {19, 1, 0x237D5F64E6167910u},  // Whirlwind
    {20, 0, 0xBF4877F5E47671DFu},  // LineSweep
    {20, 1, 0xE474C26D094B56D2u},  // LineSweep
    {20, 2, 0xF0E5F33DBEFAAC48u},  // LineSweep
    {20, 3, 0x06D0DE8648316C4Fu},  // LineSweep
    {21, 0, 0x680AC5C56BE4F83Eu},  // ConcentricFrames
    {21, 1, 0x5A505E468897A9E0u},  // ConcentricFrames
    {22, 0, 0x9E26012D83A424CFu},  // Sparkle
    {22, 1, 0xB99CF3CEC44C7F82u},  // Sparkle
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
    {29, 0, 0xE6888A62770ABAD8u},  // FilmStrip
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
