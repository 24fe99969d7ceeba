// The player's entry point on Windows.
#include <windows.h>

#include "album/pe_resources.h"
#include "app/program.h"
#include "platform/thread_worker.h"
#include "platform/win32/win32_platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  namespace win32 = lantern::platform::win32;
  auto resources = std::make_unique<lantern::album::PeImageResources>(
      lantern::album::PeImageResources::OverLoadedImage(win32::RunningImage(),
                                                        win32::RunningImageFileReader()));
  auto platform = win32::CreateWin32Platform(std::move(resources));
  const int code = lantern::app::RunProgram(*platform);
  // The show has ended and cleaned up after itself, but a worker may have
  // left a decode running that the system cannot stop part-way (seconds for
  // a very large photo). Rather than wait for it, or shut GDI+ down and free
  // the decoder under it with the platform, the process ends here:
  // ExitProcess ends that thread first, and the job held nothing but its own
  // buffers and the decoder.
  if (lantern::platform::ThreadWorker::LeftRunning() > 0) ExitProcess(static_cast<UINT>(code));
  return code;
}
