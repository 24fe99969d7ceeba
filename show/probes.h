// The environment probes start-up and installation share. None of them fails
// outwards: a call the system cannot answer leaves the default (no WOW64, idle
// 0, time-outs 0) or falls back as each probe says.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system.h"
#include "show/process_values.h"

namespace lantern::show {

// True when the program runs as a 32-bit process on 64-bit Windows.
bool ProbeWow64(platform::Process& process);
// The system folder (the 32-bit one under WOW64), ending in "\". An answer
// shorter than 4 characters falls back to the plain system folder.
std::string ProbeSystemFolder(platform::Process& process, bool wow64);
// The temporary folder in long form, ending in "\". When the long form cannot
// be had, the folder as the system gave it.
std::string ProbeTempFolder(platform::Process& process);
// Seconds since the last input, rounded; 0 when the system cannot say.
int32_t ProbeIdleSeconds(platform::Power& power);
// The screen saver's starting idle count: the system's screen-saver time-out,
// or the measured idle time when the two differ by 10 seconds or more.
int32_t SeedIdleSeconds(platform::Power& power);
// 5, 6, 7 or 8: XP and older, Vista, 7, 8 and later.
int32_t ProbeVersionClass(platform::Process& process);
// The power plan's sleep, hibernate and monitor time-outs.
void ProbePower(platform::Power& power, show::ProcessValues& values);

// A folder path with "\" at its end (blanks at its end removed first).
std::string WithTrailingBackslash(const std::string& folder);

}  // namespace lantern::show
