// Stand-in text: boxes per character.
#include "platform/fake/fake_text.h"

#include <algorithm>
#include <string>

namespace lantern::platform::fake {

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n') {
      lines.emplace_back();
    } else {
      lines.back() += text[i];
    }
  }
  return lines;
}

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
  const std::vector<std::string> lines = Lines(box.text);
  const int32_t cw = CellWidth(box.font_size);
  const int32_t ch = CellHeight(box.font_size);
  const auto place = [](float start, float room, int32_t used, int32_t how) {
    const float free = room - static_cast<float>(used);
    return static_cast<int32_t>(start + (how == 0 ? 0 : how == 1 ? free / 2 : free) + 0.5f);
  };
  int32_t y = place(box.top, box.height, ch * static_cast<int32_t>(lines.size()), box.align / 3);
  for (const std::string& line : lines) {
    const int32_t n = CodePoints(line);
    int32_t x = place(box.left, box.width, cw * n, box.align % 3);
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
  return static_cast<float>(CodePoints(text) * CellWidth(font_size));
}

float FakeTextRenderer::MeasureString(const std::string& text, const std::string& font_name,
                                      float font_size, int32_t font_style, float box_width, float) {
  const float width = MeasureWidth(text, font_name, font_size, font_style);
  return box_width > 0 ? std::min(width, box_width) : width;
}

}  // namespace lantern::platform::fake
