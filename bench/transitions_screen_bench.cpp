// Every transition as the player shows it: drawn from the time and presented
// to a real full-screen window, at the screen's size (run it under Wine on an
// Xvfb of 1920x1080, then of 3840x2160). For each routine and its first two
// directions, its time on the screen against its designed duration (the sum
// of its waits, found on the fake backend where drawing costs nothing), and
// the presents against the routine's own steps, with their rate while the
// picture changes (at most the display rate, which Xvfb reports as 60, and
// at most the steps). Numbers given as arguments limit the run to
// those transitions. Each line ends with the run's wall-clock span ("@ start
// end", milliseconds since the epoch), by which scripts/bench counts the
// screen's updates from outside.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/harness.h"
#include "bench/transition_budget.h"

using namespace lantern;

namespace {

struct Screen {
  explicit Screen(platform::Platform& p) : backend(p) {
    const platform::ScreenMetrics m = p.desktop().Screen();
    w = m.width;
    h = m.height;
    for (auto& s : surfaces)
      s = p.surfaces().CreateSurface(w, h);
    window = p.windows().Create({platform::WindowKind::kBorderless, "", {0, 0, w, h}}, handler);
    p.painting().AttachSurface(window, &surfaces[0]->surface());
    p.windows().Show(window, true);
  }
  show::Surfaces Slides() const {
    return {surfaces[0]->surface(), surfaces[1]->surface(), surfaces[2]->surface(),
            surfaces[3]->surface(), surfaces[4]->surface()};
  }
  // The old slide on the screen, the new one in the source.
  void Prepare() {
    imaging::Fill(surfaces[0]->surface(), 0, 0, w, h, 0x336699);
    imaging::Fill(surfaces[1]->surface(), 0, 0, w, h, 0xCC8833);
    for (int32_t y = 0; y < h; y += 7)
      imaging::Fill(surfaces[1]->surface(), 0, y, w, 1, 0x102030);
    backend.painting().Present(window, {0, 0, w, h});
    backend.loop().PumpMessages();
  }
  platform::Platform& backend;
  int32_t w = 0, h = 0;
  std::unique_ptr<platform::SurfaceBuffer> surfaces[5];
  platform::WindowHandler handler;
  platform::WindowId window = 0;
};

// Milliseconds since the epoch, as screen-watch prints them.
long long EpochMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int32_t> only;
  for (int i = 1; i < argc; ++i)
    only.push_back(std::atoi(argv[i]));
  const auto backend = bench::MakePlatform();
  Screen screen(*backend);
  show::ShowState state;
  show::Presenter presenter(*backend);
  presenter.SetTarget(screen.window, &screen.surfaces[0]->surface());
  show::Pacer pacer(*backend, state, presenter);
  base::Rnd rnd;
  // The first present of a run, seen after the frame that follows it.
  int64_t presents_before = 0, first_present = -1;
  transitions::Catalogue catalogue({pacer, presenter, state, backend->clock(), rnd, 7, 1500,
                                    /*waits=*/true, [&] {
                                      if (first_present < 0 &&
                                          presenter.presents() > presents_before)
                                        first_present = presenter.last_present();
                                    }});
  std::printf("%dx%d: time on screen / designed duration, presents\n", screen.w, screen.h);
  for (int32_t number = 0; number <= transitions::kLastTransition; ++number) {
    if (!transitions::Catalogue::Has(number)) continue;
    if (!only.empty() && std::find(only.begin(), only.end(), number) == only.end()) continue;
    for (int32_t dir = 0; dir < std::min(2, transitions::Catalogue::DirectionCount(number));
         ++dir) {
      const bench::Designed designed = bench::DesignedRun(number, dir, screen.w, screen.h);
      screen.Prepare();
      const int64_t presents = presents_before = presenter.presents();
      first_present = -1;
      const auto start = std::chrono::steady_clock::now();
      const long long start_epoch = EpochMs();
      catalogue.Run(number, screen.Slides(), dir & 1, dir);
      const double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count();
      const long long end_epoch = EpochMs();
      const int64_t shown = presenter.presents() - presents;
      std::printf("%-16s %2d %d  %7.0f / %6.0f ms = %5.2f  %4lld presents of %7d steps",
                  std::string(transitions::Catalogue::Entry(number, 0)->name).c_str(), number, dir,
                  ms, designed.ms, ms / designed.ms, static_cast<long long>(shown), designed.steps);
      // The rate while the picture changes, from the first present to the
      // last (a routine may draw nothing visible at its start or towards its
      // end). A rate over a span shorter than a few display frames says
      // nothing.
      const double changing_ms = static_cast<double>(presenter.last_present() - first_present) *
                                 1000.0 / static_cast<double>(backend->clock().CounterFrequency());
      if (first_present >= 0 && changing_ms >= 100)
        std::printf(", %5.1f a second over %4.0f ms",
                    static_cast<double>(shown) * 1000.0 / changing_ms, changing_ms);
      // The wall-clock span, for a watcher of the screen's updates (scripts/bench).
      std::printf("  @ %lld %lld\n", start_epoch, end_epoch);
      std::fflush(stdout);
    }
  }
  backend->windows().Destroy(screen.window);
  return 0;
}
