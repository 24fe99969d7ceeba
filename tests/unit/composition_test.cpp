// Slide composition: colours, gradients, backgrounds and the mask.
#include <gtest/gtest.h>

#include "imaging/composition.h"
#include "imaging/raster.h"
#include "imaging/text_box.h"

#include <tuple>
#include "platform/fake/fake_platform.h"

namespace lantern::imaging {
namespace {

using platform::fake::FakePictureDecoder;

TEST(Composition, ToArgbTurnsAlbumColoursAround) {
  EXPECT_EQ(ToArgb(0x0000FF, 255), 0xFFFF0000u);  // red
  EXPECT_EQ(ToArgb(0x123456, 170), 0xAA563412u);
  EXPECT_EQ(ToArgb(static_cast<int32_t>(0xFF123456), 0), 0x00563412u);  // high byte ignored
}

TEST(Composition, GradientsRunBetweenTheirCorners) {
  platform::HeapSurfaceBuffer buffer(40, 20);
  const platform::Surface& s = buffer.surface();
  const uint32_t black = 0xFF000000;
  const uint32_t white = 0xFFFFFFFF;
  const auto near = [](uint32_t pixel, uint32_t grey) {
    const int v = static_cast<int>(pixel & 0xFF);
    return std::abs(v - static_cast<int>(grey)) <= 8 && pixel == (pixel & 0xFF) * 0x010101u;
  };
  FillGradient(s, 0, black, white);
  EXPECT_TRUE(near(s.Row(10)[0], 0));
  EXPECT_TRUE(near(s.Row(10)[39], 255));
  EXPECT_EQ(s.Row(0)[20], s.Row(19)[20]);  // constant down a column
  FillGradient(s, 1, black, white);
  EXPECT_TRUE(near(s.Row(0)[5], 0));
  EXPECT_TRUE(near(s.Row(19)[5], 255));
  FillGradient(s, 2, black, white);
  EXPECT_TRUE(near(s.Row(0)[0], 0));
  EXPECT_TRUE(near(s.Row(19)[39], 255));
  FillGradient(s, 3, black, white);
  EXPECT_TRUE(near(s.Row(0)[39], 0));
  EXPECT_TRUE(near(s.Row(19)[0], 255));
  Fill(s, 0, 0, 40, 20, 0x123456);
  FillGradient(s, 4, black, white);  // no such mode: nothing
  EXPECT_EQ(s.Row(7)[7], 0x123456u);
}

// The row-at-a-time gradient against the pixel-by-pixel one: every mode,
// colours rising and falling, sizes from one pixel to odd and wide ones.
TEST(Composition, GradientsMatchThePixelByPixelReference) {
  const std::pair<uint32_t, uint32_t> colours[] = {
      {0xFF000000, 0xFFFFFFFF}, {0xFFFF8000, 0xFF0080FF}, {0xFF123456, 0xFF123456}};
  for (const auto& [w, h] : {std::pair{1, 1}, {3, 7}, {40, 20}, {333, 17}, {1921, 3}}) {
    platform::HeapSurfaceBuffer fast(w, h), reference(w, h);
    for (int32_t mode = 0; mode <= 3; ++mode) {
      for (const auto& [c1, c2] : colours) {
        FillGradient(fast.surface(), mode, c1, c2);
        detail::FillGradientReference(reference.surface(), mode, c1, c2);
        for (int32_t y = 0; y < h; ++y) {
          ASSERT_TRUE(std::equal(fast.surface().Row(y), fast.surface().Row(y) + w,
                                 reference.surface().Row(y)))
              << w << "x" << h << " mode " << mode << " row " << y;
        }
      }
    }
  }
}

class MaskTest : public ::testing::Test {
 protected:
  // A 4 x 3 mask picture for a 16 x 12 slide; red values per pixel.
  static DecodedImage MaskPicture(std::initializer_list<uint32_t> reds) {
    DecodedImage p;
    p.Resize(6, 5);  // drawn stretched to two more than the table: 6 x 5
    std::fill(p.pixels.begin(), p.pixels.end(), 0xFFFFFFFFu);
    size_t k = 0;
    for (uint32_t r : reds) {
      p.pixels[k / 4 * 6 + k % 4] = 0xFF000000u | r << 16 | r << 8 | r;
      ++k;
    }
    return p;
  }
};

TEST_F(MaskTest, TableFromTheRedOfEachPixel) {
  const DecodedImage picture = MaskPicture({0, 128, 250, 249});
  const MaskTable table = BuildMaskTable(&picture, 16, 12);
  ASSERT_EQ(table.width, 4);
  ASSERT_EQ(table.height, 3);
  EXPECT_EQ(table.values[0], 255);
  EXPECT_EQ(table.values[1], 127);
  EXPECT_EQ(table.values[2], 0);
  EXPECT_EQ(table.values[3], 6);
  EXPECT_EQ(table.values[4], 0);  // white
  const MaskTable none = BuildMaskTable(nullptr, 1024, 768);
  EXPECT_EQ(none.width, 256);
  EXPECT_EQ(none.height, 192);
  EXPECT_TRUE(
      std::all_of(none.values.begin(), none.values.end(), [](uint8_t v) { return v == 0; }));
}

TEST_F(MaskTest, EntriesCoverFourMirroredCornerBlocks) {
  platform::HeapSurfaceBuffer background(1024, 768);
  platform::HeapSurfaceBuffer slide(1024, 768);
  Fill(background.surface(), 0, 0, 1024, 768, 0x0000FF);
  Fill(slide.surface(), 0, 0, 1024, 768, 0xC8C8C8);
  MaskTable table = BuildMaskTable(nullptr, 1024, 768);
  table.values[0] = 255;  // (j, i) = (1, 1): background only
  table.values[1] = 127;  // (2, 1): background at 127/255
  int rows = 0;
  ApplyMask(table, background.surface(), slide.surface(), [&] {
    ++rows;
    return true;
  });
  EXPECT_EQ(rows, 192);
  const platform::Surface& s = slide.surface();
  for (const auto& [x, y] : {std::pair{0, 766}, {1022, 0}, {0, 0}, {1022, 766}}) {
    EXPECT_EQ(s.Row(y)[x], 0x0000FFu);
    EXPECT_EQ(s.Row(y + 1)[x + 1], 0x0000FFu);
  }
  EXPECT_EQ(s.Row(0)[2], 0x6464E3u);  // (200 * 128 + 255 * 127) / 255 = 227 blue, 100 red, green
  EXPECT_EQ(s.Row(0)[4], 0xC8C8C8u);  // untouched
  EXPECT_EQ(s.Row(2)[0], 0xC8C8C8u);
}

// The row walk against the block walk, on random tables of a quarter of the
// slide (odd sizes too, where the halves do not meet) and on tables too big
// for their slide, which take the block walk themselves.
TEST_F(MaskTest, TheRowWalkPutsTheSameBlocksAsTheBlockWalk) {
  uint32_t seed = 3;
  const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  for (const auto& [w, h] : {std::pair{16, 12}, {17, 13}, {9, 5}, {4, 4}, {3, 2}, {101, 61}}) {
    for (const bool oversized : {false, true}) {
      MaskTable table = BuildMaskTable(nullptr, w, h);
      if (oversized) table = BuildMaskTable(nullptr, 2 * w, 2 * h);
      for (uint8_t& v : table.values)
        v = next() % 3 == 0 ? 0 : static_cast<uint8_t>(next() >> 24);
      platform::HeapSurfaceBuffer background(w, h), rows(w, h), blocks(w, h);
      for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
          background.surface().Row(y)[x] = next() & 0xFFFFFF;
          rows.surface().Row(y)[x] = blocks.surface().Row(y)[x] = next() & 0xFFFFFF;
        }
      }
      int row_calls = 0;
      ApplyMask(table, background.surface(), rows.surface(), [&] {
        ++row_calls;
        return true;
      });
      detail::ApplyMaskBlocks(table, background.surface(), blocks.surface(), {});
      EXPECT_EQ(row_calls, table.height);
      for (int32_t y = 0; y < h; ++y) {
        ASSERT_TRUE(
            std::equal(rows.surface().Row(y), rows.surface().Row(y) + w, blocks.surface().Row(y)))
            << w << "x" << h << (oversized ? " oversized" : "") << " row " << y;
      }
    }
  }
}

