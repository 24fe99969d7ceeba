// The player's entry point on Windows.
#include <windows.h>

#include "album/pe_resources.h"
#include "app/program.h"
#include "platform/win32/win32_platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  namespace win32 = lantern::platform::win32;
  auto resources = std::make_unique<lantern::album::PeImageResources>(
      lantern::album::PeImageResources::OverLoadedImage(win32::RunningImage(),
                                                        win32::RunningImageFileReader()));
  auto platform = win32::CreateWin32Platform(std::move(resources));
  return lantern::app::RunProgram(*platform);
}
