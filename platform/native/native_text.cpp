// Text boxes: lines, their placement, and painting the path.
#include "platform/native/native_text.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/native/coverage.h"
#include "platform/native/font_library.h"
#include "platform/native/text_paint.h"
#include "platform/native/text_path.h"
#include "platform/native/text_shaping.h"
#include "platform/text_layout.h"

namespace lantern::platform::native {

namespace {

// Em sizes beyond this draw nothing (no caption comes near it).
constexpr double kLargestSize = 16384;
// Pen widths beyond this are drawn this wide.
constexpr double kWidestBorder = 1024;
constexpr int32_t kUnderline = 4;
constexpr int32_t kStrikeout = 8;

// A face at a size, with the line metrics of its primary face in pixels.
struct Font {
  FontRequest request;
  double size = 0;
  double scale = 0;  // pixels per font unit
  double ascent = 0;
  double line_height = 0;
  const FaceMetrics* metrics = nullptr;
  int32_t style = 0;
  // The room the system's string layout leaves at each end of a line.
  double margin() const { return size / 6; }
};

std::optional<Font> FontFor(FontLibrary& fonts, const std::string& name, float size,
                            int32_t style) {
  if (!std::isfinite(size) || size <= 0 || size > kLargestSize) return std::nullopt;
  Font font;
  font.request = {name, (style & 1) != 0, (style & 2) != 0};
  const StyledFace primary = fonts.Primary(font.request);
  if (primary.face == nullptr) return std::nullopt;
  font.metrics = &primary.face->metrics();
  font.size = size;
  font.scale = size / font.metrics->em;
  font.ascent = font.metrics->ascent * font.scale;
  font.line_height = font.metrics->line_spacing * font.scale;
  if (primary.ascent > 0) {  // the lines of the Windows face it stands in for
    font.ascent = primary.ascent * size;
    font.line_height = (primary.ascent + primary.descent) * size;
  }
  font.style = style;
  return font;
}

// The width the system's string layout gives one line: its advance and the
// room at both ends, so a line measured to fit is one it would not break.
float LayoutWidth(FontLibrary& fonts, const Font& font, const std::string& line) {
  if (line.empty()) return 0;
  const ShapedLine shaped = ShapeLine(fonts, font.request, line, font.size);
  return static_cast<float>(shaped.advance + 2 * font.margin());
}

// A horizontal bar across the line, its middle `position` font units above
// the baseline.
void AddBar(TextPath& path, const Font& font, double left, double right, double baseline,
            double position, double thickness) {
  const double middle = baseline - position * font.scale;
  const double half = std::max(thickness * font.scale, 1.0) / 2;
  path.AddRect(left, middle - half, right, middle + half);
}

// The glyphs of a shaped line starting at x on the baseline, with its
// underline and strikeout.
void AddShaped(TextPath& path, const Font& font, const ShapedLine& line, double x,
               double baseline) {
  for (const PlacedGlyph& glyph : line.glyphs)
    path.AddGlyph(glyph, x, baseline, font.size);
  const FaceMetrics& m = *font.metrics;
  if ((font.style & kUnderline) != 0) {
    AddBar(path, font, x, x + line.advance, baseline, m.underline_position, m.underline_thickness);
  }
  if ((font.style & kStrikeout) != 0) {
    AddBar(path, font, x, x + line.advance, baseline, m.strikeout_position, m.strikeout_thickness);
  }
}

// One line in its slice of the box: the room at the near end, centred, or
// the room at the far end (an unknown alignment is near).
void AddLine(TextPath& path, FontLibrary& fonts, const Font& font, const TextBox& box,
             const std::string& text, double top) {
  const ShapedLine line = ShapeLine(fonts, font.request, text, font.size);
  const int32_t how = box.align % 3;
  double x = box.left + font.margin();
  if (how == 1) x = box.left + (box.width - line.advance) / 2;
  if (how == 2) x = box.left + box.width - font.margin() - line.advance;
  AddShaped(path, font, line, x, top + font.ascent);
}

double BorderWidth(const TextBox& box) {
  if (!std::isfinite(box.border_width) || box.border_width < 1) return 0;
  return std::min<double>(box.border_width, kWidestBorder);
}

// The box's lines as one block placed by its vertical alignment, lines a
// line spacing apart. Lines that fall wholly above or below the surface are
// left out: nothing of them could show.
TextPath LaidOut(FontLibrary& fonts, const Font& font, const TextBox& box, int32_t surface_height) {
  const auto measure = [&](const std::string& line) { return LayoutWidth(fonts, font, line); };
  const std::vector<std::string> lines =
      box.one_line ? std::vector<std::string>{box.text} : WrapLines(box.text, box.width, measure);
  const double reach = font.line_height + BorderWidth(box);
  double top =
      BlockTop(box, static_cast<float>(font.line_height * static_cast<double>(lines.size())));
  TextPath path;
  for (const std::string& line : lines) {
    const bool seen = top + font.line_height + reach > 0 && top - reach < surface_height;
    if (seen && !line.empty()) AddLine(path, fonts, font, box, line, top);
    top += font.line_height;
  }
  return path;
}

void Clear(const Surface& surface) {
  for (int32_t y = 0; y < surface.height; ++y)
    std::fill(surface.Row(y), surface.Row(y) + surface.width, 0x01000000u);
}

}  // namespace

NativeTextRenderer::NativeTextRenderer() : fonts_(std::make_unique<FontLibrary>()) {}

NativeTextRenderer::~NativeTextRenderer() = default;

std::vector<std::string> NativeTextRenderer::AddFontFile(const std::string& path) {
  return fonts_->AddFontFile(path);
}

std::vector<std::string> NativeTextRenderer::AddFontBytes(std::vector<uint8_t> bytes) {
  return fonts_->AddFontBytes(std::move(bytes));
}

void NativeTextRenderer::DrawTextBox(const Surface& surface, const TextBox& box) {
  if (!surface.valid()) return;
  if (box.clear) Clear(surface);
  const std::optional<Font> font = FontFor(*fonts_, box.font_name, box.font_size, box.font_style);
  if (!font) return;
  const TextPath path = LaidOut(*fonts_, *font, box, surface.height);
  const double border = BorderWidth(box);
  const Rect area = Intersect(PixelsOf(path.Bounds(), border / 2 + 2), surface.bounds());
  if (area.empty()) return;
  // The fill first, the pen over it.
  if (const Brush fill(box.fill); fill.paints()) {
    Coverage inside(area);
    inside.Fill(fonts_->freetype(), path);
    Paint(surface, inside, fill, box.premultiplied, box.smooth);
  }
  if (border > 0) {
    Coverage pen(area);
    pen.Stroke(fonts_->freetype(), path, border);
    Paint(surface, pen, Brush(box.border_argb), box.premultiplied, box.smooth);
  }
}

float NativeTextRenderer::MeasureWidth(const std::string& text, const std::string& font_name,
                                       float font_size, int32_t font_style) {
  if (text.empty()) return 0;
  const std::optional<Font> font = FontFor(*fonts_, font_name, font_size, font_style);
  if (!font) return 0;
  TextPath path;
  AddShaped(path, *font, ShapeLine(*fonts_, font->request, text, font->size), 0, 0);
  const InkBox ink = path.Bounds();
  return ink.empty() ? 0 : static_cast<float>(ink.right - ink.left);
}

// Lines wrapped at the box as the system's layout wraps them: the widest
// line with its room at both ends, never wider than the box.
float NativeTextRenderer::MeasureString(const std::string& text, const std::string& font_name,
                                        float font_size, int32_t font_style, float box_width,
                                        float) {
  if (text.empty()) return 0;
  const std::optional<Font> font = FontFor(*fonts_, font_name, font_size, font_style);
  if (!font) return 0;
  const auto measure = [&](const std::string& line) { return LayoutWidth(*fonts_, *font, line); };
  float widest = 0;
  for (const std::string& line : WrapLines(text, box_width, measure))
    widest = std::max(widest, measure(line));
  return box_width > 0 ? std::min(widest, box_width) : widest;
}

}  // namespace lantern::platform::native
