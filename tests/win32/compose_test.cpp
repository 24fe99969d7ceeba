// A slide composed for real under Wine: gradient background, a JPEG photo
// shrunk to fit, a vignette mask and a two-line caption with a there-and-back
// gradient (pattern 12) and a border, drawn by GDI+. The test checks pixels
// the settings decide; with LANTERN_SLIDE_BMP set it also writes the slide as
// a BMP file to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "imaging/composition.h"
#include "platform/win32/win32_platform.h"

namespace lantern::imaging {
namespace {

std::string Corpus(const char* relative) {
  std::string path = LANTERN_CORPUS_DIR;
  path.append(relative);
  return path;
}

void WriteBmp(const platform::Surface& s, const char* path) {
  const uint32_t pixels = static_cast<uint32_t>(s.width * s.height * 4);
  uint8_t header[54] = {'B', 'M'};
  const auto put32 = [&](int at, uint32_t v) { std::memcpy(header + at, &v, 4); };
  put32(2, 54 + pixels);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(s.width));
  put32(22, static_cast<uint32_t>(-s.height));  // top-down
  header[26] = 1;
  header[28] = 32;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(header), 54);
  for (int32_t y = 0; y < s.height; ++y) {
    out.write(reinterpret_cast<const char*>(s.Row(y)), s.width * 4);
  }
}

TEST(ComposeUnderWine, GradientPhotoMaskAndCaption) {
  auto platform = platform::win32::CreateWin32Platform();
  album::AlbumItems items(platform->resources(), platform->files(), platform->loop());
  album::AlbumSettings s;
  s.LenOfRes = 0;  // file mode: the photo is a file of the corpus
  s.NowI = 1;
  s.BackGroundSet = "2";
  s.BackgroundGradientMode = 1;
  s.BeginColor = 0x603010;  // dark blue at the top
  s.EndColor = 0x000000;
  s.CurrentMask = 1;
  s.EnableCaption = true;
  album::SizePhotoArrays(s);
  s.ImgNames[1] = Corpus("/images/jpeg/libjpeg-turbo/testimgint.jpg");
  s.ImgCaption[1] = "Lantern 电子相册\r\nsecond line";
  s.CapPosX[1] = 40;
  s.CapPosY[1] = 420;
  s.CapPosW[1] = 720;
  s.CapPosH[1] = 160;
  s.fFontName[1] = "微软雅黑";
  s.fFontSize[1] = 44;
  s.fFontStyle[1] = 1;
  s.fFontAlign[1] = 4;
  s.fFontPattern[1] = 12;
  s.fBorderWidth[1] = 3;
  s.FontStartColor[1] = 0x00FFFF;  // yellow
  s.FontEndColor[1] = 0x0000FF;    // red
  s.BorderColor[1] = 0x000000;
  album::PropertyBag store;
  ASSERT_EQ(store.Load(album::PropertyBagWriter().Blob()), album::LoadError::kNone);
  const album::AlbumData album{s, store, items, platform->files()};
  base::Rnd rnd;
  AlbumPictures pictures(*platform, rnd);
  DecodedImage mask_picture;  // white in the middle, black at the edges
  mask_picture.Resize(200, 150);
  for (int32_t y = 0; y < 150; ++y) {
    for (int32_t x = 0; x < 200; ++x) {
      const int dx = x - 200, dy = y - 150;
      const int d = std::min(255, (dx * dx + dy * dy) / 80);
      const auto r = static_cast<uint32_t>(std::max(0, 255 - d + 120 > 255 ? 255 : 255 - d + 120));
      mask_picture.pixels[static_cast<size_t>(y * 200 + x)] = 0xFF000000u | r << 16 | r << 8 | r;
    }
  }
  const MaskTable mask = BuildMaskTable(&mask_picture, 800, 600);
  auto slide = platform->surfaces().CreateSurface(800, 600);
  auto background = platform->surfaces().CreateSurface(800, 600);
  PrepareSlide(1, slide->surface(), background->surface(), album,
               {pictures, platform->text(), mask, nullptr, {}});
  const platform::Surface& out = slide->surface();
  if (const char* path = std::getenv("LANTERN_SLIDE_BMP")) WriteBmp(out, path);
  // The corner shows the gradient's top colour (the mask keeps the background there).
  EXPECT_EQ(out.Row(0)[0] & 0xFFFFFF, 0x103060u);
  // The photo (227 x 149) is centred at its natural size.
  EXPECT_NE(out.Row(300)[400], background->surface().Row(300)[400]);
  // The caption's fill runs between yellow and red: some of it is orange, on
  // both lines (each line 44 pixels high, the block centred at y = 500).
  const auto orange_between = [&](int32_t top, int32_t bottom) {
    for (int32_t y = top; y < bottom; ++y) {
      for (int32_t x = 40; x < 760; ++x) {
        const uint32_t p = out.Row(y)[x];
        const uint32_t g = (p >> 8) & 0xFF;
        if ((p >> 16 & 0xFF) > 0xE0 && g > 0x30 && g < 0xC0 && (p & 0xFF) < 0x40) return true;
      }
    }
    return false;
  };
  EXPECT_TRUE(orange_between(440, 500));
  EXPECT_TRUE(orange_between(500, 560));
}

