// The Windows backend's system services. Every call answers "unknown"
// (nullopt, 0, empty) when the API fails; nothing here decides what the
// answer means.
//
// [SECTION] Strings  [SECTION] The process  [SECTION] Input and power
// [SECTION] Windows of any program  [SECTION] The session
// [SECTION] Settings and the shell  [SECTION] Other processes  [SECTION] Fonts
// [SECTION] Other programs' dialogs
#include "platform/win32/win32_system.h"

#include <windows.h>
// After <windows.h>, which it needs.
#include <powrprof.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <string_view>

#include "base/text.h"
#include "platform/win32/win32_util.h"

namespace lantern::platform::win32 {

namespace {

// [SECTION] Strings

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

// A box belongs to this thread's active window (none when no window of ours
// is active): it stays above the dialog that asked, which takes no input
// until the box is answered.
void Win32System::Message(const std::string& text) {
  MessageBoxW(GetActiveWindow(), Wide(text).c_str(), L"", MB_ICONINFORMATION | MB_OK);
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

bool Win32System::ClipboardHoldsBitmap() {
  // CF_BITMAP is also reported when only a device-independent bitmap is there.
  return IsClipboardFormatAvailable(CF_BITMAP) != FALSE;
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
  BITMAPINFOHEADER header = TopDown32(picture.width, picture.height).bmiHeader;
  header.biHeight = picture.height;  // bottom-up: what clipboard readers expect
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

bool Win32System::Ask(const std::string& text) {
  return MessageBoxW(GetActiveWindow(), Wide(text).c_str(), L"", MB_YESNO | MB_ICONWARNING) ==
         IDYES;
}

// [SECTION] Settings and the shell

namespace {

HKEY RootKey(RegistryRoot root) {
  return root == RegistryRoot::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

}  // namespace

std::optional<uint32_t> Win32System::ReadRegistryDword(RegistryRoot root, const std::string& key,
                                                       const std::string& value) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(RootKey(root), Wide(key).c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD type = 0, data = 0, size = sizeof data;
  const LONG status = RegQueryValueExW(handle, Wide(value).c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(&data), &size);
  RegCloseKey(handle);
  if (status != ERROR_SUCCESS || type != REG_DWORD) return std::nullopt;
  return data;
}

bool Win32System::WriteRegistryString(RegistryRoot root, const std::string& key,
                                      const std::string& value, const std::string& data) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(RootKey(root), Wide(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &handle, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const std::wstring text = Wide(data);
  const LONG status = RegSetValueExW(handle, Wide(value).c_str(), 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(text.c_str()),
                                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return status == ERROR_SUCCESS;
}

bool Win32System::DeleteRegistryKey(RegistryRoot root, const std::string& key) {
  return RegDeleteKeyW(RootKey(root), Wide(key).c_str()) == ERROR_SUCCESS;
}

std::string Win32System::Environment(const std::string& name) {
  wchar_t buffer[256];  // longer values count as unset, as a 255-character read would cut them
  const DWORD n = GetEnvironmentVariableW(Wide(name).c_str(), buffer, 256);
  if (n == 0 || n >= 256) return {};
  return Narrow({buffer, n});
}

std::string Win32System::SpecialFolderPath(SpecialFolder folder) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, static_cast<int>(folder), nullptr, 0, path))) return {};
  return Narrow(path);
}

std::string Win32System::DecodeAnsi(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
  return Narrow(wide);
}

// [SECTION] Other processes

ProcessId Win32System::StartHidden(const std::string& command_line) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION info{};
  std::wstring line = Wide(command_line);  // CreateProcessW may write into it
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &info)) {
    return 0;
  }
  CloseHandle(info.hThread);
  processes_[info.dwProcessId] = reinterpret_cast<uintptr_t>(info.hProcess);
  return info.dwProcessId;
}

int32_t Win32System::ShellRun(const std::string& verb, const std::string& file,
                              const std::string& parameters, bool hidden) {
  const HINSTANCE result =
      ShellExecuteW(nullptr, Wide(verb).c_str(), Wide(file).c_str(), Wide(parameters).c_str(),
                    nullptr, hidden ? SW_HIDE : SW_SHOWNORMAL);
  return static_cast<int32_t>(reinterpret_cast<intptr_t>(result));
}

