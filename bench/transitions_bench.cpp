// The drawing cost of every transition in the catalogue: all its frames drawn
// back to back without waits at 1920x1080 and 3840x2160, as a fraction of its
// time budget (1500 ms or the routine's own sum over its phases for the
// time-paced routines; for the step-based ones the sum of their fixed per-step
// delays). Median of three runs.
// Built natively and for i686 (run under Wine): the same plain harness, since
// Google Benchmark is not packaged for mingw. Numbers given as arguments
// limit the run to those transitions.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "transitions/catalogue.h"

namespace {

using namespace lantern;

struct Result {
  double ms = 0;
  int32_t frames = 0;
};

Result DrawAllFrames(int32_t number, int32_t dir, int32_t w, int32_t h) {
  platform::HeapSurfaceBuffer dst(w, h), source(w, h), tmp(w, h), p4(w, h), p5(w, h);
  imaging::Fill(dst.surface(), 0, 0, w, h, 0x336699);
  imaging::Fill(source.surface(), 0, 0, w, h, 0xCC8833);
  for (int32_t y = 0; y < h; y += 7)
    imaging::Fill(source.surface(), 0, y, w, 1, 0x102030);
  platform::fake::FakePlatform fake;
  show::ShowState state;
  show::Presenter presenter(fake);  // no window: presents cost nothing
  show::Pacer pacer(fake, state, presenter);
  base::Rnd rnd;
  Result r;
  transitions::Catalogue catalogue(
      {pacer, presenter, state, fake.clock(), rnd, 7, 1500, false, [&] { ++r.frames; }});
  const show::Surfaces s{dst.surface(), source.surface(), tmp.surface(), p4.surface(),
                         p5.surface()};
  const auto start = std::chrono::steady_clock::now();
  catalogue.Run(number, s, dir & 1, dir);
  r.ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return r;
}

// The time the routine is meant to take at this size.
double BudgetMs(int32_t number, int32_t dir, int32_t w, int32_t h, int32_t frames) {
  const auto ticks = [](int32_t base, int32_t extent) {
    return transitions::StepTicks(base, extent) / 10.0;
  };
  const bool rows = dir == 1 || dir == 3;
  switch (number) {
    case 13:
    case 17:
    case 37:
      return 2500;
    case 29:
    case 34:
      return 2000;
    case 23:
    case 25:
    case 26:
      return frames * (rows ? ticks(19456, h) : ticks(19200, w));
    case 24:
      return frames * ticks(19200, w);
    case 33:
      return frames * (dir != 0 ? ticks(28672, h) : ticks(28160, w));
    default:
      return 1500;
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int32_t> only;
  for (int i = 1; i < argc; ++i)
    only.push_back(std::atoi(argv[i]));
  std::printf("%-12s %4s %3s  %-34s %-34s\n", "routine", "no.", "dir", "1920x1080: ms / budget",
              "3840x2160: ms / budget");
  for (int32_t number = 0; number <= transitions::kLastTransition; ++number) {
    if (!transitions::Catalogue::Has(number)) continue;
    if (!only.empty() && std::find(only.begin(), only.end(), number) == only.end()) continue;
    for (int32_t dir = 0; dir < std::min(2, transitions::Catalogue::DirectionCount(number));
         ++dir) {
      std::printf("%-12s %4d %3d ",
                  std::string(transitions::Catalogue::Entry(number, 0)->name).c_str(), number, dir);
      std::fflush(stdout);
      for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{3840, 2160}}) {
        std::vector<double> ms;
        int32_t frames = 0;
        for (int i = 0; i < 3; ++i) {
          const Result r = DrawAllFrames(number, dir, w, h);
          ms.push_back(r.ms);
          frames = r.frames;
        }
        std::sort(ms.begin(), ms.end());
        const double budget = BudgetMs(number, dir, w, h, frames);
        std::printf(" %8.1f / %6.0f ms = %5.2f (%4d fr)", ms[1], budget, ms[1] / budget, frames);
        std::fflush(stdout);  // a row in progress shows which size is being measured
      }
      std::printf("\n");
      std::fflush(stdout);
    }
  }
  return 0;
}
