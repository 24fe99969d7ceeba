// Text as a GDI+ path: family, string format, path, brush, pen; everything
// created for one box and released after it.
#include "platform/win32/win32_text.h"

#include <windows.h>
// After <windows.h>, which they need.
#include <objidl.h>
// GDI+ wants min and max, which NOMINMAX takes away.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <memory>

#include "base/text.h"
#include "platform/win32/win32_pictures.h"

namespace lantern::platform::win32 {

namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

// Owns one GDI+ object and deletes it with the matching function.
template <typename T, auto Delete>
struct Owned {
  T* p = nullptr;
  ~Owned() {
    if (p != nullptr) Delete(p);
  }
};

GpStatus DeleteBrush(GpBrush* b) {
  return GdipDeleteBrush(b);
}
GpStatus DeleteBitmap(GpBitmap* b) {
  return GdipDisposeImage(b);
}

std::wstring Wide(const std::string& utf8) {
  const std::u16string w = base::Utf8ToUtf16(utf8);
  return std::wstring(w.begin(), w.end());
}

// The brush for a fill; nullptr when the text is not filled.
GpBrush* MakeBrush(const TextFill& fill, Owned<GpBitmap, DeleteBitmap>& texture_bitmap) {
  GpBrush* brush = nullptr;
  switch (fill.kind) {
    case TextFill::Kind::kSolid: {
      GpSolidFill* solid = nullptr;
      GdipCreateSolidFill(fill.argb1, &solid);
      brush = solid;
      break;
    }
    case TextFill::Kind::kGradient: {
      const RectF rect(fill.gradient_left, fill.gradient_top, fill.gradient_width,
                       fill.gradient_height);
      GpLineGradient* line = nullptr;
      GdipCreateLineBrushFromRect(&rect, fill.argb1, fill.argb2,
                                  static_cast<LinearGradientMode>(fill.gradient_mode),
                                  WrapModeTileFlipX, &line);
      brush = line;
      break;
    }
    case TextFill::Kind::kTexture: {
      const DecodedImage* t = fill.texture;
      if (t == nullptr || t->empty()) break;
      GdipCreateBitmapFromScan0(t->width, t->height, t->width * 4, PixelFormat32bppARGB,
                                reinterpret_cast<BYTE*>(const_cast<uint32_t*>(t->pixels.data())),
                                &texture_bitmap.p);
      GpTexture* texture = nullptr;
      if (texture_bitmap.p != nullptr) GdipCreateTexture(texture_bitmap.p, WrapModeTile, &texture);
      brush = texture;
      break;
    }
    case TextFill::Kind::kNone:
      break;
  }
  return brush;
}

}  // namespace

void GdiplusTextRenderer::DrawTextBox(const Surface& surface, const TextBox& box) {
  if (!surface.valid() || !session_.Start()) return;
  Owned<GpBitmap, DeleteBitmap> target;
  GdipCreateBitmapFromScan0(surface.width, surface.height, surface.stride, PixelFormat32bppRGB,
                            surface.pixels, &target.p);
  if (target.p == nullptr) return;
  Owned<GpGraphics, GdipDeleteGraphics> graphics;
  GdipGetImageGraphicsContext(target.p, &graphics.p);
  if (graphics.p == nullptr) return;
  if (box.clear) GdipGraphicsClear(graphics.p, 0x01000000);
  if (box.smooth) GdipSetSmoothingMode(graphics.p, SmoothingModeAntiAlias);

  Owned<GpFontFamily, GdipDeleteFontFamily> family;
  if (GdipCreateFontFamilyFromName(Wide(box.font_name).c_str(), nullptr, &family.p) != Ok) {
    GpFontFamily* generic = nullptr;  // an unknown face falls back to the default family
    GdipGetGenericFontFamilySansSerif(&generic);
    if (generic != nullptr) GdipCloneFontFamily(generic, &family.p);
  }
  Owned<GpStringFormat, GdipDeleteStringFormat> format;
  GdipCreateStringFormat(0, LANG_NEUTRAL, &format.p);
  GdipSetStringFormatAlign(format.p, static_cast<StringAlignment>(box.align % 3));
  GdipSetStringFormatLineAlign(format.p, static_cast<StringAlignment>(box.align / 3 % 3));

  Owned<GpPath, GdipDeletePath> path;
  GdipCreatePath(FillModeAlternate, &path.p);
  const std::wstring text = Wide(box.text);
  const RectF layout(box.left, box.top, box.width, box.height);
  GdipAddPathString(path.p, text.c_str(), static_cast<INT>(text.size()), family.p, box.font_style,
                    box.font_size, &layout, format.p);

  Owned<GpBitmap, DeleteBitmap> texture;
  Owned<GpBrush, DeleteBrush> brush{MakeBrush(box.fill, texture)};
  if (brush.p != nullptr) GdipFillPath(graphics.p, brush.p, path.p);
  if (box.border_width >= 1) {
    Owned<GpPen, GdipDeletePen> pen;
    GdipCreatePen1(box.border_argb, box.border_width, UnitPixel, &pen.p);
    if (pen.p != nullptr) GdipDrawPath(graphics.p, pen.p, path.p);
  }
  GdipFlush(graphics.p, FlushIntentionSync);
}

}  // namespace lantern::platform::win32
