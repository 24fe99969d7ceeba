// The player's entry point on Windows.
#include <windows.h>

#include "app/program.h"
#include "platform/win32/win32_platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  auto platform = lantern::platform::win32::CreateWin32Platform();
  return lantern::app::RunProgram(*platform);
}
