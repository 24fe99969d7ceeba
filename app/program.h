// The program: start-up, then the one form of the chosen run mode.
#pragma once

#include "platform/platform.h"

namespace lantern::app {

// Runs the program to its end; returns the process exit code.
int RunProgram(platform::Platform& platform);

}  // namespace lantern::app
