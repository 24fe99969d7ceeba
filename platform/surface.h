// A Surface is a 32-bit BGRX pixel buffer: width, height and a stride in
// bytes. Surfaces are views; SurfaceBuffer owns the memory behind one. On Windows
// the player's buffers are DIB sections so GDI, GDI+ and our own raster code
// draw into the same memory; elsewhere they are plain heap memory.
#pragma once

#include <cassert>
#include <cstdint>
#include <memory>

namespace lantern::platform {

// A rectangle in pixels, right and bottom exclusive.
struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  bool operator==(const Rect&) const = default;
};

// The smallest rectangle holding both; an empty rectangle adds nothing.
Rect Union(const Rect& a, const Rect& b);
// The overlap of two rectangles; empty (all zero) when they do not meet.
Rect Intersect(const Rect& a, const Rect& b);

struct Surface {
  uint8_t* pixels = nullptr;  // top row first
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;  // bytes from one row to the next, at least 4 * width

  bool valid() const { return pixels != nullptr && width > 0 && height > 0; }
  Rect bounds() const { return {0, 0, width, height}; }
  uint32_t* Row(int32_t y) const {
    assert(y >= 0 && y < height && "row outside the surface: clip before indexing");
    return reinterpret_cast<uint32_t*>(pixels + static_cast<intptr_t>(y) * stride);
  }
};

// The part of `surface` inside `area`, as a surface of its own that shares
// the memory: whatever is drawn into it stays inside the area. Invalid when
// the area lies outside the surface.
Surface SubSurface(const Surface& surface, const Rect& area);

// Owns the memory of one surface. Backends derive from it to allocate the
// memory their own way (a DIB section on Windows).
class SurfaceBuffer {
 public:
  virtual ~SurfaceBuffer() = default;
  const Surface& surface() const { return surface_; }

 protected:
  Surface surface_;
};

// Heap memory, used by the fake backend and by tools.
class HeapSurfaceBuffer final : public SurfaceBuffer {
 public:
  // Width and height are clamped to at least 1 pixel.
  HeapSurfaceBuffer(int32_t width, int32_t height);

 private:
  std::unique_ptr<uint8_t[]> memory_;
};

}  // namespace lantern::platform
