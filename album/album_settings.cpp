// Reading the album settings record from the settings store, in the fixed order
// start-up relies on: the first value that is missing or does not convert stops it.
#include "album/album_settings.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <span>
#include <variant>

#include "base/text.h"

namespace lantern::album {

namespace {

using S = AlbumSettings;

// A field of the record and the key it is read from.
struct ScalarKey {
  std::string_view key;
  std::variant<bool S::*, int32_t S::*, float S::*, std::string S::*> field;
};

// A list of the record and the stem of its indexed keys.
struct ListKey {
  std::string_view stem;
  std::variant<OneBased<int32_t> S::*, OneBased<std::string> S::*> field;
};

constexpr ScalarKey kGeneral[] = {
    {"PlayPhotoInRamdomOrder", &S::PlayPhotoInRamdomOrder},
    {"IgnoreMouseMove", &S::IgnoreMouseMove},
    {"ShowCursor", &S::ShowCursor},
    {"MuteSound", &S::MuteSound},
    {"EnableTransition", &S::EnableTransition},
    {"EnableHeadlineEffect", &S::EnableHeadlineEffect},
    {"EnableOpening", &S::EnableOpening},
    {"EnableEnding", &S::EnableEnding},
    {"IsPackage", &S::IsPackage},
    {"EnableCaption", &S::EnableCaption},
    {"EnableExport", &S::EnableExport},
    {"ImgDrawScale", &S::ImgDrawScale},
    {"BackgroundDrawScale", &S::BackgroundDrawScale},
    {"BackgroundGradientMode", &S::BackgroundGradientMode},
    {"EnableLyric", &S::EnableLyric},
    {"TitleStyle", &S::TitleStyle},
    {"EnableSync", &S::EnableSync},
};

// Nine keys per text style, in reading order.
constexpr ListKey kStyle[] = {
    {"FontStartColor(", &S::FontStartColor}, {"FontEndColor(", &S::FontEndColor},
    {"BorderColor(", &S::BorderColor},       {"fFontName(", &S::fFontName},
    {"fFontSize(", &S::fFontSize},           {"fFontAlign(", &S::fFontAlign},
    {"fFontPattern(", &S::fFontPattern},     {"fBorderWidth(", &S::fBorderWidth},
    {"fFontStyle(", &S::fFontStyle},
};

constexpr ListKey kStyleGeometry[] = {
    {"fFontSize(", &S::fFontSize},
    {"fBorderWidth(", &S::fBorderWidth},
};

constexpr ScalarKey kLyricArea[] = {
    {"LyricPosX", &S::LyricPosX},
    {"LyricPosY", &S::LyricPosY},
    {"LyricPosW", &S::LyricPosW},
    {"LyricPosH", &S::LyricPosH},
};

constexpr ScalarKey kTitleArea[] = {
    {"TitlePosX", &S::TitlePosX},
    {"TitlePosY", &S::TitlePosY},
    {"TitlePosW", &S::TitlePosW},
    {"TitlePosH", &S::TitlePosH},
};

constexpr ScalarKey kLyricLine[] = {
    {"LyricDynamicFontPattern", &S::LyricDynamicFontPattern},
    {"LyricDynamicFontStartColor", &S::LyricDynamicFontStartColor},
    {"LyricDynamicFontEndColor", &S::LyricDynamicFontEndColor},
    {"LyricStyle", &S::LyricStyle},
};

constexpr ScalarKey kTimingAndBackground[] = {
    {"TimeInterval", &S::TimeInterval},
    {"OpeningDurationTime", &S::OpeningDurationTime},
    {"EndingDurationTime", &S::EndingDurationTime},
    {"SolidColor", &S::SolidColor},
    {"BeginColor", &S::BeginColor},
    {"EndColor", &S::EndColor},
    {"CurrentMask", &S::CurrentMask},
    {"PlayMusicOrder", &S::PlayMusicOrder},
    {"SongDurationTotal", &S::SongDurationTotal},
    {"BackGroundSet", &S::BackGroundSet},
    {"ExportPassword", &S::ExportPassword},
};

constexpr ScalarKey kFilePictures[] = {
    {"BackGroundPicture", &S::BackGroundPicture},
    {"OpeningImage", &S::OpeningImage},
    {"EndingImage", &S::EndingImage},
    {"LogoImage", &S::LogoImage},
};

constexpr ListKey kPhotoTexts[] = {
    {"ImgNames(", &S::ImgNames},
    {"SlideDuration(", &S::SlideDuration},
    {"ImgCaption(", &S::ImgCaption},
    {"ImgHeadline(", &S::ImgHeadline},
};

constexpr ListKey kPhotoPosition[] = {
    {"ImgPosX(", &S::ImgPosX},
    {"ImgPosY(", &S::ImgPosY},
};

constexpr ListKey kCaptionRect[] = {
    {"CapPosX(", &S::CapPosX},
    {"CapPosY(", &S::CapPosY},
    {"CapPosW(", &S::CapPosW},
    {"CapPosH(", &S::CapPosH},
};

// The headline keys, in reading order.
constexpr ListKey kHeadline[] = {
    {"HeadPosX(", &S::HeadPosX},
    {"HeadPosY(", &S::HeadPosY},
    {"HeadPosW(", &S::HeadPosW},
    {"HeadPosH(", &S::HeadPosH},
    {"HeadDynamicStyle(", &S::HeadDynamicStyle},
    {"HeadSize(", &S::HeadSize},
    {"HeadPattern(", &S::HeadPattern},
    {"HeadBorder(", &S::HeadBorder},
    {"HeadStyle(", &S::HeadStyle},
    {"HeadStartColor(", &S::HeadStartColor},
    {"HeadEndColor(", &S::HeadEndColor},
    {"HeadBorderColor(", &S::HeadBorderColor},
};

constexpr ListKey kHeadlineGeometry[] = {
    {"HeadPosX(", &S::HeadPosX}, {"HeadPosY(", &S::HeadPosY}, {"HeadPosW(", &S::HeadPosW},
    {"HeadPosH(", &S::HeadPosH}, {"HeadSize(", &S::HeadSize}, {"HeadBorder(", &S::HeadBorder},
};

// ---------------------------------------------------------------------------
// Reading one value by the kind of its field

void ReadInto(const PropertyBag& store, std::string_view key, bool& field) {
  field = store.ReadFlag(key);
}
void ReadInto(const PropertyBag& store, std::string_view key, int32_t& field) {
  field = store.ReadInt(key);
}
void ReadInto(const PropertyBag& store, std::string_view key, float& field) {
  field = store.ReadSingle(key);
}
void ReadInto(const PropertyBag& store, std::string_view key, std::string& field) {
  field = store.ReadText(key);
}

// An integer stored as text that may be empty: an empty text leaves the field as it is.
void ReadIntIfNotEmpty(const PropertyBag& store, std::string_view key, int32_t& field) {
  if (!store.Read(key).IsEmptyText()) field = store.ReadInt(key);
}

void ReadScalars(const PropertyBag& store, S& s, std::span<const ScalarKey> keys) {
  for (const ScalarKey& entry : keys)
    std::visit([&](auto member) { ReadInto(store, entry.key, s.*member); }, entry.field);
}

// Element `index` of each list, from the key stem + index + ")".
void ReadListEntries(const PropertyBag& store, S& s, std::span<const ListKey> keys, int index) {
  for (const ListKey& entry : keys) {
    std::visit(
        [&](auto member) { ReadInto(store, IndexedKey(entry.stem, index), (s.*member)[index]); },
        entry.field);
  }
}

void ResizeLists(S& s, std::span<const ListKey> keys, int count) {
  for (const ListKey& entry : keys)
    std::visit([&](auto member) { (s.*member).Resize(count); }, entry.field);
}

// A count that sizes lists must be one the blob could describe: every photo, song
// and font of an album has at least one key of its own, so a count above the
// number of keys comes from a damaged blob (and would make us allocate for nothing).
void CheckCount(const PropertyBag& store, std::string_view key, int32_t count) {
  if (count < 0 || static_cast<size_t>(count) > store.size()) {
    throw SettingsError("setting \"" + std::string(key) + "\" holds an implausible count " +
                        std::to_string(count));
  }
}

// ---------------------------------------------------------------------------
// The steps of reading all settings

void ReadGeneral(const PropertyBag& store, S& s) {
  for (int line = 1; line <= kTitleLineCount; ++line)
    s.TitleText[line] = store.ReadText(IndexedKey("TitleText(", line));
  ReadScalars(store, s, kGeneral);
  for (int k = 1; k <= kStyleCount; ++k)
    ReadListEntries(store, s, kStyle, k);
  ReadScalars(store, s, kLyricArea);
  ReadScalars(store, s, kTitleArea);
  ReadScalars(store, s, kLyricLine);
  ReadIntIfNotEmpty(store, "OrigScreenWidth", s.OrigScreenWidth);
  ReadIntIfNotEmpty(store, "OrigScreenHeight", s.OrigScreenHeight);
  ReadScalars(store, s, kTimingAndBackground);
}

void ReadTxtSettings(const PropertyBag& store, S& s) {
  for (int i = 0; i < kTxtSettingCount; ++i) {
    std::string text = store.ReadText(IndexedKey("TxtSetting(", i));
    if (!text.empty()) s.TxtSetting[static_cast<size_t>(i)] = std::move(text);
  }
}

// "StyleSelect" holds one character per transition: character k is "1" when
// transition k - 1 is selected.
void ReadTransitionSelection(const PropertyBag& store, S& s) {
  s.StyleSelect = store.ReadText("StyleSelect");
  const std::u16string units = base::Utf8ToUtf16(s.StyleSelect);
  s.StyleSelectChars.Resize(kTransitionCatalogueSize);
  int count = 0;
  for (int k = 1; k <= kTransitionCatalogueSize; ++k) {
    const size_t at = static_cast<size_t>(k - 1);
    if (at < units.size()) s.StyleSelectChars[k] = base::Utf16ToUtf8(units.substr(at, 1));
    if (s.StyleSelectChars[k] == "1") ++count;
  }
  s.SelectedTransitionCount = count;
  if (count == 0) return;
  s.SelectedTransitions.Resize(count);
  int i = 0;
  for (int k = 1; k <= kTransitionCatalogueSize; ++k) {
    if (s.StyleSelectChars[k] != "1") continue;
    const int transition = k - 1;
    s.SelectedTransitions[++i] = transition;
    if (transition == 13 || transition == 40) s.PersistentTransitionSelected = true;
  }
}

void ReadCounts(const PropertyBag& store, S& s) {
  s.NowI = store.ReadInt("NowI");
  s.NowM = store.ReadInt("NowM");
  s.LyricFilesCount = store.ReadInt("LyricFilesCount");
  CheckCount(store, "NowI", s.NowI);
  CheckCount(store, "NowM", s.NowM);
}

void ReadPackagedFonts(const PropertyBag& store, S& s) {
  s.ToInstallFontCount = store.ReadInt("ToInstallFontCount");
  if (s.ToInstallFontCount <= 0) return;
  CheckCount(store, "ToInstallFontCount", s.ToInstallFontCount);
  s.ToInstallFontFile.Resize(s.ToInstallFontCount);
  for (int n = 1; n <= s.ToInstallFontCount; ++n) {
    s.ToInstallFontFile[n] =
        std::to_string(n) + "." + store.ReadText(IndexedKey("ToInstallFont(", n) + "_Type");
  }
  for (int k = 1; k <= kStyleCount; ++k)
    s.fFontNameForCheck[k] = store.ReadText(IndexedKey("fFontNameForCheck(", k));
}

void ReadSongs(const PropertyBag& store, S& s) {
  if (s.NowM <= 0) return;
  s.MusicNames.Resize(s.NowM);
  s.MusicLyricFiles.Resize(s.NowM);
  if (s.PackageMode()) return;
  for (int n = 1; n <= s.NowM; ++n) {
    s.MusicNames[n] = store.ReadText(IndexedKey("MusicNames(", n));
    s.MusicLyricFiles[n] = store.ReadText(IndexedKey("MusicLyricFiles(", n));
  }
}

// The stored position of photo n, kept when its text is empty.
void ReadPhotoPosition(const PropertyBag& store, S& s, int n) {
  ReadIntIfNotEmpty(store, IndexedKey("ImgPosX(", n), s.ImgPosX[n]);
  ReadIntIfNotEmpty(store, IndexedKey("ImgPosY(", n), s.ImgPosY[n]);
}

void ReadPhoto(const PropertyBag& store, S& s, int n) {
  if (!s.PackageMode()) s.ImgNames[n] = store.ReadText(IndexedKey("ImgNames(", n));
  s.SlideDuration[n] = store.ReadText(IndexedKey("SlideDuration(", n));
  ReadPhotoPosition(store, s, n);
  s.ImgCaption[n] = store.ReadText(IndexedKey("ImgCaption(", n));
  if (!s.ImgCaption[n].empty()) ReadListEntries(store, s, kCaptionRect, n);
  s.ImgHeadline[n] = store.ReadText(IndexedKey("ImgHeadline(", n));
  if (!s.ImgHeadline[n].empty()) ReadListEntries(store, s, kHeadline, n);
}

}  // namespace

std::string IndexedKey(std::string_view stem, int index) {
  std::string key(stem);
  key += std::to_string(index);
  key += ')';
  return key;
}

std::optional<int> KeyIndex(std::string_view key, std::string_view stem) {
  if (key.size() < stem.size() + 2 || key.back() != ')' ||
      base::AsciiUpper(key.substr(0, stem.size())) != base::AsciiUpper(stem)) {
    return std::nullopt;
  }
  const std::string_view digits = key.substr(stem.size(), key.size() - stem.size() - 1);
  if (digits.size() > 9 || (digits.size() > 1 && digits[0] == '0') ||
      digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  return std::stoi(std::string(digits));
}

void ReadAllSettings(const PropertyBag& store, AlbumSettings& settings) {
  settings.LenOfRes = store.ReadInt("LenOfRes");
  ReadGeneral(store, settings);
  if (!settings.PackageMode()) ReadScalars(store, settings, kFilePictures);
  ReadTxtSettings(store, settings);
  if (settings.EnableTransition) ReadTransitionSelection(store, settings);
  ReadCounts(store, settings);
  if (settings.PackageMode()) ReadPackagedFonts(store, settings);
  ReadSongs(store, settings);
  SizePhotoArrays(settings);
  for (int n = 1; n <= settings.NowI; ++n)
    ReadPhoto(store, settings, n);
}

void SizePhotoArrays(AlbumSettings& settings) {
  ResizeLists(settings, kPhotoTexts, settings.NowI);
  ResizeLists(settings, kPhotoPosition, settings.NowI);
  ResizeLists(settings, kCaptionRect, settings.NowI);
  ResizeLists(settings, kHeadline, settings.NowI);
}

void RereadGeometry(const PropertyBag& store, AlbumSettings& settings) {
  for (int k = 1; k <= kStyleCount; ++k)
    ReadListEntries(store, settings, kStyleGeometry, k);
  ReadScalars(store, settings, kLyricArea);
  ReadScalars(store, settings, kTitleArea);
  // The photo lists are sized together by SizePhotoArrays; never index past them.
  assert(settings.ImgCaption.size() == std::max(settings.NowI, 0));
  const int photos = std::min(settings.NowI, settings.ImgCaption.size());
  for (int n = 1; n <= photos; ++n) {
    ReadPhotoPosition(store, settings, n);
    if (!settings.ImgCaption[n].empty()) ReadListEntries(store, settings, kCaptionRect, n);
    if (!settings.ImgHeadline[n].empty()) ReadListEntries(store, settings, kHeadlineGeometry, n);
  }
}

bool IsRecordKey(std::string_view key) {
  const std::string upper = base::AsciiUpper(key);
  const auto is = [&](std::string_view known) { return upper == base::AsciiUpper(known); };
  const auto indexed = [&](std::string_view stem, int first, int last) {
    const std::optional<int> index = KeyIndex(key, stem);
    return index && *index >= first && *index <= last;
  };
  for (const std::span<const ScalarKey> table :
       {std::span<const ScalarKey>(kGeneral), std::span<const ScalarKey>(kLyricArea),
        std::span<const ScalarKey>(kTitleArea), std::span<const ScalarKey>(kLyricLine),
        std::span<const ScalarKey>(kTimingAndBackground),
        std::span<const ScalarKey>(kFilePictures)}) {
    for (const ScalarKey& entry : table) {
      if (is(entry.key)) return true;
    }
  }
  for (std::string_view known : {"LenOfRes", "OrigScreenWidth", "OrigScreenHeight", "StyleSelect",
                                 "NowI", "NowM", "LyricFilesCount", "ToInstallFontCount"}) {
    if (is(known)) return true;
  }
  for (const ListKey& entry : kStyle) {
    if (indexed(entry.stem, 1, kStyleCount)) return true;
  }
  if (indexed("fFontNameForCheck(", 1, kStyleCount) || indexed("TitleText(", 1, kTitleLineCount) ||
      indexed("TxtSetting(", 0, kTxtSettingCount - 1)) {
    return true;
  }
  constexpr int kAny = INT32_MAX;  // photos and songs: every index a count can reach
  for (const std::span<const ListKey> table :
       {std::span<const ListKey>(kPhotoTexts), std::span<const ListKey>(kPhotoPosition),
        std::span<const ListKey>(kCaptionRect), std::span<const ListKey>(kHeadline)}) {
    for (const ListKey& entry : table) {
      if (indexed(entry.stem, 1, kAny)) return true;
    }
  }
  if (upper.ends_with("_TYPE")) {  // "ToInstallFont(" n ")_Type"
    const std::optional<int> font = KeyIndex(key.substr(0, key.size() - 5), "ToInstallFont(");
    if (font && *font >= 1) return true;
  }
  return indexed("MusicNames(", 1, kAny) || indexed("MusicLyricFiles(", 1, kAny);
}

}  // namespace lantern::album
