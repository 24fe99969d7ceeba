// Text as a GDI+ path: family, string format, path, brush, pen; everything
// created for one box and released after it.
#include "platform/win32/win32_text.h"

#include "platform/win32/gdiplus_headers.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/text_layout.h"
#include "platform/win32/win32_pictures.h"
#include "platform/win32/win32_util.h"

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

// The family of a face name: among the renderer's own fonts first, then the
// system's; an unknown face falls back to the default family.
GpFontFamily* Family(const std::string& name, GpFontCollection* own) {
  const std::wstring wide = Wide(name);
  GpFontFamily* family = nullptr;
  if (own != nullptr && GdipCreateFontFamilyFromName(wide.c_str(), own, &family) == Ok)
    return family;
  if (GdipCreateFontFamilyFromName(wide.c_str(), nullptr, &family) == Ok) return family;
  GpFontFamily* generic = nullptr;
  GdipGetGenericFontFamilySansSerif(&generic);
  if (generic != nullptr) GdipCloneFontFamily(generic, &family);
  return family;
}

// The width GDI+ gives one line in this font and format: the width its own
// layout would need, so a line measured to fit is one GDI+ would not break.
float LayoutWidth(GpGraphics* graphics, GpFont* font, GpStringFormat* format,
                  const std::string& line) {
  const std::wstring wide = Wide(line);
  const RectF layout(0, 0, 1e6f, 1e6f);
  RectF bounds;
  if (wide.empty() || GdipMeasureString(graphics, wide.c_str(), static_cast<INT>(wide.size()), font,
                                        &layout, format, &bounds, nullptr, nullptr) != Ok) {
    return 0;
  }
  return bounds.Width;
}

// Adds the text to the path as one block: the lines broken at the box's width
// by the shared rule (a one-line box is not broken), each added unwrapped in
// its own slice of the box, the block aligned vertically as the box asks.
// GDI+ would break lines itself, but not every implementation of it does
// (Wine draws only the first line), and doing it here gives the same layout
// on all: lines are the family's line spacing apart, as GDI+ spaces them.
// Lines that fall wholly above or below the surface (`surface_height`) are
// left out: outlining them costs in proportion to their length, and nothing
// of them could show.
void AddLines(GpPath* path, GpGraphics* graphics, GpFontFamily* family, GpStringFormat* format,
              const TextBox& box, int32_t surface_height) {
  Owned<GpFont, GdipDeleteFont> font;
  GdipCreateFont(family, box.font_size, box.font_style, UnitPixel, &font.p);
  const auto measure = [&](const std::string& line) {
    return font.p != nullptr ? LayoutWidth(graphics, font.p, format, line) : 0.0f;
  };
  const std::vector<std::string> lines =
      box.one_line ? std::vector<std::string>{box.text} : WrapLines(box.text, box.width, measure);
  UINT16 em = 0;
  UINT16 spacing = 0;
  GdipGetEmHeight(family, box.font_style, &em);
  GdipGetLineSpacing(family, box.font_style, &spacing);
  const float line_height = em > 0 && spacing > 0 ? box.font_size * spacing / em : box.font_size;
  // A glyph and its outline may reach past its line's slice by about a line.
  const float reach = line_height + box.border_width;
  float top = BlockTop(box, line_height * static_cast<float>(lines.size()));
  for (const std::string& line : lines) {
    const RectF layout(box.left, top, box.width, line_height);
    const bool seen =
        top + line_height + reach > 0 && top - reach < static_cast<float>(surface_height);
    const std::wstring wide = seen ? Wide(line) : std::wstring();
    if (!wide.empty()) {
      GdipAddPathString(path, wide.c_str(), static_cast<INT>(wide.size()), family, box.font_style,
                        box.font_size, &layout, format);
    }
    top += line_height;
  }
}

}  // namespace

// A private collection holds fonts added from memory; GDI+ reads the bytes
// while the collection lives, so they are kept with it.
struct GdiplusTextRenderer::PrivateFonts {
  GpFontCollection* collection = nullptr;
  std::vector<std::vector<uint8_t>> files;
  ~PrivateFonts() {
    if (collection != nullptr) GdipDeletePrivateFontCollection(&collection);
  }
};

GdiplusTextRenderer::GdiplusTextRenderer(GdiplusSession& session)
    : session_(session), fonts_(std::make_unique<PrivateFonts>()) {}

GdiplusTextRenderer::~GdiplusTextRenderer() = default;

bool GdiplusTextRenderer::AddFontBytes(std::vector<uint8_t> bytes) {
  if (bytes.empty() || bytes.size() > INT32_MAX || !session_.Start()) return false;
  if (fonts_->collection == nullptr && GdipNewPrivateFontCollection(&fonts_->collection) != Ok)
    return false;
  fonts_->files.push_back(std::move(bytes));
  const std::vector<uint8_t>& kept = fonts_->files.back();
  if (GdipPrivateAddMemoryFont(fonts_->collection, kept.data(), static_cast<INT>(kept.size())) ==
      Ok) {
    return true;
  }
  fonts_->files.pop_back();
  return false;
}

