// The process-wide values start-up sets and the rest of the program reads:
// the program's paths and names, folders, the mode it runs in, the album
// title, the screen, and the probes' results.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "show/dialog_font.h"

namespace lantern::show {

struct ProcessValues {
  std::string AppFullPath;   // the running program's file
  std::string AppFileName;   // its name after the last "\"
  std::string AppExtension;  // up to three characters after the last "."
  std::string AppBaseName;   // the name without the last "." and what follows
  std::string TempFolder;    // ends in "\"; replaced by the extraction folder in a packed album
  std::string SystemFolder;  // ends in "\"
  bool IsWow64 = false;
  std::string AlbumTitle;
  bool WindowedMode = true;  // false for the screen saver
  float WindowScale = 0.8f;  // the share of the screen the windowed player uses
  int32_t IdleSeconds = 0;   // seconds without input, counted up by the player
  int32_t InfoChoice = 0;    // the information window's answer: 1 install, 2 play
  bool NeedsElevation = false;
  int32_t WindowsVersionClass = 0;  // 5, 6, 7 or 8; 0 until probed
  int32_t SleepTimeout = 0;         // seconds, from the power plan
  int32_t HibernateTimeout = 0;
  int32_t MonitorTimeout = 0;
  int32_t TransitionDuration = 1500;  // ms, the base time of every transition
  // The primary screen.
  int32_t TwipsPerPixelX = 15;
  int32_t TwipsPerPixelY = 15;
  int32_t ScreenWidth = 0;  // pixels
  int32_t ScreenHeight = 0;
  // The dialogs' font: chosen again by every dialog that loads, and by the
  // windowed player when no dialog did; kept for the process.
  std::optional<DialogFont> SharedDialogFont;
};

}  // namespace lantern::show
