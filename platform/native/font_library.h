// Where faces come from. Fonts the program adds (an album's packaged fonts)
// are found first, by any family name they give themselves; every other name
// goes to fontconfig, with the Windows faces albums name mapped to installed
// fonts of the same kind (Chinese, Japanese and Korean faces to a CJK font of
// that script and style, the Windows sans, serif and monospaced faces to
// metric-compatible ones). A name nothing answers to gets the system's sans.
// A character the chosen face lacks comes from a face that has it.
#pragma once

#include <fontconfig/fontconfig.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/native/font_face.h"

namespace lantern::platform::native {

struct FontRequest {
  std::string family;
  bool bold = false;
  bool italic = false;
};

// A face as drawn: bold and italic are synthesised (outlines widened or
// slanted) when the face found lacks the style asked for. A face standing in
// for a Windows face whose lines are spaced otherwise carries that face's
// ascent and descent (in em; 0 for the face's own).
struct StyledFace {
  FontFace* face = nullptr;
  bool embolden = false;
  bool oblique = false;
  double ascent = 0;
  double descent = 0;
};

class FontLibrary {
 public:
  FontLibrary();
  ~FontLibrary();
  FontLibrary(const FontLibrary&) = delete;
  FontLibrary& operator=(const FontLibrary&) = delete;

  // Adds every usable face of a font (a collection gives several); the
  // family names they answer to, none when the font has no usable face.
  std::vector<std::string> AddFontBytes(std::vector<uint8_t> bytes);
  std::vector<std::string> AddFontFile(const std::string& path);

  FT_Library freetype() const { return freetype_; }
  // The face a request draws with; no face only when the system has no
  // usable font at all.
  StyledFace Primary(const FontRequest& request);
  // A face for a character the primary face lacks; no face when no font
  // has it.
  StyledFace ForCharacter(const FontRequest& request, char32_t c);

 private:
  FontFace* Added(const FontRequest& request) const;
  // The best usable face fontconfig offers for the request that has `c`
  // (any face when `c` is 0).
  FontFace* Matched(const FontRequest& request, char32_t c);
  FontFace* SystemFace(const std::string& file, int index);

  FT_Library freetype_ = nullptr;
  FcConfig* config_ = nullptr;
  std::vector<std::unique_ptr<FontFace>> added_;
  // System faces by file and index; nullptr for one that is not usable.
  std::map<std::pair<std::string, int>, std::unique_ptr<FontFace>> system_;
  std::map<std::string, StyledFace> primary_;
  std::map<std::pair<std::string, char32_t>, StyledFace> by_character_;
};

}  // namespace lantern::platform::native
