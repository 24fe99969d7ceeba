// The album manifest: TOML in, album content out.
//
// [SECTION] Defaults  [SECTION] Values  [SECTION] Items  [SECTION] Sections
#include "tools/albumpack/manifest.h"

#include "tools/albumpack/toml_checked.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <unordered_map>

#include "album/album_settings.h"
#include "base/text.h"
#include "tools/albumpack/file_io.h"
#include "tools/albumpack/manifest_keys.h"
#include "tools/albumpack/paths.h"
#include "tools/albumpack/photo_convert.h"
#include "tools/albumpack/setting_rules.h"
#include "tools/albumpack/spelling.h"
#include "tools/albumpack/windows_path.h"

namespace lantern::albumpack {

namespace {

namespace fs = std::filesystem;

class ManifestError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

constexpr int kTransitionCount = 41;
constexpr int kMaxFonts = 4;
constexpr int kWidth = 1024;  // the authoring screen the defaults are laid out for
constexpr int kHeight = 768;

// [SECTION] Defaults: every setting the player reads, so a short manifest makes a whole album.

void DefaultStyles(AlbumContent& c) {
  // Caption, headline, lyric line and title styles: face, size, border width.
  const struct {
    const char* face;
    int size;
    int border;
  } styles[4] = {
      {"微软雅黑", 20, 1}, {"微软雅黑", 36, 2}, {"微软雅黑", 28, 2}, {"微软雅黑", 48, 2}};
  for (int k = 1; k <= 4; ++k) {
    c.Set(Int(album::IndexedKey("FontStartColor(", k), 0xFFFFFF));
    c.Set(Int(album::IndexedKey("FontEndColor(", k), k == 3 ? 0xFFE0C0 : 0xC0F0FF));
    c.Set(Int(album::IndexedKey("BorderColor(", k), 0x000000));
    c.Set(Text(album::IndexedKey("fFontName(", k), styles[k - 1].face));
    c.Set(Int(album::IndexedKey("fFontSize(", k), styles[k - 1].size));
    c.Set(Int(album::IndexedKey("fFontAlign(", k), 4));  // centred both ways
    c.Set(Int(album::IndexedKey("fFontPattern(", k), 0));
    c.Set(Int(album::IndexedKey("fBorderWidth(", k), styles[k - 1].border));
    c.Set(Int(album::IndexedKey("fFontStyle(", k), 1));  // bold
  }
}

void DefaultSettings(AlbumContent& c) {
  c.Set(Text("LenOfRes", "1"));
  c.Set(Text("TitleText(1)", ""));
  c.Set(Text("TitleText(2)", ""));
  for (const char* key : {"PlayPhotoInRamdomOrder", "IgnoreMouseMove", "ShowCursor", "MuteSound",
                          "EnableOpening", "EnableEnding", "EnableExport", "EnableSync"}) {
    c.Set(Flag(key, false));
  }
  for (const char* key :
       {"EnableTransition", "EnableHeadlineEffect", "IsPackage", "EnableCaption", "EnableLyric"}) {
    c.Set(Flag(key, true));
  }
  c.Set(Int("ImgDrawScale", 0));
  c.Set(Int("BackgroundDrawScale", 4));
  c.Set(Int("BackgroundGradientMode", 0));
  c.Set(Int("TitleStyle", 1));
  DefaultStyles(c);
  const int areas[2][4] = {{112, 620, 800, 110}, {112, 60, 800, 160}};
  const char* keys[2][4] = {{"LyricPosX", "LyricPosY", "LyricPosW", "LyricPosH"},
                            {"TitlePosX", "TitlePosY", "TitlePosW", "TitlePosH"}};
  for (int a = 0; a < 2; ++a) {
    for (int i = 0; i < 4; ++i)
      c.Set(Int(keys[a][i], areas[a][i]));
  }
  c.Set(Int("LyricDynamicFontPattern", 0));
  c.Set(Int("LyricDynamicFontStartColor", 0x00FFFF));
  c.Set(Int("LyricDynamicFontEndColor", 0x0080FF));
  c.Set(Int("LyricStyle", 0));
  c.Set(Text("OrigScreenWidth", std::to_string(kWidth)));
  c.Set(Text("OrigScreenHeight", std::to_string(kHeight)));
  c.Set(Single("TimeInterval", 5.0f));
  c.Set(Single("OpeningDurationTime", 6.0f));
  c.Set(Single("EndingDurationTime", 6.0f));
  c.Set(Int("SolidColor", 0));
  c.Set(Int("BeginColor", 0x402010));
  c.Set(Int("EndColor", 0x000000));
  c.Set(Int("CurrentMask", 0));
  c.Set(Text("PlayMusicOrder", "0"));
  c.Set(Int("SongDurationTotal", 0));
  c.Set(Text("BackGroundSet", "2"));
  c.Set(Text("ExportPassword", ""));
  for (int i = 0; i <= 11; ++i)
    c.Set(Text(album::IndexedKey("TxtSetting(", i), ""));
  c.Set(Text("StyleSelect", std::string(kTransitionCount, '1')));
  c.Set(Text("appversion", "1.0"));
}

// [SECTION] Values

std::string Where(const toml::source_region& region) {
  return ":" + std::to_string(region.begin.line) + ":" + std::to_string(region.begin.column);
}

[[noreturn]] void FailAt(const toml::source_region& region, const std::string& what) {
  throw ManifestError(Where(region) + ": " + what);
}

[[noreturn]] void Fail(const toml::node& node, const std::string& what) {
  FailAt(node.source(), what);
}

// The manifest keys of a table of names.
template <typename List, typename Key>
std::vector<std::string> KeysOf(const List& list, Key key) {
  std::vector<std::string> keys;
  for (const auto& entry : list)
    keys.emplace_back(key(entry));
  return keys;
}

// Refuses the first key of the table that is not among `known`, naming the
// nearest known one: a mistyped key must not drop what it holds.
void OnlyKnownKeys(const toml::table& table, const std::vector<std::string>& known,
                   const std::string& what) {
  for (const auto& [key, value] : table) {
    const std::string name(key.str());
    if (std::find(known.begin(), known.end(), name) != known.end()) continue;
    const std::vector<std::string> close = Suggestions(name, known);
    FailAt(key.source(),
           "unknown " + what + " \"" + name + "\"; " +
               (close.empty() ? "the keys here are " + Alternatives(known, true, " and ")
                              : "did you mean " + Alternatives(close, true) + "?"));
  }
}

// A colour: a number 0xBBGGRR as the album stores it, or "#RRGGBB".
int32_t Colour(const toml::node& node) {
  if (auto n = node.value<int64_t>()) return static_cast<int32_t>(*n & 0xFFFFFF);
  if (auto s = node.value<std::string>();
      s && s->size() == 7 && (*s)[0] == '#' &&
      s->find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos) {
    const uint32_t rgb = static_cast<uint32_t>(std::strtoul(s->c_str() + 1, nullptr, 16));
    return static_cast<int32_t>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
  }
  Fail(node, "expected a colour: a number 0xBBGGRR or a text \"#RRGGBB\"");
}

int32_t Number(const toml::node& node) {
  const auto n = node.value<int64_t>();
  if (!n || *n < INT32_MIN || *n > INT32_MAX) Fail(node, "expected a whole number");
  return static_cast<int32_t>(*n);
}

std::string String(const toml::node& node) {
  const auto s = node.value<std::string>();
  if (!s) Fail(node, "expected a text");
  return *s;
}

const toml::table& Table(const toml::node& node, const std::string& name) {
  const toml::table* table = node.as_table();
  if (table == nullptr) Fail(node, name + " is a table ([" + name + "])");
  return *table;
}

std::vector<int32_t> Numbers(const toml::node& node, size_t count) {
  const toml::array* array = node.as_array();
  if (array == nullptr || array->size() != count) {
    Fail(node, "expected a list of " + std::to_string(count) + " whole numbers");
  }
  std::vector<int32_t> out;
  for (const toml::node& n : *array)
    out.push_back(Number(n));
  return out;
}

// Converts a [settings] value to the kind the setting already has.
Setting Convert(const std::string& key, const toml::node& node, const Setting* known) {
  const std::optional<SettingKind> ruled = RuleKind(key);
  const SettingKind kind = known                      ? known->kind
                           : ruled                    ? *ruled
                           : node.is_boolean()        ? SettingKind::kFlag
                           : node.is_integer()        ? SettingKind::kInt
                           : node.is_floating_point() ? SettingKind::kSingle
                                                      : SettingKind::kText;
  switch (kind) {
    case SettingKind::kFlag:
      if (!node.is_boolean()) Fail(node, key + " is a flag: true or false");
      return Flag(key, *node.value<bool>());
    case SettingKind::kInt:
      return Int(key, node.is_string() ? Colour(node) : Number(node));
    case SettingKind::kSingle:
      if (!node.is_number()) Fail(node, key + " is a number");
      return Single(key, static_cast<float>(*node.value<double>()));
    case SettingKind::kText:
      if (node.is_integer()) return Text(key, std::to_string(*node.value<int64_t>()));
      if (node.is_floating_point()) {
        std::ostringstream text;
        text << *node.value<double>();
        return Text(key, text.str());
      }
      return Text(key, String(node));
  }
  Fail(node, "unsupported value");
}

// [SECTION] Items

// The file types an item may come from: the types an album stores, and for
// pictures the photo types the builder converts.
bool Accepts(ItemClass c, const std::string& type) {
  if (c == ItemClass::kPicture && IsConvertedType(type)) return true;
  const auto& list = TypeWordsOf(c);
  return std::find(list.begin(), list.end(), type) != list.end();
}

class Builder {
 public:
  Builder(AlbumContent& content, fs::path base, const ItemIntake& intake)
      : c_(content), base_(std::move(base)), intake_(intake) {}

