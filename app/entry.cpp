// Start-up, in its fixed order: probes, screen, paths, settings, title, the
// instance check, then the run mode.
#include "app/entry.h"

#include <cctype>
#include <cstdint>
#include <exception>
#include <functional>

#include "album/items.h"
#include "base/text.h"
#include "base/texts.h"
#include "show/pacing.h"
#include "show/probes.h"

namespace lantern::app {

namespace {

constexpr char kDialogClass[] = "#32770";
constexpr char kSaverSettingsTitle[] = "屏幕保护程序设置";
constexpr char kDisplayPropertiesTitle[] = "显示 属性";
constexpr char kScreenSaverPrefix[] = "屏幕保护: ";
constexpr size_t kDialogsExamined = 20;

// Window handles are 32-bit values on every version of the system.
constexpr uint64_t kLargestHandle = 0xFFFFFFFFu;

// A decimal number, after any leading blanks, up to the first other
// character. A number too large for a window handle is none (0): it must not
// wrap round to some other program's window.
platform::NativeHandle ParsePreviewParent(const std::string& text) {
  size_t i = text.find_first_not_of(' ');
  uint64_t parent = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    parent = parent * 10 + static_cast<uint64_t>(text[i] - '0');
    if (parent > kLargestHandle) return 0;
  }
  return static_cast<platform::NativeHandle>(parent);
}

bool LoadSettings(platform::Platform& platform, StartUp& out) {
  album::AlbumItems items(platform.resources(), platform.files(), platform.loop());
  const auto blob = items.LoadSettingsBlob();
  if (!blob || out.store.Load(*blob) != album::LoadError::kNone) return false;
  try {
    album::ReadAllSettings(out.store, out.settings);
  } catch (const album::SettingsError&) {
    return false;
  }
  return true;
}

bool PassesInstanceCheck(platform::Platform& platform, StartUp& out) {
  show::StandaloneWait wait(platform);
  Instances instances(platform.process(), platform.foreign_windows(), out.values.AlbumTitle,
                      std::ref(wait));
  if (instances.Check(IsScreenSaverPath(out.values.AppFullPath))) return true;
  if (base::AsciiUpper(platform.process().CommandLine()) != "/UNINSTALL") return false;
  instances.ClosePreview(false);
  if (instances.Check(IsScreenSaverPath(out.values.AppFullPath))) return true;
  platform.messages().Message(texts::kCloseSaverFirst);
  return false;
}

bool StartUpSteps(platform::Platform& platform, StartUp& out) {
  platform::Process& process = platform.process();
  show::ProcessValues& v = out.values;
  v.IsWow64 = show::ProbeWow64(process);
  v.SystemFolder = show::ProbeSystemFolder(process, v.IsWow64);
  const platform::ScreenMetrics screen = platform.desktop().Screen();
  v.TwipsPerPixelX = screen.twips_per_pixel_x;
  v.TwipsPerPixelY = screen.twips_per_pixel_y;
  v.ScreenWidth = screen.width;
  v.ScreenHeight = screen.height;
  v.AppFullPath = process.ModuleFileName();
  const ProgramNames names = SplitProgramPath(v.AppFullPath);
  v.AppFileName = names.file_name;
  v.AppExtension = names.extension;
  v.AppBaseName = names.base_name;
  v.TempFolder = show::ProbeTempFolder(process);
  if (!LoadSettings(platform, out)) return false;
  v.AlbumTitle = MakeAlbumTitle(out.settings.TxtSetting[0], v.AppFullPath);
  if (!PassesInstanceCheck(platform, out)) return false;
  platform.power().SetApplicationTitle(v.AlbumTitle);
  out.choice = ChooseRunMode(process.CommandLine(), v.AppExtension);
  if (out.choice.mode == RunMode::kScreenSaver) {
    v.IdleSeconds = show::SeedIdleSeconds(platform.power());
    v.WindowedMode = false;
    v.WindowScale = 1.0f;
  } else if (out.choice.mode == RunMode::kPlayer) {
    v.WindowedMode = true;
  }
  return true;
}

}  // namespace

