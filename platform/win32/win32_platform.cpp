// Win32 backend: translates window messages into handler calls and calls the
// API; it decides nothing. All state of one native window is in NativeWindow.
//
// [SECTION] Clock  [SECTION] Message loop  [SECTION] Windows
// [SECTION] Layered windows  [SECTION] Application window  [SECTION] Surfaces
#include "platform/win32/win32_platform.h"

#include <windows.h>
// After <windows.h>, which they need.
#include <commctrl.h>
#include <mmsystem.h>
#include <objbase.h>
#include <windowsx.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/thread_worker.h"
#include "platform/win32/win32_dialogs.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_layer.h"
#include "platform/win32/win32_media.h"
#include "platform/win32/win32_monitors.h"
#include "platform/win32/win32_pictures.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_util.h"

namespace lantern::platform::win32 {

namespace {

int ShiftState() {
  int shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= kShiftMask;
  if (GetKeyState(VK_CONTROL) < 0) shift |= kCtrlMask;
  if (GetKeyState(VK_MENU) < 0) shift |= kAltMask;
  return shift;
}

int ButtonState(WPARAM w) {
  int buttons = 0;
  if (w & MK_LBUTTON) buttons |= kLeftButton;
  if (w & MK_RBUTTON) buttons |= kRightButton;
  if (w & MK_MBUTTON) buttons |= kMiddleButton;
  return buttons;
}

// Blits an area of a 32-bit top-down surface to a device context. Only the
// rows of the area are described to GDI, so there is no doubt about which
// end of the bitmap the source origin counts from.
void BlitSurface(HDC dc, const Surface& surface, const Rect& area) {
  const Rect r = Intersect(area, surface.bounds());
  if (r.empty()) return;
  BITMAPINFO info = TopDown32(surface.stride / 4, r.height());
  StretchDIBits(dc, r.left, r.top, r.width(), r.height(), r.left, 0, r.width(), r.height(),
                surface.Row(r.top), &info, DIB_RGB_COLORS, SRCCOPY);
}

// [SECTION] Surfaces: DIB sections, so GDI and GDI+ can draw into them too.
class DibSurfaceBuffer final : public SurfaceBuffer {
 public:
  DibSurfaceBuffer(int32_t width, int32_t height) {
    width = width < 1 ? 1 : width;
    height = height < 1 ? 1 : height;
    BITMAPINFO info = TopDown32(width, height);
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap_ != nullptr && bits != nullptr) {
      surface_ = {static_cast<uint8_t*>(bits), width, height, width * 4};
    }
  }
  ~DibSurfaceBuffer() override {
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
  }

