// The Windows backend's text: a GDI+ string path, filled and outlined,
// drawn straight into the surface's memory through a bitmap that wraps it.
#pragma once

#include "platform/platform.h"

namespace lantern::platform::win32 {

class GdiplusSession;

class GdiplusTextRenderer final : public TextRenderer {
 public:
  explicit GdiplusTextRenderer(GdiplusSession& session) : session_(session) {}
  void DrawTextBox(const Surface& surface, const TextBox& box) override;
  float MeasureWidth(const std::string& text, const std::string& font_name, float font_size,
                     int32_t font_style) override;
  float MeasureString(const std::string& text, const std::string& font_name, float font_size,
                      int32_t font_style, float box_width, float box_height) override;

 private:
  GdiplusSession& session_;
};

}  // namespace lantern::platform::win32
