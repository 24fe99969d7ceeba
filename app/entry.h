// Start-up: the program's paths and names, the album settings, the album
// title, making sure only one copy runs, and the choice of run mode from the
// command line and the file extension.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "album/album_settings.h"
#include "album/property_bag.h"
#include "platform/platform.h"
#include "show/process_values.h"

namespace lantern::app {

struct ProgramNames {
  std::string file_name;  // after the last "\"
  std::string extension;  // up to three characters after the last "."
  std::string base_name;  // before the last "."
};
// A name without a dot gives the whole name as both extension and base name.
ProgramNames SplitProgramPath(const std::string& full_path);

// True when the path's last three characters are "SCR" in any case.
bool IsScreenSaverPath(const std::string& full_path);

// The album's title ("TxtSetting(0)", or the built-in title when that is
// empty), with the screen-saver prefix when the program file is a ".scr".
std::string MakeAlbumTitle(const std::string& title_setting, const std::string& full_path);

enum class RunMode {
  kScreenSaver,  // "/S"
  kConfigure,    // "/C"
  kPreview,      // "/P" and the host window
  kUninstall,    // "/UNINSTALL"
  kInstall,      // "/INSTALL"
  kInformation,  // an ".exe" without one of the above: the information window first
  kPlayer,       // the windowed album player
};

struct RunChoice {
  RunMode mode = RunMode::kPlayer;
  platform::NativeHandle preview_parent = 0;  // kPreview only
};

// Only the first two characters of the command line count, in any case;
// "/UNINSTALL" and "/INSTALL" must be the whole command line.
RunChoice ChooseRunMode(const std::string& command_line, const std::string& extension);

// The first child window of `parent`, at any depth, whose class and text are
// exactly these; 0 when none.
platform::NativeHandle FindChildWindow(platform::ForeignWindows& windows,
                                       platform::NativeHandle parent, const std::string& class_name,
                                       const std::string& text);
// The open screen-saver settings dialog of the Display control panel, or 0.
platform::NativeHandle FindDisplayDialog(platform::ForeignWindows& windows);

// Other running copies of this album, found by the program's window classes
// and the album title. `wait_ms` pauses while messages keep flowing.
class Instances {
 public:
  Instances(platform::Process& process, platform::ForeignWindows& windows, std::string album_title,
            std::function<void(int32_t)> wait_ms)
      : process_(process),
        windows_(windows),
        title_(std::move(album_title)),
        wait_ms_(std::move(wait_ms)) {}

  // True when no other copy runs (after asking any to close). Only a ".scr"
  // or a program that has a previous instance looks.
  bool Check(bool screen_saver_file);
  // Closes this album's preview inside the open Display dialog and, when
  // asked, the dialog itself.
  void ClosePreview(bool close_dialog);

 private:
  platform::Process& process_;
  platform::ForeignWindows& windows_;
  std::string title_;
  std::function<void(int32_t)> wait_ms_;
};

// What start-up leaves for the run mode.
struct StartUp {
  show::ProcessValues values;
  album::PropertyBag store;
  album::AlbumSettings settings;
  RunChoice choice;
};

// Runs start-up. False when the program ends here: the album settings are
// missing or damaged, or another copy keeps running.
bool RunStartUp(platform::Platform& platform, StartUp& out);

}  // namespace lantern::app
