// Font faces: opening, naming and measuring them.
#include "platform/native/font_face.h"

#include FT_OUTLINE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H
#include <hb-ft.h>

#include <algorithm>
#include <cmath>

#include "base/text.h"

namespace lantern::platform::native {

namespace {

constexpr FT_UInt kMaxNames = 1024;    // name records read from one face
constexpr size_t kMaxNameBytes = 512;  // longer names are not family names
constexpr double kSmallestEm = 16;     // the range TrueType allows
constexpr double kLargestEm = 16384;

// A name record as UTF-8: UTF-16 for the Unicode and Windows platforms, plain
// ASCII for the Macintosh one; empty for any other encoding.
std::string NameText(const FT_SfntName& name) {
  if (name.string_len > kMaxNameBytes) return {};
  const bool utf16 =
      name.platform_id == TT_PLATFORM_APPLE_UNICODE ||
      (name.platform_id == TT_PLATFORM_MICROSOFT &&
       (name.encoding_id == TT_MS_ID_SYMBOL_CS || name.encoding_id == TT_MS_ID_UNICODE_CS ||
        name.encoding_id == TT_MS_ID_UCS_4));
  if (utf16) {
    std::u16string wide;
    for (FT_UInt i = 0; i + 1 < name.string_len; i += 2)
      wide.push_back(static_cast<char16_t>(name.string[i] << 8 | name.string[i + 1]));
    return base::Utf16ToUtf8(wide);
  }
  if (name.platform_id != TT_PLATFORM_MACINTOSH || name.encoding_id != TT_MAC_ID_ROMAN) return {};
  std::string ascii(reinterpret_cast<const char*>(name.string), name.string_len);
  const bool plain =
      std::all_of(ascii.begin(), ascii.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
  return plain ? ascii : std::string();
}

double Clamp(double v, double lo, double hi) {
  return std::isfinite(v) ? std::clamp(v, lo, hi) : lo;
}

}  // namespace

std::unique_ptr<FontFace> FontFace::FromBytes(FT_Library library,
                                              std::shared_ptr<const std::vector<uint8_t>> bytes,
                                              long index) {
  if (bytes == nullptr || bytes->empty()) return nullptr;
  FT_Face face = nullptr;
  if (FT_New_Memory_Face(library, bytes->data(), static_cast<FT_Long>(bytes->size()), index,
                         &face) != 0) {
    return nullptr;
  }
  std::unique_ptr<FontFace> made(new FontFace(face, std::move(bytes)));
  return made->Usable() ? std::move(made) : nullptr;
}

std::unique_ptr<FontFace> FontFace::FromFile(FT_Library library, const std::string& path,
                                             long index) {
  FT_Face face = nullptr;
  if (FT_New_Face(library, path.c_str(), index, &face) != 0) return nullptr;
  std::unique_ptr<FontFace> made(new FontFace(face, nullptr));
  return made->Usable() ? std::move(made) : nullptr;
}

FontFace::FontFace(FT_Face face, std::shared_ptr<const std::vector<uint8_t>> bytes)
    : face_(face), bytes_(std::move(bytes)) {
  if (!Usable()) return;
  hb_face_t* shaping_face = hb_ft_face_create_referenced(face_);
  shaper_ = hb_font_create(shaping_face);
  hb_face_destroy(shaping_face);
  const int em = face_->units_per_EM;
  hb_font_set_scale(shaper_, em, em);
  ReadMetrics();
  ReadFamilyNames();
}

FontFace::~FontFace() {
  if (shaper_ != nullptr) hb_font_destroy(shaper_);
  FT_Done_Face(face_);
}

// Outline fonts of the kinds albums carry (TrueType and OpenType, single or
// in a collection); bitmap-only faces such as colour emoji fonts have no
// outlines to fill and stroke.
bool FontFace::Usable() const {
  return FT_IS_SFNT(face_) && FT_IS_SCALABLE(face_) && face_->units_per_EM >= kSmallestEm &&
         face_->units_per_EM <= kLargestEm;
}

// The Windows metrics where the face has them: the line's cell from the OS/2
// table's Windows ascent and descent, the baselines at least that far apart
// and as far as the horizontal header's line gap asks.
void FontFace::ReadMetrics() {
  FaceMetrics m;
  m.em = face_->units_per_EM;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
  const bool windows_metrics =
      os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0;
  m.ascent = Clamp(windows_metrics ? os2->usWinAscent : face_->ascender, 0, 4 * m.em);
  m.descent = Clamp(windows_metrics ? os2->usWinDescent : -face_->descender, 0, 4 * m.em);
  if (m.ascent + m.descent <= 0) {
    m.ascent = 0.8 * m.em;
    m.descent = 0.2 * m.em;
  }
  m.line_spacing = std::max(m.ascent + m.descent, Clamp(face_->height, 0, 8 * m.em));
  m.underline_thickness = Clamp(face_->underline_thickness, 0, m.em / 4);
  if (m.underline_thickness <= 0) m.underline_thickness = m.em / 14;
  m.underline_position = Clamp(face_->underline_position, -m.em, m.em / 2);
  if (m.underline_position == 0) m.underline_position = -m.em / 8;
  m.strikeout_thickness = m.underline_thickness;
  m.strikeout_position = m.em / 4;
  if (os2 != nullptr && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
    m.strikeout_thickness = Clamp(os2->yStrikeoutSize, 1, m.em / 4);
    // The table gives the stroke's top.
    m.strikeout_position = Clamp(os2->yStrikeoutPosition - m.strikeout_thickness / 2, 0, m.em);
  }
  metrics_ = m;
}

void FontFace::ReadFamilyNames() {
  const auto add = [&](std::string name) {
    if (!name.empty() &&
        std::find(family_names_.begin(), family_names_.end(), name) == family_names_.end()) {
      family_names_.push_back(std::move(name));
    }
  };
  if (face_->family_name != nullptr) add(face_->family_name);
  const FT_UInt count = std::min(FT_Get_Sfnt_Name_Count(face_), kMaxNames);
  for (FT_UInt i = 0; i < count; ++i) {
    FT_SfntName name;
    if (FT_Get_Sfnt_Name(face_, i, &name) != 0) continue;
    if (name.name_id == TT_NAME_ID_FONT_FAMILY || name.name_id == TT_NAME_ID_TYPOGRAPHIC_FAMILY)
      add(NameText(name));
  }
}

uint32_t FontFace::GlyphFor(char32_t c) const {
  return FT_Get_Char_Index(face_, c);
}

const FT_Outline* FontFace::LoadOutline(uint32_t glyph, double embolden) {
  constexpr FT_Int32 kUnscaled = FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP | FT_LOAD_IGNORE_TRANSFORM;
  if (FT_Load_Glyph(face_, glyph, kUnscaled) != 0) return nullptr;
  FT_GlyphSlot slot = face_->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE || slot->outline.n_points <= 0 ||
      slot->outline.n_contours <= 0) {
    return nullptr;
  }
  if (embolden > 0) {
    const auto strength = static_cast<FT_Pos>(std::lround(embolden));
    FT_Outline_EmboldenXY(&slot->outline, strength, strength);
  }
  return &slot->outline;
}

}  // namespace lantern::platform::native
