// The Windows backend's System. Every call answers "unknown" (nullopt, 0,
// empty) when the API fails; nothing here decides what the answer means.
//
// [SECTION] Strings  [SECTION] The process  [SECTION] Input and power
// [SECTION] Windows of any program  [SECTION] The session
#include "platform/win32/win32_system.h"

#include <windows.h>
// After <windows.h>, which it needs.
#include <powrprof.h>

#include <cstring>
#include <string_view>

#include "base/text.h"
#include "platform/win32/win32_util.h"

namespace lantern::platform::win32 {

namespace {

// [SECTION] Strings

std::string Narrow(std::wstring_view wide) {
  return base::Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

HWND AsHwnd(NativeHandle handle) {
  return reinterpret_cast<HWND>(handle);
}
NativeHandle AsHandle(HWND hwnd) {
  return reinterpret_cast<NativeHandle>(hwnd);
}

// Reads a string from an API that fills `size` units and returns the length
// written, or, when the buffer is too small, the size it needs counting the
// terminator, or 0 on failure (GetSystemDirectoryW, GetTempPathW,
// GetLongPathNameW and their kind).
template <typename Fill>
std::optional<std::string> ReadString(Fill fill) {
  std::wstring buffer(MAX_PATH + 1, L'\0');
  // The needed size can grow between two calls (a path being renamed); a few
  // attempts are enough for anything but a pathological race.
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD n = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::nullopt;
    if (n < buffer.size()) return Narrow({buffer.data(), n});
    buffer.resize(n);
  }
  return std::nullopt;
}

std::wstring ModulePath() {
  // GetModuleFileNameW truncates silently (returning the buffer size) when the
  // path does not fit, so grow until it does; paths end at 32767 units.
  std::wstring buffer(MAX_PATH, L'\0');
  while (true) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return buffer.substr(0, n);
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

// The name of the mutex every copy of one program file creates. Paths are
// compared without regard to case, as the file system does; a mutex name may
// not hold a backslash and is limited to MAX_PATH units, so a long path is
// replaced by a hash of it.
std::wstring InstanceMutexName(std::wstring path) {
  if (!path.empty()) CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
  for (wchar_t& c : path) {
    if (c == L'\\') c = L'/';
  }
  if (path.size() > 200) {
    uint64_t hash = 0xCBF29CE484222325ull;  // 64-bit FNV-1a over the UTF-16 units
    for (const wchar_t c : path) {
      hash = (hash ^ static_cast<uint16_t>(c)) * 0x100000001B3ull;
    }
    wchar_t hex[17];
    for (int i = 0; i < 16; ++i)
      hex[i] = L"0123456789ABCDEF"[(hash >> (60 - 4 * i)) & 0xF];
    hex[16] = L'\0';
    path = hex;
  }
  return L"Local\\Lantern.Instance." + path;
}

std::wstring ClassNameOf(HWND hwnd, int units) {
  std::wstring buffer(static_cast<size_t>(units), L'\0');
  const int n = GetClassNameW(hwnd, buffer.data(), units);
  buffer.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return buffer;
}

// The enumeration callbacks are named functions: they must be WINAPI
// (stdcall on i686), which a lambda cannot be.

struct TopLevelSearch {
  std::wstring class_name;
  std::vector<std::pair<NativeHandle, Rect>> found;
};

// EnumWindows visits the top-level windows in Z order, front first.
BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM context) {
  auto& search = *reinterpret_cast<TopLevelSearch*>(context);
  // 257 units: the longest class name (256) and the terminator, so the
  // comparison is never made on a truncated name.
  if (ClassNameOf(hwnd, 257) != search.class_name) return TRUE;
  RECT r{};
  GetWindowRect(hwnd, &r);
  search.found.emplace_back(AsHandle(hwnd), Rect{r.left, r.top, r.right, r.bottom});
  return TRUE;
}

BOOL CALLBACK VisitChild(HWND hwnd, LPARAM context) {
  const auto& visit = *reinterpret_cast<const std::function<bool(const ChildWindow&)>*>(context);
  // 64 units as the callers expect: at most 63 characters of each.
  wchar_t text[64] = {};
  const int n = GetWindowTextW(hwnd, text, 64);
  const ChildWindow child{AsHandle(hwnd), Narrow(ClassNameOf(hwnd, 64)),
                          Narrow({text, n > 0 ? static_cast<size_t>(n) : 0})};
  return visit(child) ? TRUE : FALSE;
}

}  // namespace

// [SECTION] The process

std::string Win32System::ModuleFileName() {
  return Narrow(ModulePath());
}

std::string Win32System::CommandLine() {
  // The program's name is skipped as the C runtime skips it: up to the closing
  // quote when it starts with one (no escapes), otherwise up to the first blank.
  const wchar_t* p = GetCommandLineW();
  if (p == nullptr) return {};
  if (*p == L'"') {
    ++p;
    while (*p != L'\0' && *p != L'"')
      ++p;
    if (*p == L'"') ++p;
  } else {
    while (*p != L'\0' && *p != L' ' && *p != L'\t')
      ++p;
  }
  while (*p == L' ' || *p == L'\t')
    ++p;
  return Narrow(p);
}

bool Win32System::PreviousInstance() {
  // Created once per process and never closed: while this process runs, every
  // later copy of the same file finds the mutex already there. A second
  // Win32System in this process must not count as a previous copy.
  static const bool previous = [] {
    const std::wstring path = ModulePath();
    if (path.empty()) return false;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, InstanceMutexName(path).c_str());
    return mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
  }();
  return previous;
}

