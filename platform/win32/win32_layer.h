// The pixels of one layered window: a DIB section the pushed layer is copied
// into, handed to UpdateLayeredWindow (ULW_ALPHA, the layer's own
// premultiplied alpha) from a memory device context. Includes <windows.h>.
#pragma once

#include "platform/surface.h"
#include "platform/win32/win32_util.h"

namespace lantern::platform::win32 {

class LayerBitmap {
 public:
  LayerBitmap() = default;
  LayerBitmap(const LayerBitmap&) = delete;
  LayerBitmap& operator=(const LayerBitmap&) = delete;
  ~LayerBitmap();

  // Copies the top-left pixels of `layer` (cut to `bounds`' size) and shows
  // them in the window, which moves to `bounds`' top-left corner.
  bool Push(HWND window, const Surface& layer, const Rect& bounds);
  // Moves and resizes the window; the kept pixels stay at its top-left
  // corner, and area beyond them is transparent.
  bool Move(HWND window, const Rect& bounds);

 private:
  // A new bitmap of this size, transparent; with `keep`, the overlap of the
  // old one is copied over.
  bool Resize(int32_t width, int32_t height, bool keep);
  bool Update(HWND window, int32_t x, int32_t y);

  HBITMAP bitmap_ = nullptr;
  uint8_t* bits_ = nullptr;  // top-down rows of width_ * 4 bytes
  int32_t width_ = 0;
  int32_t height_ = 0;
};

}  // namespace lantern::platform::win32
