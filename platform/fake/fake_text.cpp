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

uint32_t FillColour(const TextFill& fill) {
  if (fill.kind == TextFill::Kind::kTexture && fill.texture != nullptr && !fill.texture->empty()) {
    return fill.texture->pixels[0] & 0xFFFFFF;
  }
  return fill.argb1 & 0xFFFFFF;
}

}  // namespace

void FakeTextRenderer::DrawTextBox(const Surface& surface, const TextBox& box) {
  drawn_.push_back(box);
  if (!surface.valid()) return;
  if (box.clear) FillRect(surface, 0, 0, surface.width, surface.height, 0);
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
        FillRect(surface, x, y, x + cw, y + ch, box.border_argb & 0xFFFFFF);
      if (box.fill.kind != TextFill::Kind::kNone) {
        FillRect(surface, x + 1, y + 1, x + cw - 1, y + ch - 1, FillColour(box.fill));
      }
    }
    y += ch;
  }
}

float FakeTextRenderer::MeasureWidth(const std::string& text, const std::string&, float font_size,
                                     int32_t) {
  return static_cast<float>(CodePoints(text) * CellWidth(font_size));
}

}  // namespace lantern::platform::fake