  // Adds the item and its companion settings; in file mode the item's key
  // holds the path. False when the intake left the item out.
  bool AddItem(const std::string& name, const toml::node& file_node, ItemClass cls) {
    const std::string file = String(file_node);
    const std::string type = TypeWord(file);
    if (!Accepts(cls, type)) Fail(file_node, file + ": unsupported type \"" + type + "\"");
    if (!c_.package_mode) {
      if (IsConvertedType(type)) {
        Fail(file_node, file +
                            ": in files mode the player shows the file itself, and it cannot "
                            "show " +
                            type + "; convert it to JPEG, or build a package");
      }
      c_.Set(Text(name, PlayerPath(file_node, file)));
      return true;
    }
    const fs::path path = base_ / PathFromUtf8(file);
    Item item{name, type, Utf8FromPath(path), {}, path, 0};
    std::string why;
    const std::optional<uint64_t> size = RegularFileSize(path, why);
    if (!size) Fail(file_node, "cannot read " + Utf8FromPath(path) + ": " + why);
    item.file_size = *size;  // at most the largest album, so it fits the setting
    if (intake_ && !intake_(item)) return false;
    // A picture to convert is stored as the JPEG the intake makes of it.
    c_.Set(Text(name + "_Type", IsConvertedType(item.type_word) ? "JPG" : item.type_word));
    c_.Set(Int(name + "_Size", static_cast<int32_t>(item.size())));
    c_.items.push_back(std::move(item));
    return true;
  }

