// Faces by name: added fonts, fontconfig, substitutes and per-character fallback.
#include "platform/native/font_library.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string_view>

#include "base/text.h"

namespace lantern::platform::native {

namespace {

constexpr long kMaxFacesPerFont = 64;

using Families = std::vector<std::string_view>;

// Installed families of one kind, best first, and the generic family that
// ends the list.
struct Kind {
  Families families;
  std::string_view generic;
};

const Kind kSerifSc{{"Noto Serif CJK SC", "AR PL UMing CN", "Noto Sans CJK SC", "WenQuanYi Zen Hei",
                     "WenQuanYi Micro Hei"},
                    "serif"};
const Kind kKaiSc{
    {"AR PL UKai CN", "Noto Serif CJK SC", "WenQuanYi Zen Hei", "WenQuanYi Micro Hei"}, "serif"};
const Kind kSansSc{{"Noto Sans CJK SC", "WenQuanYi Zen Hei", "WenQuanYi Micro Hei"}, "sans-serif"};
const Kind kSerifTc{{"Noto Serif CJK TC", "AR PL UMing TW", "Noto Sans CJK TC", "WenQuanYi Zen Hei",
                     "WenQuanYi Micro Hei"},
                    "serif"};
const Kind kSansTc{{"Noto Sans CJK TC", "WenQuanYi Zen Hei", "WenQuanYi Micro Hei"}, "sans-serif"};
const Kind kSerifJp{{"Noto Serif CJK JP", "Noto Sans CJK JP", "WenQuanYi Zen Hei"}, "serif"};
const Kind kSansJp{{"Noto Sans CJK JP", "WenQuanYi Zen Hei", "WenQuanYi Micro Hei"}, "sans-serif"};
const Kind kSerifKr{{"Noto Serif CJK KR", "Noto Sans CJK KR"}, "serif"};
const Kind kSansKr{{"Noto Sans CJK KR", "WenQuanYi Zen Hei"}, "sans-serif"};
const Kind kSans{{"Liberation Sans", "DejaVu Sans"}, "sans-serif"};
const Kind kSerif{{"Liberation Serif", "DejaVu Serif"}, "serif"};
const Kind kMono{{"Liberation Mono", "DejaVu Sans Mono"}, "monospace"};

// Windows faces albums name (ASCII names in lower case), by the kind of
// installed font that stands in for them, and for the faces whose lines the
// stand-ins space differently, their ascent and descent in em: a caption in
// a stand-in takes the lines and the box the Windows face gives it.
struct Substitute {
  Families names;
  const Kind& kind;
  double ascent = 0;
  double descent = 0;
};

const Substitute kSubstitutes[] = {
    {{"simsun", "宋体", "nsimsun", "新宋体", "fangsong", "仿宋", "fangsong_gb2312", "仿宋_gb2312"},
     kSerifSc,
     0.859,
     0.141},
    {{"simsun-extb", "stsong", "华文宋体", "stfangsong", "华文仿宋"}, kSerifSc},
    {{"kaiti", "楷体", "kaiti_gb2312", "楷体_gb2312"}, kKaiSc, 0.859, 0.141},
    {{"stkaiti", "华文楷体"}, kKaiSc},
    {{"simhei", "黑体"}, kSansSc, 0.859, 0.141},
    {{"microsoft yahei", "微软雅黑", "microsoft yahei ui"}, kSansSc, 1.058, 0.262},
    {{"dengxian", "等线", "stheiti", "华文黑体", "stxihei", "华文细黑"}, kSansSc},
    {{"mingliu", "細明體", "细明体", "pmingliu", "新細明體", "新细明体", "mingliu_hkscs"},
     kSerifTc,
     0.8,
     0.2},
    {{"dfkai-sb", "標楷體"}, kSerifTc},
    {{"microsoft jhenghei", "微軟正黑體", "微软正黑体", "microsoft jhenghei ui"}, kSansTc},
    {{"ms mincho", "ｍｓ 明朝", "ms pmincho", "ｍｓ ｐ明朝"}, kSerifJp, 0.859, 0.141},
    {{"yu mincho", "游明朝"}, kSerifJp},
    {{"ms gothic", "ｍｓ ゴシック", "ms pgothic", "ｍｓ ｐゴシック", "ms ui gothic"},
     kSansJp,
     0.859,
     0.141},
    {{"meiryo", "メイリオ", "meiryo ui", "yu gothic", "游ゴシック"}, kSansJp},
    {{"batang", "바탕", "batangche", "gungsuh", "궁서"}, kSerifKr},
    {{"malgun gothic", "맑은 고딕", "gulim", "굴림", "gulimche", "dotum", "돋움"}, kSansKr},
    {{"arial", "tahoma", "verdana", "segoe ui", "microsoft sans serif", "ms sans serif",
      "helvetica", "calibri", "trebuchet ms", "lucida sans unicode", "arial unicode ms"},
     kSans},
    {{"times new roman", "times", "georgia", "cambria", "ms serif", "book antiqua"}, kSerif},
    {{"courier new", "courier", "consolas", "lucida console", "fixedsys"}, kMono},
};

const Substitute* SubstituteFor(const std::string& family) {
  const std::string lower = base::AsciiLower(family);
  for (const Substitute& s : kSubstitutes) {
    if (std::find(s.names.begin(), s.names.end(), lower) != s.names.end()) return &s;
  }
  return nullptr;
}

// The fonts a character outside the face is best drawn from: CJK text from
// a CJK font of its own script.
const Kind* KindOf(char32_t c) {
  if ((c >= 0x1100 && c <= 0x11FF) || (c >= 0x3130 && c <= 0x318F) ||
      (c >= 0xAC00 && c <= 0xD7AF)) {
    return &kSansKr;
  }
  if (c >= 0x3040 && c <= 0x30FF) return &kSansJp;
  if ((c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
      (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF)) {
    return &kSansSc;
  }
  return nullptr;
}

std::string Key(const FontRequest& r) {
  return base::AsciiLower(r.family) + (r.bold ? "\n1" : "\n0") + (r.italic ? "1" : "0");
}

StyledFace Styled(FontFace* face, const FontRequest& r) {
  if (face == nullptr) return {};
  return {face, r.bold && !face->bold(), r.italic && !face->italic()};
}

// Whether the face answers to the family name (in any letter case).
bool Named(const FontFace& face, const std::string& family) {
  const std::string wanted = base::AsciiLower(family);
  const auto& names = face.family_names();
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& n) { return base::AsciiLower(n) == wanted; });
}

void AddFamily(FcPattern* pattern, std::string_view family) {
  const std::string name(family);
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
}

// The pattern fontconfig sorts its fonts by: the name, its stand-ins, the
// character's script's fonts, the generic family; the style; outlines only,
// and fonts without colour first (colour emoji fonts hold bitmaps, not paths).
FcPattern* Pattern(FcConfig* config, const FontRequest& r, char32_t c) {
  FcPattern* p = FcPatternCreate();
  if (!r.family.empty()) AddFamily(p, r.family);
  const Substitute* substitute = SubstituteFor(r.family);
  const Kind* kind = substitute != nullptr ? &substitute->kind : nullptr;
  if (kind != nullptr) {
    for (std::string_view f : kind->families)
      AddFamily(p, f);
  }
  if (const Kind* script = c != 0 ? KindOf(c) : nullptr; script != nullptr) {
    for (std::string_view f : script->families)
      AddFamily(p, f);
  }
  AddFamily(p, kind != nullptr ? kind->generic : "sans-serif");
  FcPatternAddInteger(p, FC_WEIGHT, r.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(p, FC_SLANT, r.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(p, FC_SCALABLE, FcTrue);
  FcPatternAddBool(p, FC_OUTLINE, FcTrue);
  FcPatternAddBool(p, FC_COLOR, FcFalse);
  if (c != 0) {
    FcCharSet* set = FcCharSetCreate();
    FcCharSetAddChar(set, c);
    FcPatternAddCharSet(p, FC_CHARSET, set);
    FcCharSetDestroy(set);
  }
  FcConfigSubstitute(config, p, FcMatchPattern);
  FcDefaultSubstitute(p);
  return p;
}

}  // namespace

FontLibrary::FontLibrary() {
  if (FT_Init_FreeType(&freetype_) != 0) freetype_ = nullptr;
  // The process's configuration, loaded once and shared by every renderer.
  config_ = FcConfigReference(nullptr);
}

FontLibrary::~FontLibrary() {
  primary_.clear();
  by_character_.clear();
  added_.clear();
  system_.clear();
  if (config_ != nullptr) FcConfigDestroy(config_);
  if (freetype_ != nullptr) FT_Done_FreeType(freetype_);
}

std::vector<std::string> FontLibrary::AddFontBytes(std::vector<uint8_t> bytes) {
  std::vector<std::string> families;
  if (freetype_ == nullptr) return families;
  const auto shared = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
  long count = 1;
  for (long index = 0; index < count && index < kMaxFacesPerFont; ++index) {
    std::unique_ptr<FontFace> face = FontFace::FromBytes(freetype_, shared, index);
    if (face == nullptr) continue;
    count = face->face_count();
    for (const std::string& name : face->family_names()) {
      if (std::find(families.begin(), families.end(), name) == families.end())
        families.push_back(name);
    }
    added_.push_back(std::move(face));
  }
  // Names looked up before may now find the new faces.
  primary_.clear();
  by_character_.clear();
  return families;
}

std::vector<std::string> FontLibrary::AddFontFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return AddFontBytes(std::move(bytes));
}

StyledFace FontLibrary::Primary(const FontRequest& request) {
  const std::string key = Key(request);
  if (const auto found = primary_.find(key); found != primary_.end()) return found->second;
  if (FontFace* added = Added(request); added != nullptr)
    return primary_[key] = Styled(added, request);
  StyledFace found = Styled(Matched(request, 0), request);
  const Substitute* substitute = SubstituteFor(request.family);
  if (found.face != nullptr && substitute != nullptr && !Named(*found.face, request.family)) {
    found.ascent = substitute->ascent;
    found.descent = substitute->descent;
  }
  return primary_[key] = found;
}

StyledFace FontLibrary::ForCharacter(const FontRequest& request, char32_t c) {
  const auto key = std::make_pair(Key(request), c);
  if (const auto found = by_character_.find(key); found != by_character_.end())
    return found->second;
  return by_character_[key] = Styled(Matched(request, c), request);
}

// The added face of the family whose style is closest to the request (the
// first added among equals).
FontFace* FontLibrary::Added(const FontRequest& request) const {
  FontFace* best = nullptr;
  int best_score = -1;
  for (const auto& face : added_) {
    if (!Named(*face, request.family)) continue;
    const int score = (face->bold() == request.bold) + (face->italic() == request.italic);
    if (score > best_score) {
      best = face.get();
      best_score = score;
    }
  }
  return best;
}

FontFace* FontLibrary::Matched(const FontRequest& request, char32_t c) {
  if (config_ == nullptr || freetype_ == nullptr) return nullptr;
  FcPattern* pattern = Pattern(config_, request, c);
  FcResult result = FcResultNoMatch;
  FcFontSet* set = FcFontSort(config_, pattern, FcFalse, nullptr, &result);
  FontFace* found = nullptr;
  for (int i = 0; set != nullptr && i < set->nfont && found == nullptr; ++i) {
    FcPattern* font = set->fonts[i];
    FcCharSet* chars = nullptr;
    if (c != 0 && FcPatternGetCharSet(font, FC_CHARSET, 0, &chars) == FcResultMatch &&
        !FcCharSetHasChar(chars, c)) {
      continue;
    }
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) continue;
    FcPatternGetInteger(font, FC_INDEX, 0, &index);
    FontFace* face = SystemFace(reinterpret_cast<const char*>(file), index);
    if (face != nullptr && (c == 0 || face->GlyphFor(c) != 0)) found = face;
  }
  if (set != nullptr) FcFontSetDestroy(set);
  FcPatternDestroy(pattern);
  return found;
}

FontFace* FontLibrary::SystemFace(const std::string& file, int index) {
  const auto key = std::make_pair(file, index);
  if (const auto found = system_.find(key); found != system_.end()) return found->second.get();
  return (system_[key] = FontFace::FromFile(freetype_, file, index)).get();
}

}  // namespace lantern::platform::native
