// The Windows backend. This header is safe to include from portable code that
// is only built for Windows (tools, tests): it does not include <windows.h>.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "platform/platform.h"

namespace lantern::platform::win32 {

// The running program's image as the loader mapped it, from its base to
// SizeOfImage. Its resources are read through album::PeImageResources, which
// holds every entry to the image's bounds; nothing here trusts the directory.
std::span<const uint8_t> RunningImage();
// Reads bytes of the file the running program was loaded from, at a file
// offset, without touching the mapped image; empty when the file cannot be
// opened or is no longer the one mapped.
std::function<bool(uint64_t offset, std::span<uint8_t> out)> RunningImageFileReader();

// The backend for the running process. Registers the window classes
// (platform::kFormClassName for every window it creates, and
// platform::kApplicationClassName for one hidden application window that
// carries the application title), and asks for 1 ms timer resolution for as
// long as it lives. One per process. `resources` serves resources(); without
// it the platform has none (tools and tests that do not read an album).
std::unique_ptr<Platform> CreateWin32Platform(std::unique_ptr<Resources> resources = nullptr);

// Adds a font file's bytes (an album's packaged font) to the faces the text
// of `platform`, made by CreateWin32Platform, finds by name, for as long as
// it lives; nothing is installed. False when GDI+ does not take it as a font.
bool AddPrivateFont(Platform& platform, std::vector<uint8_t> bytes);

}  // namespace lantern::platform::win32