// A 32 x 24 slide composed on the fake backend from items the test adds.
class SlideTest : public ::testing::Test {
 protected:
  static DecodedImage Solid(int32_t w, int32_t h, uint32_t argb) {
    DecodedImage image;
    image.Resize(w, h);
    std::fill(image.pixels.begin(), image.pixels.end(), argb);
    return image;
  }
  void Item(const std::string& name, const DecodedImage& picture) {
    std::vector<uint8_t> bytes = FakePictureDecoder::Encode(picture);
    writer_.SetText(name + "_Type", "PNG");
    writer_.SetInt32(name + "_Size", static_cast<int32_t>(bytes.size()));
    album::ApplyItemKeyStream(bytes);
    fake_.fake_resources().Add(name, std::move(bytes));
  }
  // Composes photo 1 over surfaces that still hold an old green slide.
  void Compose() {
    settings_.LenOfRes = 1;
    settings_.NowI = 1;
    album::SizePhotoArrays(settings_);
    ASSERT_EQ(store_.Load(writer_.Blob()), album::LoadError::kNone);
    const album::AlbumData album{settings_, store_, items_, fake_.files()};
    Fill(slide_.surface(), 0, 0, 32, 24, kOldSlide);
    Fill(background_.surface(), 0, 0, 32, 24, kOldSlide);
    PrepareSlide(1, slide_.surface(), background_.surface(), album,
                 {pictures_, fake_.text(), mask_, nullptr, {}});
  }
  uint32_t At(int32_t x, int32_t y) const { return slide_.surface().Row(y)[x]; }
  int Count(uint32_t colour) const {
    int n = 0;
    for (int32_t y = 0; y < 24; ++y) {
      for (int32_t x = 0; x < 32; ++x)
        n += At(x, y) == colour;
    }
    return n;
  }