  AlbumContent& content() { return c_; }

  // Sets a value that `from` in the manifest gave, under the manifest's `name`
  // for it, so that a value out of its range can be reported there.
  void Set(const Setting& setting, const toml::node& from, const std::string& name) {
    c_.Set(setting);
    origins_[base::AsciiUpper(setting.key)] = {from.source(), name};
  }

  // Refuses the first value the player cannot use, where the manifest gave it.
  void CheckRanges() const {
    for (const Setting& s : c_.settings) {
      const std::string expected = ExpectedInstead(s, c_);
      if (expected.empty()) continue;
      const auto origin = origins_.find(base::AsciiUpper(s.key));
      if (origin == origins_.end())
        throw ManifestError(": " + OutOfRange(s.key, ValueText(s), expected));
      FailAt(origin->second.where, OutOfRange(origin->second.name, ValueText(s), expected));
    }
  }

  void Warn(const toml::source_region& where, const std::string& what) {
    warnings_.push_back(Where(where) + ": warning: " + what);
  }
  const std::vector<std::string>& warnings() const { return warnings_; }

 private:
  // The path a files-mode album stores: an absolute Windows path, so that the
  // player finds the file wherever it is started from. A relative path is
  // resolved against the manifest's folder, which only the Windows build
  // knows as a Windows folder.
  std::string PlayerPath(const toml::node& where, const std::string& file) const {
    std::string base = Utf8FromPath(base_);
    if (!IsAbsoluteWindowsPath(base)) {
      std::error_code ec;
      base = Utf8FromPath(fs::absolute(base_, ec));
    }
    if (!IsAbsoluteWindowsPath(file) && !IsAbsoluteWindowsPath(base)) {
      Fail(where, file +
                      ": in files mode an album names its files by absolute Windows paths, such "
                      "as C:\\Photos\\1.jpg; only the Windows build of albumpack resolves a "
                      "relative path");
    }
    return ResolveWindowsPath(base, file);
  }