 private:
  HBITMAP bitmap_ = nullptr;
};

struct NativeWindow {
  HWND hwnd = nullptr;
  WindowHandler* handler = nullptr;
  const Surface* surface = nullptr;
  bool busy_cursor = false;
  HWND tool_tip = nullptr;             // owned by the window, so destroyed with it
  std::unique_ptr<LayerBitmap> layer;  // layered windows only: what they show
};

// The resources of a platform made without any.
class NoResources final : public Resources {
 public:
  std::optional<std::vector<uint8_t>> LoadData(const std::string&) override { return std::nullopt; }
};

class Win32Platform final : public Platform,
                            Clock,
                            MessageLoop,
                            WindowSystem,
                            WindowStates,
                            WindowPainting,
                            WindowTimers,
                            Desktop,
                            Surfaces,
                            LayeredWindows {
 public:
  explicit Win32Platform(std::unique_ptr<Resources> resources);
  ~Win32Platform() override;

  Clock& clock() override { return *this; }
  MessageLoop& loop() override { return *this; }
  WindowSystem& windows() override { return *this; }
  WindowStates& window_states() override { return *this; }
  WindowPainting& painting() override { return *this; }
  WindowTimers& timers() override { return *this; }
  Desktop& desktop() override { return *this; }
  Surfaces& surfaces() override { return *this; }
  Resources& resources() override { return *resources_; }
  PictureDecoder& pictures() override { return pictures_; }
  TextRenderer& text() override { return text_; }
  GdiplusTextRenderer& gdiplus_text() { return text_; }
  FileSystem& files() override { return files_; }
  Process& process() override { return system_; }
  Power& power() override { return system_; }
  ForeignWindows& foreign_windows() override { return system_; }
  Registry& registry() override { return system_; }
  Fonts& fonts() override { return system_; }
  Clipboard& clipboard() override { return system_; }
  MessageBoxes& messages() override { return system_; }
  CodePage& code_page() override { return system_; }
  CommonDialogs& common_dialogs() override { return dialogs_; }
  Monitors& monitors() override { return monitors_; }
  LayeredWindows& layered() override { return *this; }
  MediaPlayerFactory& media() override { return *media_; }
  // The worker thread joins the process's multithreaded COM apartment, so the
  // decoders GDI+ reaches through COM work there as on the interface thread.
  // A worker that ends waits 100 ms at most for its job: a decode inside
  // GDI+ or WIC that cannot be stopped is left running (see wWinMain).
  std::unique_ptr<Worker> CreateWorker() override {
    return std::make_unique<ThreadWorker>([] { CoInitializeEx(nullptr, COINIT_MULTITHREADED); },
                                          [] { CoUninitialize(); }, std::chrono::milliseconds(100));
  }

  // [SECTION] Clock
  uint32_t NowMs() override { return timeGetTime(); }
  int64_t Counter() override {
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return value.QuadPart;
  }
  int64_t CounterFrequency() override { return frequency_; }
  LocalTime Now() override {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
  }

  // [SECTION] Message loop
  std::unique_ptr<WaitTimer> StartWaitTimer(int32_t ms) override;
  bool RearmWaitTimer(WaitTimer& timer, int32_t ms) override;
  WaitResult WaitForTimerOrMessage(WaitTimer& timer) override;
  void PumpMessages() override;

  // [SECTION] Windows
  WindowId Create(const WindowSpec& spec, WindowHandler& handler) override;
  void Destroy(WindowId window) override;
  bool Exists(WindowId window) override { return Hwnd(window) != nullptr; }
  void Show(WindowId window, bool activate) override;
  void Hide(WindowId window) override;
  void SetBounds(WindowId window, const Rect& bounds) override;
  Rect Bounds(WindowId window) override;
  void SetTopmost(WindowId window, bool topmost) override;
  void Raise(WindowId window) override;
  void SetTitle(WindowId window, const std::string& title) override;
  void Minimise(WindowId window) override;
  bool IsMinimised(WindowId window) override;
  void Restore(WindowId window) override;
  void SetForeground(WindowId window) override;
  void SetNativeParent(WindowId window, NativeHandle parent) override;
  NativeHandle Native(WindowId window) override;
  void AttachSurface(WindowId window, const Surface* surface) override;
  void Present(WindowId window, const Rect& area) override;
  void PresentAreas(WindowId window, std::span<const Rect> areas) override;
  void StartTimer(WindowId window, int timer_id, uint32_t interval_ms) override;
  void StopTimer(WindowId window, int timer_id) override;
  ScreenMetrics Screen() override;
  void SetFramed(WindowId window, bool framed) override;
  Rect ClientBounds(WindowId window) override;
  void SetBusyCursor(WindowId window, bool busy) override;
  uint32_t SystemColourOf(SystemColour colour) override {
    return GetSysColor(static_cast<int>(colour));
  }
  void AddToolTip(WindowId window, const Rect& area, const std::string& text) override;
  bool ApplicationActive() override { return GetActiveWindow() != nullptr; }
  std::unique_ptr<SurfaceBuffer> CreateSurface(int32_t width, int32_t height) override {
    return std::make_unique<DibSurfaceBuffer>(width, height);
  }

  // [SECTION] Layered windows
  WindowId CreateLayered(const Rect& bounds, bool topmost, WindowId owner,
                         WindowHandler& handler) override;
  bool PushLayer(WindowId window, const Surface& layer, const Rect& bounds) override;
  void MoveLayered(WindowId window, const Rect& bounds) override;
  void ShowLayered(WindowId window, bool show) override;
  void DestroyLayered(WindowId window) override { Destroy(window); }

 private:
  WindowId CreateNative(DWORD ex_style, DWORD style, const WindowSpec& spec,
                        WindowHandler& handler);
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);
  static LRESULT Translate(NativeWindow& window, UINT message, WPARAM w, LPARAM l);
  static LRESULT CALLBACK ApplicationProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);
  void CloseRequestToEveryForm();
  NativeWindow* Find(WindowId id);
  HWND Hwnd(WindowId id) {
    NativeWindow* w = Find(id);
    return w ? w->hwnd : nullptr;
  }

  HINSTANCE instance_;
  const std::wstring form_class_ = Wide(kFormClassName);
  const std::wstring application_class_ = Wide(kApplicationClassName);
  HWND application_window_ = nullptr;
  std::unique_ptr<Resources> resources_;
  Win32FileSystem files_;
  Win32System system_;
  Win32Monitors monitors_;
  Win32CommonDialogs dialogs_;
  std::unique_ptr<MediaPlayerFactory> media_ = CreateDirectShowFactory();
  GdiplusSession gdiplus_;
  GdiplusPictureDecoder pictures_{gdiplus_};
  GdiplusTextRenderer text_{gdiplus_};
  int64_t frequency_ = 1;
  std::map<WindowId, std::unique_ptr<NativeWindow>> windows_;
  WindowId next_id_ = 1;
};

