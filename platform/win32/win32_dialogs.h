// The Windows backend's common dialogs: the shell's folder picker and a
// one-line input box made from an in-memory dialog template. Does not
// include <windows.h>.
#pragma once

#include "platform/system.h"

namespace lantern::platform::win32 {

class Win32CommonDialogs final : public CommonDialogs {
 public:
  std::string BrowseForFolder(NativeHandle owner, const std::string& start_folder,
                              const std::string& prompt, bool allow_new_folder) override;
  std::string AskText(NativeHandle owner, const std::string& prompt,
                      const std::string& title) override;
};

}  // namespace lantern::platform::win32