  struct Origin {
    toml::source_region where;
    std::string name;
  };

  AlbumContent& c_;
  fs::path base_;
  const ItemIntake& intake_;
  std::vector<std::string> warnings_;
  std::unordered_map<std::string, Origin> origins_;  // by upper-cased key
};

// [SECTION] Sections

void ReadAlbumInfo(const toml::table& t, AlbumContent& c) {
  const char* slots[] = {"title", "author", "email", "website", "description", "rights"};
  for (int i = 0; i < 6; ++i) {
    if (const toml::node* n = t.get(slots[i]))
      c.Set(Text(album::IndexedKey("TxtSetting(", i), String(*n)));
  }
  if (const toml::node* n = t.get("title_text")) {
    const toml::array* lines = n->as_array();
    if (lines == nullptr || lines->size() > 2) Fail(*n, "title_text is a list of up to two texts");
    for (size_t i = 0; i < lines->size(); ++i) {
      c.Set(Text(album::IndexedKey("TitleText(", static_cast<int>(i) + 1), String((*lines)[i])));
    }
  }
}

void ReadTransitions(const toml::table& t, AlbumContent& c) {
  const toml::node* n = t.get("transitions");
  if (n == nullptr || n->value<std::string>() == "all") return;
  const toml::array* list = n->as_array();
  if (list == nullptr) Fail(*n, "transitions is \"all\" or a list of numbers 0 to 40");
  std::string select(kTransitionCount, ' ');
  for (const toml::node& k : *list) {
    const int32_t number = Number(k);
    if (number < 0 || number >= kTransitionCount) {
      Fail(k, OutOfRange("transitions", std::to_string(number),
                         WholeNumberRange(0, kTransitionCount - 1)));
    }
    select[static_cast<size_t>(number)] = '1';
  }
  c.Set(Text("StyleSelect", select));
  if (list->empty()) c.Set(Flag("EnableTransition", false));
}

// A [[styles]] key, the stem of the setting it sets and the kind of its value.
enum class StyleValue { kText, kNumber, kColour };
struct StyleKey {
  const char* manifest_key;
  const char* stem;
  StyleValue value;
};
constexpr StyleKey kStyleKeys[] = {{"font", "fFontName(", StyleValue::kText},
                                   {"check_name", "fFontNameForCheck(", StyleValue::kText},
                                   {"size", "fFontSize(", StyleValue::kNumber},
                                   {"align", "fFontAlign(", StyleValue::kNumber},
                                   {"pattern", "fFontPattern(", StyleValue::kNumber},
                                   {"border_width", "fBorderWidth(", StyleValue::kNumber},
                                   {"style", "fFontStyle(", StyleValue::kNumber},
                                   {"start_color", "FontStartColor(", StyleValue::kColour},
                                   {"end_color", "FontEndColor(", StyleValue::kColour},
                                   {"border_color", "BorderColor(", StyleValue::kColour}};

void ReadStyle(const toml::table& s, int k, Builder& b) {
  OnlyKnownKeys(s, KeysOf(kStyleKeys, [](const StyleKey& e) { return e.manifest_key; }),
                "style key");
  for (const auto& [key, value] : s) {
    const std::string name(key.str());
    const auto* f = std::find_if(std::begin(kStyleKeys), std::end(kStyleKeys),
                                 [&](const StyleKey& e) { return name == e.manifest_key; });
    const std::string setting = album::IndexedKey(f->stem, k);
    if (f->value == StyleValue::kText)
      b.Set(Text(setting, String(value)), value, name);
    else
      b.Set(Int(setting, f->value == StyleValue::kColour ? Colour(value) : Number(value)), value,
            name);
  }
}

void ReadStyles(const toml::table& t, Builder& b) {
  const toml::node* n = t.get("styles");
  if (n == nullptr) return;
  const toml::array* styles = n->as_array();
  if (styles == nullptr || styles->size() > 4) Fail(*n, "styles is a list of up to four tables");
  for (size_t i = 0; i < styles->size(); ++i) {
    const toml::table* s = (*styles)[i].as_table();
    if (s == nullptr) Fail((*styles)[i], "a style is a table");
    ReadStyle(*s, static_cast<int>(i) + 1, b);
  }
}

// A box [x, y, w, h] from the manifest's `name` key, or its default.
void SetBox(Builder& b, const toml::table& p, const char* name, const char* prefix, int n,
            const std::vector<int32_t>& fallback) {
  const toml::node* node = p.get(name);
  const std::vector<int32_t> box = node ? Numbers(*node, 4) : fallback;
  const char* parts[] = {"X(", "Y(", "W(", "H("};
  const char* part_names[] = {" x", " y", " width", " height"};
  for (size_t i = 0; i < 4; ++i) {
    const Setting s = Int(album::IndexedKey(std::string(prefix) + parts[i], n), box[i]);
    if (node)
      b.Set(s, *node, name + std::string(part_names[i]));
    else
      b.content().Set(s);
  }
}

void ReadHeadline(const toml::table& p, int n, Builder& b) {
  b.content().Set(Text(album::IndexedKey("ImgHeadline(", n), String(*p.get("headline"))));
  SetBox(b, p, "headline_box", "HeadPos", n, {112, 80, 800, 120});
  const struct {
    const char* manifest_key;
    const char* stem;
    int32_t fallback;
    bool colour;
  } fields[] = {{"effect", "HeadDynamicStyle(", 0, false},
                {"size", "HeadSize(", 40, false},
                {"pattern", "HeadPattern(", 0, false},
                {"border", "HeadBorder(", 2, false},
                {"style", "HeadStyle(", 1, false},
                {"start_color", "HeadStartColor(", 0xFFFFFF, true},
                {"end_color", "HeadEndColor(", 0x80E0FF, true},
                {"border_color", "HeadBorderColor(", 0x202020, true}};
  for (const auto& f : fields) {
    const toml::node* v = p.get(f.manifest_key);
    const std::string key = album::IndexedKey(f.stem, n);
    if (v == nullptr)
      b.content().Set(Int(key, f.fallback));
    else
      b.Set(Int(key, f.colour ? Colour(*v) : Number(*v)), *v, f.manifest_key);
  }
}

// Photo n; false when it was left out.
bool ReadPhoto(const toml::table& p, const toml::node& where, int n, Builder& b) {
  AlbumContent& c = b.content();
  OnlyKnownKeys(p, kPhotoKeys, "photo key");
  const toml::node* file = p.get("file");
  if (file == nullptr) Fail(where, "a photo needs a file");
  if (!b.AddItem(album::IndexedKey("ImgNames(", n), *file, ItemClass::kPicture)) return false;
  if (const toml::node* d = p.get("duration")) {
    if (!d->is_number() && !d->is_string())
      Fail(*d, "duration is a number of seconds, such as 2.5");
    const std::string key = album::IndexedKey("SlideDuration(", n);  // stored as text: "2.5"
    b.Set(Convert(key, *d, nullptr), *d, "duration");
  }
  if (const toml::node* pos = p.get("position")) {
    const auto xy = Numbers(*pos, 2);
    b.Set(Text(album::IndexedKey("ImgPosX(", n), std::to_string(xy[0])), *pos, "position x");
    b.Set(Text(album::IndexedKey("ImgPosY(", n), std::to_string(xy[1])), *pos, "position y");
  }
  if (const toml::node* caption = p.get("caption")) {
    c.Set(Text(album::IndexedKey("ImgCaption(", n), String(*caption)));
    SetBox(b, p, "caption_box", "CapPos", n, {102, 680, 820, 60});
  }
  if (p.get("headline") != nullptr) ReadHeadline(p, n, b);
  return true;
}

template <typename Each>
void ForEachTable(const toml::table& t, const char* key, Each each) {
  const toml::node* n = t.get(key);
  if (n == nullptr) return;
  const toml::array* list = n->as_array();
  if (list == nullptr) Fail(*n, std::string(key) + " is a list of tables ([[" + key + "]])");
  int index = 0;
  for (const toml::node& entry : *list) {
    const toml::table* table = entry.as_table();
    if (table == nullptr) Fail(entry, std::string("each entry of ") + key + " is a table");
    each(*table, entry, ++index);
  }
}

void ReadPictures(const toml::table& t, Builder& b) {
  const toml::node* n = t.get("pictures");
  if (n == nullptr) return;
  const toml::table& pictures = Table(*n, "pictures");
  OnlyKnownKeys(pictures, KeysOf(kPictureKeys, [](const PictureKey& e) { return e.manifest_key; }),
                "picture");
  for (const auto& [key, value] : pictures) {
    const std::string name(key.str());
    const auto* p = std::find_if(kPictureKeys.begin(), kPictureKeys.end(),
                                 [&](const PictureKey& e) { return name == e.manifest_key; });
    b.AddItem(p->item, value, ItemClass::kPicture);
  }
}

void ReadButtons(const toml::table& t, Builder& b) {
  const toml::node* n = t.get("buttons");
  if (n == nullptr) return;
  const toml::table& buttons = Table(*n, "buttons");
  OnlyKnownKeys(buttons, KeysOf(kButtonKeys, [](const char* e) { return e; }), "button");
  for (const auto& [key, value] : buttons)
    b.AddItem("btn_" + std::string(key.str()), value, ItemClass::kPicture);
}

void ReadFonts(const toml::table& t, Builder& b) {
  const toml::node* n = t.get("fonts");
  if (n == nullptr) return;
  const toml::array* fonts = n->as_array();
  if (fonts == nullptr) Fail(*n, "fonts is a list of font files");
  if (fonts->size() > kMaxFonts) Fail(*n, "an album holds at most four fonts");
  int k = 0;
  for (const toml::node& f : *fonts) {
    b.AddItem(album::IndexedKey("ToInstallFont(", ++k), f, ItemClass::kFont);
  }
  b.content().Set(Int("ToInstallFontCount", k));
}

// A key the player does not read is stored all the same (an album may carry
// keys of its own), with a warning: it is most likely a mistyped one.
void WarnOfUnreadSetting(const toml::key& key, Builder& b) {
  const std::string name(key.str());
  const AlbumContent& c = b.content();
  if (c.Find(name) != nullptr || album::IsRecordKey(name) || IsItemKey(name)) return;
  std::vector<std::string> known;
  for (const Setting& s : c.settings)
    known.push_back(s.key);
  const std::vector<std::string> close = Suggestions(name, known);
  b.Warn(key.source(),
         "[settings] " + name + " is not a setting the player reads" +
             (close.empty() ? "" : " (did you mean " + Alternatives(close, false) + "?)") +
             "; it is stored as given");
}

void ReadSettingsTable(const toml::table& t, Builder& b) {
  const toml::node* n = t.get("settings");
  if (n == nullptr) return;
  AlbumContent& c = b.content();
  for (const auto& [key, value] : Table(*n, "settings")) {
    const std::string name(key.str());
    WarnOfUnreadSetting(key, b);
    b.Set(Convert(name, value, c.Find(name)), value, name);
  }
}

void ReadAll(const toml::table& t, Builder& b) {
  AlbumContent& c = b.content();
  OnlyKnownKeys(t, kTopLevelKeys, "key");
  if (const toml::node* mode = t.get("mode")) {
    const std::string m = String(*mode);
    if (m != "package" && m != "files") Fail(*mode, "mode is \"package\" or \"files\"");
    c.package_mode = m == "package";
  }
  DefaultSettings(c);
  if (!c.package_mode) c.Set(Text("LenOfRes", "0"));
  ReadAlbumInfo(t, c);
  ReadTransitions(t, c);
  ReadStyles(t, b);
  ReadPictures(t, b);
  ReadButtons(t, b);
  ReadFonts(t, b);
  int photos = 0;
  ForEachTable(t, "photos", [&](const toml::table& p, const toml::node& where, int) {
    if (ReadPhoto(p, where, photos + 1, b)) ++photos;
  });
  int songs = 0;
  int lyrics = 0;
  ForEachTable(t, "songs", [&](const toml::table& s, const toml::node& where, int n) {
    OnlyKnownKeys(s, kSongKeys, "song key");
    const toml::node* file = s.get("file");
    if (file == nullptr) Fail(where, "a song needs a file");
    b.AddItem(album::IndexedKey("MusicNames(", n), *file, ItemClass::kSong);
    if (const toml::node* lrc = s.get("lyrics")) {
      b.AddItem(album::IndexedKey("MusicLyricFiles(", n), *lrc, ItemClass::kLyrics);
      ++lyrics;
    }
    songs = n;
  });
  c.Set(Int("NowI", photos));
  c.Set(Int("NowM", songs));
  c.Set(Int("LyricFilesCount", lyrics));
  if (c.Find("ToInstallFontCount") == nullptr) c.Set(Int("ToInstallFontCount", 0));
  ReadSettingsTable(t, b);  // last: explicit settings win over everything derived
  b.CheckRanges();
}

// Hands the TOML library pure ASCII. This Debian toml++ misreads some
// non-ASCII characters (it reaches code it declares unreachable), so text
// outside the ASCII range is turned into \u escapes inside double-quoted
// strings and into spaces inside comments; anywhere else (bare text, single-
// quoted strings, which take no escapes) it is refused with its place.
class AsciiManifest {
 public:
  // The ASCII text in `out`, or false with "line:column: reason" in `error`.
  static bool Convert(const std::string& text, std::string& out, std::string& error) {
    AsciiManifest m(text, out);
    return m.Run(error);
  }

