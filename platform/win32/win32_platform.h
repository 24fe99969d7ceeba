// The Windows backend. This header is safe to include from portable code that
// is only built for Windows (tools, tests): it does not include <windows.h>.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace lantern::platform::win32 {

// The backend for the running process. Registers the window class and asks
// for 1 ms timer resolution for as long as it lives. One per process.
std::unique_ptr<Platform> CreateWin32Platform();

// The window class names under which the program's windows are registered;
// other copies of the program are found by these names.
inline constexpr wchar_t kFormClassName[] = L"LanternForm";

}  // namespace lantern::platform::win32
