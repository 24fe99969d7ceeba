// The ranges of the settings the player reads.
#include "tools/albumpack/setting_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>

#include "album/album_settings.h"
#include "base/text.h"
#include "tools/albumpack/manifest_keys.h"

namespace lantern::albumpack {

namespace {

enum class Check {
  kWhole,        // an integer in [min, max]
  kSeconds,      // a finite single in [min, max], above min when min is 0 and open
  kTextWhole,    // text holding an integer in [min, max]; empty allowed
  kTextSeconds,  // text holding a finite number of seconds, as kSeconds; empty allowed
  kChoice,       // text that is one of the listed words
  kSelection,    // text of "1" and spaces, one a transition
};

constexpr double kColourMax = 0xFFFFFF;
constexpr double kDay = 86400;       // seconds: no slide, opening or ending lasts longer
constexpr double kPosition = 65535;  // pixels of the authoring screen, either way
constexpr double kFontSize = 1000;   // pixels
constexpr double kBorder = 100;      // pixels
constexpr double kAny = std::numeric_limits<int32_t>::max();

struct Rule {
  const char* key;  // the key, or the stem of an indexed key ("HeadSize(")
  Check check;
  double min = 0;
  double max = 0;
  bool open_min = false;  // min itself is out of range
  const char* choices = nullptr;
};

// Every setting with a range. Flags and free texts (names, captions, paths)
// have none; their kind is checked where they are converted.
constexpr Rule kRules[] = {
    {"LenOfRes", Check::kTextWhole, 0, kAny},
    {"ImgDrawScale", Check::kWhole, 0, 4},
    {"BackgroundDrawScale", Check::kWhole, 0, 4},
    {"BackgroundGradientMode", Check::kWhole, 0, 3},
    {"TitleStyle", Check::kWhole, 0, 3},
    {"FontStartColor(", Check::kWhole, 0, kColourMax},
    {"FontEndColor(", Check::kWhole, 0, kColourMax},
    {"BorderColor(", Check::kWhole, 0, kColourMax},
    {"fFontSize(", Check::kWhole, 1, kFontSize},
    {"fFontAlign(", Check::kWhole, 0, 8},
    {"fFontPattern(", Check::kWhole, 0, 18},
    {"fBorderWidth(", Check::kWhole, 0, kBorder},
    {"fFontStyle(", Check::kWhole, 0, 15},
    {"LyricPosX", Check::kWhole, -kPosition, kPosition},
    {"LyricPosY", Check::kWhole, -kPosition, kPosition},
    {"LyricPosW", Check::kWhole, 0, kPosition},
    {"LyricPosH", Check::kWhole, 0, kPosition},
    {"TitlePosX", Check::kWhole, -kPosition, kPosition},
    {"TitlePosY", Check::kWhole, -kPosition, kPosition},
    {"TitlePosW", Check::kWhole, 0, kPosition},
    {"TitlePosH", Check::kWhole, 0, kPosition},
    {"LyricDynamicFontPattern", Check::kWhole, 0, 18},
    {"LyricDynamicFontStartColor", Check::kWhole, 0, kColourMax},
    {"LyricDynamicFontEndColor", Check::kWhole, 0, kColourMax},
    {"LyricStyle", Check::kWhole, 0, 3},
    {"OrigScreenWidth", Check::kTextWhole, 0, kPosition},
    {"OrigScreenHeight", Check::kTextWhole, 0, kPosition},
    {"TimeInterval", Check::kSeconds, 0, kDay, true},
    {"OpeningDurationTime", Check::kSeconds, 0, kDay},
    {"EndingDurationTime", Check::kSeconds, 0, kDay},
    {"SolidColor", Check::kWhole, 0, kColourMax},
    {"BeginColor", Check::kWhole, 0, kColourMax},
    {"EndColor", Check::kWhole, 0, kColourMax},
    {"CurrentMask", Check::kWhole, 0, kAny},
    {"PlayMusicOrder", Check::kChoice, 0, 0, false, "0 1 2"},
    {"SongDurationTotal", Check::kWhole, 0, kAny},
    {"BackGroundSet", Check::kChoice, 0, 0, false, "1 2 3"},
    {"StyleSelect", Check::kSelection},
    {"NowI", Check::kWhole, 0, kAny},
    {"NowM", Check::kWhole, 0, kAny},
    {"LyricFilesCount", Check::kWhole, 0, kAny},
    {"ToInstallFontCount", Check::kWhole, 0, 4},
    {"SlideDuration(", Check::kTextSeconds, 0, kDay, true},
    {"ImgPosX(", Check::kTextWhole, -kPosition, kPosition},
    {"ImgPosY(", Check::kTextWhole, -kPosition, kPosition},
    {"CapPosX(", Check::kWhole, -kPosition, kPosition},
    {"CapPosY(", Check::kWhole, -kPosition, kPosition},
    {"CapPosW(", Check::kWhole, 0, kPosition},
    {"CapPosH(", Check::kWhole, 0, kPosition},
    {"HeadPosX(", Check::kWhole, -kPosition, kPosition},
    {"HeadPosY(", Check::kWhole, -kPosition, kPosition},
    {"HeadPosW(", Check::kWhole, 0, kPosition},
    {"HeadPosH(", Check::kWhole, 0, kPosition},
    {"HeadDynamicStyle(", Check::kWhole, 0, 8},
    {"HeadSize(", Check::kWhole, 1, kFontSize},
    {"HeadPattern(", Check::kWhole, 0, 18},
    {"HeadBorder(", Check::kWhole, 0, kBorder},
    {"HeadStyle(", Check::kWhole, 0, 15},
    {"HeadStartColor(", Check::kWhole, 0, kColourMax},
    {"HeadEndColor(", Check::kWhole, 0, kColourMax},
    {"HeadBorderColor(", Check::kWhole, 0, kColourMax},
};

const Rule* FindRule(std::string_view key) {
  const std::string upper = base::AsciiUpper(key);
  for (const Rule& rule : kRules) {
    const std::string_view stem = rule.key;
    const bool matches = stem.ends_with('(') ? album::KeyIndex(key, stem).value_or(0) >= 1
                                             : upper == base::AsciiUpper(stem);
    if (matches) return &rule;
  }
  return nullptr;
}

std::string Number(double v) {
  std::ostringstream text;
  text << v;
  return text.str();
}

std::string SecondsRange(const Rule& r) {
  return std::string("a number of seconds ") + (r.open_min ? "above " : "from ") + Number(r.min) +
         (r.open_min ? " up to " : " to ") + Number(r.max);
}

bool InRange(const Rule& r, double v) {
  return std::isfinite(v) && (r.open_min ? v > r.min : v >= r.min) && v <= r.max;
}

// The number a text holds, whole or not; nullopt for other text.
std::optional<double> TextNumber(const std::string& text, bool whole) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double v =
      whole ? static_cast<double>(std::strtoll(begin, &end, 10)) : std::strtod(begin, &end);
  if (end == begin || *end != '\0') return std::nullopt;
  return v;
}

std::string ChoiceText(const char* choices) {
  std::string text = "one of";
  std::istringstream words(choices);
  for (std::string w; words >> w;)
    text += " \"" + w + "\"";
  return text;
}

bool IsChoice(const char* choices, const std::string& value) {
  std::istringstream words(choices);
  for (std::string w; words >> w;) {
    if (w == value) return true;
  }
  return false;
}

std::string WholeRange(const Rule& r) {
  return WholeNumberRange(static_cast<int64_t>(r.min), static_cast<int64_t>(r.max));
}

std::string CheckRule(const Rule& r, const Setting& s) {
  switch (r.check) {
    case Check::kWhole:
      return InRange(r, s.number) ? "" : WholeRange(r);
    case Check::kSeconds:
      return InRange(r, s.single) ? "" : SecondsRange(r);
    case Check::kTextWhole: {
      const auto v = TextNumber(s.text, true);
      if (s.text.empty() || (v && InRange(r, *v))) return "";
      return "a text holding " + WholeRange(r);
    }
    case Check::kTextSeconds: {
      const auto v = TextNumber(s.text, false);
      return s.text.empty() || (v && InRange(r, *v)) ? "" : SecondsRange(r);
    }
    case Check::kChoice:
      return IsChoice(r.choices, s.text) ? "" : ChoiceText(r.choices);
    case Check::kSelection:
      if (s.text.size() <= album::kTransitionCatalogueSize &&
          s.text.find_first_not_of("1 ") == std::string::npos) {
        return "";
      }
      return "up to 41 characters, \"1\" for a transition chosen and a space for one not";
  }
  return "";
}

// "_Type" and "_Size" beside an item: a type word of its class, its file's size.
std::string CheckCompanion(const Setting& s, const AlbumContent& content) {
  const std::string upper = base::AsciiUpper(s.key);
  const std::string item = s.key.substr(0, s.key.size() - 5);
  const std::optional<ItemClass> c = ClassOfItem(item);
  if (!c) return "";
  if (upper.ends_with("_TYPE")) {
    const auto& words = TypeWordsOf(*c);
    if (std::find(words.begin(), words.end(), s.text) != words.end()) return "";
    std::string list;
    for (const std::string& w : words)
      list += (list.empty() ? "" : ", ") + w;
    return "the type word of such an item: " + list;
  }
  for (const Item& i : content.items) {
    if (base::AsciiUpper(i.name) == base::AsciiUpper(item) &&
        static_cast<uint64_t>(std::max(s.number, 0)) != i.size()) {
      return std::to_string(i.size()) + ", the size of " + i.source;
    }
  }
  return s.number >= 0 ? "" : WholeNumberRange(0, static_cast<int64_t>(kAny));
}

}  // namespace