class Win32WaitTimer final : public WaitTimer {
 public:
  explicit Win32WaitTimer(HANDLE h) : handle(h) {}
  ~Win32WaitTimer() override { CloseHandle(handle); }
  HANDLE handle;
};

// The name of the first icon group, copied (the name is valid only during
// the call); its number when it has one.
struct FirstIconGroup {
  std::wstring name;
  WORD id = 0;
};

BOOL CALLBACK TakeFirstIconGroup(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
  auto* first = reinterpret_cast<FirstIconGroup*>(param);
  if (IS_INTRESOURCE(name)) {
    first->id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
  } else {
    first->name = name;
  }
  return FALSE;  // the first is enough
}

// The icon of the executable's first icon group, whatever its name or number
// (the one the shell shows for the file); nullptr when it has none.
HICON FirstIcon(HINSTANCE instance) {
  FirstIconGroup first;
  EnumResourceNamesW(instance, MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, &TakeFirstIconGroup,
                     reinterpret_cast<LONG_PTR>(&first));
  if (first.id != 0) return LoadIconW(instance, MAKEINTRESOURCEW(first.id));
  return first.name.empty() ? nullptr : LoadIconW(instance, first.name.c_str());
}

Win32Platform::Win32Platform(std::unique_ptr<Resources> resources)
    : instance_(GetModuleHandleW(nullptr)),
      resources_(resources ? std::move(resources) : std::make_unique<NoResources>()) {
  LARGE_INTEGER frequency;
  if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0) {
    frequency_ = frequency.QuadPart;
  }
  timeBeginPeriod(1);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &Win32Platform::WindowProc;
  wc.hInstance = instance_;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hIcon = FirstIcon(instance_);
  wc.lpszClassName = form_class_.c_str();
  RegisterClassExW(&wc);

  // The hidden application window (see ApplicationProc).
  WNDCLASSEXW app{};
  app.cbSize = sizeof app;
  app.lpfnWndProc = &Win32Platform::ApplicationProc;
  app.hInstance = instance_;
  app.hIcon = wc.hIcon;
  app.lpszClassName = application_class_.c_str();
  RegisterClassExW(&app);
  application_window_ = CreateWindowExW(0, application_class_.c_str(), L"", WS_POPUP, 0, 0, 0, 0,
                                        nullptr, nullptr, instance_, this);
  system_.set_application_window(reinterpret_cast<NativeHandle>(application_window_));
}

Win32Platform::~Win32Platform() {
  for (auto& [id, w] : windows_) {
    SetWindowLongPtrW(w->hwnd, GWLP_USERDATA, 0);
    DestroyWindow(w->hwnd);
  }
  if (application_window_ != nullptr) {
    SetWindowLongPtrW(application_window_, GWLP_USERDATA, 0);
    DestroyWindow(application_window_);
  }
  timeEndPeriod(1);
}

