// The control bar's cost on the fake backend at 1920 x 1080: one redraw and
// push of the bar, and one follow step (both layers redrawn and pushed at
// the window's new place).
#include <benchmark/benchmark.h>

#include "platform/fake/fake_platform.h"
#include "windows/control_bar_windows.h"

namespace {

using namespace lantern;

class Host final : public show::ControlBarHost {
 public:
  explicit Host(platform::WindowId w) : window_(w) {}
  platform::WindowId PlayerWindow() const override { return window_; }
  void RequestWindowSize(int32_t) override {}
  void HideNumberBox() override {}
  void FocusPlayer() override {}
  void KeyDown(int, int) override {}
  void KeyUp(int, int) override {}

 private:
  platform::WindowId window_;
};

struct Bar {
  Bar() {
    fake.set_screen({1920, 1080, 15, 15, 60});
    values.ScreenWidth = 1920;
    settings.NowI = 120;
    context.state.DisplayedSlideNumber = 17;
    player = fake.Create({platform::WindowKind::kBorderless, "", {192, 108, 1728, 972}}, handler);
    host = std::make_unique<Host>(player);
    bar.CreateControlBar(*host, true);
  }
  platform::fake::FakePlatform fake;
  show::ProcessValues values;
  show::ShowContext context{fake, values};
  album::AlbumSettings settings;
  platform::WindowHandler handler;
  platform::WindowId player = 0;
  std::unique_ptr<Host> host;
  windows::ControlBarWindows bar{context, settings};
};

void BM_BarRedrawAndPush(benchmark::State& state) {
  Bar b;
  for (auto _ : state)
    b.bar.RedrawControlBar();
}
BENCHMARK(BM_BarRedrawAndPush);

void BM_FollowStep(benchmark::State& state) {
  Bar b;
  int32_t dx = 0;
  for (auto _ : state) {
    dx = (dx + 1) % 50;
    b.bar.FollowWindow({192 + dx, 108, 1728 + dx, 972});
  }
}
BENCHMARK(BM_FollowStep);

}  // namespace
