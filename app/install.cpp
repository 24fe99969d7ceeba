// Installing and removing the screen saver.
#include "app/install.h"

#include <exception>

#include "album/album_fonts.h"
#include "album/items.h"
#include "app/entry.h"
#include "base/text.h"
#include "base/texts.h"
#include "show/probes.h"

namespace lantern::app {

namespace {

using platform::RegistryRoot;

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kPolicyKey[] = "Software\\Policies\\Microsoft\\Windows\\System";
constexpr char kLuaKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr int32_t kAccessDenied = 5;  // the shell's answer when the user declines elevation
constexpr int kDialogPasses = 600;

}  // namespace

std::optional<std::string> QuotedPath(const std::string& path) {
  // A quotation mark would end the quoted name; the command processor expands
  // "%" even inside quotation marks; control characters end the line.
  for (const char c : path) {
    if (c == '"' || c == '%' || static_cast<unsigned char>(c) < 0x20) return std::nullopt;
  }
  if (path.empty()) return std::nullopt;
  return "\"" + path + "\"";
}

Installer::Installer(platform::Platform& platform, show::ProcessValues& values,
                     album::AlbumSettings& settings, const album::PropertyBag& store,
                     std::function<void(int32_t)> wait_ms)
    : platform_(platform),
      process_(platform.process()),
      registry_(platform.registry()),
      windows_(platform.foreign_windows()),
      messages_(platform.messages()),
      files_(platform.files()),
      values_(values),
      settings_(settings),
      store_(store),
      wait_ms_(std::move(wait_ms)) {}

std::string Installer::CommandProcessor() {
  std::string path;
  if (values_.IsWow64 && files_.Exists(values_.SystemFolder + "cmd.exe")) {
    path = values_.SystemFolder + "cmd.exe";
  } else {
    path = registry_.Environment("ComSpec");
    if (!path.empty() && !files_.Exists(path)) path.clear();
  }
  if (!path.empty() &&
      registry_.ReadRegistryDword(RegistryRoot::kCurrentUser, kPolicyKey, "DisableCMD") == 1u) {
    path.clear();
  }
  return path;
}

bool Installer::DecideNeedsElevation() {
  if (show::ProbeVersionClass(process_) > 5 &&
      registry_.ReadRegistryDword(RegistryRoot::kLocalMachine, kLuaKey, "EnableLUA") == 1u) {
    values_.NeedsElevation = true;
    return true;
  }
  const std::string test = values_.SystemFolder + "~Pemo_tmpchk~.scr";
  const bool existed = files_.Exists(test);
  const bool written = files_.WriteAt(test, {}, 0);
  if (!existed && files_.Exists(test)) files_.DeleteTree(test);
  values_.NeedsElevation = !written;
  return values_.NeedsElevation;
}

Installer::Started Installer::StartCommand(const std::string& command_processor,
                                           const std::string& parameters) {
  Started s;
  s.elevated = values_.NeedsElevation;
  if (s.elevated) {
    s.shell_code = registry_.ShellRun("RunAs", command_processor, parameters, /*hidden=*/true);
    s.ok = s.shell_code > 32;
  } else if (const auto quoted = QuotedPath(command_processor)) {
    s.process = process_.StartHidden(*quoted + " " + parameters);
    s.ok = s.process > 0;
  }
  return s;
}

void Installer::InstallFailed() {
  messages_.Message(std::string(texts::kInstallFailed) + "\r" + values_.SystemFolder);
}

void Installer::WaitForCopy(const Started& started) {
  if (started.elevated) {
    wait_ms_(200);
  } else {
    for (int poll = 0; poll < 100; ++poll) {
      const auto code = process_.ProcessExitCode(started.process);
      if (!code || *code != platform::kStillActive) break;
      wait_ms_(200);
    }
  }
  platform_.loop().PumpMessages();
}

void Installer::Install() {
  try {
    const std::string target = values_.SystemFolder + SaverFileName();
    if (files_.Exists(target) &&
        !messages_.Ask(texts::kReplaceSaverBefore + SaverFileName() + texts::kReplaceSaverAfter)) {
      return;
    }
    const auto from = QuotedPath(values_.AppFullPath);
    const auto to = QuotedPath(target);
    const std::string command_processor = CommandProcessor();
    if (!from || !to || command_processor.empty()) return InstallFailed();
    Instances(process_, windows_, values_.AlbumTitle, wait_ms_).ClosePreview(true);
    const auto modified = files_.ModifiedTime(values_.AppFullPath);
    DecideNeedsElevation();
    const Started started = StartCommand(command_processor, "/c copy /y " + *from + " " + *to);
    if (!started.ok) {
      if (started.elevated && started.shell_code == kAccessDenied) return;  // the user declined
      return InstallFailed();
    }
    WaitForCopy(started);
    if (!files_.Exists(target)) wait_ms_(500);
    if (!files_.Exists(target)) return InstallFailed();
    if (files_.ModifiedTime(target) != modified) wait_ms_(500);
    if (files_.ModifiedTime(target) != modified) {
      messages_.Message(texts::kCannotReplaceBefore + SaverFileName() + texts::kCannotReplaceAfter);
      return;
    }
    if (settings_.PackageMode()) {
      album::AlbumItems items(platform_.resources(), files_, platform_.loop());
      album::AlbumFonts({platform_.fonts(), registry_, platform_.code_page(), files_}, items,
                        wait_ms_)
          .EnsureAlbumFonts(settings_, store_, show::ProbeVersionClass(process_),
                            values_.NeedsElevation);
    }
    RegisterUninstallEntry(values_.SystemFolder, SaverFileName());
    registry_.ShellRun("open", "control", "desk.cpl,, 1", /*hidden=*/false);
    SelectSaverInDialog();
  } catch (const std::exception&) {
    InstallFailed();
  }
}

void Installer::RegisterUninstallEntry(const std::string& folder, const std::string& file_name) {
  const std::string key = std::string(kUninstallKey) + "\\" + file_name;
  registry_.WriteRegistryString(RegistryRoot::kCurrentUser, key, "DisplayName", file_name);
  // The system runs this as a command line: unquoted, a blank in the path
  // ("Summer 2024.Scr") would split it and start the album instead.
  if (const auto command = QuotedPath(folder + file_name)) {
    registry_.WriteRegistryString(RegistryRoot::kCurrentUser, key, "UninstallString",
                                  *command + " /uninstall");
  }
}

bool Installer::SelectSaverInDialog() {
  platform::NativeHandle previous = 0;
  for (int pass = 0; pass < kDialogPasses; ++pass) {
    const auto dialogs = windows_.TopLevelWindows("#32770");
    size_t next = 0;
    for (size_t i = 0; i < dialogs.size(); ++i) {
      if (dialogs[i].first == previous) next = i + 1;
    }
    if (next < dialogs.size()) {
      const auto& [dialog, bounds] = dialogs[next];
      previous = dialog;
      // Both heads are five characters, so a match means a title longer than four.
      const std::string head = base::FirstChars(windows_.WindowText(dialog), 5);
      if ((head == "屏幕保护程" || head == "显示 属性") && TrySelect(dialog)) {
        return true;
      }
      if (bounds.width() >= 400 && bounds.width() <= 500 && bounds.height() >= 430 &&
          bounds.height() <= 600 && TrySelect(dialog)) {
        return true;
      }
    } else {
      previous = 0;  // past the end of the list: start again from the first
    }
    wait_ms_(20);
  }
  return false;
}

bool Installer::TrySelect(platform::NativeHandle dialog) {
  bool selected = false;
  windows_.EnumChildWindows(dialog, [&](const platform::ChildWindow& child) {
    if (child.class_name == "ComboBox" &&
        windows_.SelectComboItem(child.handle, values_.AppBaseName)) {
      selected = true;
      return false;
    }
    return true;
  });
  return selected;
}

void Installer::Remove() {
  bool scheduled = false;
  try {
    const std::string command_processor = CommandProcessor();
    const auto quoted = QuotedPath(values_.AppFullPath);
    if (!command_processor.empty() && quoted) {
      DecideNeedsElevation();
      scheduled = StartCommand(command_processor, "/c ping 127.1 -n 2 && del " + *quoted).ok;
    }
    registry_.DeleteRegistryKey(
        RegistryRoot::kCurrentUser,
        "Software\\Microsoft\\Windows\\CurrentVersion\\UnInstall\\" + values_.AppBaseName + ".SCR");
  } catch (const std::exception&) {
    scheduled = false;
  }
  if (scheduled) return;
  messages_.Message(std::string(texts::kRemoveFailed) + "\r" + values_.AppFullPath);
  registry_.ShellRun("open", "EXPLORER.EXE", "/n, /select, " + values_.AppFullPath, false);
}

}  // namespace lantern::app