std::optional<SettingKind> RuleKind(std::string_view key) {
  const std::string upper = base::AsciiUpper(key);
  if (ClassOfItem(key.substr(0, key.size() >= 5 ? key.size() - 5 : 0))) {
    if (upper.ends_with("_TYPE")) return SettingKind::kText;
    if (upper.ends_with("_SIZE")) return SettingKind::kInt;
  }
  const Rule* r = FindRule(key);
  if (r == nullptr) return std::nullopt;
  switch (r->check) {
    case Check::kWhole:
      return SettingKind::kInt;
    case Check::kSeconds:
      return SettingKind::kSingle;
    default:
      return SettingKind::kText;
  }
}

std::string ExpectedInstead(const Setting& setting, const AlbumContent& content) {
  const std::string upper = base::AsciiUpper(setting.key);
  if (upper.ends_with("_TYPE") || upper.ends_with("_SIZE")) return CheckCompanion(setting, content);
  const Rule* r = FindRule(setting.key);
  if (r == nullptr || RuleKind(setting.key) != setting.kind) return "";
  return CheckRule(*r, setting);
}

std::string WholeNumberRange(int64_t min, int64_t max) {
  return "a whole number from " + std::to_string(min) + " to " + std::to_string(max);
}

std::string OutOfRange(std::string_view name, std::string_view value, std::string_view expected) {
  return std::string(name) + " = " + std::string(value) + ": expected " + std::string(expected);
}

std::string ValueText(const Setting& s) {
  switch (s.kind) {
    case SettingKind::kFlag:
      return s.flag ? "true" : "false";
    case SettingKind::kInt:
      return std::to_string(s.number);
    case SettingKind::kSingle:
      return Number(s.single);
    case SettingKind::kText:
      break;
  }
  return "\"" + s.text + "\"";
}

}  // namespace lantern::albumpack
