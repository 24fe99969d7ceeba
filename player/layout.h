// The size of the slide area and the rescaling of the album's authored
// positions and sizes from the authoring screen to that area.
#pragma once

#include <cstdint>

#include "album/album_settings.h"

namespace lantern::player {

struct DisplaySize {
  int32_t width = 0;
  int32_t height = 0;
};

// The windowed player's slide area: the screen times `scale` (nearest whole
// numbers), the width lowered to a multiple of 4 and the height to an even
// number.
DisplaySize WindowedDisplaySize(int32_t screen_width, int32_t screen_height, float scale);

// Rescales every authored position and size in `settings` (freshly re-read
// from the album) from "OrigScreenWidth" x "OrigScreenHeight" to the display
// area. Nothing changes when the authoring screen is unknown or both ratios
// lie within 3 %. Returns whether anything was rescaled.
bool RescaleLayout(album::AlbumSettings& settings, DisplaySize display);

}  // namespace lantern::player
