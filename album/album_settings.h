// The album settings record (`AlbumSettings`) and its reading from the settings
// store: the whole record at start-up, the per-photo arrays, and the re-read of the
// geometry values that window sizing scales.
#pragma once

#include <array>
#include <cassert>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "album/property_bag.h"

namespace lantern::album {

inline constexpr int kStyleCount = 4;                // text styles 1..4
inline constexpr int kTitleLineCount = 2;            // "TitleText(1)", "TitleText(2)"
inline constexpr int kTxtSettingCount = 12;          // "TxtSetting(0)" .. "TxtSetting(11)"
inline constexpr int kTransitionCatalogueSize = 41;  // transitions 0..40

// A list indexed from 1, as the album numbers photos, songs, styles and fonts.
template <typename T>
class OneBased {
 public:
  OneBased() = default;
  explicit OneBased(int count) { Resize(count); }
  // Holds `count` default values (none when count <= 0); earlier contents are dropped.
  void Resize(int count) { items_.assign(count > 0 ? static_cast<size_t>(count) : 0, T{}); }
  int size() const { return static_cast<int>(items_.size()); }
  bool empty() const { return items_.empty(); }
  T& operator[](int n) {
    assert(n >= 1 && n <= size());
    return items_[static_cast<size_t>(n - 1)];
  }
  const T& operator[](int n) const {
    assert(n >= 1 && n <= size());
    return items_[static_cast<size_t>(n - 1)];
  }
  auto begin() { return items_.begin(); }
  auto end() { return items_.end(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  friend bool operator==(const OneBased&, const OneBased&) = default;

 private:
  std::vector<T> items_;
};

// An indexed settings key: the stem, the index in decimal and ")":
// IndexedKey("ImgNames(", 3) is "ImgNames(3)".
std::string IndexedKey(std::string_view stem, int index);

// The index of an indexed key with this stem (both compared without regard to
// case): 3 for ("imgnames(3)", "ImgNames("); nullopt when the key is not the
// stem, a decimal index without leading zeros and ")".
std::optional<int> KeyIndex(std::string_view key, std::string_view stem);

// Every value read from the settings blob at start-up.
//
// Naming: a field has the name of its key ("TimeInterval" -> TimeInterval). An indexed
// key "Stem(" n ")" is element n of the field Stem: TitleText[1], FontStartColor[k],
// ImgNames[n] are OneBased lists; TxtSetting is indexed from 0 like its keys. Fields
// not stored under a key of their own (derived while reading) say so.
// Kinds: flag -> bool, int -> int32_t, single -> float, text -> UTF-8 std::string.
struct AlbumSettings {
  // General.
  int32_t LenOfRes = 0;  // 1 or more: PackageMode; 0: file mode
  OneBased<std::string> TitleText{kTitleLineCount};
  bool PlayPhotoInRamdomOrder = false;
  bool IgnoreMouseMove = false;
  bool ShowCursor = false;
  bool MuteSound = false;
  bool EnableTransition = false;
  bool EnableHeadlineEffect = false;
  bool EnableOpening = false;
  bool EnableEnding = false;
  bool IsPackage = false;  // kept, not used by the player
  bool EnableCaption = false;
  bool EnableExport = false;
  int32_t ImgDrawScale = 0;
  int32_t BackgroundDrawScale = 0;
  int32_t BackgroundGradientMode = 0;
  bool EnableLyric = false;
  int32_t TitleStyle = 0;
  bool EnableSync = false;

  // Text styles 1..4: 1 caption, 2 headlines and title effects, 3 lyric lines, 4 title.
  OneBased<int32_t> FontStartColor{kStyleCount};  // 0x00BBGGRR
  OneBased<int32_t> FontEndColor{kStyleCount};
  OneBased<int32_t> BorderColor{kStyleCount};
  OneBased<std::string> fFontName{kStyleCount};
  OneBased<int32_t> fFontSize{kStyleCount};
  OneBased<int32_t> fFontAlign{kStyleCount};
  OneBased<int32_t> fFontPattern{kStyleCount};
  OneBased<int32_t> fBorderWidth{kStyleCount};
  OneBased<int32_t> fFontStyle{kStyleCount};

  // Lyric area, title area, karaoke line, screen (pixels of the authoring screen).
  int32_t LyricPosX = 0;
  int32_t LyricPosY = 0;
  int32_t LyricPosW = 0;
  int32_t LyricPosH = 0;
  int32_t TitlePosX = 0;
  int32_t TitlePosY = 0;
  int32_t TitlePosW = 0;
  int32_t TitlePosH = 0;
  int32_t LyricDynamicFontPattern = 0;
  int32_t LyricDynamicFontStartColor = 0;
  int32_t LyricDynamicFontEndColor = 0;
  int32_t LyricStyle = 0;
  int32_t OrigScreenWidth = 0;  // stored as text; kept when the text is empty
  int32_t OrigScreenHeight = 0;

  // Timing and background.
  float TimeInterval = 0;  // seconds per slide
  float OpeningDurationTime = 0;
  float EndingDurationTime = 0;
  int32_t SolidColor = 0;
  int32_t BeginColor = 0;
  int32_t EndColor = 0;
  int32_t CurrentMask = 0;
  std::string PlayMusicOrder;
  int32_t SongDurationTotal = 0;
  std::string BackGroundSet;
  std::string ExportPassword;

  // File mode only: picture paths.
  std::string BackGroundPicture;
  std::string OpeningImage;
  std::string EndingImage;
  std::string LogoImage;

  // Album information; a slot is overwritten only by a non-empty value.
  std::array<std::string, kTxtSettingCount> TxtSetting;

  // Transition selection, read only when EnableTransition is true.
  std::string StyleSelect;
  // Derived: character k of StyleSelect for k = 1..41 (one UTF-16 unit, "" past its end).
  OneBased<std::string> StyleSelectChars{kTransitionCatalogueSize};
  // Derived: the number of "1" characters among the first 41, and the selected
  // transition numbers (k - 1) in ascending order.
  int32_t SelectedTransitionCount = 0;
  OneBased<int32_t> SelectedTransitions;
  // Derived: transition 13 or 40 is selected.
  bool PersistentTransitionSelected = false;

  // Counts.
  int32_t NowI = 0;  // photos
  int32_t NowM = 0;  // songs
  int32_t LyricFilesCount = 0;

  // PackageMode only: packaged fonts.
  int32_t ToInstallFontCount = 0;
  // Derived from "ToInstallFont(" n ")_Type": the file name n + "." + type ("1.TTF").
  OneBased<std::string> ToInstallFontFile;
  OneBased<std::string> fFontNameForCheck{kStyleCount};

  // Songs 1..NowM (sized when NowM > 0; filled in file mode only).
  OneBased<std::string> MusicNames;
  OneBased<std::string> MusicLyricFiles;

  // Photos 1..NowI.
  OneBased<std::string> ImgNames;  // file mode only
  OneBased<std::string> SlideDuration;
  OneBased<int32_t> ImgPosX;  // stored as text; kept when the text is empty
  OneBased<int32_t> ImgPosY;
  OneBased<std::string> ImgCaption;
  OneBased<int32_t> CapPosX;  // the CapPos values are read only for a non-empty caption
  OneBased<int32_t> CapPosY;
  OneBased<int32_t> CapPosW;
  OneBased<int32_t> CapPosH;
  OneBased<std::string> ImgHeadline;
  OneBased<int32_t> HeadPosX;  // the Head values are read only for a non-empty headline
  OneBased<int32_t> HeadPosY;
  OneBased<int32_t> HeadPosW;
  OneBased<int32_t> HeadPosH;
  OneBased<int32_t> HeadDynamicStyle;
  OneBased<int32_t> HeadSize;
  OneBased<int32_t> HeadPattern;
  OneBased<int32_t> HeadBorder;
  OneBased<int32_t> HeadStyle;
  OneBased<int32_t> HeadStartColor;
  OneBased<int32_t> HeadEndColor;
  OneBased<int32_t> HeadBorderColor;

  bool PackageMode() const { return LenOfRes >= 1; }
};

// Reads every setting the player needs, in a fixed order. Throws ConversionError
// when a required value is absent or does not convert, and SettingsError when a
// count is negative or larger than the store could describe; reading then stops
// with the record partly filled.
void ReadAllSettings(const PropertyBag& store, AlbumSettings& settings);

// Makes every per-photo list hold NowI cleared entries (none when NowI <= 0).
void SizePhotoArrays(AlbumSettings& settings);

// Reads again the values that window sizing scales (style font sizes and border
// widths, lyric and title areas, photo positions, caption rectangles, headline
// rectangles, sizes and borders), so that scaling starts from the stored values.
// The photo lists must hold NowI entries, as ReadAllSettings leaves them.
void RereadGeometry(const PropertyBag& store, AlbumSettings& settings);

// Whether reading the settings (ReadAllSettings) can read this key, compared
// without regard to case; an indexed key counts for every index it may have.
bool IsRecordKey(std::string_view key);

}  // namespace lantern::album