ProgramNames SplitProgramPath(const std::string& full_path) {
  ProgramNames names;
  const size_t slash = full_path.rfind('\\');
  names.file_name = slash == std::string::npos ? full_path : full_path.substr(slash + 1);
  const size_t dot = names.file_name.rfind('.');
  if (dot == std::string::npos) {
    names.extension = names.base_name = names.file_name;
  } else {
    names.extension = base::FirstChars(names.file_name.substr(dot + 1), 3);
    names.base_name = names.file_name.substr(0, dot);
  }
  return names;
}

bool IsScreenSaverPath(const std::string& full_path) {
  return base::AsciiUpper(base::LastChars(full_path, 3)) == "SCR";
}

std::string MakeAlbumTitle(const std::string& title_setting, const std::string& full_path) {
  const std::string title = title_setting.empty() ? texts::kApplicationTitle : title_setting;
  return IsScreenSaverPath(full_path) ? kScreenSaverPrefix + title : title;
}

RunChoice ChooseRunMode(const std::string& command_line, const std::string& extension) {
  const std::string upper = base::AsciiUpper(command_line);
  const std::string head = upper.substr(0, 2);
  if (head == "/S") return {RunMode::kScreenSaver};
  if (head == "/C") return {RunMode::kConfigure};
  if (head == "/P") return {RunMode::kPreview, ParsePreviewParent(upper.substr(2))};
  if (upper == "/UNINSTALL") return {RunMode::kUninstall};
  if (upper == "/INSTALL") return {RunMode::kInstall};
  if (base::AsciiUpper(extension) == "EXE") return {RunMode::kInformation};
  return {RunMode::kPlayer};
}

platform::NativeHandle FindChildWindow(platform::ForeignWindows& windows,
                                       platform::NativeHandle parent, const std::string& class_name,
                                       const std::string& text) {
  platform::NativeHandle found = 0;
  windows.EnumChildWindows(parent, [&](const platform::ChildWindow& child) {
    if (child.class_name != class_name || child.text != text) return true;
    found = child.handle;
    return false;
  });
  return found;
}

platform::NativeHandle FindDisplayDialog(platform::ForeignWindows& windows) {
  for (const char* title : {kSaverSettingsTitle, kDisplayPropertiesTitle}) {
    if (const auto dialog = windows.FindTopLevel(kDialogClass, title)) return dialog;
  }
  const auto dialogs = windows.TopLevelWindows(kDialogClass);
  for (size_t i = 0; i < dialogs.size() && i < kDialogsExamined; ++i) {
    const platform::Rect& r = dialogs[i].second;
    if (r.width() >= 400 && r.width() <= 500 && r.height() >= 430 && r.height() <= 600) {
      return dialogs[i].first;
    }
  }
  return 0;
}

bool Instances::Check(bool screen_saver_file) {
  if (!screen_saver_file && !process_.PreviousInstance()) return true;
  const auto close = [&](const char* class_name, int32_t wait) {
    if (const auto window = windows_.FindTopLevel(class_name, title_)) {
      windows_.SendClose(window);
      wait_ms_(wait);
    }
  };
  close(platform::kFormClassName, 200);
  close(platform::kApplicationClassName, 40);
  return windows_.FindTopLevel(platform::kFormClassName, title_) == 0 &&
         windows_.FindTopLevel(platform::kApplicationClassName, title_) == 0;
}

void Instances::ClosePreview(bool close_dialog) {
  const auto dialog = FindDisplayDialog(windows_);
  if (dialog == 0) return;
  if (const auto preview = FindChildWindow(windows_, dialog, platform::kFormClassName, title_)) {
    windows_.SendClose(preview);
    wait_ms_(40);
  }
  if (close_dialog) {
    windows_.SendClose(dialog);
    wait_ms_(200);
  }
}

bool RunStartUp(platform::Platform& platform, StartUp& out) {
  try {
    return StartUpSteps(platform, out);
  } catch (const std::exception&) {
    return false;  // start-up ends quietly on any failure
  }
}

}  // namespace lantern::app
