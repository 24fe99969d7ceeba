// The native backend's text, for the tools on Linux: each text box drawn as
// the Windows backend draws it, an outlined, filled path laid out in lines
// by platform/text_layout. FreeType reads the faces and turns the glyphs'
// outlines into coverage (fill and pen stroke), HarfBuzz shapes the lines,
// fontconfig finds the system's faces and stands in for the Windows faces
// albums name. Fonts added here (an album's packaged fonts) are found by
// their family names before any system font. One renderer serves one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace lantern::platform::native {

class FontLibrary;

class NativeTextRenderer final : public TextRenderer {
 public:
  NativeTextRenderer();
  ~NativeTextRenderer() override;

  // Adds the faces of a font file, or of a font's bytes (every face of a
  // collection); the family names they are found by (in any letter case),
  // none when it holds no usable face. Damaged and hostile files are refused
  // or drawn as far as they make sense.
  std::vector<std::string> AddFontFile(const std::string& path);
  std::vector<std::string> AddFontBytes(std::vector<uint8_t> bytes);

  void DrawTextBox(const Surface& surface, const TextBox& box) override;
  float MeasureWidth(const std::string& text, const std::string& font_name, float font_size,
                     int32_t font_style) override;
  float MeasureString(const std::string& text, const std::string& font_name, float font_size,
                      int32_t font_style, float box_width, float box_height) override;

 private:
  std::unique_ptr<FontLibrary> fonts_;
};

}  // namespace lantern::platform::native
