// The Windows backend's Monitors: EnumDisplayMonitors with GetMonitorInfoW,
// and the virtual screen's system metrics. Does not include <windows.h>.
#pragma once

#include "platform/platform.h"

namespace lantern::platform::win32 {

class Win32Monitors final : public Monitors {
 public:
  std::vector<MonitorInfo> List() override;
  VirtualScreen Virtual() override;
};

}  // namespace lantern::platform::win32
