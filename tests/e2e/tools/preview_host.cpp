// A stand-in for the little monitor of the display settings: a window whose
// client area hosts a screen saver's preview. It starts the saver with "/p"
// and its own handle, reports how long the saver took to put its window in
// the client area and to show a photo in its middle, destroys itself after
// the given seconds (as the display settings do when they close) and reports
// whether the saver ended.
//   preview_host.exe SAVER SECONDS
// Prints "client X Y W H" (the client area on the screen), "first-photo-ms N"
// (or "none"), "child-ms N" (-1: no window), the saver's windows inside
// ("child CLASS LEFT TOP RIGHT BOTTOM visible 0|1") and "ended EXIT_CODE" (or
// "still-running"); the exit code is 0 when the saver's window appeared and
// the saver ended within 5 seconds of the host's end.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr int kClientWidth = 320;
constexpr int kClientHeight = 240;

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_ERASEBKGND) {
    RECT r;
    GetClientRect(hwnd, &r);
    FillRect(reinterpret_cast<HDC>(w), &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    return 1;
  }
  return DefWindowProcW(hwnd, message, w, l);
}

HWND MakeHost() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = &HostProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"PreviewHost";
  RegisterClassW(&wc);
  RECT r{0, 0, kClientWidth, kClientHeight};
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE | WS_CLIPCHILDREN;
  AdjustWindowRect(&r, style, FALSE);
  return CreateWindowExW(0, L"PreviewHost", L"preview host", style, 100, 100, r.right - r.left,
                         r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// The centre of the client area shows something other than the host's white
// and the preview's black.
bool PhotoShown(HWND host) {
  POINT centre{kClientWidth / 2, kClientHeight / 2};
  ClientToScreen(host, &centre);
  HDC screen = GetDC(nullptr);
  const COLORREF c = GetPixel(screen, centre.x, centre.y);
  ReleaseDC(nullptr, screen);
  if (c == CLR_INVALID) return false;
  const int sum = GetRValue(c) + GetGValue(c) + GetBValue(c);
  return sum > 60 && sum < 700;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
  wchar_t name[64] = {};
  GetClassNameW(child, name, 63);
  RECT r{};
  GetWindowRect(child, &r);
  std::printf("child %ls %ld %ld %ld %ld visible %d\n", name, r.left, r.top, r.right, r.bottom,
              IsWindowVisible(child) ? 1 : 0);
  return TRUE;
}

double Ms(const LARGE_INTEGER& from, const LARGE_INTEGER& frequency) {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart - from.QuadPart) * 1000.0 /
         static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  const double seconds = _wtof(argv[2]);
  HWND host = MakeHost();
  if (host == nullptr) return 2;
  Pump();
  POINT origin{0, 0};
  ClientToScreen(host, &origin);
  std::printf("client %ld %ld %d %d\n", origin.x, origin.y, kClientWidth, kClientHeight);
  std::wstring command = L"\"" + std::wstring(argv[1]) + L"\" /p " +
                         std::to_wstring(reinterpret_cast<uintptr_t>(host));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION saver{};
  LARGE_INTEGER frequency, start;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &saver)) {
    return 2;
  }
  double first_photo = -1;
  double child_shown = -1;
  while (Ms(start, frequency) < seconds * 1000.0) {
    Pump();
    if (first_photo < 0 && PhotoShown(host)) first_photo = Ms(start, frequency);
    HWND child = FindWindowExW(host, nullptr, L"LanternForm", nullptr);
    if (child_shown < 0 && child != nullptr && IsWindowVisible(child)) {
      child_shown = Ms(start, frequency);
    }
    Sleep(2);
  }
  std::printf("child-ms %.0f\n", child_shown);
  if (first_photo < 0) {
    std::printf("first-photo-ms none\n");
  } else {
    std::printf("first-photo-ms %.0f\n", first_photo);
  }
  if (WaitForSingleObject(saver.hProcess, 0) == WAIT_OBJECT_0) std::printf("ended-early\n");
  EnumChildWindows(host, &PrintChild, 0);
  DestroyWindow(host);
  Pump();
  const bool ended = WaitForSingleObject(saver.hProcess, 5000) == WAIT_OBJECT_0;
  DWORD code = 0;
  GetExitCodeProcess(saver.hProcess, &code);
  if (ended) {
    std::printf("ended %lu\n", static_cast<unsigned long>(code));
  } else {
    std::printf("still-running\n");
    TerminateProcess(saver.hProcess, 1);
  }
  std::fflush(stdout);
  CloseHandle(saver.hThread);
  CloseHandle(saver.hProcess);
  return child_shown >= 0 && ended ? 0 : 1;
}
