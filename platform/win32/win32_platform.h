// The Windows backend. This header is safe to include from portable code that
// is only built for Windows (tools, tests): it does not include <windows.h>.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace lantern::platform::win32 {

// The backend for the running process. Registers the window classes
// (platform::kFormClassName for every window it creates, and
// platform::kApplicationClassName for one hidden application window that
// carries the application title), and asks for 1 ms timer resolution for as
// long as it lives. One per process.
std::unique_ptr<Platform> CreateWin32Platform();

}  // namespace lantern::platform::win32