std::optional<bool> Win32System::IsWow64() {
  // Looked up at run time: systems before XP SP2 have no IsWow64Process.
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return std::nullopt;
  const FARPROC proc = GetProcAddress(kernel, "IsWow64Process");
  if (proc == nullptr) return std::nullopt;
  // Through void (*)(), which converts to and from any function pointer type
  // without a cast-function-type warning.
  const auto is_wow64 = reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void (*)()>(proc));
  BOOL wow64 = FALSE;
  if (!is_wow64(GetCurrentProcess(), &wow64)) return std::nullopt;
  return wow64 != FALSE;
}

std::optional<std::string> Win32System::SystemDirectory(bool wow64) {
  return ReadString([wow64](wchar_t* buffer, DWORD size) -> DWORD {
    return wow64 ? GetSystemWow64DirectoryW(buffer, size) : GetSystemDirectoryW(buffer, size);
  });
}

std::optional<std::string> Win32System::TempPath() {
  return ReadString([](wchar_t* buffer, DWORD size) { return GetTempPathW(size, buffer); });
}

std::optional<std::string> Win32System::LongPathName(const std::string& path) {
  const std::wstring wide = Wide(path);
  return ReadString([&wide](wchar_t* buffer, DWORD size) {
    return GetLongPathNameW(wide.c_str(), buffer, size);
  });
}

std::optional<OsVersion> Win32System::Version() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExW(&info)) return std::nullopt;
  return OsVersion{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion};
}

// [SECTION] Input and power

uint32_t Win32System::TickCount() {
  return GetTickCount();
}

std::optional<uint32_t> Win32System::LastInputTick() {
  LASTINPUTINFO info{};
  info.cbSize = sizeof info;
  if (!GetLastInputInfo(&info)) return std::nullopt;
  return info.dwTime;
}

std::optional<int32_t> Win32System::ScreenSaveTimeout() {
  INT seconds = 0;
  if (!SystemParametersInfoW(SPI_GETSCREENSAVETIMEOUT, 0, &seconds, 0)) return std::nullopt;
  return seconds;
}

PowerTimeouts Win32System::ReadPowerTimeouts() {
  PowerTimeouts timeouts;
  SYSTEM_POWER_STATUS power{};
  const bool on_mains = GetSystemPowerStatus(&power) && power.ACLineStatus == 1;
  SYSTEM_POWER_POLICY policy{};
  // CallNtPowerInformation answers an NTSTATUS, 0 for success.
  if (CallNtPowerInformation(on_mains ? SystemPowerPolicyCurrent : SystemPowerPolicyDc, nullptr, 0,
                             &policy, sizeof policy) == 0) {
    timeouts.sleep = static_cast<int32_t>(policy.IdleTimeout);
    timeouts.hibernate = static_cast<int32_t>(policy.DozeS4Timeout);
  }
  GLOBAL_POWER_POLICY global{};
  POWER_POLICY user{};
  if (GetCurrentPowerPolicies(&global, &user)) {
    timeouts.monitor = static_cast<int32_t>(user.user.VideoTimeoutAc);
  }
  return timeouts;
}

void Win32System::Suspend(bool hibernate) {
  SetSuspendState(hibernate, FALSE, FALSE);
}

// [SECTION] Windows of any program

