// The system's services as tests want them: one object implements every
// interface of platform/system.h, so a test sets and reads all of it in one
// place. Every answer is a field a test can set, other programs' windows are
// a list, and what the program asked of the system (close requests, cursor
// changes, messages) is recorded.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/system.h"

namespace lantern::platform::fake {

struct FakeForeignWindow {
  NativeHandle handle = 0;
  NativeHandle parent = 0;  // 0: a top-level window
  std::string class_name = {};
  std::string text = {};
  Rect bounds = {};
  std::vector<std::string> items = {};  // a combo box's list
  bool closes_on_request = true;        // disappears when it receives a close request
  std::function<void()> on_close = {};  // runs when it receives a close request
};

// Metrics as a system at 96 pixels per inch gives them: 8-point Tahoma
// everywhere, the caption's bold.
NonClientMetrics DefaultNonClientMetrics();

class FakeSystem final : public Process,
                         public Power,
                         public ForeignWindows,
                         public Registry,
                         public Fonts,
                         public Clipboard,
                         public MessageBoxes,
                         public CodePage,
                         public CommonDialogs {
 public:
  // --- answers, for tests to set ---
  std::string module_file_name = "C:\\Album\\album.exe";
  std::string command_line;
  bool previous_instance = false;
  std::optional<bool> is_wow64;
  std::optional<std::string> system_directory = "C:\\windows\\system32";
  std::optional<std::string> wow64_directory = "C:\\windows\\syswow64";
  std::optional<std::string> temp_path = "C:\\users\\me\\Temp\\";
  std::function<std::optional<std::string>(const std::string&)> long_path_name =
      [](const std::string& p) { return std::optional<std::string>(p); };
  std::optional<OsVersion> version = OsVersion{2, 6, 1};
  uint32_t tick_count = 1'000'000;
  std::optional<uint32_t> last_input_tick = 1'000'000;
  std::optional<int32_t> screen_save_timeout = 300;
  PowerTimeouts power;

  // The folder picker's and the input box's answers, in turn; once a list
  // runs out the user cancels. `on_folder_picker` runs while the picker is
  // open (a test can act from inside the modal dialog).
  std::vector<std::string> folder_answers;
  std::vector<std::string> text_answers;
  std::function<void()> on_folder_picker;

  // --- what the program did ---
  struct FolderPickerCall {
    NativeHandle owner = 0;
    std::string start_folder;
    std::string prompt;
    bool allow_new_folder = false;
  };
  std::vector<FolderPickerCall> folder_pickers;
  std::vector<std::pair<std::string, std::string>> text_prompts;  // prompt, title
  std::vector<NativeHandle> close_requests;
  std::vector<std::string> messages;
  std::vector<bool> cursor_calls;  // ShowCursor(show) calls in order
  std::vector<bool> saver_running_calls;
  std::vector<bool> suspend_calls;  // hibernate flag of each Suspend
  std::string application_title;
  std::vector<std::string> questions;
  std::vector<std::string> commands;  // hidden starts and shell verbs, as "verb|file|parameters"
  std::vector<std::string> font_resources;  // files added as font resources
  std::vector<std::string> scalable_resources;
  int font_change_broadcasts = 0;
  std::vector<std::pair<NativeHandle, std::string>> combo_selections;
  // The registry: root and upper-cased key, then upper-cased value name.
  struct RegistryValue {
    std::optional<uint32_t> dword;
    std::string text;
  };
  std::map<std::pair<RegistryRoot, std::string>, std::map<std::string, RegistryValue>> registry;
  int allow_foreground_calls = 0;
  std::optional<bool> composition;
  bool ask_answer = true;
  std::map<std::string, std::string> environment;
  std::string fonts_folder = "C:\\windows\\Fonts";
  std::string application_data = "C:\\users\\me\\AppData\\Roaming";
  // Runs a command the program starts (hidden or through the shell) and
  // gives its exit code; without it commands do nothing and end with 0.
  std::function<uint32_t(const std::string& command_line)> run_command;
  int32_t shell_result = 42;    // the shell's answer; 5 when the user declines elevation
  bool process_starts = true;   // StartHidden gives a process
  std::set<std::string> faces;  // font faces the system knows, upper-cased
  // The face each font file brings when it is added, by upper-cased path.
  std::map<std::string, std::string> faces_of_files;
  // The system's non-client metrics; nullopt: the system cannot say.
  std::optional<NonClientMetrics> non_client_metrics = DefaultNonClientMetrics();
  int monitor_off_calls = 0;
  std::vector<uint32_t> clipboard;  // the last bitmap put there, row after row
  int32_t clipboard_width = 0;
  bool clipboard_holds_bitmap = false;  // set by a test, or by SetClipboardBitmap

  // Adds a window of another program; returns its handle.
  NativeHandle AddWindow(FakeForeignWindow window);
  bool HasWindow(NativeHandle handle) const;

  std::string ModuleFileName() override { return module_file_name; }
  std::string CommandLine() override { return command_line; }
  bool PreviousInstance() override { return previous_instance; }
  std::optional<bool> IsWow64() override { return is_wow64; }
  std::optional<std::string> SystemDirectory(bool wow64) override {
    return wow64 ? wow64_directory : system_directory;
  }
  std::optional<std::string> TempPath() override { return temp_path; }
  std::optional<std::string> LongPathName(const std::string& path) override {
    return long_path_name(path);
  }
  std::optional<OsVersion> Version() override { return version; }
  uint32_t TickCount() override { return tick_count; }
  std::optional<uint32_t> LastInputTick() override { return last_input_tick; }
  std::optional<int32_t> ScreenSaveTimeout() override { return screen_save_timeout; }
  PowerTimeouts ReadPowerTimeouts() override { return power; }
  void Suspend(bool hibernate) override { suspend_calls.push_back(hibernate); }

  NativeHandle FindTopLevel(const std::string& class_name, const std::string& title) override;
  std::vector<std::pair<NativeHandle, Rect>> TopLevelWindows(
      const std::string& class_name) override;
  void EnumChildWindows(NativeHandle parent,
                        const std::function<bool(const ChildWindow&)>& visit) override;
  void SendClose(NativeHandle window) override;
  Rect ClientRect(NativeHandle window) override;

  void SetApplicationTitle(const std::string& title) override { application_title = title; }
  void ShowCursor(bool show) override { cursor_calls.push_back(show); }
  void SetScreenSaverRunning(bool running) override { saver_running_calls.push_back(running); }
  void AllowForeground() override { ++allow_foreground_calls; }
  void Message(const std::string& text) override { messages.push_back(text); }
  std::optional<bool> CompositionEnabled() override { return composition; }
  void MonitorOff() override { ++monitor_off_calls; }
  bool ClipboardHoldsBitmap() override { return clipboard_holds_bitmap; }
  void SetClipboardBitmap(const Surface& picture) override;
  bool Ask(const std::string& text) override {
    questions.push_back(text);
    return ask_answer;
  }
  std::optional<uint32_t> ReadRegistryDword(RegistryRoot root, const std::string& key,
                                            const std::string& value) override;
  bool WriteRegistryString(RegistryRoot root, const std::string& key, const std::string& value,
                           const std::string& data) override;
  bool DeleteRegistryKey(RegistryRoot root, const std::string& key) override;
  void SetRegistryDword(RegistryRoot root, const std::string& key, const std::string& value,
                        uint32_t data);
  // The text of a value; nullopt when there is none.
  std::optional<std::string> RegistryString(RegistryRoot root, const std::string& key,
                                            const std::string& value) const;
  std::string Environment(const std::string& name) override;
  std::string SpecialFolderPath(SpecialFolder folder) override;
  std::string DecodeAnsi(std::string_view bytes) override;  // Latin-1 here

  std::string BrowseForFolder(NativeHandle owner, const std::string& start_folder,
                              const std::string& prompt, bool allow_new_folder) override;
  std::string AskText(NativeHandle owner, const std::string& prompt,
                      const std::string& title) override;
  ProcessId StartHidden(const std::string& command_line) override;
  int32_t ShellRun(const std::string& verb, const std::string& file, const std::string& parameters,
                   bool hidden) override;
  std::optional<uint32_t> ProcessExitCode(ProcessId process) override;
  std::optional<NonClientMetrics> ReadNonClientMetrics() override { return non_client_metrics; }
  bool FontFaceUsable(const std::string& face) override;
  bool MakeFontResource(const std::string& resource_file, const std::string& font_file,
                        const std::string& folder) override;
  bool AddFontFile(const std::string& file) override;
  void BroadcastFontChange() override { ++font_change_broadcasts; }
  std::string WindowText(NativeHandle window) override;
  bool SelectComboItem(NativeHandle combo, const std::string& item) override;

 private:
  bool IsDescendant(const FakeForeignWindow& w, NativeHandle ancestor) const;

  std::vector<FakeForeignWindow> windows_;
  NativeHandle next_handle_ = 0x10000;
  std::map<ProcessId, uint32_t> exit_codes_;
  std::map<std::string, std::string> fonts_of_resources_;  // .FOT file -> font file
  ProcessId next_process_ = 100;
};

}  // namespace lantern::platform::fake
