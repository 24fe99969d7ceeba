// The control bar's cost at 1920 x 1080: one redraw and push of the bar, and
// one follow step (the bar and the size menu redrawn and pushed at the
// window's new place). Natively on the fake backend; under Wine on real
// layered windows (run it with a display). Medians of many runs.
#include <cstdio>
#include <memory>

#include "bench/harness.h"
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

}  // namespace

int main() {
  const auto backend = bench::MakePlatform();
  show::ProcessValues values;
  values.ScreenWidth = 1920;
  show::ShowContext context{*backend, values};
  context.state.DisplayedSlideNumber = 17;
  album::AlbumSettings settings;
  settings.NowI = 120;
  platform::WindowHandler handler;
  const platform::Rect client{192, 108, 1728, 972};
  const platform::WindowId player =
      backend->windows().Create({platform::WindowKind::kBorderless, "", client}, handler);
  Host host(player);
  windows::ControlBarWindows bar{context, settings};
  bar.CreateControlBar(host, /*composition_on=*/true);
  if (!bar.ControlBarReady()) {
    std::fprintf(stderr, "the control bar could not be made\n");
    return 1;
  }
  bar.FollowWindow(client);
  const double redraw = bench::MedianMicroseconds(500, [&](int) { bar.RedrawControlBar(); });
  const double follow = bench::MedianMicroseconds(500, [&](int i) {
    const int32_t dx = i % 50;
    bar.FollowWindow({client.left + dx, client.top, client.right + dx, client.bottom});
  });
  std::printf("control bar redrawn and pushed: %.1f us\n", redraw);
  std::printf("one follow step (bar and size menu placed, redrawn, pushed): %.1f us\n", follow);
  bar.DestroyControlBar();
  backend->windows().Destroy(player);
  return 0;
}
