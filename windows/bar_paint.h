// Painting on a layer of a layered window: 32-bit premultiplied BGRA, alpha
// in the top byte. The bar and the size menu are drawn here off-screen and
// pushed whole.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace lantern::windows {

// An almost transparent black (alpha 1): the layer's background. Fully
// transparent pixels would let clicks fall through to the window behind.
inline constexpr uint32_t kLayerBackground = 0x01000000;

// An opaque premultiplied pixel of a system colour (0x00BBGGRR).
uint32_t OpaqueFromBgr(uint32_t bgr);

void ClearLayer(const platform::Surface& layer);
// A linear gradient over `area`, opaque, from colour `from` to `to`
// (0x00BBGGRR), top to bottom when `vertical`, otherwise left to right.
void FillGradient(const platform::Surface& layer, const platform::Rect& area, uint32_t from,
                  uint32_t to, bool vertical);
// A one-pixel frame on the edge of `area`, opaque.
void FrameRect(const platform::Surface& layer, const platform::Rect& area, uint32_t bgr);
// A picture with straight alpha drawn over the layer in `area` (scaled to it
// by the nearest pixel when the sizes differ).
void DrawImageOver(const platform::Surface& layer, const platform::DecodedImage& image,
                   const platform::Rect& area);
// Colour `bgr` over the layer wherever `coverage` (a white-on-black picture
// of the same size, such as text drawn on black) is lit, as partly covered
// pixels: the coverage is the alpha.
void DrawCoverageOver(const platform::Surface& layer, const platform::Surface& coverage,
                      uint32_t bgr);

}  // namespace lantern::windows
