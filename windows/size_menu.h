// Drawing the size menu's layer (64 x 192): the highlight of the chosen size
// under the album's picture of the six choices.
#pragma once

#include "platform/platform.h"
#include "windows/control_bar.h"

namespace lantern::windows {

void DrawSizeMenu(const platform::Surface& layer, int32_t size_index,
                  const platform::DecodedImage& picture, const HighlightColours& colours);

}  // namespace lantern::windows
