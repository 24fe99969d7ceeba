// Shaping a line: face runs and HarfBuzz.
#include "platform/native/text_shaping.h"

#include <climits>
#include <memory>

#include "base/text.h"

namespace lantern::platform::native {

namespace {

// A stretch of the line drawn with one face, in bytes.
struct Run {
  StyledFace face;
  size_t begin = 0;
  size_t end = 0;
};

// Combining marks, joiners, variation selectors, emoji modifiers and tags:
// drawn with the character before them.
bool Attaches(char32_t c) {
  return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
         (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) ||
         (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xFE20 && c <= 0xFE2F) || c == 0x200C ||
         c == 0x200D || (c >= 0x1F3FB && c <= 0x1F3FF) || (c >= 0xE0000 && c <= 0xE01EF);
}

bool SameFace(const StyledFace& a, const StyledFace& b) {
  return a.face == b.face && a.embolden == b.embolden && a.oblique == b.oblique;
}

// The face of each character: the primary one when it has the character,
// else the fallback for it (the primary's missing-glyph box when there is
// none).
std::vector<Run> Runs(FontLibrary& fonts, const FontRequest& request, std::string_view text,
                      const StyledFace& primary) {
  std::vector<Run> runs;
  for (size_t i = 0; i < text.size();) {
    const size_t begin = i;
    const char32_t c = base::DecodeUtf8(text, i);
    StyledFace face = primary;
    if (!runs.empty() && (Attaches(c) || c < 0x20)) {
      face = runs.back().face;
    } else if (c >= 0x20 && primary.face->GlyphFor(c) == 0) {
      const StyledFace other = fonts.ForCharacter(request, c);
      if (other.face != nullptr) face = other;
    }
    if (!runs.empty() && SameFace(runs.back().face, face)) {
      runs.back().end = i;
    } else {
      runs.push_back({face, begin, i});
    }
  }
  return runs;
}

struct BufferDeleter {
  void operator()(hb_buffer_t* b) const { hb_buffer_destroy(b); }
};

// Shapes one run and appends its glyphs to the line.
void ShapeRun(const Run& run, std::string_view text, double size, ShapedLine& line) {
  std::unique_ptr<hb_buffer_t, BufferDeleter> buffer(hb_buffer_create());
  hb_buffer_add_utf8(buffer.get(), text.data(), static_cast<int>(text.size()),
                     static_cast<unsigned>(run.begin), static_cast<int>(run.end - run.begin));
  hb_buffer_guess_segment_properties(buffer.get());
  hb_shape(run.face.face->shaper(), buffer.get(), nullptr, 0);
  unsigned count = 0;
  const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer.get(), &count);
  const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer.get(), nullptr);
  const double scale = size / run.face.face->metrics().em;
  const double bold = run.face.embolden ? kSyntheticBold * size : 0;
  for (unsigned k = 0; k < count; ++k) {
    const size_t cluster = info[k].cluster;
    const bool control = cluster < text.size() && static_cast<unsigned char>(text[cluster]) < 0x20;
    if (!control) {
      line.glyphs.push_back({run.face, info[k].codepoint, line.advance + pos[k].x_offset * scale,
                             -pos[k].y_offset * scale});
    }
    line.advance += pos[k].x_advance * scale + bold;
  }
}

}  // namespace

ShapedLine ShapeLine(FontLibrary& fonts, const FontRequest& request, std::string_view text,
                     double size) {
  ShapedLine line;
  const StyledFace primary = fonts.Primary(request);
  if (primary.face == nullptr || text.empty() || text.size() > INT_MAX) return line;
  for (const Run& run : Runs(fonts, request, text, primary))
    ShapeRun(run, text, size, line);
  return line;
}

}  // namespace lantern::platform::native
