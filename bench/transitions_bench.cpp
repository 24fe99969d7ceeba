// The drawing cost of every transition in the catalogue: all its frames drawn
// back to back without waits at 1920x1080 and 3840x2160, as a fraction of its
// designed duration (the sum of its waits, found on the fake backend where
// drawing costs nothing). Median of three runs.
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

#include "bench/transition_budget.h"

using namespace lantern;
using bench::DesignedRun;
using bench::DrawAllFrames;
using bench::Result;

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
        const double budget = DesignedRun(number, dir, w, h).ms;
        std::printf(" %8.1f / %6.0f ms = %5.2f (%4d fr)", ms[1], budget, ms[1] / budget, frames);
        std::fflush(stdout);  // a row in progress shows which size is being measured
      }
      std::printf("\n");
      std::fflush(stdout);
    }
  }
  return 0;
}
