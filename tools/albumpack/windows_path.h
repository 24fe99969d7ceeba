// Paths as the player opens them on Windows, made on either build of the
// builder: in files mode an album names each item by an absolute Windows path.
#pragma once

#include <string>
#include <string_view>

namespace lantern::albumpack {

// "C:\Photos\1.jpg", "C:/Photos/1.jpg" or "\\server\share\1.jpg".
bool IsAbsoluteWindowsPath(std::string_view path);

// `path` resolved against the absolute Windows folder `base` (unless it is
// absolute itself), with backslashes, and "." and ".." segments resolved:
// ("C:\Albums", "photos/../1.jpg") gives "C:\Albums\1.jpg".
std::string ResolveWindowsPath(std::string_view base, std::string_view path);

}  // namespace lantern::albumpack
