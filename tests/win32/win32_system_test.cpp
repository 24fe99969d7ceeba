// The Windows backend's system services under Wine: the process (path, command line and
// the previous-copy check, seen from a child copy of this test program),
// folders, windows found by class and title, close requests sent to forms and
// to the hidden application window (also by the close_window tool), child
// windows, minimising.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/text.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_util.h"

namespace lantern {
namespace {

using platform::NativeHandle;
using platform::Rect;
using platform::win32::Wide;

constexpr char kChildOutputVariable[] = "LANTERN_SYSTEM_TEST_CHILD_OUTPUT";

std::string Utf8(std::wstring_view wide) {
  return base::Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

std::string Upper(const std::string& text) {
  return base::AsciiUpper(text);
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

HWND AsHwnd(NativeHandle handle) {
  return reinterpret_cast<HWND>(handle);
}

// Titles carry this process's id, so windows of another run cannot answer.
std::string Title(const std::string& name) {
  return "lantern system test " + name + " " + std::to_string(GetCurrentProcessId());
}

class CloseCounter final : public platform::WindowHandler {
 public:
  void OnCloseRequest() override {
    ++closes;
    if (on_close) on_close();
  }
  int closes = 0;
  std::function<void()> on_close;
};

class SystemTest : public ::testing::Test {
 protected:
  platform::WindowId CreateForm(const std::string& title, CloseCounter& handler,
                                const Rect& bounds = {40, 40, 240, 190}) {
    return windows_.Create({platform::WindowKind::kBorderless, title, bounds}, handler);
  }

  // Runs a program and returns its exit code (-1: it did not start, -2: it
  // did not end in time). This thread's messages are dispatched meanwhile, so
  // a message the program sends to our windows is handled.
  int RunPumping(const std::string& command_line) {
    std::wstring line = Wide(command_line);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
      return -1;
    }
    CloseHandle(process.hThread);
    while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 20'000, QS_ALLINPUT) ==
           WAIT_OBJECT_0 + 1) {
      platform_->loop().PumpMessages();
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    if (code == STILL_ACTIVE) {
      TerminateProcess(process.hProcess, 99);
      code = static_cast<DWORD>(-2);
    }
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
  }

  std::string ModuleFolder() {
    const std::string path = process_.ModuleFileName();
    return path.substr(0, path.rfind('\\') + 1);
  }

  std::unique_ptr<platform::Platform> platform_ = platform::win32::CreateWin32Platform();
  platform::Process& process_ = platform_->process();
  platform::Power& power_ = platform_->power();
  platform::ForeignWindows& foreign_ = platform_->foreign_windows();
  platform::WindowSystem& windows_ = platform_->windows();
};

// --- the process ---

TEST_F(SystemTest, ModulePathNamesTheRunningExecutable) {
  const std::string path = process_.ModuleFileName();
  EXPECT_TRUE(EndsWith(Upper(path), "\\WIN32_SYSTEM_TESTS.EXE")) << path;
  EXPECT_TRUE(platform_->files().Exists(path)) << path;
  EXPECT_FALSE(platform_->files().IsFolder(path)) << path;
}

TEST_F(SystemTest, ANewFileNeverReplacesOneAndAFailureSaysWhy) {
  using platform::FileSystem;
  platform::FileSystem& files = platform_->files();
  const auto temp = process_.TempPath();
  ASSERT_TRUE(temp.has_value());
  const std::string folder = *temp + "lantern_new_file_" + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(files.CreateFolder(folder));
  const std::string path = folder + "\\1.JPG";
  const std::vector<uint8_t> first = {1, 2, 3};
  EXPECT_EQ(files.WriteNewFile(path, first).result, FileSystem::NewFile::kWritten);
  EXPECT_EQ(files.WriteNewFile(path, std::vector<uint8_t>{9}).result, FileSystem::NewFile::kExists);
  EXPECT_EQ(files.ReadFile(path), first);
  const FileSystem::NewFileResult missing =
      files.WriteNewFile(folder + "\\no such folder\\2.JPG", first);
  EXPECT_EQ(missing.result, FileSystem::NewFile::kFailed);
  EXPECT_FALSE(missing.reason.empty());
  EXPECT_TRUE(files.DeleteTree(folder));
}

// Runs only inside the child copy that CommandLineAndPreviousCopySeenFromAChild
// starts: reports what the child sees to a file named in the environment.
TEST_F(SystemTest, ChildReportsItsView) {
  wchar_t output[MAX_PATH] = {};
  if (GetEnvironmentVariableW(Wide(kChildOutputVariable).c_str(), output, MAX_PATH) == 0) return;
  const std::string report =
      std::string(process_.PreviousInstance() ? "1" : "0") + "|" + process_.CommandLine() + "|";
  ASSERT_TRUE(platform_->files().WriteAt(
      Utf8(output), {reinterpret_cast<const uint8_t*>(report.data()), report.size()}, 0));
}

TEST_F(SystemTest, CommandLineAndPreviousCopySeenFromAChild) {
  // This process is the only copy of the program until the children start;
  // each child started from this file finds this process.
  ASSERT_FALSE(process_.PreviousInstance());
  const std::string module = process_.ModuleFileName();
  const auto temp = process_.TempPath();
  ASSERT_TRUE(temp.has_value());
  const std::string pid = std::to_string(GetCurrentProcessId());
  const std::string output = *temp + "lantern_system_child_" + pid + ".txt";
  // A copy of this program in a folder with blanks in its name: a quoted name
  // that holds blanks, and another program file, which is not a previous copy.
  const std::string copy_folder = *temp + "lantern system test " + pid;
  const std::string copy = copy_folder + "\\win32 system tests.exe";
  ASSERT_TRUE(platform_->files().CreateFolder(copy_folder));
  ASSERT_TRUE(CopyFileW(Wide(module).c_str(), Wide(copy).c_str(), FALSE));
  ASSERT_TRUE(SetEnvironmentVariableW(Wide(kChildOutputVariable).c_str(), Wide(output).c_str()));

  const std::string arguments = "--gtest_filter=SystemTest.ChildReportsItsView \"an argument\"  ";
  struct Case {
    std::string command_line;  // what the child is started with
    std::string report;        // its PreviousInstance() and CommandLine()
  };
  // Blanks before the arguments go, blanks after them stay. The same file
  // named in other letter case is the same program.
  std::vector<Case> cases = {
      {"\"" + module + "\"   " + arguments, "1|" + arguments},
      {"\"" + module + "\"\t " + arguments, "1|" + arguments},
      {"\"" + base::AsciiLower(module) + "\" " + arguments, "1|" + arguments},
      {"\"" + copy + "\"  " + arguments, "0|" + arguments}};
  if (module.find(' ') == std::string::npos) {
    cases.push_back({module + "  " + arguments, "1|" + arguments});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command_line);
    platform_->files().DeleteTree(output);
    ASSERT_EQ(RunPumping(c.command_line), 0);
    const auto report = platform_->files().ReadFile(output);
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(std::string(report->begin(), report->end()), c.report + "|");
  }
  SetEnvironmentVariableW(Wide(kChildOutputVariable).c_str(), nullptr);
  platform_->files().DeleteTree(output);
  platform_->files().DeleteTree(copy_folder);
}

TEST_F(SystemTest, FoldersAreReportedAndExist) {
  const auto system32 = process_.SystemDirectory(false);
  ASSERT_TRUE(system32.has_value());
  EXPECT_TRUE(platform_->files().IsFolder(*system32)) << *system32;
  // The 32-bit system folder exists exactly on a 64-bit system.
  const auto wow64 = process_.IsWow64();
  ASSERT_TRUE(wow64.has_value());  // every system Wine imitates has IsWow64Process
  const auto syswow64 = process_.SystemDirectory(true);
  EXPECT_EQ(syswow64.has_value(), *wow64);
  if (syswow64) {
    EXPECT_TRUE(platform_->files().IsFolder(*syswow64)) << *syswow64;
    EXPECT_NE(Upper(*syswow64), Upper(*system32));
  }

  const auto temp = process_.TempPath();
  ASSERT_TRUE(temp.has_value());
  EXPECT_TRUE(EndsWith(*temp, "\\")) << *temp;
  EXPECT_TRUE(platform_->files().IsFolder(*temp)) << *temp;
}

TEST_F(SystemTest, LongPathNameUndoesTheShortName) {
  const auto temp = process_.TempPath();
  ASSERT_TRUE(temp.has_value());
  const std::string name = "a long file name for the lantern system test " +
                           std::to_string(GetCurrentProcessId()) + ".album";
  const std::string path = *temp + name;
  ASSERT_TRUE(platform_->files().WriteAt(path, std::vector<uint8_t>{1, 2, 3}, 0));
  wchar_t short_path[MAX_PATH] = {};
  const DWORD n = GetShortPathNameW(Wide(path).c_str(), short_path, MAX_PATH);
  ASSERT_GT(n, 0u);
  ASSERT_LT(n, static_cast<DWORD>(MAX_PATH));
  const std::string short_name = Utf8({short_path, n});
  EXPECT_FALSE(EndsWith(short_name, name)) << "no short name to undo: " << short_name;

  const auto long_name = process_.LongPathName(short_name);
  ASSERT_TRUE(long_name.has_value());
  EXPECT_TRUE(EndsWith(*long_name, "\\" + name)) << *long_name;
  EXPECT_EQ(Upper(*long_name), Upper(process_.LongPathName(path).value_or("")));
  platform_->files().DeleteTree(path);
  EXPECT_FALSE(process_.LongPathName(path).has_value());
}

TEST_F(SystemTest, VersionIsTheNtPlatform) {
  const auto version = process_.Version();
  ASSERT_TRUE(version.has_value());
  EXPECT_EQ(version->platform_id, 2u);  // VER_PLATFORM_WIN32_NT
  EXPECT_GE(version->major, 5u);
}

// --- input and power: the values are Wine's; the calls must answer ---

TEST_F(SystemTest, IdleAndPowerQueriesAnswer) {
  const uint32_t before = power_.TickCount();
  Sleep(60);
  EXPECT_GE(power_.TickCount() - before, 40u);
  const auto last_input = power_.LastInputTick();
  ASSERT_TRUE(last_input.has_value());
  EXPECT_LE(static_cast<int32_t>(*last_input - power_.TickCount()), 0);  // not in the future
  const auto timeout = power_.ScreenSaveTimeout();
  ASSERT_TRUE(timeout.has_value());
  EXPECT_GE(*timeout, 0);
  const platform::PowerTimeouts power = power_.ReadPowerTimeouts();
  EXPECT_GE(power.sleep, 0);
  EXPECT_GE(power.hibernate, 0);
  EXPECT_GE(power.monitor, 0);
}

// --- windows of any program ---

TEST_F(SystemTest, FormsAreFoundByClassAndTitle) {
  CloseCounter a, b;
  const platform::WindowId one = CreateForm(Title("one"), a);
  const platform::WindowId two = CreateForm(Title("二"), b);  // found by its UTF-16 title too
  ASSERT_NE(one, 0u);
  ASSERT_NE(two, 0u);
  EXPECT_EQ(foreign_.FindTopLevel(platform::kFormClassName, Title("one")),
            platform_->window_states().Native(one));
  EXPECT_EQ(foreign_.FindTopLevel(platform::kFormClassName, Title("二")),
            platform_->window_states().Native(two));
  EXPECT_EQ(foreign_.FindTopLevel(platform::kFormClassName, Title("three")), 0u);
  EXPECT_EQ(foreign_.FindTopLevel(platform::kApplicationClassName, Title("one")), 0u);
  EXPECT_EQ(foreign_.FindTopLevel("", Title("one")),
            platform_->window_states().Native(one));  // any class
  windows_.Destroy(one);
  EXPECT_EQ(foreign_.FindTopLevel(platform::kFormClassName, Title("one")), 0u);
}

TEST_F(SystemTest, TopLevelWindowsListsFormsFrontToBackWithTheirBounds) {
  CloseCounter a, b;
  const platform::WindowId one = CreateForm(Title("one"), a, {10, 20, 110, 70});
  const platform::WindowId two = CreateForm(Title("two"), b, {200, 30, 260, 130});
  windows_.Show(one, false);
  windows_.Show(two, false);
  const auto order = [&](HWND front) {
    SetWindowPos(front, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    std::vector<NativeHandle> ours;
    for (const auto& [handle, bounds] : foreign_.TopLevelWindows(platform::kFormClassName)) {
      if (handle == platform_->window_states().Native(one)) {
        EXPECT_EQ(bounds, (Rect{10, 20, 110, 70}));
      } else if (handle == platform_->window_states().Native(two)) {
        EXPECT_EQ(bounds, (Rect{200, 30, 260, 130}));
      } else {
        continue;
      }
      ours.push_back(handle);
    }
    return ours;
  };
  EXPECT_EQ(order(AsHwnd(platform_->window_states().Native(one))),
            (std::vector<NativeHandle>{platform_->window_states().Native(one),
                                       platform_->window_states().Native(two)}));
  EXPECT_EQ(order(AsHwnd(platform_->window_states().Native(two))),
            (std::vector<NativeHandle>{platform_->window_states().Native(two),
                                       platform_->window_states().Native(one)}));
  // The class must match exactly: the application window is not a form.
  for (const auto& [handle, bounds] : foreign_.TopLevelWindows(platform::kApplicationClassName)) {
    EXPECT_NE(handle, platform_->window_states().Native(one));
    EXPECT_NE(handle, platform_->window_states().Native(two));
  }
  EXPECT_TRUE(foreign_.TopLevelWindows("LanternFor").empty());
}

TEST_F(SystemTest, ClientRectIsInClientPixels) {
  CloseCounter a;
  const platform::WindowId borderless = CreateForm(Title("client"), a, {50, 60, 250, 160});
  EXPECT_EQ(foreign_.ClientRect(platform_->window_states().Native(borderless)),
            (Rect{0, 0, 200, 100}));
  const platform::WindowId framed =
      windows_.Create({platform::WindowKind::kFramed, Title("framed"), {50, 60, 250, 260}}, a);
  const Rect client = foreign_.ClientRect(platform_->window_states().Native(framed));
  EXPECT_EQ(client.left, 0);
  EXPECT_EQ(client.top, 0);
  EXPECT_LT(client.bottom, 200);  // the caption takes its share
  EXPECT_GT(client.bottom, 100);
  EXPECT_EQ(foreign_.ClientRect(0), Rect{});
}

TEST_F(SystemTest, SendCloseReachesTheHandlerWhichDecides) {
  CloseCounter a;
  const platform::WindowId form = CreateForm(Title("close"), a);
  foreign_.SendClose(platform_->window_states().Native(form));
  EXPECT_EQ(a.closes, 1);
  EXPECT_TRUE(windows_.Exists(form));
  EXPECT_TRUE(IsWindow(AsHwnd(platform_->window_states().Native(form))));
}

TEST_F(SystemTest, ApplicationWindowCarriesTheTitleAndClosesEveryForm) {
  CloseCounter a, b, c;
  const platform::WindowId one = CreateForm(Title("one"), a);
  const platform::WindowId two = CreateForm(Title("two"), b);
  const platform::WindowId three = CreateForm(Title("three"), c);
  const std::string title = Title("Album — 相册");
  EXPECT_EQ(foreign_.FindTopLevel(platform::kApplicationClassName, title), 0u);
  power_.SetApplicationTitle(title);
  const NativeHandle application = foreign_.FindTopLevel(platform::kApplicationClassName, title);
  ASSERT_NE(application, 0u);
  EXPECT_FALSE(IsWindowVisible(AsHwnd(application)));

  foreign_.SendClose(application);
  EXPECT_EQ(a.closes, 1);
  EXPECT_EQ(b.closes, 1);
  EXPECT_EQ(c.closes, 1);
  EXPECT_TRUE(IsWindow(AsHwnd(application)));  // it stays for the next request

  // A handler that destroys its own window and another one: the destroyed
  // one is asked no more, and the one left still is.
  a.on_close = [&] {
    windows_.Destroy(two);
    windows_.Destroy(one);
  };
  foreign_.SendClose(application);
  EXPECT_EQ(a.closes, 2);
  EXPECT_EQ(b.closes, 1);
  EXPECT_EQ(c.closes, 2);
  EXPECT_FALSE(windows_.Exists(one));
  EXPECT_TRUE(windows_.Exists(three));
  EXPECT_EQ(foreign_.FindTopLevel(platform::kApplicationClassName, title), application);
}

// The tool the end-to-end tests close a running player with, aimed at this
// process's windows from another process.
TEST_F(SystemTest, CloseWindowToolSendsACloseRequest) {
  CloseCounter a, b;
  const std::string form_title = Title("tool 工具");
  CreateForm(form_title, a);
  CreateForm(Title("other"), b);
  const std::string tool = "\"" + ModuleFolder() + "close_window.exe\" ";
  ASSERT_TRUE(platform_->files().Exists(ModuleFolder() + "close_window.exe"));

  EXPECT_EQ(RunPumping(tool + platform::kFormClassName + " \"" + form_title + "\""), 0);
  EXPECT_EQ(a.closes, 1);
  EXPECT_EQ(b.closes, 0);
  EXPECT_EQ(RunPumping(tool + platform::kFormClassName + " \"" + Title("none") + "\""), 1);
  EXPECT_EQ(a.closes, 1);

  const std::string title = Title("application");
  power_.SetApplicationTitle(title);
  EXPECT_EQ(RunPumping(tool + platform::kApplicationClassName + " \"" + title + "\""), 0);
  EXPECT_EQ(a.closes, 2);
  EXPECT_EQ(b.closes, 1);
}

TEST_F(SystemTest, EnumChildWindowsVisitsEveryDepthAndStopsWhenAsked) {
  CloseCounter a;
  const platform::WindowId form = CreateForm(Title("parent"), a);
  HWND parent = AsHwnd(platform_->window_states().Native(form));
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HWND label = CreateWindowExW(0, L"STATIC", Wide("label 标签").c_str(), WS_CHILD | WS_VISIBLE, 0,
                               0, 50, 20, parent, nullptr, instance, nullptr);
  const std::string long_text(80, 'x');
  HWND inner = CreateWindowExW(0, L"STATIC", Wide(long_text).c_str(), WS_CHILD | WS_VISIBLE, 0, 0,
                               20, 10, label, nullptr, instance, nullptr);
  ASSERT_NE(label, nullptr);
  ASSERT_NE(inner, nullptr);

  std::vector<platform::ChildWindow> seen;
  foreign_.EnumChildWindows(platform_->window_states().Native(form),
                            [&](const platform::ChildWindow& child) {
                              seen.push_back(child);
                              return true;
                            });
  ASSERT_EQ(seen.size(), 2u);
  const auto find = [&](HWND h) {
    return std::find_if(seen.begin(), seen.end(), [&](const platform::ChildWindow& c) {
      return c.handle == reinterpret_cast<NativeHandle>(h);
    });
  };
  ASSERT_NE(find(label), seen.end());
  EXPECT_EQ(Upper(find(label)->class_name), "STATIC");
  EXPECT_EQ(find(label)->text, "label 标签");
  ASSERT_NE(find(inner), seen.end());  // a grandchild
  EXPECT_EQ(find(inner)->text, std::string(63, 'x'));

  int visits = 0;
  foreign_.EnumChildWindows(platform_->window_states().Native(form),
                            [&](const platform::ChildWindow&) {
                              ++visits;
                              return false;
                            });
  EXPECT_EQ(visits, 1);
}

// Puts text, or a 1 x 1 bitmap, on the clipboard as another program would.
void PutOnClipboard(bool bitmap) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  if (bitmap) {
    const uint32_t pixel = 0x00FF0000;
    SetClipboardData(CF_BITMAP, CreateBitmap(1, 1, 1, 32, &pixel));
  } else {
    HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 8);
    std::memcpy(GlobalLock(text), L"abc", 8);
    GlobalUnlock(text);
    SetClipboardData(CF_UNICODETEXT, text);
  }
  CloseClipboard();
}

TEST_F(SystemTest, ClipboardBitmapsAreSeenAndReplaced) {
  platform::Clipboard& clipboard = platform_->clipboard();
  PutOnClipboard(false);
  EXPECT_FALSE(clipboard.ClipboardHoldsBitmap());
  PutOnClipboard(true);
  EXPECT_TRUE(clipboard.ClipboardHoldsBitmap());
  std::vector<uint32_t> pixels(4 * 3, 0x0000FF00);
  clipboard.SetClipboardBitmap({reinterpret_cast<uint8_t*>(pixels.data()), 4, 3, 16});
  EXPECT_TRUE(clipboard.ClipboardHoldsBitmap());
  ASSERT_TRUE(OpenClipboard(nullptr));
  const auto* dib = static_cast<const BITMAPINFOHEADER*>(GlobalLock(GetClipboardData(CF_DIB)));
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(dib->biWidth, 4);
  EXPECT_EQ(dib->biHeight, 3);
  EXPECT_EQ(reinterpret_cast<const uint32_t*>(dib + 1)[0] & 0xFFFFFF, 0x00FF00u);
  GlobalUnlock(GetClipboardData(CF_DIB));
  CloseClipboard();
}

TEST_F(SystemTest, MinimiseAndRestoreRoundTrip) {
  CloseCounter a;
  const platform::WindowId form =
      windows_.Create({platform::WindowKind::kFramed, Title("minimise"), {60, 60, 300, 200}}, a);
  windows_.Show(form, true);
  EXPECT_FALSE(platform_->window_states().IsMinimised(form));
  platform_->window_states().Minimise(form);
  EXPECT_TRUE(platform_->window_states().IsMinimised(form));
  platform_->window_states().Restore(form);
  EXPECT_FALSE(platform_->window_states().IsMinimised(form));
  EXPECT_EQ(windows_.Bounds(form), (Rect{60, 60, 300, 200}));
  windows_.SetForeground(form);
  EXPECT_EQ(GetForegroundWindow(), AsHwnd(platform_->window_states().Native(form)));
  EXPECT_FALSE(platform_->window_states().IsMinimised(0));
}

// --- message boxes ---

struct BoxSeen {
  HWND owner = nullptr;
  bool owner_enabled = true;
  bool found = false;
};

// Waits up to 10 s for a message box of this thread, notes its owner, and
// answers it.
BoxSeen AnswerMessageBox(DWORD thread) {
  BoxSeen seen;
  for (int i = 0; i < 500 && !seen.found; ++i) {
    HWND box = nullptr;
    while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr) {
      if (GetWindowThreadProcessId(box, nullptr) != thread || !IsWindowVisible(box)) continue;
      seen.found = true;
      seen.owner = GetWindow(box, GW_OWNER);
      seen.owner_enabled = seen.owner != nullptr && IsWindowEnabled(seen.owner);
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      break;
    }
    Sleep(20);
  }
  return seen;
}

// A message box belongs to the window the user works in: it stays above that
// window, which takes no input until the box is answered.
TEST_F(SystemTest, AMessageBoxBelongsToTheActiveWindow) {
  CloseCounter handler;
  const platform::WindowId form = windows_.Create(
      {platform::WindowKind::kFramed, Title("message"), {60, 60, 360, 260}}, handler);
  windows_.Show(form, true);
  windows_.SetForeground(form);
  const HWND hwnd = AsHwnd(platform_->window_states().Native(form));
  ASSERT_EQ(GetActiveWindow(), hwnd);
  BoxSeen seen;
  std::thread answer([&seen, thread = GetCurrentThreadId()] { seen = AnswerMessageBox(thread); });
  platform_->messages().Message("a message");
  answer.join();
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.owner, hwnd);
  EXPECT_FALSE(seen.owner_enabled);
  EXPECT_TRUE(IsWindowEnabled(hwnd));
}

}  // namespace
}  // namespace lantern
