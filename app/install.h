// Making the album the system's screen saver, and removing it again. The copy
// into the system folder and the delayed delete run in the command processor,
// through "RunAs" when the system folder is not writable for the user.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "album/album_settings.h"
#include "album/property_bag.h"
#include "platform/platform.h"
#include "show/process_values.h"

namespace lantern::app {

// A path in quotation marks for a command line; nullopt when the path holds a
// character the command processor would read as more than part of a name.
std::optional<std::string> QuotedPath(const std::string& path);

class Installer {
 public:
  // `wait_ms` pauses while window messages keep flowing.
  Installer(platform::Platform& platform, show::ProcessValues& values,
            album::AlbumSettings& settings, const album::PropertyBag& store,
            std::function<void(int32_t)> wait_ms);

  void Install();
  // Schedules the delete of this file and removes the uninstall entry; the
  // program should end when it returns.
  void Remove();

  // The command interpreter, or empty when there is none or it is disabled.
  std::string CommandProcessor();
  bool DecideNeedsElevation();
  // Adds the entry to the current user's installed programs.
  void RegisterUninstallEntry(const std::string& folder, const std::string& file_name);
  // Selects this saver in the open screen-saver settings dialog, if one shows up.
  bool SelectSaverInDialog();

 private:
  struct Started {
    bool ok = false;
    bool elevated = false;
    int32_t shell_code = 0;
    platform::ProcessId process = 0;
  };
  Started StartCommand(const std::string& command_processor, const std::string& parameters);
  void WaitForCopy(const Started& started);
  bool TrySelect(platform::NativeHandle dialog);
  void InstallFailed();
  std::string SaverFileName() const { return values_.AppBaseName + ".Scr"; }

  platform::Platform& platform_;
  platform::Process& process_;
  platform::Registry& registry_;
  platform::ForeignWindows& windows_;
  platform::MessageBoxes& messages_;
  platform::FileSystem& files_;
  show::ProcessValues& values_;
  album::AlbumSettings& settings_;
  const album::PropertyBag& store_;
  std::function<void(int32_t)> wait_ms_;
};

}  // namespace lantern::app
