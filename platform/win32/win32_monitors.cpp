// The Windows backend's Monitors.
#include "platform/win32/win32_monitors.h"

#include <cwchar>

#include "platform/win32/win32_util.h"

namespace lantern::platform::win32 {

namespace {

Rect FromRect(const RECT& r) {
  return {r.left, r.top, r.right, r.bottom};
}

// A named function: the callback must be WINAPI (stdcall on i686), which a
// lambda cannot be.
BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM context) {
  auto& list = *reinterpret_cast<std::vector<MonitorInfo>*>(context);
  MONITORINFOEXW info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return TRUE;  // gone meanwhile: skip it
  // The device name fills a fixed array; what follows its first NUL is not part of it.
  const size_t name_length = wcsnlen(info.szDevice, CCHDEVICENAME);
  list.push_back({FromRect(info.rcMonitor), FromRect(info.rcWork),
                  (info.dwFlags & MONITORINFOF_PRIMARY) != 0,
                  Narrow({info.szDevice, name_length})});
  return TRUE;
}

}  // namespace

std::vector<MonitorInfo> Win32Monitors::List() {
  std::vector<MonitorInfo> list;
  if (!EnumDisplayMonitors(nullptr, nullptr, &CollectMonitor, reinterpret_cast<LPARAM>(&list))) {
    return {};
  }
  return list;
}

VirtualScreen Win32Monitors::Virtual() {
  const int32_t left = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int32_t top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return {{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
           top + GetSystemMetrics(SM_CYVIRTUALSCREEN)},
          GetSystemMetrics(SM_CMONITORS)};
}

}  // namespace lantern::platform::win32
