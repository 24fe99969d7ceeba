// The pixels of one layered window.
#include "platform/win32/win32_layer.h"

#include <algorithm>
#include <cstring>

namespace lantern::platform::win32 {

LayerBitmap::~LayerBitmap() {
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
}

bool LayerBitmap::Resize(int32_t width, int32_t height, bool keep) {
  if (width <= 0 || height <= 0) return false;
  if (bitmap_ != nullptr && width == width_ && height == height_) return true;
  BITMAPINFO info = TopDown32(width, height);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr || bits == nullptr) return false;
  auto* rows = static_cast<uint8_t*>(bits);
  const size_t row_bytes = static_cast<size_t>(width) * 4;
  std::memset(rows, 0, row_bytes * static_cast<size_t>(height));  // transparent black
  if (keep && bitmap_ != nullptr) {
    const size_t copy_bytes = static_cast<size_t>(std::min(width, width_)) * 4;
    for (int32_t y = 0; y < std::min(height, height_); ++y) {
      std::memcpy(rows + row_bytes * static_cast<size_t>(y),
                  bits_ + static_cast<size_t>(width_) * 4 * static_cast<size_t>(y), copy_bytes);
    }
  }
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
  bitmap_ = bitmap;
  bits_ = rows;
  width_ = width;
  height_ = height;
  return true;
}

bool LayerBitmap::Update(HWND window, int32_t x, int32_t y) {
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return false;
  HDC memory = CreateCompatibleDC(screen);
  bool ok = false;
  if (memory != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap_);
    POINT position{x, y};
    SIZE size{width_, height_};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ok = UpdateLayeredWindow(window, screen, &position, &size, memory, &source, 0, &blend,
                             ULW_ALPHA) != FALSE;
    SelectObject(memory, old);
    DeleteDC(memory);
  }
  ReleaseDC(nullptr, screen);
  return ok;
}

bool LayerBitmap::Push(HWND window, const Surface& layer, const Rect& bounds) {
  if (!layer.valid()) return false;
  const int32_t width = std::min(bounds.width(), layer.width);
  const int32_t height = std::min(bounds.height(), layer.height);
  if (!Resize(width, height, /*keep=*/false)) return false;
  const size_t row_bytes = static_cast<size_t>(width) * 4;
  for (int32_t y = 0; y < height; ++y) {
    std::memcpy(bits_ + row_bytes * static_cast<size_t>(y), layer.Row(y), row_bytes);
  }
  return Update(window, bounds.left, bounds.top);
}

bool LayerBitmap::Move(HWND window, const Rect& bounds) {
  if (!Resize(bounds.width(), bounds.height(), /*keep=*/true)) return false;
  return Update(window, bounds.left, bounds.top);
}

}  // namespace lantern::platform::win32