std::optional<uint32_t> Win32System::ProcessExitCode(ProcessId process) {
  const auto it = processes_.find(process);
  if (it == processes_.end()) return std::nullopt;
  HANDLE handle = reinterpret_cast<HANDLE>(it->second);
  DWORD code = 0;
  if (!GetExitCodeProcess(handle, &code)) return std::nullopt;
  if (code != STILL_ACTIVE) {
    CloseHandle(handle);
    processes_.erase(it);
  }
  return code;
}

// [SECTION] Fonts

namespace {

int CALLBACK CountFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one is enough
}

}  // namespace

bool Win32System::FontFaceUsable(const std::string& face) {
  const std::wstring wide = Wide(face);
  if (wide.empty() || wide.size() >= LF_FACESIZE) return false;
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(query.lfFaceName, wide.c_str(), LF_FACESIZE - 1);
  bool found = false;
  HDC dc = GetDC(nullptr);
  if (dc == nullptr) return false;
  EnumFontFamiliesExW(dc, &query, &CountFace, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return found;
}

bool Win32System::MakeFontResource(const std::string& resource_file, const std::string& font_file,
                                   const std::string& folder) {
  return CreateScalableFontResourceW(0, Wide(resource_file).c_str(), Wide(font_file).c_str(),
                                     Wide(folder).c_str()) != 0;
}

bool Win32System::AddFontFile(const std::string& file) {
  return AddFontResourceW(Wide(file).c_str()) > 0;
}

void Win32System::BroadcastFontChange() {
  SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
}

namespace {

LogicalFont FromLogFont(const LOGFONTW& f) {
  LogicalFont font;
  font.height = f.lfHeight;
  font.weight = f.lfWeight;
  font.italic = f.lfItalic != 0;
  font.underline = f.lfUnderline != 0;
  font.strike_out = f.lfStrikeOut != 0;
  font.char_set = f.lfCharSet;
  // The face name fills a fixed array; what follows its first NUL is not part of it.
  font.face_name = Narrow({f.lfFaceName, wcsnlen(f.lfFaceName, LF_FACESIZE)});
  return font;
}

}  // namespace

std::optional<NonClientMetrics> Win32System::ReadNonClientMetrics() {
  NONCLIENTMETRICSW m{};
  // The record without the padded border width that later versions added:
  // every version of the system accepts this size.
  m.cbSize = offsetof(NONCLIENTMETRICSW, lfMessageFont) + sizeof(LOGFONTW);
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, m.cbSize, &m, 0)) return std::nullopt;
  LOGFONTW icon_title{};
  if (!SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof icon_title, &icon_title, 0)) {
    return std::nullopt;
  }
  return NonClientMetrics{m.iBorderWidth,
                          m.iScrollWidth,
                          m.iScrollHeight,
                          m.iCaptionWidth,
                          m.iCaptionHeight,
                          m.iSmCaptionWidth,
                          m.iSmCaptionHeight,
                          m.iMenuWidth,
                          m.iMenuHeight,
                          FromLogFont(m.lfCaptionFont),
                          FromLogFont(m.lfSmCaptionFont),
                          FromLogFont(m.lfMenuFont),
                          FromLogFont(m.lfStatusFont),
                          FromLogFont(m.lfMessageFont),
                          FromLogFont(icon_title)};
}

// [SECTION] Other programs' dialogs

std::string Win32System::WindowText(NativeHandle window) {
  wchar_t text[64] = {};
  const int n = GetWindowTextW(AsHwnd(window), text, 64);
  return n > 0 ? Narrow({text, static_cast<size_t>(n)}) : std::string();
}

bool Win32System::SelectComboItem(NativeHandle combo, const std::string& item) {
  HWND box = AsHwnd(combo);
  const std::wstring wide = Wide(item);
  const LRESULT index = SendMessageW(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(wide.c_str()));
  if (index == CB_ERR) return false;
  SendMessageW(box, CB_SELECTSTRING, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(wide.c_str()));
  // Told as the user's own choice would tell it, so the dialog updates its preview.
  const WPARAM command = MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE);
  SendMessageW(GetParent(box), WM_COMMAND, command, reinterpret_cast<LPARAM>(box));
  return true;
}

}  // namespace lantern::platform::win32
