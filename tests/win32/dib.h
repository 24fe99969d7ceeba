// A 32-bit top-down DIB section selected into a memory device context, filled
// with seeded noise: what the Wine tests and benchmarks draw into, with GDI on
// one side and our raster operations (through surface()) on the other.
#pragma once

#include <windows.h>

#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "platform/surface.h"
#include "platform/win32/win32_util.h"

namespace lantern::testing {

class Dib {
 public:
  Dib(int32_t width, int32_t height, uint32_t seed) : width_(width), height_(height) {
    const BITMAPINFO info = platform::win32::TopDown32(width, height);
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ =
        CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    std::mt19937 random(seed);
    for (uint32_t& p : pixels())
      p = static_cast<uint32_t>(random());
  }
  ~Dib() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Dib(const Dib&) = delete;
  Dib& operator=(const Dib&) = delete;

  HDC dc() const { return dc_; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  std::span<uint32_t> pixels() {
    return {bits_, static_cast<size_t>(width_) * static_cast<size_t>(height_)};
  }
  platform::Surface surface() const {
    return {reinterpret_cast<uint8_t*>(bits_), width_, height_, width_ * 4};
  }
  // The pixels once GDI has finished drawing.
  std::vector<uint32_t> Copy() {
    GdiFlush();
    return {pixels().begin(), pixels().end()};
  }

 private:
  int32_t width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
};

}  // namespace lantern::testing