  static constexpr uint32_t kOldSlide = 0x00FF00;
  platform::fake::FakePlatform fake_;
  album::AlbumItems items_{fake_.resources(), fake_.files(), fake_.loop()};
  album::AlbumSettings settings_;
  album::PropertyBag store_;
  album::PropertyBagWriter writer_;
  base::Rnd rnd_;
  AlbumPictures pictures_{fake_, rnd_};
  platform::HeapSurfaceBuffer slide_{32, 24};
  platform::HeapSurfaceBuffer background_{32, 24};
  MaskTable mask_ = BuildMaskTable(nullptr, 32, 24);
};

TEST_F(SlideTest, SolidRedBackgroundUnderThePhoto) {
  settings_.BackGroundSet = "1";
  settings_.SolidColor = 255;
  Item("ImgNames(1)", Solid(4, 2, 0xFF0000FF));  // blue, centred at its natural size
  Compose();
  EXPECT_EQ(Count(0x0000FF), 8);
  EXPECT_EQ(At(14, 11), 0x0000FFu);  // (32 - 4) / 2, (24 - 2) / 2
  EXPECT_EQ(At(17, 12), 0x0000FFu);
  EXPECT_EQ(Count(0xFF0000), 32 * 24 - 8);
}

// Whatever the background leaves uncovered is black, in the slide and in the
// background the mask blends from: nothing of the old slide shows.
TEST_F(SlideTest, EveryCompositionStartsFromABlackSurface) {
  const auto compose = [&](const char* what, auto set_up) {
    SCOPED_TRACE(what);
    settings_ = {};
    writer_ = {};
    fake_.fake_resources() = {};
    set_up();
    Compose();
    EXPECT_EQ(Count(kOldSlide), 0);
    EXPECT_EQ(background_.surface().Row(0)[0], 0u);
  };
  compose("a background picture of another aspect, shrunk to fit", [&] {
    settings_.BackGroundSet = "3";
    settings_.BackgroundDrawScale = 0;
    Item("BackGroundPicture", Solid(8, 2, 0xFFFFFFFF));
  });
  compose("a transparent background picture", [&] {
    settings_.BackGroundSet = "3";
    settings_.BackgroundDrawScale = 4;
    Item("BackGroundPicture", Solid(2, 2, 0x00FFFFFF));
  });
  compose("a missing background picture", [&] { settings_.BackGroundSet = "3"; });
  compose("a gradient mode that draws nothing", [&] {
    settings_.BackGroundSet = "2";
    settings_.BackgroundGradientMode = 7;
  });
  EXPECT_EQ(Count(0), 32 * 24);
}

}  // namespace
}  // namespace lantern::imaging