NativeHandle Win32System::FindTopLevel(const std::string& class_name, const std::string& title) {
  const std::wstring wide_class = Wide(class_name);
  const std::wstring wide_title = Wide(title);
  return AsHandle(FindWindowExW(nullptr, nullptr, class_name.empty() ? nullptr : wide_class.c_str(),
                                wide_title.c_str()));
}

std::vector<std::pair<NativeHandle, Rect>> Win32System::TopLevelWindows(
    const std::string& class_name) {
  TopLevelSearch search{Wide(class_name), {}};
  EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return std::move(search.found);
}

void Win32System::EnumChildWindows(NativeHandle parent,
                                   const std::function<bool(const ChildWindow&)>& visit) {
  // Win32's EnumChildWindows already descends into children of children.
  ::EnumChildWindows(AsHwnd(parent), &VisitChild, reinterpret_cast<LPARAM>(&visit));
}

void Win32System::SendClose(NativeHandle window) {
  // With a time-out, so that a window whose program hangs cannot hang us too.
  DWORD_PTR result = 0;
  SendMessageTimeoutW(AsHwnd(window), WM_CLOSE, 0, 0, SMTO_NORMAL, 5000, &result);
}

Rect Win32System::ClientRect(NativeHandle window) {
  RECT r{};
  if (!GetClientRect(AsHwnd(window), &r)) return {};
  return {r.left, r.top, r.right, r.bottom};
}

// [SECTION] The session

void Win32System::SetApplicationTitle(const std::string& title) {
  if (application_window_ != 0) SetWindowTextW(AsHwnd(application_window_), Wide(title).c_str());
}

void Win32System::ShowCursor(bool show) {
  ::ShowCursor(show ? TRUE : FALSE);
}

void Win32System::SetScreenSaverRunning(bool running) {
  BOOL previous = FALSE;
  SystemParametersInfoW(SPI_SETSCREENSAVERRUNNING, running ? TRUE : FALSE, &previous, 0);
}

void Win32System::AllowForeground() {
  // The time-out travels in the pointer argument itself.
  SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
}

void Win32System::Message(const std::string& text) {
  MessageBoxW(nullptr, Wide(text).c_str(), L"", MB_ICONINFORMATION | MB_OK);
}

std::optional<bool> Win32System::CompositionEnabled() {
  // dwmapi exists from Vista on; looked up at run time so older systems start.
  HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
  if (dwm == nullptr) return std::nullopt;
  using IsEnabled = HRESULT(WINAPI*)(BOOL*);
  const FARPROC proc = GetProcAddress(dwm, "DwmIsCompositionEnabled");
  const auto is_enabled =
      proc ? reinterpret_cast<IsEnabled>(reinterpret_cast<void (*)()>(proc)) : nullptr;
  std::optional<bool> result;
  BOOL enabled = FALSE;
  if (is_enabled != nullptr && SUCCEEDED(is_enabled(&enabled))) result = enabled != FALSE;
  FreeLibrary(dwm);
  return result;
}

void Win32System::MonitorOff() {
  if (HWND foreground = GetForegroundWindow()) {
    SendMessageTimeoutW(foreground, WM_SYSCOMMAND, SC_MONITORPOWER, 2, SMTO_ABORTIFHUNG, 2000,
                        nullptr);
  }
}

void Win32System::SetClipboardBitmap(const Surface& picture) {
  if (!picture.valid()) return;
  // A device-independent bitmap in one global block: header, then the rows
  // bottom-up as CF_DIB wants them.
  const size_t row_bytes = static_cast<size_t>(picture.width) * 4;
  const size_t size = sizeof(BITMAPINFOHEADER) + row_bytes * static_cast<size_t>(picture.height);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (block == nullptr) return;
  auto* bytes = static_cast<uint8_t*>(GlobalLock(block));
  if (bytes == nullptr) {
    GlobalFree(block);
    return;
  }
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = picture.width;
  header.biHeight = picture.height;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  std::memcpy(bytes, &header, sizeof header);
  for (int32_t y = 0; y < picture.height; ++y) {
    std::memcpy(bytes + sizeof header + row_bytes * static_cast<size_t>(picture.height - 1 - y),
                picture.Row(y), row_bytes);
  }
  GlobalUnlock(block);
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    if (SetClipboardData(CF_DIB, block) != nullptr) block = nullptr;  // the clipboard owns it now
    CloseClipboard();
  }
  if (block != nullptr) GlobalFree(block);
}

}  // namespace lantern::platform::win32