 private:
  enum class State { kCode, kComment, kBasic, kLiteral, kMultiBasic, kMultiLiteral };

  AsciiManifest(const std::string& text, std::string& out) : text_(text), out_(out) {}

  bool At(const char* s) const { return text_.compare(i_, std::strlen(s), s) == 0; }
  State Take(size_t n, State next) {
    out_.append(text_, i_, n);
    i_ += n;
    column_ += static_cast<int>(n);
    return next;
  }
  std::string Where() const { return std::to_string(line_) + ":" + std::to_string(column_ + 1); }

  // The code point of the UTF-8 sequence at i_ and its length; 0 when it is
  // not well-formed.
  char32_t Decode(size_t& length) const {
    const auto lead = static_cast<uint8_t>(text_[i_]);
    length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (lead < 0xC2 || lead > 0xF4 || i_ + length > text_.size()) return 0;
    const std::u16string units = base::Utf8ToUtf16(std::string_view(text_).substr(i_, length));
    if (units.empty() || units[0] == 0xFFFD) return 0;
    if (units.size() == 2) {
      return 0x10000 + ((static_cast<char32_t>(units[0]) - 0xD800) << 10) + (units[1] - 0xDC00);
    }
    return units.size() == 1 ? units[0] : 0;
  }

  bool Escape(std::string& error) {
    size_t length = 0;
    const char32_t cp = Decode(length);
    if (cp == 0) {
      error = Where() + ": not UTF-8 text";
      return false;
    }
    char escape[16];
    std::snprintf(escape, sizeof escape, cp > 0xFFFF ? "\\U%08X" : "\\u%04X",
                  static_cast<unsigned>(cp));
    out_ += escape;
    i_ += length;
    ++column_;
    return true;
  }