namespace lantern::imaging {
namespace {

TEST(TextBox, PatternsChooseTheFill) {
  using Kind = platform::TextFill::Kind;
  TextStyle style;
  style.argb1 = 0xFF0000FF;
  style.argb2 = 0xFFFF0000;
  const auto fill = [&](int32_t pattern, const DecodedImage* texture = nullptr) {
    style.pattern = pattern;
    return FillFor(style, 10, 20, 100, 40, texture);
  };
  EXPECT_EQ(fill(0).kind, Kind::kSolid);
  EXPECT_EQ(fill(2).kind, Kind::kNone);  // no texture: outline only
  DecodedImage empty;
  EXPECT_EQ(fill(2, &empty).kind, Kind::kNone);
  for (const auto& [w, h] : {std::pair{1, 1}, std::pair{2, 1}, std::pair{2, 2}}) {
    DecodedImage texture;  // however few pixels
    texture.Resize(w, h);
    EXPECT_EQ(fill(2, &texture).kind, Kind::kTexture) << w << "x" << h;
    EXPECT_EQ(fill(2, &texture).texture, &texture);
  }
  for (int32_t p : {4, 6, 8, 10}) {
    const platform::TextFill f = fill(p);
    EXPECT_EQ(f.kind, Kind::kGradient);
    EXPECT_EQ(f.gradient_mode, p / 2 - 2);
    EXPECT_EQ(f.gradient_width, 100);
    EXPECT_EQ(f.gradient_height, 40);
  }
  EXPECT_EQ(fill(12).gradient_width, 50);  // horizontal: half the width
  EXPECT_EQ(fill(12).gradient_height, 40);
  EXPECT_EQ(fill(14).gradient_width, 100);  // vertical: half the height
  EXPECT_EQ(fill(14).gradient_height, 20);
  EXPECT_EQ(fill(16).gradient_width, 50);  // diagonals: both halved
  EXPECT_EQ(fill(18).gradient_height, 20);
  EXPECT_EQ(fill(18).gradient_mode, 3);
  for (int32_t p : {1, 3, 5, 20, -2})
    EXPECT_EQ(fill(p).kind, Kind::kNone) << p;
}

TEST(TextBox, CaptionIsDrawnWithTheCaptionStyleAndAlignment) {
  platform::fake::FakePlatform fake;
  album::AlbumItems items(fake.resources(), fake.files(), fake.loop());
  album::AlbumSettings s;
  s.LenOfRes = 1;
  s.NowI = 1;
  s.EnableCaption = true;
  album::SizePhotoArrays(s);
  s.ImgCaption[1] = "ab";
  s.CapPosX[1] = 0;
  s.CapPosY[1] = 0;
  s.CapPosW[1] = 40;
  s.CapPosH[1] = 30;
  s.fFontSize[1] = 10;  // stand-in cells 5 x 10
  s.fBorderWidth[1] = 2;
  s.FontStartColor[1] = 0x00FF00;
  s.BorderColor[1] = 0x0000FF;
  album::PropertyBag store;
  ASSERT_EQ(store.Load(album::PropertyBagWriter().Blob()), album::LoadError::kNone);
  const album::AlbumData album{s, store, items, fake.files()};
  base::Rnd rnd;
  AlbumPictures pictures(fake, rnd);
  platform::HeapSurfaceBuffer slide(40, 30);
  platform::HeapSurfaceBuffer background(40, 30);
  const MaskTable mask = BuildMaskTable(nullptr, 40, 30);
  for (const auto& [align, x, y] : {std::tuple{4, 15, 10}, std::tuple{8, 30, 20}}) {
    s.fFontAlign[1] = align;
    PrepareSlide(1, slide.surface(), background.surface(), album,
                 {pictures, fake.text(), mask, nullptr, {}});
    const platform::TextBox& box = fake.fake_text().drawn().back();
    EXPECT_EQ(box.fill.argb1, 0xFF00FF00u);
    EXPECT_EQ(box.border_argb, 0xAAFF0000u);
    EXPECT_EQ(slide.surface().Row(y)[x], 0xFF0000u) << align;          // the first cell's outline
    EXPECT_EQ(slide.surface().Row(y + 1)[x + 1], 0x00FF00u) << align;  // and its inside
  }
  s.EnableCaption = false;
  const size_t drawn = fake.fake_text().drawn().size();
  PrepareSlide(1, slide.surface(), background.surface(), album,
               {pictures, fake.text(), mask, nullptr, {}});
  EXPECT_EQ(fake.fake_text().drawn().size(), drawn);
}

}  // namespace
}  // namespace lantern::imaging
