// `albumpack render`: composes slide N of an album exactly as the player
// composes it (background, photo, mask, caption) and writes it as a PNG, so
// an author can check an album without playing it. The Windows build draws
// with the Windows backend (every picture format, real text); the Linux build
// with the fake backend (TGA and PCX pictures, boxes standing in for text).
#pragma once

#include <ostream>
#include <string>

#include "platform/platform.h"

namespace lantern::albumpack {

struct RenderOptions {
  std::string album;
  int photo = 1;
  std::string output;  // a PNG file
  int32_t width = 1920;
  int32_t height = 1080;
};

int Render(const RenderOptions& options, platform::ToolPlatform& platform, std::ostream& out,
           std::ostream& err);

}  // namespace lantern::albumpack