// Lyric lines are laid out by their measured widths.
TEST(ComposeUnderWine, TextWidthsFollowTheGlyphsAndTheSize) {
  auto platform = platform::win32::CreateWin32Platform();
  platform::TextRenderer& text = platform->text();
  const float wide = text.MeasureWidth("WWWW", "Arial", 40, 0);
  const float narrow = text.MeasureWidth("iiii", "Arial", 40, 0);
  EXPECT_GT(narrow, 0);
  EXPECT_GT(wide, 2 * narrow);
  const float twice = text.MeasureWidth("WWWW", "Arial", 80, 0);
  EXPECT_NEAR(twice / wide, 2.0, 0.15);
  EXPECT_EQ(text.MeasureWidth("", "Arial", 40, 0), 0);
  const float chinese = text.MeasureWidth("电子相册", "微软雅黑", 40, 0);
  EXPECT_GT(chinese, 4 * 30);  // four full-width characters of about 40 pixels
  EXPECT_LT(chinese, 4 * 45);
}

// Lyric widths come from the string measurement in the lyric box: a little
// wider than the glyphs, wrapped at the box.
TEST(ComposeUnderWine, StringMeasurementPadsTheLineAndWrapsAtTheBox) {
  auto platform = platform::win32::CreateWin32Platform();
  platform::TextRenderer& text = platform->text();
  const float ink = text.MeasureWidth("Lantern", "Arial", 40, 0);
  const float measured = text.MeasureString("Lantern", "Arial", 40, 0, 1000, 60);
  EXPECT_GT(measured, ink);
  EXPECT_LT(measured, ink + 40);
  EXPECT_LE(text.MeasureString("Lantern lyrics here", "Arial", 40, 0, 150, 200), 150);
  EXPECT_EQ(text.MeasureString("", "Arial", 40, 0, 1000, 60), 0);
}

// The rows of a surface that hold ink (any pixel not black), grouped into
// bands of consecutive rows: one band per line of text.
struct Ink {
  int32_t bands = 0;
  int32_t first = -1, last = -1;
  bool outside = false;  // ink outside the rectangle given
};

Ink FindInk(const platform::Surface& s, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  Ink ink;
  bool previous = false;
  for (int32_t y = 0; y < s.height; ++y) {
    bool row = false;
    for (int32_t x = 0; x < s.width; ++x) {
      if ((s.Row(y)[x] & 0xFFFFFF) == 0) continue;
      row = true;
      if (x < left || x >= right || y < top || y >= bottom) ink.outside = true;
    }
    if (row && !previous) ++ink.bands;
    if (row && ink.first < 0) ink.first = y;
    if (row) ink.last = y;
    previous = row;
  }
  return ink;
}

// A caption longer than its box is wrapped into a block of lines, every line
// drawn, the block centred in the box and no ink outside it; Chinese text,
// which has no blanks, breaks between characters.
TEST(ComposeUnderWine, LongCaptionsWrapIntoACentredBlockInsideTheBox) {
  auto platform = platform::win32::CreateWin32Platform();
  struct Case {
    const char* text;
    const char* font;
    int32_t min_lines;
  };
  const Case cases[] = {
      {"The quick brown fox jumps over the lazy dog, and then the dog sleeps all day", "Arial", 3},
      {"电子相册让每一张照片都讲述一个故事，湖边的夏天", "微软雅黑", 3},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.text);
    auto target = platform->surfaces().CreateSurface(640, 480);
    const platform::Surface& s = target->surface();
    for (int32_t y = 0; y < s.height; ++y)
      std::fill(s.Row(y), s.Row(y) + s.width, 0u);
    TextStyle style;
    style.font_name = c.font;
    style.font_size = 40;
    style.align = 4;
    style.argb1 = 0xFFFFFFFF;
    DrawTextBox(platform->text(), s, c.text, style, 120, 60, 400, 360);
    if (const char* stem = std::getenv("LANTERN_CAPTION_BMP")) {
      WriteBmp(s, (stem + std::to_string(i) + ".bmp").c_str());
    }
    const Ink ink = FindInk(s, 120, 60, 520, 420);
    EXPECT_FALSE(ink.outside);
    EXPECT_GE(ink.bands, c.min_lines);
    // Centred by the real number of lines: the margins above and below the
    // ink differ by less than half a line (a line's ink sits a little high in it).
    EXPECT_LT(std::abs((ink.first - 60) - (420 - 1 - ink.last)), 24)
        << ink.first << " .. " << ink.last;
  }
}

// Text drawn into a layer keeps premultiplied alpha: the cleared pixels are
// black of alpha 1, and no colour channel exceeds its pixel's alpha.
TEST(ComposeUnderWine, TextOnALayerIsPremultiplied) {
  auto platform = platform::win32::CreateWin32Platform();
  auto layer = platform->surfaces().CreateSurface(200, 60);
  const platform::Surface& s = layer->surface();
  TextStyle style;
  style.font_name = "Arial";
  style.font_size = 40;
  style.align = 4;
  style.argb1 = 0xFFFF8000;
  style.border_width = 2;
  style.border_argb = 0xAA000000;
  style.clear = true;
  style.premultiplied = true;
  DrawTextBox(platform->text(), s, "Hi", style, 0, 0, 200, 60);
  EXPECT_EQ(s.Row(0)[0], 0x01000000u);
  int opaque = 0;
  for (int32_t y = 0; y < s.height; ++y) {
    for (int32_t x = 0; x < s.width; ++x) {
      const uint32_t p = s.Row(y)[x];
      const uint32_t a = p >> 24;
      ASSERT_LE(p >> 16 & 0xFF, a);
      ASSERT_LE(p >> 8 & 0xFF, a);
      ASSERT_LE(p & 0xFF, a);
      if (p == 0xFFFF8000u) ++opaque;
    }
  }
  EXPECT_GT(opaque, 20);
}

}  // namespace
}  // namespace lantern::imaging
