// Test helper: a complete minimal album settings blob (every key the reader requires:
// file mode, no photos, no songs, transitions off) that tests change key by key, and
// helpers to add photos and to load and read the result.
//
// Numbers differ from field to field (style value j of style k is 1000 * k + j) and
// neighbouring flags differ, so a key read into the wrong field shows.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "album/album_settings.h"
#include "album/property_bag.h"

namespace lantern::album::fixture {

// Every flag, int and single key read at start-up; PackageMode also needs
// "ToInstallFontCount".
inline std::vector<std::string> RequiredKeys() {
  std::vector<std::string> keys = {"LenOfRes",
                                   "PlayPhotoInRamdomOrder",
                                   "IgnoreMouseMove",
                                   "ShowCursor",
                                   "MuteSound",
                                   "EnableTransition",
                                   "EnableHeadlineEffect",
                                   "EnableOpening",
                                   "EnableEnding",
                                   "IsPackage",
                                   "EnableCaption",
                                   "EnableExport",
                                   "ImgDrawScale",
                                   "BackgroundDrawScale",
                                   "BackgroundGradientMode",
                                   "EnableLyric",
                                   "TitleStyle",
                                   "EnableSync"};
  for (int k = 1; k <= 4; ++k) {
    for (const char* stem : {"FontStartColor(", "FontEndColor(", "BorderColor(", "fFontSize(",
                             "fFontAlign(", "fFontPattern(", "fBorderWidth(", "fFontStyle("})
      keys.push_back(IndexedKey(stem, k));
  }
  for (const char* key : {"LyricPosX",
                          "LyricPosY",
                          "LyricPosW",
                          "LyricPosH",
                          "TitlePosX",
                          "TitlePosY",
                          "TitlePosW",
                          "TitlePosH",
                          "LyricDynamicFontPattern",
                          "LyricDynamicFontStartColor",
                          "LyricDynamicFontEndColor",
                          "LyricStyle",
                          "TimeInterval",
                          "OpeningDurationTime",
                          "EndingDurationTime",
                          "SolidColor",
                          "BeginColor",
                          "EndColor",
                          "CurrentMask",
                          "SongDurationTotal",
                          "NowI",
                          "NowM",
                          "LyricFilesCount"})
    keys.push_back(key);
  return keys;
}

inline void SetStyles(PropertyBagWriter& w) {
  const char* const stems[] = {"FontStartColor(", "FontEndColor(", "BorderColor(",
                               "fFontName(",      "fFontSize(",    "fFontAlign(",
                               "fFontPattern(",   "fBorderWidth(", "fFontStyle("};
  for (int k = 1; k <= 4; ++k) {
    for (int j = 1; j <= 9; ++j) {
      const std::string key = IndexedKey(stems[j - 1], k);
      if (j == 4) {
        w.SetText(key, "Font " + std::to_string(k));
      } else {
        w.SetInt32(key, 1000 * k + j);
      }
    }
  }
}

// The minimal album.
// Song 1 with its lyric file (the items are the caller's), its lyrics in
// `style` in a 300 x 30 lyric area at (10, top) in a 20-pixel font; the
// sound on.
inline void SongSettings(PropertyBagWriter& w, int16_t style, int32_t top) {
  w.SetInt32("NowM", 1);
  w.SetInt32("LyricFilesCount", 1);
  w.SetText("PlayMusicOrder", "0");
  w.SetFlag("MuteSound", false);
  w.SetInt16("LyricStyle", style);
  w.SetInt32("LyricPosX", 10);
  w.SetInt32("LyricPosY", top);
  w.SetInt32("LyricPosW", 300);
  w.SetInt32("LyricPosH", 30);
  w.SetInt32("fFontSize(3)", 20);
}

inline PropertyBagWriter MinimalAlbum() {
  PropertyBagWriter w;
  w.SetText("appversion", "3.1");  // a key the player never reads
  w.SetText("LenOfRes", "0");
  w.SetText("TitleText(1)", "Spring");
  w.SetText("TitleText(2)", "2024");
  w.SetFlag("PlayPhotoInRamdomOrder", false);
  w.SetFlag("IgnoreMouseMove", true);
  w.SetFlag("ShowCursor", false);
  w.SetFlag("MuteSound", true);
  w.SetFlag("EnableTransition", false);
  w.SetFlag("EnableHeadlineEffect", true);
  w.SetFlag("EnableOpening", false);
  w.SetFlag("EnableEnding", true);
  w.SetFlag("IsPackage", false);
  w.SetFlag("EnableCaption", true);
  w.SetFlag("EnableExport", false);
  w.SetInt16("ImgDrawScale", 3);
  w.SetInt16("BackgroundDrawScale", 2);
  w.SetInt16("BackgroundGradientMode", 1);
  w.SetFlag("EnableLyric", true);
  w.SetInt16("TitleStyle", 4);
  w.SetFlag("EnableSync", false);
  SetStyles(w);
  const char* const areas[] = {"LyricPosX", "LyricPosY", "LyricPosW", "LyricPosH",
                               "TitlePosX", "TitlePosY", "TitlePosW", "TitlePosH"};
  for (int i = 0; i < 8; ++i)
    w.SetInt32(areas[i], (i / 4 + 1) * 10 + i % 4 + 1);  // 11..14, 21..24
  w.SetInt32("LyricDynamicFontPattern", 31);
  w.SetInt32("LyricDynamicFontStartColor", 32);
  w.SetInt32("LyricDynamicFontEndColor", 33);
  w.SetInt16("LyricStyle", 34);
  w.SetText("OrigScreenWidth", "1024");
  w.SetText("OrigScreenHeight", "768");
  w.SetSingle("TimeInterval", 5.5f);
  w.SetSingle("OpeningDurationTime", 3.25f);
  w.SetSingle("EndingDurationTime", 4.75f);
  w.SetInt32("SolidColor", 0x102030);
  w.SetInt32("BeginColor", 0x405060);
  w.SetInt32("EndColor", 0x708090);
  w.SetInt16("CurrentMask", 2);
  w.SetText("PlayMusicOrder", "0");
  w.SetInt32("SongDurationTotal", 0);
  w.SetText("BackGroundSet", "1");
  w.SetText("ExportPassword", " ");
  w.SetInt32("NowI", 0);
  w.SetInt32("NowM", 0);
  w.SetInt32("LyricFilesCount", 0);
  w.SetInt32("ToInstallFontCount", 0);
  return w;
}

// A caption for photo n with its rectangle.
inline void SetCaption(PropertyBagWriter& w, int n, std::string_view caption, int x, int y,
                       int width, int height) {
  w.SetText(IndexedKey("ImgCaption(", n), caption);
  w.SetInt32(IndexedKey("CapPosX(", n), x);
  w.SetInt32(IndexedKey("CapPosY(", n), y);
  w.SetInt32(IndexedKey("CapPosW(", n), width);
  w.SetInt32(IndexedKey("CapPosH(", n), height);
}

// A headline for photo n; its twelve values, in reading order, are first .. first + 11.
inline void SetHeadline(PropertyBagWriter& w, int n, std::string_view headline, int first) {
  w.SetText(IndexedKey("ImgHeadline(", n), headline);
  const char* const stems[] = {"HeadPosX(",       "HeadPosY(",         "HeadPosW(",
                               "HeadPosH(",       "HeadDynamicStyle(", "HeadSize(",
                               "HeadPattern(",    "HeadBorder(",       "HeadStyle(",
                               "HeadStartColor(", "HeadEndColor(",     "HeadBorderColor("};
  for (int i = 0; i < 12; ++i)
    w.SetInt32(IndexedKey(stems[i], n), first + i);
}

inline PropertyBag Load(const PropertyBagWriter& w) {
  PropertyBag bag;
  EXPECT_EQ(bag.Load(w.Blob()), LoadError::kNone);
  return bag;
}

// Loads the writer's blob and reads the record (the conversion errors propagate).
inline AlbumSettings ReadAlbum(const PropertyBagWriter& w) {
  AlbumSettings settings;
  ReadAllSettings(Load(w), settings);
  return settings;
}

}  // namespace lantern::album::fixture
