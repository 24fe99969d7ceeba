// `albumpack render`: composes slide N of an album exactly as the player
// composes it (background, photo, mask, caption, and the headline as its
// effect leaves it) and writes it as a PNG, so an author can check an album
// without playing it. The Windows build draws
// with the Windows backend, the Linux build with the native one: the same
// picture formats, and text in the album's fonts or the faces that stand in
// for the ones it names.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace lantern::albumpack {

struct RenderOptions {
  std::string album;
  int photo = 1;
  std::string output;  // a PNG file
  int32_t width = 1920;
  int32_t height = 1080;
  // Given each of the album's packaged fonts, before anything is drawn; unset
  // where the renderer finds only the system's fonts.
  std::function<void(std::vector<uint8_t>)> add_font;
};

int Render(const RenderOptions& options, platform::ToolPlatform& platform, std::ostream& out,
           std::ostream& err);

}  // namespace lantern::albumpack
