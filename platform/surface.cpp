// Rectangle arithmetic and heap surfaces.
#include "platform/surface.h"

#include <algorithm>
#include <cstring>

namespace lantern::platform {

Rect Union(const Rect& a, const Rect& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

Rect Intersect(const Rect& a, const Rect& b) {
  const Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
  return r.empty() ? Rect{} : r;
}

Surface SubSurface(const Surface& surface, const Rect& area) {
  const Rect r = Intersect(area, surface.bounds());
  if (r.empty() || !surface.valid()) return {};
  return {surface.pixels + static_cast<intptr_t>(r.top) * surface.stride +
              static_cast<intptr_t>(r.left) * 4,
          r.width(), r.height(), surface.stride};
}

HeapSurfaceBuffer::HeapSurfaceBuffer(int32_t width, int32_t height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  const size_t stride = static_cast<size_t>(width) * 4;
  const size_t size = stride * static_cast<size_t>(height);
  memory_ = std::make_unique<uint8_t[]>(size);
  std::memset(memory_.get(), 0, size);
  surface_ = {memory_.get(), width, height, static_cast<int32_t>(stride)};
}

}  // namespace lantern::platform