  bool Run(std::string& error) {
    State state = State::kCode;
    while (i_ < text_.size()) {
      const char c = text_[i_];
      if (c == '\n') {
        if (state == State::kComment || state == State::kBasic || state == State::kLiteral) {
          state = State::kCode;  // a single-line string ends here (the library reports it)
        }
        Take(1, state);
        ++line_;
        column_ = 0;
        continue;
      }
      if (static_cast<unsigned char>(c) < 0x80) {
        state = Step(state);
      } else if (state == State::kBasic || state == State::kMultiBasic) {
        if (!Escape(error)) return false;
      } else if (state == State::kComment) {
        out_ += ' ';
        ++i_;
      } else {
        error = Where() + (state == State::kCode
                               ? ": a character outside the ASCII range outside quotes"
                               : ": text outside the ASCII range belongs in double quotes");
        return false;
      }
    }
    return true;
  }

  // One ASCII character, or a delimiter, in the given state.
  State Step(State state) {
    switch (state) {
      case State::kCode:
        if (At("\"\"\"")) return Take(3, State::kMultiBasic);
        if (At("'''")) return Take(3, State::kMultiLiteral);
        if (At("\"")) return Take(1, State::kBasic);
        if (At("'")) return Take(1, State::kLiteral);
        if (At("#")) return Take(1, State::kComment);
        break;
      case State::kBasic:
      case State::kMultiBasic:
        // An escaped ASCII character never ends the string.
        if (At("\\") && i_ + 1 < text_.size() && static_cast<unsigned char>(text_[i_ + 1]) < 0x80 &&
            text_[i_ + 1] != '\n') {
          return Take(2, state);
        }
        if (state == State::kBasic && At("\"")) return Take(1, State::kCode);
        if (state == State::kMultiBasic && At("\"\"\"")) return Take(3, State::kCode);
        break;
      case State::kLiteral:
        if (At("'")) return Take(1, State::kCode);
        break;
      case State::kMultiLiteral:
        if (At("'''")) return Take(3, State::kCode);
        break;
      case State::kComment:
        break;
    }
    return Take(1, state);
  }

