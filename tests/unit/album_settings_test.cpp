// The album settings record: which key lands in which field, the order of reading
// and where it stops, the conditional keys, and the re-read of geometry.
#include "album/album_settings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/unit/settings_fixture.h"

namespace lantern::album {
namespace {

using fixture::Load;
using fixture::MinimalAlbum;
using fixture::ReadAlbum;

AlbumSettings ReadInto(AlbumSettings settings, const PropertyBagWriter& w) {
  ReadAllSettings(Load(w), settings);
  return settings;
}

TEST(IndexedKey, IsStemIndexAndParenthesis) {
  EXPECT_EQ(IndexedKey("ImgNames(", 3), "ImgNames(3)");
  EXPECT_EQ(IndexedKey("TxtSetting(", 0), "TxtSetting(0)");
  EXPECT_EQ(IndexedKey("HeadBorderColor(", 1000), "HeadBorderColor(1000)");
}

// The album builder warns of settings keys outside this set: each must be one
// ReadAllSettings can read, at an index it can reach.
TEST(IsRecordKey, KnowsEveryKeyTheReaderReadsAtItsIndices) {
  EXPECT_EQ(KeyIndex("imgnames(12)", "ImgNames("), 12);
  EXPECT_EQ(KeyIndex("ImgNames(012)", "ImgNames("), std::nullopt);
  EXPECT_EQ(KeyIndex("ImgNames()", "ImgNames("), std::nullopt);
  EXPECT_EQ(KeyIndex("ImgNames(1", "ImgNames("), std::nullopt);
  for (const char* key :
       {"timeinterval", "LenOfRes", "StyleSelect", "NowI", "BackGroundPicture", "fFontName(4)",
        "fFontNameForCheck(1)", "TitleText(2)", "TxtSetting(0)", "TxtSetting(11)",
        "HeadBorderColor(999)", "MusicLyricFiles(3)", "ToInstallFont(2)_Type", "ImgPosY(1)"}) {
    EXPECT_TRUE(IsRecordKey(key)) << key;
  }
  for (const char* key : {"TimeIntervall", "appversion", "fFontName(5)", "fFontName(0)",
                          "TxtSetting(12)", "TitleText(3)", "ImgNames(0)", "ImgNames(01)",
                          "ToInstallFont(1)_Size", "MusicNames(1)_Type"}) {
    EXPECT_FALSE(IsRecordKey(key)) << key;
  }
}

TEST(ReadAllSettings, MinimalAlbumFillsEachFieldFromItsKey) {
  const AlbumSettings s = ReadAlbum(MinimalAlbum());
  EXPECT_EQ(s.LenOfRes, 0);
  EXPECT_FALSE(s.PackageMode());
  EXPECT_EQ(s.TitleText[1], "Spring");
  EXPECT_EQ(s.TitleText[2], "2024");
  using Flags = std::vector<bool>;
  using Ints = std::vector<int32_t>;
  EXPECT_EQ((Flags{s.PlayPhotoInRamdomOrder, s.IgnoreMouseMove, s.ShowCursor, s.MuteSound,
                   s.EnableTransition, s.EnableHeadlineEffect, s.EnableOpening, s.EnableEnding,
                   s.IsPackage, s.EnableCaption, s.EnableExport, s.EnableLyric, s.EnableSync}),
            (Flags{0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0}));
  EXPECT_EQ((Ints{s.ImgDrawScale, s.BackgroundDrawScale, s.BackgroundGradientMode, s.TitleStyle}),
            (Ints{3, 2, 1, 4}));

  // Style value j of style k is 1000 * k + j; j = 4 is the font name.
  const OneBased<int32_t>* styles[] = {&s.FontStartColor, &s.FontEndColor, &s.BorderColor,
                                       nullptr,           &s.fFontSize,    &s.fFontAlign,
                                       &s.fFontPattern,   &s.fBorderWidth, &s.fFontStyle};
  for (int k = 1; k <= kStyleCount; ++k) {
    EXPECT_EQ(s.fFontName[k], "Font " + std::to_string(k));
    for (int j = 1; j <= 9; ++j) {
      if (styles[j - 1] == nullptr) continue;
      EXPECT_EQ((*styles[j - 1])[k], 1000 * k + j) << "style " << k << ", value " << j;
    }
  }

  EXPECT_EQ((Ints{s.LyricPosX, s.LyricPosY, s.LyricPosW, s.LyricPosH, s.TitlePosX, s.TitlePosY,
                  s.TitlePosW, s.TitlePosH, s.LyricDynamicFontPattern, s.LyricDynamicFontStartColor,
                  s.LyricDynamicFontEndColor, s.LyricStyle}),
            (Ints{11, 12, 13, 14, 21, 22, 23, 24, 31, 32, 33, 34}));
  EXPECT_EQ(s.OrigScreenWidth, 1024);
  EXPECT_EQ(s.OrigScreenHeight, 768);
  EXPECT_EQ(s.TimeInterval, 5.5f);
  EXPECT_EQ(s.OpeningDurationTime, 3.25f);
  EXPECT_EQ(s.EndingDurationTime, 4.75f);
  EXPECT_EQ((Ints{s.SolidColor, s.BeginColor, s.EndColor, s.CurrentMask}),
            (Ints{0x102030, 0x405060, 0x708090, 2}));
  EXPECT_EQ(s.PlayMusicOrder, "0");
  EXPECT_EQ(s.BackGroundSet, "1");
  EXPECT_EQ(s.ExportPassword, " ");
  EXPECT_EQ(s.SelectedTransitionCount, 0);
  EXPECT_EQ(s.NowI, 0);
  EXPECT_TRUE(s.ImgCaption.empty());
  EXPECT_TRUE(s.MusicNames.empty());
}

TEST(ReadAllSettings, EachAbsentRequiredKeyRaisesTheConversionError) {
  for (const std::string& key : fixture::RequiredKeys()) {
    SCOPED_TRACE(key);
    PropertyBagWriter w = MinimalAlbum();
    ASSERT_TRUE(w.Remove(key));
    EXPECT_THROW(ReadAlbum(w), ConversionError);
    w.SetText(key, "");
    EXPECT_THROW(ReadAlbum(w), ConversionError);
    w.SetText(key, "not a number");
    EXPECT_THROW(ReadAlbum(w), ConversionError);
  }
  PropertyBagWriter w = MinimalAlbum();
  w.SetText("LenOfRes", "1");
  w.Remove("ToInstallFontCount");
  EXPECT_THROW(ReadAlbum(w), ConversionError);  // required in PackageMode only
  w.SetText("LenOfRes", "0");
  EXPECT_NO_THROW(ReadAlbum(w));
}

TEST(ReadAllSettings, StopsAtTheFirstFailureWithEarlierStepsDone) {
  PropertyBagWriter w = MinimalAlbum();
  w.SetFlag("EnableTransition", true);
  w.SetText("StyleSelect", "1");
  w.SetText("TxtSetting(0)", "Album");
  w.SetInt32("NowM", 2);
  w.Remove("NowI");
  AlbumSettings s;
  EXPECT_THROW(ReadAllSettings(Load(w), s), ConversionError);
  EXPECT_EQ(s.TxtSetting[0], "Album");
  EXPECT_EQ(s.SelectedTransitionCount, 1);
  EXPECT_EQ(s.NowM, 0);  // read after "NowI"

  w = MinimalAlbum();
  w.Remove("LenOfRes");
  AlbumSettings first;
  EXPECT_THROW(ReadAllSettings(Load(w), first), ConversionError);
  EXPECT_EQ(first.TitleText[1], "");
}

TEST(ReadAllSettings, TextIntegersRoundHalvesToEven) {
  PropertyBagWriter w = MinimalAlbum();
  w.SetText("LenOfRes", "2.5");
  w.SetText("OrigScreenWidth", "3.5");
  w.SetText("OrigScreenHeight", " 767.5 ");
  const AlbumSettings s = ReadAlbum(w);
  EXPECT_EQ(s.LenOfRes, 2);
  EXPECT_TRUE(s.PackageMode());
  EXPECT_EQ(s.OrigScreenWidth, 4);
  EXPECT_EQ(s.OrigScreenHeight, 768);
  w.SetText("LenOfRes", "0.5");
  EXPECT_FALSE(ReadAlbum(w).PackageMode());
}

TEST(ReadAllSettings, EmptyScreenSizeKeepsThePreviousValue) {
  PropertyBagWriter w = MinimalAlbum();
  w.SetText("OrigScreenWidth", "");
  w.Remove("OrigScreenHeight");
  AlbumSettings before;
  before.OrigScreenWidth = 1280;
  before.OrigScreenHeight = 1024;
  const AlbumSettings s = ReadInto(before, w);
  EXPECT_EQ(s.OrigScreenWidth, 1280);
  EXPECT_EQ(s.OrigScreenHeight, 1024);
  w.SetText("OrigScreenWidth", " ");  // not empty, so it must convert
  EXPECT_THROW(ReadAlbum(w), ConversionError);
}

TEST(ReadAllSettings, TxtSettingSlotsChangeOnlyForNonEmptyValues) {
  PropertyBagWriter w = MinimalAlbum();
  w.SetText("TxtSetting(0)", "我的相册");
  w.SetText("TxtSetting(1)", "");
  w.SetText("TxtSetting(11)", "last");
  w.SetText("TxtSetting(12)", "beyond the slots");
  AlbumSettings before;
  before.TxtSetting[0] = "built-in";
  before.TxtSetting[1] = "author";
  before.TxtSetting[2] = "mail";
  const AlbumSettings s = ReadInto(before, w);
  EXPECT_EQ(s.TxtSetting[0], "我的相册");
  EXPECT_EQ(s.TxtSetting[1], "author");
  EXPECT_EQ(s.TxtSetting[2], "mail");
  EXPECT_EQ(s.TxtSetting[11], "last");
}

// ---------------------------------------------------------------------------
// Transitions

std::string StyleSelectWith(std::initializer_list<int> transitions) {
  std::string text(kTransitionCatalogueSize, ' ');
  for (int t : transitions)
    text[static_cast<size_t>(t)] = '1';
  return text;
}

AlbumSettings ReadWithSelection(const std::string& style_select, bool enabled = true) {
  PropertyBagWriter w = MinimalAlbum();
  w.SetFlag("EnableTransition", enabled);
  w.SetText("StyleSelect", style_select);
  return ReadAlbum(w);
}

TEST(TransitionSelection, SixthAndSeventhCharactersSelectFiveAndSix) {
  const AlbumSettings s = ReadWithSelection(StyleSelectWith({5, 6}));
  EXPECT_EQ(s.SelectedTransitionCount, 2);
  ASSERT_EQ(s.SelectedTransitions.size(), 2);
  EXPECT_EQ(s.SelectedTransitions[1], 5);
  EXPECT_EQ(s.SelectedTransitions[2], 6);
  EXPECT_FALSE(s.PersistentTransitionSelected);
  EXPECT_EQ(s.StyleSelectChars[6], "1");
  EXPECT_EQ(s.StyleSelectChars[5], " ");
  EXPECT_EQ(s.StyleSelect, StyleSelectWith({5, 6}));
}

TEST(TransitionSelection, ThirteenOrFortyMarksAPersistentTransition) {
  EXPECT_TRUE(ReadWithSelection(StyleSelectWith({2, 13})).PersistentTransitionSelected);
  const AlbumSettings s = ReadWithSelection(StyleSelectWith({0, 40}));
  EXPECT_TRUE(s.PersistentTransitionSelected);
  EXPECT_EQ(s.SelectedTransitions[1], 0);
  EXPECT_EQ(s.SelectedTransitions[2], 40);
  EXPECT_FALSE(ReadWithSelection(StyleSelectWith({12, 14, 39})).PersistentTransitionSelected);
}

TEST(TransitionSelection, OnlyCharacterOneOfTheFirst41Counts) {
  // Beyond the catalogue, other characters and a short text select nothing more.
  AlbumSettings s = ReadWithSelection(StyleSelectWith({3}) + "1111");
  EXPECT_EQ(s.SelectedTransitionCount, 1);
  s = ReadWithSelection("0121x1");
  EXPECT_EQ(s.SelectedTransitionCount, 3);
  EXPECT_EQ(s.SelectedTransitions[1], 1);
  EXPECT_EQ(s.SelectedTransitions[2], 3);
  EXPECT_EQ(s.SelectedTransitions[3], 5);
  EXPECT_EQ(s.StyleSelectChars[3], "2");
  EXPECT_EQ(s.StyleSelectChars[7], "");
  // A character outside ASCII occupies one position, as one UTF-16 unit.
  s = ReadWithSelection("是1");
  EXPECT_EQ(s.StyleSelectChars[1], "是");
  EXPECT_EQ(s.SelectedTransitions[1], 1);
}

TEST(TransitionSelection, DisabledTransitionsReadNoSelection) {
  const AlbumSettings s = ReadWithSelection(StyleSelectWith({5, 13}), false);
  EXPECT_EQ(s.StyleSelect, "");
  EXPECT_EQ(s.SelectedTransitionCount, 0);
  EXPECT_TRUE(s.SelectedTransitions.empty());
  EXPECT_FALSE(s.PersistentTransitionSelected);
}

// ---------------------------------------------------------------------------
// Storage modes, fonts, songs

PropertyBagWriter AlbumWithFiles(const char* len_of_res) {
  PropertyBagWriter w = MinimalAlbum();
  w.SetText("LenOfRes", len_of_res);
  w.SetText("BackGroundPicture", "C:\\bg.jpg");
  w.SetText("LogoImage", "C:\\logo.png");
  w.SetInt32("NowI", 1);
  w.SetInt32("NowM", 2);
  w.SetText("ImgNames(1)", "C:\\p1.jpg");
  w.SetText("MusicNames(2)", "C:\\song2.mp3");
  w.SetText("MusicLyricFiles(2)", "C:\\song2.lrc");
  w.SetInt32("ToInstallFontCount", 2);
  w.SetText("ToInstallFont(1)_Type", "TTF");
  w.SetText("ToInstallFont(2)_Type", "TTF");
  w.SetText("fFontNameForCheck(3)", "黑体");
  return w;
}

TEST(StorageMode, FileModeReadsPathsAndNoFonts) {
  const AlbumSettings s = ReadAlbum(AlbumWithFiles("0"));
  EXPECT_EQ(s.BackGroundPicture, "C:\\bg.jpg");
  EXPECT_EQ(s.LogoImage, "C:\\logo.png");
  EXPECT_EQ(s.ImgNames[1], "C:\\p1.jpg");
  ASSERT_EQ(s.MusicNames.size(), 2);
  EXPECT_EQ(s.MusicNames[1], "");
  EXPECT_EQ(s.MusicNames[2], "C:\\song2.mp3");
  EXPECT_EQ(s.MusicLyricFiles[2], "C:\\song2.lrc");
  EXPECT_EQ(s.ToInstallFontCount, 0);
  EXPECT_TRUE(s.ToInstallFontFile.empty());
  EXPECT_EQ(s.fFontNameForCheck[3], "");
}

TEST(StorageMode, PackageModeReadsFontsAndNoPaths) {
  const AlbumSettings s = ReadAlbum(AlbumWithFiles("1"));
  EXPECT_EQ(s.BackGroundPicture, "");
  EXPECT_EQ(s.ImgNames[1], "");
  ASSERT_EQ(s.MusicNames.size(), 2);  // sized, not filled
  EXPECT_EQ(s.MusicNames[2], "");
  EXPECT_EQ(s.ToInstallFontCount, 2);
  ASSERT_EQ(s.ToInstallFontFile.size(), 2);
  EXPECT_EQ(s.ToInstallFontFile[1], "1.TTF");
  EXPECT_EQ(s.ToInstallFontFile[2], "2.TTF");
  EXPECT_EQ(s.fFontNameForCheck[3], "黑体");
}

TEST(StorageMode, NoPackagedFontsReadsNoCheckNames) {
  PropertyBagWriter w = AlbumWithFiles("1");
  w.SetInt32("ToInstallFontCount", 0);
  const AlbumSettings s = ReadAlbum(w);
  EXPECT_TRUE(s.ToInstallFontFile.empty());
  EXPECT_EQ(s.fFontNameForCheck[3], "");
}

TEST(Counts, ImplausibleCountsFailWithoutAllocating) {
  const struct {
    const char* key;
    int32_t count;
    const char* len_of_res;
  } cases[] = {
      {"NowI", -1, "0"},
      {"NowI", 2000000000, "0"},
      {"NowM", -1, "0"},
      {"NowM", 2147483647, "0"},
      {"ToInstallFontCount", 100000000, "1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    PropertyBagWriter w = MinimalAlbum();
    w.SetText("LenOfRes", c.len_of_res);
    w.SetInt32(c.key, c.count);
    EXPECT_THROW(ReadAlbum(w), SettingsError);
  }
  PropertyBagWriter w = MinimalAlbum();
  w.SetText("LenOfRes", "1");
  w.SetInt32("ToInstallFontCount", -3);  // no fonts: nothing to size
  EXPECT_NO_THROW(ReadAlbum(w));
}

// ---------------------------------------------------------------------------
// Photos

PropertyBagWriter AlbumWithPhotos() {
  PropertyBagWriter w = MinimalAlbum();
  w.SetInt32("NowI", 3);
  w.SetText("SlideDuration(1)", "7.5");
  w.SetText("ImgPosX(1)", "100.5");
  w.SetText("ImgPosY(1)", "201");
  fixture::SetCaption(w, 1, "海边", 10, 20, 300, 40);
  fixture::SetHeadline(w, 1, "夏天", 500);
  // Photo 2: neither caption nor headline; stray rectangle keys are not read.
  w.SetText("ImgCaption(2)", "");
  w.SetInt32("CapPosX(2)", 99);
  w.SetInt32("HeadPosX(2)", 99);
  // Photo 3: a headline only, no caption keys at all.
  fixture::SetHeadline(w, 3, "Title", 700);
  w.SetText("ImgPosX(3)", "");
  return w;
}

TEST(Photos, CaptionAndHeadlineKeysLandInTheirFields) {
  const AlbumSettings s = ReadAlbum(AlbumWithPhotos());
  ASSERT_EQ(s.ImgCaption.size(), 3);
  EXPECT_EQ(s.SlideDuration[1], "7.5");
  EXPECT_EQ(s.ImgPosX[1], 100);
  EXPECT_EQ(s.ImgPosY[1], 201);
  EXPECT_EQ(s.ImgCaption[1], "海边");
  EXPECT_EQ((std::vector<int32_t>{s.CapPosX[1], s.CapPosY[1], s.CapPosW[1], s.CapPosH[1]}),
            (std::vector<int32_t>{10, 20, 300, 40}));
  EXPECT_EQ(s.ImgHeadline[1], "夏天");
  const OneBased<int32_t>* headline[] = {
      &s.HeadPosX,         &s.HeadPosY,       &s.HeadPosW,     &s.HeadPosH,
      &s.HeadDynamicStyle, &s.HeadSize,       &s.HeadPattern,  &s.HeadBorder,
      &s.HeadStyle,        &s.HeadStartColor, &s.HeadEndColor, &s.HeadBorderColor};
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ((*headline[i])[1], 500 + i) << "headline value " << i;
    EXPECT_EQ((*headline[i])[3], 700 + i) << "headline value " << i;
    EXPECT_EQ((*headline[i])[2], 0) << "headline value " << i;
  }
  EXPECT_EQ(s.CapPosX[2], 0);
  EXPECT_EQ(s.CapPosX[3], 0);
  EXPECT_EQ(s.ImgPosX[3], 0);
}

TEST(Photos, SetCaptionOrHeadlineRequiresItsKeys) {
  for (const char* key : {"CapPosH(1)", "HeadPosX(1)", "HeadBorderColor(3)"}) {
    SCOPED_TRACE(key);
    PropertyBagWriter w = AlbumWithPhotos();
    w.Remove(key);
    EXPECT_THROW(ReadAlbum(w), ConversionError);
  }
  PropertyBagWriter w = AlbumWithPhotos();
  w.SetText("ImgPosY(1)", "left");
  EXPECT_THROW(ReadAlbum(w), ConversionError);
}

TEST(Photos, SizePhotoArraysClearsToNowIEntries) {
  AlbumSettings s = ReadAlbum(AlbumWithPhotos());
  s.NowI = 2;
  SizePhotoArrays(s);
  for (const auto* list : {&s.ImgNames, &s.SlideDuration, &s.ImgCaption, &s.ImgHeadline}) {
    ASSERT_EQ(list->size(), 2);
    EXPECT_EQ((*list)[1], "");
  }
  for (const auto* list : {&s.ImgPosX, &s.CapPosH, &s.HeadPosX, &s.HeadBorderColor}) {
    ASSERT_EQ(list->size(), 2);
    EXPECT_EQ((*list)[1], 0);
  }
}

TEST(RereadGeometry, RestoresScaledValuesAndOnlyThose) {
  const PropertyBagWriter w = AlbumWithPhotos();
  const PropertyBag store = Load(w);
  AlbumSettings s;
  ReadAllSettings(store, s);
  const AlbumSettings stored = s;
  for (int k = 1; k <= kStyleCount; ++k) {
    s.fFontSize[k] *= 2;
    s.fBorderWidth[k] *= 2;
  }
  s.LyricPosX = s.LyricPosH = s.TitlePosY = s.TitlePosW = -1;
  s.ImgPosX[1] = s.ImgPosY[1] = s.CapPosW[1] = s.HeadPosH[1] = s.HeadSize[3] = -1;
  s.HeadBorder[1] = s.ImgPosX[3] = -5;
  // Not geometry: these stay as changed.
  s.FontStartColor[1] = s.HeadStyle[1] = s.TitleStyle = s.CapPosX[2] = -7;
  RereadGeometry(store, s);
  EXPECT_EQ(s.fFontSize, stored.fFontSize);
  EXPECT_EQ(s.fBorderWidth, stored.fBorderWidth);
  EXPECT_EQ(s.LyricPosX, 11);
  EXPECT_EQ(s.LyricPosH, 14);
  EXPECT_EQ(s.TitlePosY, 22);
  EXPECT_EQ(s.TitlePosW, 23);
  EXPECT_EQ(s.ImgPosX[1], 100);
  EXPECT_EQ(s.ImgPosY[1], 201);
  EXPECT_EQ(s.ImgPosX[3], -5);  // empty text: kept
  EXPECT_EQ(s.CapPosW[1], 300);
  EXPECT_EQ(s.HeadPosH[1], 503);
  EXPECT_EQ(s.HeadBorder[1], 507);
  EXPECT_EQ(s.HeadSize[3], 705);
  EXPECT_EQ(s.FontStartColor[1], -7);
  EXPECT_EQ(s.HeadStyle[1], -7);
  EXPECT_EQ(s.TitleStyle, -7);
  EXPECT_EQ(s.CapPosX[2], -7);  // photo 2 has no caption
}

// A 1000-photo album holds about 30 000 keys; all of them are read at start-up.
TEST(LargeAlbum, ReadsThousandsOfPhotosQuickly) {
  PropertyBagWriter w = MinimalAlbum();
  constexpr int kPhotos = 1000;
  w.SetInt32("NowI", kPhotos);
  for (int n = 1; n <= kPhotos; ++n) {
    w.SetText(IndexedKey("ImgNames(", n), "D:\\photos\\" + std::to_string(n) + ".jpg");
    w.SetText(IndexedKey("ImgNames(", n) + "_Type", "JPG");
    w.SetInt32(IndexedKey("ImgNames(", n) + "_Size", 100000 + n);
    w.SetText(IndexedKey("SlideDuration(", n), "5");
    w.SetText(IndexedKey("ImgPosX(", n), std::to_string(n));
    w.SetText(IndexedKey("ImgPosY(", n), std::to_string(-n));
    fixture::SetCaption(w, n, "第" + std::to_string(n) + "张", n, 2 * n, 3 * n, 4 * n);
    fixture::SetHeadline(w, n, "headline", 10 * n);
  }
  ASSERT_GT(w.size(), 24000u);
  const std::vector<uint8_t> blob = w.Blob();
  const auto start = std::chrono::steady_clock::now();
  PropertyBag store;
  ASSERT_EQ(store.Load(blob), LoadError::kNone);
  AlbumSettings s;
  ReadAllSettings(store, s);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  RecordProperty(
      "load_and_read_us",
      std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count()));
  // A loose bound that only a quadratic lookup would break, even under sanitizers.
  EXPECT_LT(elapsed, std::chrono::seconds(2));
  EXPECT_EQ(s.ImgNames[kPhotos], "D:\\photos\\1000.jpg");
  EXPECT_EQ(s.ImgPosY[777], -777);
  EXPECT_EQ(s.CapPosH[kPhotos], 4000);
  EXPECT_EQ(s.ImgCaption[12], "第12张");
  EXPECT_EQ(s.HeadBorderColor[kPhotos], 10000 + 11);
}

}  // namespace
}  // namespace lantern::album
