// Drawing the dialogs' own shapes into a surface: the flat rounded button
// face (anti-aliased), etched frames and the sunken edge of a text box.
// Colours are surface pixels, 0x00RRGGBB (an alpha byte is ignored).
#pragma once

#include <cstdint>

#include "platform/surface.h"

namespace lantern::dialogs {

// Fills `face` with `background`, then a rounded rectangle over all of it
// (corner arcs of radius `corner`) in `fill` with a 1-pixel outline in
// `border`, its edges blended with what lies under them.
void DrawRoundedFace(const platform::Surface& surface, const platform::Rect& face, int32_t corner,
                     uint32_t background, uint32_t fill, uint32_t border);

// A frame drawn as an etched line pair (shadow, then highlight inside it).
void DrawEtchedFrame(const platform::Surface& surface, const platform::Rect& frame, uint32_t shadow,
                     uint32_t highlight);

// A box filled with `fill` inside a sunken edge (shadow at the top and left,
// highlight at the bottom and right).
void DrawSunkenBox(const platform::Surface& surface, const platform::Rect& box, uint32_t fill,
                   uint32_t shadow, uint32_t highlight);

}  // namespace lantern::dialogs