  const std::string& text_;
  std::string& out_;
  size_t i_ = 0;
  int line_ = 1;
  int column_ = 0;
};

}  // namespace

std::string TypeWord(const std::string& file_name) {
  const size_t dot = file_name.rfind('.');
  const size_t slash = file_name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string type = base::AsciiUpper(file_name.substr(dot + 1));
  if (type == "JPEG") return "JPG";
  if (type == "TIFF") return "TIF";
  if (type == "MIDI") return "MID";
  return type;
}

bool IsPictureType(const std::string& type_word) {
  return Accepts(ItemClass::kPicture, type_word);
}

bool IsSongType(const std::string& type_word) {
  return Accepts(ItemClass::kSong, type_word);
}

bool ManifestAscii(const std::string& text, std::string& ascii, std::string& error) {
  std::string_view body = text;
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";  // as editors on Windows write UTF-8
  if (body.starts_with(kByteOrderMark)) body.remove_prefix(kByteOrderMark.size());
  return AsciiManifest::Convert(std::string(body), ascii, error);
}

ManifestResult ReadManifestText(const std::string& text, const std::string& source_name,
                                const std::string& base_folder, const ItemIntake& intake) {
  if (intake) {
    ManifestResult checked = ReadManifestText(text, source_name, base_folder);
    if (!checked.error.empty()) return checked;
  }
  ManifestResult result;
  std::string ascii;
  if (std::string why; !ManifestAscii(text, ascii, why)) {
    result.error = source_name + ":" + why;
    return result;
  }
  try {
    const toml::table table = toml::parse(ascii, source_name);
    Builder builder(result.content, PathFromUtf8(base_folder), intake);
    ReadAll(table, builder);
    for (const std::string& warning : builder.warnings())
      result.warnings.push_back(source_name + warning);
  } catch (const toml::parse_error& e) {
    const auto& where = e.source().begin;
    result.error = source_name + ":" + std::to_string(where.line) + ":" +
                   std::to_string(where.column) + ": " + std::string(e.description());
  } catch (const ManifestError& e) {
    result.error = source_name + e.what();
  } catch (const TomlCheckFailed&) {
    result.error = source_name + ": not a valid manifest";
  }
  return result;
}

ManifestResult ReadManifest(const std::string& path, const ItemIntake& intake) {
  std::string why;
  const auto bytes = ReadRegularFile(PathFromUtf8(path), why);
  if (!bytes) return {{}, path + ": cannot read the manifest: " + why, {}};
  const std::string text(bytes->begin(), bytes->end());
  const fs::path folder = PathFromUtf8(path).parent_path();
  return ReadManifestText(text, path, folder.empty() ? "." : Utf8FromPath(folder), intake);
}

}  // namespace lantern::albumpack
