// Drawing the control bar's layer (352 x 32): the highlight of the label
// under the pointer, the eight button pictures and the slide counter.
#pragma once

#include "platform/platform.h"
#include "windows/bar_images.h"
#include "windows/bar_layout.h"

namespace lantern::windows {

// The highlight's colours from the system's scheme (0x00BBGGRR).
struct HighlightColours {
  uint32_t from = 0;  // the selection colour
  uint32_t to = 0;    // the active caption's colour
};
HighlightColours SystemHighlight(platform::Desktop& desktop);

// Draws the whole layer. `scratch` is a surface at least the bar's size on
// which the counter's text is drawn white on black first, for its coverage.
void DrawControlBar(const platform::Surface& layer, const platform::Surface& scratch,
                    platform::TextRenderer& text, const BarState& state, const BarImages& images,
                    const HighlightColours& colours);

}  // namespace lantern::windows
