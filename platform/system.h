// What start-up, the screen saver, the fonts and installation ask of the
// system, as narrow interfaces so that each piece of code takes only what it
// uses:
//   Process         the program itself (path, command line, folders, version)
//                   and the processes it starts
//   Power           idle time, power time-outs and the interactive session
//   ForeignWindows  top-level windows of any program and their children
//   Registry        registry values, the environment, the shell's folders and verbs
//   Fonts           the system's font list and registering font files
//   Clipboard       putting a picture on the clipboard
//   MessageBoxes    the system's message and question boxes
//   CodePage        the system's ANSI code page
//   CommonDialogs   the system's folder picker and a one-line input box
// Every call answers "unknown" (nullopt, 0, empty) rather than failing
// outwards.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/surface.h"

namespace lantern::platform {

using NativeHandle = uintptr_t;  // a window handle of the system (HWND on Windows)

// The window class names this program registers: every form window, and the
// hidden application window that carries the application title. Other copies
// of the program are found by these names.
inline constexpr char kFormClassName[] = "LanternForm";
inline constexpr char kApplicationClassName[] = "LanternMain";

struct OsVersion {
  uint32_t platform_id = 0;  // 2: the NT platform
  uint32_t major = 0;
  uint32_t minor = 0;
};

// A process started by the program.
using ProcessId = uint32_t;
constexpr uint32_t kStillActive = 259;  // the exit code of a process that runs

class Process {
 public:
  virtual ~Process() = default;
  virtual std::string ModuleFileName() = 0;  // full path of the running program
  // The arguments after the program's name, as one string, leading blanks removed.
  virtual std::string CommandLine() = 0;
  // Another process runs this same program file.
  virtual bool PreviousInstance() = 0;
  // True under WOW64; nullopt when the system has no way to say (no IsWow64Process).
  virtual std::optional<bool> IsWow64() = 0;
  // The system folder (the 32-bit one when `wow64`), as the system reports it.
  virtual std::optional<std::string> SystemDirectory(bool wow64) = 0;
  virtual std::optional<std::string> TempPath() = 0;
  virtual std::optional<std::string> LongPathName(const std::string& path) = 0;
  virtual std::optional<OsVersion> Version() = 0;
  // Runs a command line in a hidden window; 0 when it did not start.
  virtual ProcessId StartHidden(const std::string& command_line) = 0;
  // kStillActive while it runs; nullopt when it cannot be asked.
  virtual std::optional<uint32_t> ProcessExitCode(ProcessId process) = 0;
};

// Seconds; 0 when the power plan does not say.
struct PowerTimeouts {
  int32_t sleep = 0;      // the system policy's idle time-out
  int32_t hibernate = 0;  // its time-out for hibernation
  int32_t monitor = 0;    // the user policy's monitor time-out on mains power
};

class Power {
 public:
  virtual ~Power() = default;
  virtual uint32_t TickCount() = 0;
  virtual std::optional<uint32_t> LastInputTick() = 0;
  virtual std::optional<int32_t> ScreenSaveTimeout() = 0;  // seconds
  virtual PowerTimeouts ReadPowerTimeouts() = 0;           // of the current power source's policy
  // Sleeps (false) or hibernates (true) the machine.
  virtual void Suspend(bool hibernate) = 0;
  // Asks the foreground window to switch the monitor off.
  virtual void MonitorOff() = 0;
  // Tells the system whether a screen saver is running.
  virtual void SetScreenSaverRunning(bool running) = 0;
  virtual void ShowCursor(bool show) = 0;
  // Desktop composition is on; nullopt when the system cannot say.
  virtual std::optional<bool> CompositionEnabled() = 0;
  // Lets this program take the foreground (foreground lock time-out 0).
  virtual void AllowForeground() = 0;
  // The title of the hidden application window (task list, other copies).
  virtual void SetApplicationTitle(const std::string& title) = 0;
};

struct ChildWindow {
  NativeHandle handle = 0;
  std::string class_name;  // at most 63 characters
  std::string text;        // at most 63 characters
};

// Windows of any program, this one's included.
class ForeignWindows {
 public:
  virtual ~ForeignWindows() = default;
  // The first top-level window of this class and title; 0 when none.
  virtual NativeHandle FindTopLevel(const std::string& class_name, const std::string& title) = 0;
  // Top-level windows of a class, front to back, with their outer bounds.
  virtual std::vector<std::pair<NativeHandle, Rect>> TopLevelWindows(
      const std::string& class_name) = 0;
  // Visits the child windows of a window at any depth until `visit` returns false.
  virtual void EnumChildWindows(NativeHandle parent,
                                const std::function<bool(const ChildWindow&)>& visit) = 0;
  // Sends a close request and returns when the window has handled it.
  virtual void SendClose(NativeHandle window) = 0;
  virtual Rect ClientRect(NativeHandle window) = 0;
  virtual std::string WindowText(NativeHandle window) = 0;  // at most 63 characters
  // Selects the item exactly equal to `item` in a combo box and tells the
  // combo box's parent, as a user's choice would; false when there is none.
  virtual bool SelectComboItem(NativeHandle combo, const std::string& item) = 0;
};

enum class RegistryRoot { kCurrentUser, kLocalMachine };

// The shell's special folders the program asks for.
enum class SpecialFolder { kFonts = 20, kApplicationData = 26 };

// Settings of the system and the shell: the registry, the environment, the
// shell's folders and its verbs.
class Registry {
 public:
  virtual ~Registry() = default;
  virtual std::optional<uint32_t> ReadRegistryDword(RegistryRoot root, const std::string& key,
                                                    const std::string& value) = 0;
  // Writes a text value, creating the key when needed.
  virtual bool WriteRegistryString(RegistryRoot root, const std::string& key,
                                   const std::string& value, const std::string& data) = 0;
  virtual bool DeleteRegistryKey(RegistryRoot root, const std::string& key) = 0;
  virtual std::string Environment(const std::string& name) = 0;     // empty when not set
  virtual std::string SpecialFolderPath(SpecialFolder folder) = 0;  // empty when unknown
  // The shell's answer for a verb ("open", "RunAs") on a file; above 32 means started.
  virtual int32_t ShellRun(const std::string& verb, const std::string& file,
                           const std::string& parameters, bool hidden) = 0;
};

// A logical font as the system describes it.
struct LogicalFont {
  int32_t height = 0;    // negative: the characters' height in pixels; positive: the cell's
  int32_t weight = 400;  // 400 normal, 700 bold
  bool italic = false;
  bool underline = false;
  bool strike_out = false;
  uint8_t char_set = 0;
  std::string face_name;  // UTF-8
};

// The system's sizes of window frames, captions, menus and scroll bars, in
// pixels, and the fonts of its own user interface.
struct NonClientMetrics {
  int32_t border_width = 0;
  int32_t scroll_width = 0;
  int32_t scroll_height = 0;
  int32_t caption_width = 0;
  int32_t caption_height = 0;
  int32_t sm_caption_width = 0;
  int32_t sm_caption_height = 0;
  int32_t menu_width = 0;
  int32_t menu_height = 0;
  LogicalFont caption_font;
  LogicalFont sm_caption_font;
  LogicalFont menu_font;
  LogicalFont status_font;
  LogicalFont message_font;
  LogicalFont icon_title_font;
};

class Fonts {
 public:
  virtual ~Fonts() = default;
  // The non-client metrics with the icon titles' font; nullopt when the
  // system cannot give both.
  virtual std::optional<NonClientMetrics> ReadNonClientMetrics() = 0;
  // A face the system knows (one it would not silently replace by another).
  virtual bool FontFaceUsable(const std::string& face) = 0;
  // Makes a font resource file (.FOT) for a font file named relative to `folder`.
  virtual bool MakeFontResource(const std::string& resource_file, const std::string& font_file,
                                const std::string& folder) = 0;
  virtual bool AddFontFile(const std::string& file) = 0;
  // Tells every top-level window that the fonts changed.
  virtual void BroadcastFontChange() = 0;
};

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Whether the clipboard holds a bitmap (a device-independent one counts).
  virtual bool ClipboardHoldsBitmap() = 0;
  // Puts a copy of the surface on the clipboard as a bitmap.
  virtual void SetClipboardBitmap(const Surface& picture) = 0;
};

