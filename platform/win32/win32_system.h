// The Windows backend's system services (every interface of
// platform/system.h): the process, idle and power, windows of any program,
// the session, the registry and the shell, fonts, the clipboard and message
// boxes, each one call (or a few) into the wide API with UTF-8 converted at
// the boundary. One object implements them all; the platform hands out each
// interface from it. Does not include <windows.h>.
#pragma once

#include <map>

#include "platform/system.h"

namespace lantern::platform::win32 {

class Win32System final : public Process,
                          public Power,
                          public ForeignWindows,
                          public Registry,
                          public Fonts,
                          public Clipboard,
                          public MessageBoxes,
                          public CodePage {
 public:
  // The hidden application window whose text SetApplicationTitle sets; the
  // platform creates it after this object, so it is handed over later.
  void set_application_window(NativeHandle window) { application_window_ = window; }

  std::string ModuleFileName() override;
  std::string CommandLine() override;
  bool PreviousInstance() override;
  std::optional<bool> IsWow64() override;
  std::optional<std::string> SystemDirectory(bool wow64) override;
  std::optional<std::string> TempPath() override;
  std::optional<std::string> LongPathName(const std::string& path) override;
  std::optional<OsVersion> Version() override;

  uint32_t TickCount() override;
  std::optional<uint32_t> LastInputTick() override;
  std::optional<int32_t> ScreenSaveTimeout() override;
  PowerTimeouts ReadPowerTimeouts() override;
  void Suspend(bool hibernate) override;

  NativeHandle FindTopLevel(const std::string& class_name, const std::string& title) override;
  std::vector<std::pair<NativeHandle, Rect>> TopLevelWindows(
      const std::string& class_name) override;
  void EnumChildWindows(NativeHandle parent,
                        const std::function<bool(const ChildWindow&)>& visit) override;
  void SendClose(NativeHandle window) override;
  Rect ClientRect(NativeHandle window) override;

  void SetApplicationTitle(const std::string& title) override;
  void ShowCursor(bool show) override;
  void SetScreenSaverRunning(bool running) override;
  void AllowForeground() override;
  void Message(const std::string& text) override;
  std::optional<bool> CompositionEnabled() override;
  void MonitorOff() override;
  bool ClipboardHoldsBitmap() override;
  void SetClipboardBitmap(const Surface& picture) override;
  bool Ask(const std::string& text) override;

  std::optional<uint32_t> ReadRegistryDword(RegistryRoot root, const std::string& key,
                                            const std::string& value) override;
  bool WriteRegistryString(RegistryRoot root, const std::string& key, const std::string& value,
                           const std::string& data) override;
  bool DeleteRegistryKey(RegistryRoot root, const std::string& key) override;
  std::string Environment(const std::string& name) override;
  std::string SpecialFolderPath(SpecialFolder folder) override;
  std::string DecodeAnsi(std::string_view bytes) override;

  ProcessId StartHidden(const std::string& command_line) override;
  int32_t ShellRun(const std::string& verb, const std::string& file, const std::string& parameters,
                   bool hidden) override;
  std::optional<uint32_t> ProcessExitCode(ProcessId process) override;

  std::optional<NonClientMetrics> ReadNonClientMetrics() override;
  bool FontFaceUsable(const std::string& face) override;
  bool MakeFontResource(const std::string& resource_file, const std::string& font_file,
                        const std::string& folder) override;
  bool AddFontFile(const std::string& file) override;
  void BroadcastFontChange() override;

  std::string WindowText(NativeHandle window) override;
  bool SelectComboItem(NativeHandle combo, const std::string& item) override;

 private:
  NativeHandle application_window_ = 0;
  std::map<ProcessId, uintptr_t> processes_;  // the handles of started processes
};

}  // namespace lantern::platform::win32
