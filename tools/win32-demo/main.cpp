// Shows that the Windows backend is real: a full-screen window painted from a
// surface with a test pattern, WaitMs keeping it responsive while keys arrive
// as key events, and Esc to leave. Each key is written as a line
// "key CODE SHIFT" to the file named by --log (for the end-to-end test).
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/text.h"
#include "base/texts.h"
#include "platform/win32/win32_platform.h"
#include "show/pacing.h"

namespace {

using lantern::platform::Surface;

// Eight vertical colour bars over the top half; a black-and-white checkerboard
// of 32-pixel squares below. The end-to-end test checks these pixels.
void PaintTestPattern(const Surface& s) {
  constexpr uint32_t kBars[8] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00,
                                 0xFF00FF, 0xFF0000, 0x0000FF, 0x000000};
  for (int32_t y = 0; y < s.height; ++y) {
    uint32_t* row = s.Row(y);
    for (int32_t x = 0; x < s.width; ++x) {
      if (y < s.height / 2) {
        row[x] = kBars[static_cast<int64_t>(x) * 8 / s.width];
      } else {
        row[x] = ((x / 32 + y / 32) % 2 == 0) ? 0xFFFFFF : 0x000000;
      }
    }
  }
}

class DemoWindow final : public lantern::platform::WindowHandler {
 public:
  DemoWindow(lantern::show::ShowState& state, FILE* log) : state_(state), log_(log) {}
  void OnKeyDown(int key, int shift) override {
    if (log_ != nullptr) {
      std::fprintf(log_, "key %d %d\n", key, shift);
      std::fflush(log_);
    }
    if (key == lantern::platform::keys::kEscape) state_.ShowStopping = true;
  }
  void OnCloseRequest() override { state_.ShowStopping = true; }

 private:
  lantern::show::ShowState& state_;
  FILE* log_;
};

FILE* OpenLog(int argc, wchar_t** argv) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::wstring(argv[i]) == L"--log") return _wfopen(argv[i + 1], L"wb");
  }
  return nullptr;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  FILE* log = OpenLog(argc, argv);
  auto platform = lantern::platform::win32::CreateWin32Platform();
  auto& windows = platform->windows();
  const auto screen = platform->desktop().Screen();
  lantern::show::ShowState state;
  DemoWindow handler(state, log);
  const lantern::platform::WindowId window =
      windows.Create({lantern::platform::WindowKind::kBorderless,
                      lantern::texts::kApplicationTitle,
                      {0, 0, screen.width, screen.height},
                      true},
                     handler);
  if (window == 0) return 1;
  auto buffer = platform->surfaces().CreateSurface(screen.width, screen.height);
  PaintTestPattern(buffer->surface());
  lantern::show::Presenter presenter(*platform);
  lantern::show::Pacer pacer(*platform, state, presenter);
  presenter.SetTarget(window, &buffer->surface());
  windows.Show(window, true);
  while (!state.ShowStopping)
    pacer.WaitMs(1000);
  windows.Destroy(window);
  if (log != nullptr) std::fclose(log);
  return 0;
}
