// The Windows backend's text: a GDI+ string path, filled and outlined,
// drawn straight into the surface's memory through a bitmap that wraps it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/platform.h"

namespace lantern::platform::win32 {

class GdiplusSession;

class GdiplusTextRenderer final : public TextRenderer {
 public:
  explicit GdiplusTextRenderer(GdiplusSession& session);
  ~GdiplusTextRenderer() override;
  GdiplusTextRenderer(const GdiplusTextRenderer&) = delete;
  GdiplusTextRenderer& operator=(const GdiplusTextRenderer&) = delete;

  // Adds a font file's bytes (an album's packaged font) to the faces this
  // renderer finds by name, ahead of the system's, without installing it.
  // False when GDI+ does not take it as a font.
  bool AddFontBytes(std::vector<uint8_t> bytes);
  void DrawTextBox(const Surface& surface, const TextBox& box) override;
  float MeasureWidth(const std::string& text, const std::string& font_name, float font_size,
                     int32_t font_style) override;
  float MeasureString(const std::string& text, const std::string& font_name, float font_size,
                      int32_t font_style, float box_width, float box_height) override;

 private:
  struct PrivateFonts;
  GdiplusSession& session_;
  std::unique_ptr<PrivateFonts> fonts_;
};

}  // namespace lantern::platform::win32
