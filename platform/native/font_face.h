// One scalable font face: a FreeType face, the HarfBuzz font that shapes with
// it, its family names and the metrics the layout needs, all in font units.
// Font files come from albums, so nothing here trusts what the file says: a
// face without scalable outlines or with a nonsensical em square is refused,
// and every metric is kept within a few em of the baseline.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lantern::platform::native {

// Vertical metrics in font units, y up from the baseline.
struct FaceMetrics {
  double em = 0;                  // units per em
  double ascent = 0;              // the line's height above the baseline
  double descent = 0;             // and below it (positive)
  double line_spacing = 0;        // from one baseline to the next
  double underline_position = 0;  // the middle of the underline (negative: below)
  double underline_thickness = 0;
  double strikeout_position = 0;  // the middle of the strikeout
  double strikeout_thickness = 0;
};

class FontFace {
 public:
  // A face of a font held in memory (kept alive by `bytes`) or of a file;
  // nullptr when FreeType cannot open it or it is not a usable face.
  static std::unique_ptr<FontFace> FromBytes(FT_Library library,
                                             std::shared_ptr<const std::vector<uint8_t>> bytes,
                                             long index);
  static std::unique_ptr<FontFace> FromFile(FT_Library library, const std::string& path,
                                            long index);
  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  // How many faces the font holding this one has (a collection has several).
  long face_count() const { return face_->num_faces; }
  bool bold() const { return (face_->style_flags & FT_STYLE_FLAG_BOLD) != 0; }
  bool italic() const { return (face_->style_flags & FT_STYLE_FLAG_ITALIC) != 0; }
  const FaceMetrics& metrics() const { return metrics_; }
  // Every family name the face gives itself, in every language it names.
  const std::vector<std::string>& family_names() const { return family_names_; }

  // The glyph for a character; 0 when the face has none.
  uint32_t GlyphFor(char32_t c) const;
  // Shapes in font units (the font's scale is its em).
  hb_font_t* shaper() const { return shaper_; }
  // The glyph's outline in font units, made `embolden` units wider and
  // higher when that is above 0; nullptr for a glyph without one (a space, a bitmap, a damaged
  // glyph). Valid until the next call.
  const FT_Outline* LoadOutline(uint32_t glyph, double embolden);

 private:
  FontFace(FT_Face face, std::shared_ptr<const std::vector<uint8_t>> bytes);
  bool Usable() const;
  void ReadMetrics();
  void ReadFamilyNames();

  FT_Face face_;
  std::shared_ptr<const std::vector<uint8_t>> bytes_;
  hb_font_t* shaper_ = nullptr;
  FaceMetrics metrics_;
  std::vector<std::string> family_names_;
};

}  // namespace lantern::platform::native