// Each box belongs to the program's active window, when there is one.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // A message box with the information icon and no title.
  virtual void Message(const std::string& text) = 0;
  // A question with Yes and No and the warning icon; true for Yes.
  virtual bool Ask(const std::string& text) = 0;
};

// The system's dialogs that ask the user for something. Both are modal to
// `owner` (0: no owner) and keep the program's windows' messages flowing.
class CommonDialogs {
 public:
  virtual ~CommonDialogs() = default;
  // The folder picker with `prompt` above the tree, opened on `start_folder`
  // when it is not empty; without `allow_new_folder` it has no button for new
  // folders. The chosen folder's path, or empty when the user cancelled (or
  // chose something that is no folder of the file system).
  virtual std::string BrowseForFolder(NativeHandle owner, const std::string& start_folder,
                                      const std::string& prompt, bool allow_new_folder) = 0;
  // A box titled `title` with `prompt`, an empty answer field, OK and Cancel:
  // the answer, or empty when cancelled.
  virtual std::string AskText(NativeHandle owner, const std::string& prompt,
                              const std::string& title) = 0;
};

class CodePage {
 public:
  virtual ~CodePage() = default;
  // Bytes in the system's ANSI code page as UTF-8.
  virtual std::string DecodeAnsi(std::string_view bytes) = 0;
};

}  // namespace lantern::platform
