// Pacing figures on the real backend under Wine: how long WaitMs really
// waits, what one pacing step costs when nothing is due, and what presenting
// a full-HD frame costs. Prints medians (and quartiles) of repeated runs.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "show/pacing.h"

namespace {

struct Figures {
  double q1, median, q3;
};

Figures Quartiles(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const auto at = [&](double f) {
    return v[static_cast<size_t>(f * static_cast<double>(v.size() - 1))];
  };
  return {at(0.25), at(0.5), at(0.75)};
}

void Print(const char* name, const Figures& f, const char* unit) {
  std::printf("%-36s median %10.3f %s   (quartiles %.3f .. %.3f)\n", name, f.median, unit, f.q1,
              f.q3);
}

class NoEvents final : public lantern::platform::WindowHandler {};

}  // namespace

int main() {
  auto platform = lantern::platform::win32::CreateWin32Platform();
  auto& clock = platform->clock();
  const double counts_per_ms = static_cast<double>(clock.CounterFrequency()) / 1000.0;
  lantern::show::ShowState state;
  lantern::show::Presenter presenter(*platform);
  lantern::show::Pacer pacer(*platform, state, presenter);

  for (const int32_t ms : {1, 10, 500}) {
    std::vector<double> runs;
    for (int i = 0; i < 20; ++i) {
      const int64_t start = clock.Counter();
      pacer.WaitMs(ms);
      runs.push_back(static_cast<double>(clock.Counter() - start) / counts_per_ms);
    }
    char name[64];
    std::snprintf(name, sizeof name, "WaitMs(%d), real duration", ms);
    Print(name, Quartiles(runs), "ms");
  }

  std::vector<double> step_runs;
  for (int r = 0; r < 20; ++r) {
    constexpr int kSteps = 200'000;
    const int64_t start = clock.Counter();
    for (int i = 0; i < kSteps; ++i)
      pacer.Step();
    step_runs.push_back(static_cast<double>(clock.Counter() - start) / counts_per_ms * 1e6 /
                        kSteps);
  }
  Print("pacing step, nothing due", Quartiles(step_runs), "ns");

  // A frame presented to a shown full-screen window, at the screen's size.
  NoEvents handler;
  auto& windows = platform->windows();
  const lantern::platform::ScreenMetrics screen = platform->desktop().Screen();
  const lantern::platform::WindowId window =
      windows.Create({lantern::platform::WindowKind::kBorderless,
                      "bench",
                      {0, 0, screen.width, screen.height},
                      true},
                     handler);
  auto buffer = platform->surfaces().CreateSurface(screen.width, screen.height);
  platform->painting().AttachSurface(window, &buffer->surface());
  windows.Show(window, true);
  platform->loop().PumpMessages();
  std::vector<double> present_runs;
  for (int i = 0; i < 50; ++i) {
    const int64_t start = clock.Counter();
    platform->painting().Present(window, {0, 0, screen.width, screen.height});
    GdiFlush();
    present_runs.push_back(static_cast<double>(clock.Counter() - start) / counts_per_ms);
  }
  const std::string name =
      "present a " + std::to_string(screen.width) + "x" + std::to_string(screen.height) + " frame";
  Print(name.c_str(), Quartiles(present_runs), "ms");
  windows.Destroy(window);
  return 0;
}
