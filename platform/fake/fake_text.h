// The fake backend's text: a deterministic stand-in that draws each
// character as a filled box (with a one-pixel outline when the text has a
// border), laid out by the box's alignment, so layout logic is testable
// natively. On a layer (a premultiplied box) the colours keep their alpha,
// premultiplied, and clearing leaves 0x01000000. Every box drawn is recorded.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/platform.h"

namespace lantern::platform::fake {

class FakeTextRenderer final : public TextRenderer {
 public:
  void DrawTextBox(const Surface& surface, const TextBox& box) override;
  // The stand-in's width: one cell per character.
  float MeasureWidth(const std::string& text, const std::string& font_name, float font_size,
                     int32_t font_style) override;
  // One cell per character, wrapped at the box as the system's measurement
  // is: never wider than the box.
  float MeasureString(const std::string& text, const std::string& font_name, float font_size,
                      int32_t font_style, float box_width, float box_height) override;
  const std::vector<TextBox>& drawn() const { return drawn_; }

  // What a text engine works through, in proportion to the text's length:
  // measurements and the characters they measured, and the characters of
  // every line laid out for drawing (whether it lands on the surface or not).
  struct Work {
    int64_t measures = 0;
    int64_t measured_chars = 0;
    int64_t laid_out_chars = 0;
  };
  const Work& work() const { return work_; }
  // Told of each measurement's and each box's work as it is done, so a test
  // may charge virtual time for it.
  std::function<void(const Work&)> on_work;

  // The stand-in's character cell for a font size: half as wide as high.
  static int32_t CellWidth(float size) { return static_cast<int32_t>(size / 2 + 0.5f); }
  static int32_t CellHeight(float size) { return static_cast<int32_t>(size + 0.5f); }

 private:
  void Add(const Work& done);

  std::vector<TextBox> drawn_;
  Work work_;
};

}  // namespace lantern::platform::fake
