// Stand-in text: boxes per character.
#include "platform/fake/fake_text.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/text_layout.h"

namespace lantern::platform::fake {

namespace {

int32_t CodePoints(const std::string& line) {
  return static_cast<int32_t>(
      std::count_if(line.begin(), line.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

void FillRect(const Surface& s, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t c) {
  const Rect r = Intersect({x0, y0, x1, y1}, s.bounds());
  for (int32_t y = r.top; y < r.bottom; ++y)
    std::fill(s.Row(y) + r.left, s.Row(y) + r.right, c);
}

// An ARGB colour as a layer holds it: each colour channel scaled by alpha.
uint32_t Premultiplied(uint32_t argb) {
  const uint32_t a = argb >> 24;
  const auto channel = [&](int shift) { return ((argb >> shift & 0xFF) * a + 127) / 255 << shift; };
  return a << 24 | channel(16) | channel(8) | channel(0);
}

// The colour drawn: the plain colour on a slide, the premultiplied one on a layer.
uint32_t Drawn(uint32_t argb, bool premultiplied) {
  return premultiplied ? Premultiplied(argb) : argb & 0xFFFFFF;
}

uint32_t FillColour(const TextFill& fill, bool premultiplied) {
  if (fill.kind == TextFill::Kind::kTexture && fill.texture != nullptr && !fill.texture->empty()) {
    return Drawn(fill.texture->pixels[0], premultiplied);
  }
  return Drawn(fill.argb1, premultiplied);
}

}  // namespace

void FakeTextRenderer::DrawTextBox(const Surface& surface, const TextBox& box) {
  drawn_.push_back(box);
  if (!surface.valid()) return;
  if (box.clear) {
    FillRect(surface, 0, 0, surface.width, surface.height, box.premultiplied ? 0x01000000 : 0);
  }
  const std::vector<std::string> lines =
      box.one_line ? std::vector<std::string>{box.text}
                   : WrapLines(box.text, box.width, [&](const std::string& line) {
                       return MeasureWidth(line, box.font_name, box.font_size, box.font_style);
                     });
  int64_t laid_out = 0;
  for (const std::string& line : lines)
    laid_out += CodePoints(line);
  Add({0, 0, laid_out});
  const int32_t cw = CellWidth(box.font_size);
  const int32_t ch = CellHeight(box.font_size);
  const auto round = [](float v) { return static_cast<int32_t>(std::floor(v + 0.5f)); };
  int32_t y = round(BlockTop(box, static_cast<float>(ch * static_cast<int32_t>(lines.size()))));
  for (const std::string& line : lines) {
    const int32_t n = CodePoints(line);
    const float free = box.width - static_cast<float>(cw * n);
    const int32_t how = box.align % 3;
    int32_t x = round(box.left + (how == 0 ? 0 : how == 1 ? free / 2 : free));
    for (int32_t i = 0; i < n; ++i, x += cw) {
      if (box.border_width >= 1)
        FillRect(surface, x, y, x + cw, y + ch, Drawn(box.border_argb, box.premultiplied));
      if (box.fill.kind != TextFill::Kind::kNone) {
        FillRect(surface, x + 1, y + 1, x + cw - 1, y + ch - 1,
                 FillColour(box.fill, box.premultiplied));
      }
    }
    y += ch;
  }
}

float FakeTextRenderer::MeasureWidth(const std::string& text, const std::string&, float font_size,
                                     int32_t) {
  const int32_t n = CodePoints(text);
  Add({1, n, 0});
  return static_cast<float>(n * CellWidth(font_size));
}

float FakeTextRenderer::MeasureString(const std::string& text, const std::string& font_name,
                                      float font_size, int32_t font_style, float box_width, float) {
  const float width = MeasureWidth(text, font_name, font_size, font_style);
  return box_width > 0 ? std::min(width, box_width) : width;
}

void FakeTextRenderer::Add(const Work& done) {
  work_.measures += done.measures;
  work_.measured_chars += done.measured_chars;
  work_.laid_out_chars += done.laid_out_chars;
  if (on_work) on_work(done);
}

}  // namespace lantern::platform::fake