void GdiplusTextRenderer::DrawTextBox(const Surface& surface, const TextBox& box) {
  if (!surface.valid() || !session_.Start()) return;
  Owned<GpBitmap, DeleteBitmap> target;
  // A layer keeps its alpha: GDI+ composites into premultiplied pixels there.
  const PixelFormat pixels = box.premultiplied ? PixelFormat32bppPARGB : PixelFormat32bppRGB;
  GdipCreateBitmapFromScan0(surface.width, surface.height, surface.stride, pixels, surface.pixels,
                            &target.p);
  if (target.p == nullptr) return;
  Owned<GpGraphics, GdipDeleteGraphics> graphics;
  GdipGetImageGraphicsContext(target.p, &graphics.p);
  if (graphics.p == nullptr) return;
  if (box.clear) GdipGraphicsClear(graphics.p, 0x01000000);
  if (box.smooth) GdipSetSmoothingMode(graphics.p, SmoothingModeAntiAlias);

  Owned<GpFontFamily, GdipDeleteFontFamily> family{Family(box.font_name, fonts_->collection)};
  Owned<GpStringFormat, GdipDeleteStringFormat> format;
  // Lines arrive broken already; GDI+ only aligns each within the box.
  GdipCreateStringFormat(StringFormatFlagsNoWrap, LANG_NEUTRAL, &format.p);
  GdipSetStringFormatAlign(format.p, static_cast<StringAlignment>(box.align % 3));

  Owned<GpPath, GdipDeletePath> path;
  GdipCreatePath(FillModeAlternate, &path.p);
  AddLines(path.p, graphics.p, family.p, format.p, box, surface.height);
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

float GdiplusTextRenderer::MeasureWidth(const std::string& text, const std::string& font_name,
                                        float font_size, int32_t font_style) {
  if (text.empty() || !session_.Start()) return 0;
  Owned<GpFontFamily, GdipDeleteFontFamily> family{Family(font_name, fonts_->collection)};
  Owned<GpPath, GdipDeletePath> path;
  GdipCreatePath(FillModeAlternate, &path.p);
  if (family.p == nullptr || path.p == nullptr) return 0;
  const std::wstring wide = Wide(text);
  // A box far wider than any line, and no wrapping: the line is laid out whole.
  Owned<GpStringFormat, GdipDeleteStringFormat> format;
  GdipCreateStringFormat(StringFormatFlagsNoWrap, LANG_NEUTRAL, &format.p);
  const RectF layout(0, 0, 1e6f, font_size * 4);
  GdipAddPathString(path.p, wide.c_str(), static_cast<INT>(wide.size()), family.p, font_style,
                    font_size, &layout, format.p);
  RectF bounds;
  if (GdipGetPathWorldBounds(path.p, &bounds, nullptr, nullptr) != Ok) return 0;
  return bounds.Width;
}

float GdiplusTextRenderer::MeasureString(const std::string& text, const std::string& font_name,
                                         float font_size, int32_t font_style, float box_width,
                                         float box_height) {
  if (text.empty() || !session_.Start()) return 0;
  // Measured on a graphics of its own at the screen's resolution, as on the
  // player's surfaces.
  Owned<GpBitmap, DeleteBitmap> bitmap;
  GdipCreateBitmapFromScan0(1, 1, 0, PixelFormat32bppRGB, nullptr, &bitmap.p);
  Owned<GpGraphics, GdipDeleteGraphics> graphics;
  if (bitmap.p != nullptr) GdipGetImageGraphicsContext(bitmap.p, &graphics.p);
  Owned<GpFontFamily, GdipDeleteFontFamily> family{Family(font_name, fonts_->collection)};
  Owned<GpFont, GdipDeleteFont> font;
  if (family.p != nullptr) GdipCreateFont(family.p, font_size, font_style, UnitPixel, &font.p);
  Owned<GpStringFormat, GdipDeleteStringFormat> format;
  GdipCreateStringFormat(0, LANG_NEUTRAL, &format.p);
  if (graphics.p == nullptr || font.p == nullptr || format.p == nullptr) return 0;
  const std::wstring wide = Wide(text);
  const RectF layout(0, 0, box_width, box_height);
  RectF bounds;
  if (GdipMeasureString(graphics.p, wide.c_str(), static_cast<INT>(wide.size()), font.p, &layout,
                        format.p, &bounds, nullptr, nullptr) != Ok) {
    return 0;
  }
  return bounds.Width;
}

}  // namespace lantern::platform::win32