std::unique_ptr<WaitTimer> Win32Platform::StartWaitTimer(int32_t ms) {
  // Unnamed: a named timer is shared by every process that uses the name, and
  // two copies of the player waiting at once would re-arm each other's.
  HANDLE handle = CreateWaitableTimerW(nullptr, TRUE, nullptr);
  if (handle == nullptr) return nullptr;
  auto timer = std::make_unique<Win32WaitTimer>(handle);
  if (!RearmWaitTimer(*timer, ms)) return nullptr;
  return timer;
}

// A manual-reset timer stays signalled until it is set again, so setting it
// anew serves the next wait as a new timer would.
bool Win32Platform::RearmWaitTimer(WaitTimer& timer, int32_t ms) {
  LARGE_INTEGER due;
  due.QuadPart = -(static_cast<int64_t>(std::max(ms, 0)) * 10'000);  // relative, in 100 ns units
  return SetWaitableTimer(static_cast<Win32WaitTimer&>(timer).handle, &due, 0, nullptr, nullptr,
                          FALSE) != FALSE;
}

WaitResult Win32Platform::WaitForTimerOrMessage(WaitTimer& timer) {
  HANDLE handle = static_cast<Win32WaitTimer&>(timer).handle;
  // MWMO_INPUTAVAILABLE: messages already in the queue wake the wait too, so
  // one that arrived while a handler ran is not left waiting for the timer.
  const DWORD result =
      MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  if (result == WAIT_OBJECT_0) return WaitResult::kTimer;
  if (result == WAIT_OBJECT_0 + 1) return WaitResult::kMessage;
  return WaitResult::kFailed;
}

void Win32Platform::PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;  // the program ends when its forms are gone
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

NativeWindow* Win32Platform::Find(WindowId id) {
  const auto it = windows_.find(id);
  return it == windows_.end() ? nullptr : it->second.get();
}

WindowId Win32Platform::Create(const WindowSpec& spec, WindowHandler& handler) {
  DWORD style = WS_POPUP | WS_CLIPCHILDREN;
  DWORD ex_style = 0;
  if (spec.kind == WindowKind::kFramed) {
    style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    if (spec.owner == 0) ex_style |= WS_EX_APPWINDOW;  // a dialog of its own: a taskbar button
  } else if (spec.kind == WindowKind::kTool) {
    ex_style |= WS_EX_TOOLWINDOW;
  }
  return CreateNative(ex_style, style, spec, handler);
}

WindowId Win32Platform::CreateNative(DWORD ex_style, DWORD style, const WindowSpec& spec,
                                     WindowHandler& handler) {
  if (spec.topmost) ex_style |= WS_EX_TOPMOST;
  auto window = std::make_unique<NativeWindow>();
  window->handler = &handler;
  const Rect& b = spec.bounds;
  window->hwnd =
      CreateWindowExW(ex_style, form_class_.c_str(), Wide(spec.title).c_str(), style, b.left, b.top,
                      b.width(), b.height(), Hwnd(spec.owner), nullptr, instance_, window.get());
  if (window->hwnd == nullptr) return 0;
  const WindowId id = next_id_++;
  windows_[id] = std::move(window);
  return id;
}

void Win32Platform::Destroy(WindowId window) {
  const auto it = windows_.find(window);
  if (it == windows_.end()) return;
  SetWindowLongPtrW(it->second->hwnd, GWLP_USERDATA, 0);  // no more events to the handler
  DestroyWindow(it->second->hwnd);
  windows_.erase(it);
}

void Win32Platform::Show(WindowId window, bool activate) {
  if (HWND h = Hwnd(window)) ShowWindow(h, activate ? SW_SHOW : SW_SHOWNOACTIVATE);
}

void Win32Platform::Hide(WindowId window) {
  if (HWND h = Hwnd(window)) ShowWindow(h, SW_HIDE);
}

void Win32Platform::SetBounds(WindowId window, const Rect& b) {
  if (HWND h = Hwnd(window)) {
    SetWindowPos(h, nullptr, b.left, b.top, b.width(), b.height(), SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

Rect Win32Platform::Bounds(WindowId window) {
  RECT r{};
  if (HWND h = Hwnd(window)) GetWindowRect(h, &r);
  return {r.left, r.top, r.right, r.bottom};
}

void Win32Platform::SetTopmost(WindowId window, bool topmost) {
  if (HWND h = Hwnd(window)) {
    SetWindowPos(h, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void Win32Platform::Raise(WindowId window) {
  if (HWND h = Hwnd(window)) {
    SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void Win32Platform::SetTitle(WindowId window, const std::string& title) {
  if (HWND h = Hwnd(window)) SetWindowTextW(h, Wide(title).c_str());
}

void Win32Platform::Minimise(WindowId window) {
  if (HWND h = Hwnd(window)) ShowWindow(h, SW_MINIMIZE);
}

bool Win32Platform::IsMinimised(WindowId window) {
  HWND h = Hwnd(window);
  return h != nullptr && IsIconic(h);
}

void Win32Platform::Restore(WindowId window) {
  if (HWND h = Hwnd(window)) ShowWindow(h, SW_RESTORE);
}

void Win32Platform::SetForeground(WindowId window) {
  if (HWND h = Hwnd(window)) {
    SetForegroundWindow(h);
    SetFocus(h);
  }
}

void Win32Platform::SetNativeParent(WindowId window, NativeHandle parent) {
  HWND h = Hwnd(window);
  if (h == nullptr) return;
  const LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
  SetWindowLongPtrW(h, GWL_STYLE, (style & ~static_cast<LONG_PTR>(WS_POPUP)) | WS_CHILD);
  SetParent(h, reinterpret_cast<HWND>(parent));
  SetWindowLongPtrW(h, GWLP_HWNDPARENT, static_cast<LONG_PTR>(parent));
}

NativeHandle Win32Platform::Native(WindowId window) {
  return reinterpret_cast<NativeHandle>(Hwnd(window));
}

void Win32Platform::AttachSurface(WindowId window, const Surface* surface) {
  if (NativeWindow* w = Find(window)) w->surface = surface;
}

void Win32Platform::Present(WindowId window, const Rect& area) {
  PresentAreas(window, std::span<const Rect>(&area, 1));
}

void Win32Platform::PresentAreas(WindowId window, std::span<const Rect> areas) {
  NativeWindow* w = Find(window);
  if (w == nullptr || w->surface == nullptr || !w->surface->valid()) return;
  HDC dc = GetDC(w->hwnd);
  if (dc == nullptr) return;
  for (const Rect& area : areas)
    BlitSurface(dc, *w->surface, area);
  ReleaseDC(w->hwnd, dc);
  // The copies must reach the screen now, together, not whenever the system
  // gets round to them: GdiFlush sends the thread's batched drawing, and a
  // wait of no time on the queue is where Wine uploads a window's drawing to
  // X (otherwise it does so only when the thread goes idle, or every 50 ms,
  // and most frames of a busy transition never show).
  GdiFlush();
  MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0);
}

void Win32Platform::StartTimer(WindowId window, int timer_id, uint32_t interval_ms) {
  if (HWND h = Hwnd(window)) SetTimer(h, static_cast<UINT_PTR>(timer_id), interval_ms, nullptr);
}

void Win32Platform::StopTimer(WindowId window, int timer_id) {
  if (HWND h = Hwnd(window)) KillTimer(h, static_cast<UINT_PTR>(timer_id));
}

ScreenMetrics Win32Platform::Screen() {
  ScreenMetrics m;
  m.width = GetSystemMetrics(SM_CXSCREEN);
  m.height = GetSystemMetrics(SM_CYSCREEN);
  if (HDC dc = GetDC(nullptr)) {
    const int dpi_x = GetDeviceCaps(dc, LOGPIXELSX);
    const int dpi_y = GetDeviceCaps(dc, LOGPIXELSY);
    if (dpi_x > 0) m.twips_per_pixel_x = 1440 / dpi_x;
    if (dpi_y > 0) m.twips_per_pixel_y = 1440 / dpi_y;
    if (dpi_y > 0) m.pixels_per_inch_y = dpi_y;
    const int hz = GetDeviceCaps(dc, VREFRESH);
    if (hz > 1) m.refresh_hz = hz;  // 0 or 1 means the hardware default
    ReleaseDC(nullptr, dc);
  }
  return m;
}

void Win32Platform::SetFramed(WindowId window, bool framed) {
  HWND h = Hwnd(window);
  if (h == nullptr) return;
  const LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
  const LONG_PTR frame = WS_DLGFRAME;
  SetWindowLongPtrW(h, GWL_STYLE, framed ? style | frame : style & ~frame);
  SetWindowPos(h, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

Rect Win32Platform::ClientBounds(WindowId window) {
  HWND h = Hwnd(window);
  RECT r{};
  if (h == nullptr || !GetClientRect(h, &r)) return {};
  POINT origin{0, 0};
  ClientToScreen(h, &origin);
  return {origin.x, origin.y, origin.x + r.right, origin.y + r.bottom};
}

void Win32Platform::SetBusyCursor(WindowId window, bool busy) {
  NativeWindow* w = Find(window);
  if (w == nullptr) return;
  w->busy_cursor = busy;
  POINT p;
  if (GetCursorPos(&p) && WindowFromPoint(p) == w->hwnd) {
    SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(busy ? IDC_WAIT : IDC_ARROW)));
  }
}

void Win32Platform::AddToolTip(WindowId window, const Rect& area, const std::string& text) {
  NativeWindow* w = Find(window);
  if (w == nullptr || w->hwnd == nullptr) return;
  if (w->tool_tip == nullptr) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    w->tool_tip =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, w->hwnd, nullptr, instance_, nullptr);
    if (w->tool_tip == nullptr) return;
  }
  std::wstring wide = Wide(text);
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;  // understood by every version of the common controls
  tool.uFlags = TTF_SUBCLASS;         // the tip watches the window's mouse messages itself
  tool.hwnd = w->hwnd;
  tool.uId = static_cast<UINT_PTR>(SendMessageW(w->tool_tip, TTM_GETTOOLCOUNT, 0, 0));
  tool.rect = {area.left, area.top, area.right, area.bottom};
  tool.lpszText = wide.data();
  SendMessageW(w->tool_tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

// [SECTION] Layered windows: a form window with WS_EX_LAYERED, so its events
// take the same way as every other window's.

WindowId Win32Platform::CreateLayered(const Rect& bounds, bool topmost, WindowId owner,
                                      WindowHandler& handler) {
  const WindowSpec spec{WindowKind::kTool, "", bounds, topmost, owner};
  const WindowId id = CreateNative(WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, spec, handler);
  if (id != 0) Find(id)->layer = std::make_unique<LayerBitmap>();
  return id;
}

bool Win32Platform::PushLayer(WindowId window, const Surface& layer, const Rect& bounds) {
  NativeWindow* w = Find(window);
  return w != nullptr && w->layer != nullptr && w->layer->Push(w->hwnd, layer, bounds);
}

void Win32Platform::MoveLayered(WindowId window, const Rect& bounds) {
  NativeWindow* w = Find(window);
  if (w != nullptr && w->layer != nullptr) w->layer->Move(w->hwnd, bounds);
}

void Win32Platform::ShowLayered(WindowId window, bool show) {
  NativeWindow* w = Find(window);
  if (w != nullptr && w->layer != nullptr) ShowWindow(w->hwnd, show ? SW_SHOWNOACTIVATE : SW_HIDE);
}

LRESULT CALLBACK Win32Platform::WindowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(l);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* window = reinterpret_cast<NativeWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (window == nullptr) return DefWindowProcW(hwnd, message, w, l);
  window->hwnd = hwnd;
  // An exception cannot unwind through the system's code that called us: a
  // handler that throws (an allocation that fails, say) ends there, as a
  // failing step ends quietly, and the program goes on.
  try {
    return Translate(*window, message, w, l);
  } catch (...) {
    return 0;
  }
}

// [SECTION] Application window: created hidden and never shown. Other
// programs (and other copies of this one) find it by its class and the
// application title, and close the program by sending it WM_CLOSE.
LRESULT CALLBACK Win32Platform::ApplicationProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(l);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* platform = reinterpret_cast<Win32Platform*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (platform != nullptr && message == WM_CLOSE) {
    // Closing the application closes each form as its own close box would;
    // the application window itself stays until the platform goes. Nothing
    // may unwind through the system's code (see WindowProc).
    try {
      platform->CloseRequestToEveryForm();
    } catch (...) {
    }
    return 0;
  }
  return DefWindowProcW(hwnd, message, w, l);
}

void Win32Platform::CloseRequestToEveryForm() {
  // A handler may destroy its window, or others, so the list is taken first
  // and each window is looked up again before its turn.
  std::vector<WindowId> ids;
  for (const auto& [id, w] : windows_) {
    ids.push_back(id);
  }
  for (const WindowId id : ids) {
    if (NativeWindow* w = Find(id)) w->handler->OnCloseRequest();
  }
}

LRESULT Win32Platform::Translate(NativeWindow& window, UINT message, WPARAM w, LPARAM l) {
  WindowHandler& h = *window.handler;
  const int x = GET_X_LPARAM(l);
  const int y = GET_Y_LPARAM(l);
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (message == WM_SYSKEYDOWN && w == VK_F4) break;  // Alt+F4 becomes WM_CLOSE
      h.OnKeyDown(static_cast<int>(w), ShiftState());
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      h.OnKeyUp(static_cast<int>(w), ShiftState());
      return 0;
    case WM_CHAR:
      h.OnChar(static_cast<char32_t>(w));
      return 0;
    case WM_SYSCHAR:
      return 0;  // no menu beep for Alt+key
    case WM_MOUSEMOVE:
      h.OnMouseMove(ButtonState(w), ShiftState(), x, y);
      return 0;
    case WM_LBUTTONDOWN:
      h.OnMouseDown(kLeftButton, ShiftState(), x, y);
      return 0;
    case WM_RBUTTONDOWN:
      h.OnMouseDown(kRightButton, ShiftState(), x, y);
      return 0;
    case WM_MBUTTONDOWN:
      h.OnMouseDown(kMiddleButton, ShiftState(), x, y);
      return 0;
    case WM_LBUTTONUP:
      h.OnMouseUp(kLeftButton, ShiftState(), x, y);
      return 0;
    case WM_RBUTTONUP:
      h.OnMouseUp(kRightButton, ShiftState(), x, y);
      return 0;
    case WM_MBUTTONUP:
      h.OnMouseUp(kMiddleButton, ShiftState(), x, y);
      return 0;
    case WM_TIMER:
      h.OnTimer(static_cast<int>(w));
      return 0;
    case WM_CLOSE:
      h.OnCloseRequest();
      return 0;
    case WM_ACTIVATE:
      h.OnActivate(LOWORD(w) != WA_INACTIVE);
      return 0;
    case WM_SIZE:
      h.OnResize(LOWORD(l), HIWORD(l));
      return 0;
    case WM_NCDESTROY: {
      // Destroyed from outside (Destroy detaches the handler first): the
      // window's entry stays, without a window, until the program destroys it.
      HWND hwnd = window.hwnd;
      window.hwnd = nullptr;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      h.OnDestroyed();  // may erase `window`: nothing of it is used after this
      return DefWindowProcW(hwnd, message, w, l);
    }
    case WM_SETCURSOR:
      if (window.busy_cursor && LOWORD(l) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
        return TRUE;
      }
      break;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers the whole client area
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window.hwnd, &ps);
      const Rect area{ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom};
      const bool covered = window.surface != nullptr && window.surface->valid() &&
                           Intersect(area, window.surface->bounds()) == area;
      if (!covered) FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      if (window.surface != nullptr && window.surface->valid()) {
        BlitSurface(dc, *window.surface, area);
      }
      EndPaint(window.hwnd, &ps);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window.hwnd, message, w, l);
}

}  // namespace

std::unique_ptr<Platform> CreateWin32Platform(std::unique_ptr<Resources> resources) {
  return std::make_unique<Win32Platform>(std::move(resources));
}

bool AddPrivateFont(Platform& platform, std::vector<uint8_t> bytes) {
  return static_cast<Win32Platform&>(platform).gdiplus_text().AddFontBytes(std::move(bytes));
}

}  // namespace lantern::platform::win32
