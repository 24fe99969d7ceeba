// Premultiplied painting on layers.
#include "windows/bar_paint.h"

#include <algorithm>

namespace lantern::windows {

namespace {

uint32_t Channel(uint32_t colour, int shift) {
  return (colour >> shift) & 0xFF;
}

// Source over destination, both premultiplied.
uint32_t Over(uint32_t source, uint32_t destination) {
  const uint32_t a = source >> 24;
  if (a == 255) return source;
  if (a == 0) return destination;
  uint32_t out = 0;
  for (int shift = 0; shift <= 24; shift += 8) {
    const uint32_t value =
        Channel(source, shift) + (Channel(destination, shift) * (255 - a) + 127) / 255;
    out |= std::min<uint32_t>(value, 255) << shift;
  }
  return out;
}

// A straight-alpha pixel made premultiplied.
uint32_t Premultiplied(uint32_t pixel) {
  const uint32_t a = pixel >> 24;
  if (a == 255) return pixel;
  uint32_t out = a << 24;
  for (int shift = 0; shift <= 16; shift += 8)
    out |= ((Channel(pixel, shift) * a + 127) / 255) << shift;
  return out;
}

uint32_t Mix(uint32_t from, uint32_t to, float t) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const float a = static_cast<float>(Channel(from, shift));
    const float b = static_cast<float>(Channel(to, shift));
    out |= static_cast<uint32_t>(a + (b - a) * t + 0.5f) << shift;
  }
  return out;
}

}  // namespace

uint32_t OpaqueFromBgr(uint32_t bgr) {
  // 0x00BBGGRR to 0xAARRGGBB in memory order B, G, R, A.
  return 0xFF000000u | (Channel(bgr, 0) << 16) | (Channel(bgr, 8) << 8) | Channel(bgr, 16);
}

void ClearLayer(const platform::Surface& layer) {
  for (int32_t y = 0; y < layer.height; ++y)
    std::fill(layer.Row(y), layer.Row(y) + layer.width, kLayerBackground);
}

void FillGradient(const platform::Surface& layer, const platform::Rect& area, uint32_t from,
                  uint32_t to, bool vertical) {
  const platform::Rect r = Intersect(area, layer.bounds());
  const uint32_t a = OpaqueFromBgr(from);
  const uint32_t b = OpaqueFromBgr(to);
  const float span = static_cast<float>(vertical ? area.height() : area.width());
  for (int32_t y = r.top; y < r.bottom; ++y) {
    uint32_t* row = layer.Row(y);
    for (int32_t x = r.left; x < r.right; ++x) {
      const int32_t step = vertical ? y - area.top : x - area.left;
      row[x] = 0xFF000000u | Mix(a, b, (static_cast<float>(step) + 0.5f) / span);
    }
  }
}

void FrameRect(const platform::Surface& layer, const platform::Rect& area, uint32_t bgr) {
  const uint32_t c = OpaqueFromBgr(bgr);
  for (int32_t y = std::max(area.top, 0); y < std::min(area.bottom, layer.height); ++y) {
    const bool edge_row = y == area.top || y == area.bottom - 1;
    uint32_t* row = layer.Row(y);
    for (int32_t x = std::max(area.left, 0); x < std::min(area.right, layer.width); ++x) {
      if (edge_row || x == area.left || x == area.right - 1) row[x] = c;
    }
  }
}

void DrawImageOver(const platform::Surface& layer, const platform::DecodedImage& image,
                   const platform::Rect& area) {
  if (image.empty() || area.empty()) return;
  const platform::Rect r = Intersect(area, layer.bounds());
  for (int32_t y = r.top; y < r.bottom; ++y) {
    const int64_t sy = int64_t{y - area.top} * image.height / area.height();
    const uint32_t* source = image.pixels.data() + sy * image.width;
    uint32_t* row = layer.Row(y);
    for (int32_t x = r.left; x < r.right; ++x) {
      const int64_t sx = int64_t{x - area.left} * image.width / area.width();
      row[x] = Over(Premultiplied(source[sx]), row[x]);
    }
  }
}

void DrawCoverageOver(const platform::Surface& layer, const platform::Surface& coverage,
                      uint32_t bgr) {
  const int32_t width = std::min(layer.width, coverage.width);
  const int32_t height = std::min(layer.height, coverage.height);
  const uint32_t colour = OpaqueFromBgr(bgr) & 0xFFFFFF;
  for (int32_t y = 0; y < height; ++y) {
    const uint32_t* lit = coverage.Row(y);
    uint32_t* row = layer.Row(y);
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t a = std::max({Channel(lit[x], 0), Channel(lit[x], 8), Channel(lit[x], 16)});
      if (a != 0) row[x] = Over(Premultiplied((a << 24) | colour), row[x]);
    }
  }
}

}  // namespace lantern::windows
