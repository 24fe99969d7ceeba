// Album pictures on the fake backend: found by type word, decoded, placed and
// drawn; pictures that must not draw leave the slide as it was.
#include <gtest/gtest.h>

#include "imaging/album_pictures.h"
#include "imaging/placement.h"
#include "imaging/raster.h"
#include "platform/fake/fake_platform.h"

namespace lantern::imaging {
namespace {

using platform::fake::FakePictureDecoder;

DecodedImage Solid(int32_t w, int32_t h, uint32_t argb) {
  DecodedImage image;
  image.Resize(w, h);
  std::fill(image.pixels.begin(), image.pixels.end(), argb);
  return image;
}

class AlbumPicturesTest : public ::testing::Test {
 protected:
  AlbumPicturesTest() : surface_buffer_(fake_.surfaces().CreateSurface(20, 16)) {
    Fill(Surface(), 0, 0, 20, 16, 0x102030);
  }
  const platform::Surface& Surface() const { return surface_buffer_->surface(); }
  void Item(const std::string& name, const std::string& type, std::vector<uint8_t> bytes) {
    writer_.SetText(name + "_Type", type);
    writer_.SetInt32(name + "_Size", static_cast<int32_t>(bytes.size()));
    album::ApplyItemKeyStream(bytes);
    fake_.fake_resources().Add(name, std::move(bytes));
  }
  album::AlbumData Album() {
    EXPECT_EQ(store_.Load(writer_.Blob()), album::LoadError::kNone);
    return {settings_, store_, items_, fake_.files()};
  }
  int CountColour(uint32_t colour) const {
    int n = 0;
    for (int32_t y = 0; y < 16; ++y) {
      for (int32_t x = 0; x < 20; ++x)
        n += Surface().Row(y)[x] == colour;
    }
    return n;
  }

  platform::fake::FakePlatform fake_;
  std::unique_ptr<platform::SurfaceBuffer> surface_buffer_;
  album::AlbumItems items_{fake_.resources(), fake_.files(), fake_.loop()};
  album::AlbumSettings settings_;
  album::PropertyBag store_;
  album::PropertyBagWriter writer_;
  base::Rnd rnd_;
  AlbumPictures pictures_{fake_, rnd_};
};

TEST_F(AlbumPicturesTest, PhotoIsCentredAtItsNaturalSize) {
  settings_.LenOfRes = 1;
  settings_.NowI = 1;
  album::SizePhotoArrays(settings_);
  Item("ImgNames(1)", "PNG", FakePictureDecoder::Encode(Solid(4, 2, 0xFFFF0000)));
  ASSERT_TRUE(pictures_.DrawAlbumPhoto(Surface(), Album(), 1, kShrinkToFit));
  EXPECT_EQ(CountColour(0xFF0000), 8);
  EXPECT_EQ(Surface().Row(7)[8], 0xFF0000u);  // (20 - 4) / 2, (16 - 2) / 2
  EXPECT_EQ(Surface().Row(8)[11], 0xFF0000u);
  EXPECT_EQ(Surface().Row(6)[8], 0x102030u);
}

TEST_F(AlbumPicturesTest, PackedBmpPhotosAndUnknownModesDrawNothing) {
  settings_.LenOfRes = 1;
  settings_.NowI = 2;
  album::SizePhotoArrays(settings_);
  Item("ImgNames(1)", "BMP", FakePictureDecoder::Encode(Solid(4, 2, 0xFFFF0000)));
  Item("ImgNames(2)", "GIF", FakePictureDecoder::Encode(Solid(4, 2, 0xFFFF0000)));
  const album::AlbumData album = Album();
  EXPECT_FALSE(pictures_.DrawAlbumPhoto(Surface(), album, 1, kShrinkToFit));
  EXPECT_FALSE(pictures_.DrawAlbumPhoto(Surface(), album, 2, 7));
  EXPECT_EQ(CountColour(0x102030), 20 * 16);
  EXPECT_EQ(fake_.fake_pictures().decodes(), 1);  // the BMP was not even decoded
}

TEST_F(AlbumPicturesTest, TilesCoverTheSlideAndStretchFillsIt) {
  settings_.LenOfRes = 1;
  DecodedImage tile = Solid(6, 6, 0xFF00FF00);
  tile.pixels[0] = 0xFF0000FF;  // a blue corner marks each tile's origin
  Item("TextureImage", "PNG", FakePictureDecoder::Encode(tile));
  const album::AlbumData album = Album();
  ASSERT_TRUE(pictures_.DrawAlbumImage(Surface(), album, "TextureImage", kTiled));
  EXPECT_EQ(CountColour(0x0000FF), 4 * 3);  // 20 / 6 + 1 columns, 16 / 6 + 1 rows
  EXPECT_EQ(Surface().Row(12)[18], 0x0000FFu);
  EXPECT_EQ(CountColour(0x102030), 0);
  Fill(Surface(), 0, 0, 20, 16, 0x102030);
  ASSERT_TRUE(pictures_.DrawAlbumImage(Surface(), album, "TextureImage", kStretch));
  EXPECT_EQ(CountColour(0x102030), 0);
  EXPECT_EQ(Surface().Row(0)[0], 0x0000FFu);  // the blue corner, enlarged
  EXPECT_EQ(Surface().Row(15)[19], 0x00FF00u);
}

TEST_F(AlbumPicturesTest, FileModeReadsTheFileTheSettingsName) {
  settings_.LenOfRes = 0;
  settings_.NowI = 1;
  album::SizePhotoArrays(settings_);
  settings_.ImgNames[1] = "C:\\pics\\one.png";
  settings_.ImgDrawScale = kPlaced;
  settings_.ImgPosX[1] = 2;
  settings_.ImgPosY[1] = 3;
  fake_.fake_files().CreateFolder("C:\\pics");
  fake_.fake_files().WriteAt(settings_.ImgNames[1],
                             FakePictureDecoder::Encode(Solid(2, 2, 0xFFFFFFFF)), 0);
  ASSERT_TRUE(pictures_.DrawAlbumPhoto(Surface(), Album(), 1, kPlaced));
  EXPECT_EQ(Surface().Row(3)[2], 0xFFFFFFu);
  EXPECT_EQ(Surface().Row(4)[3], 0xFFFFFFu);
  EXPECT_EQ(CountColour(0xFFFFFF), 4);
}

// A 2 x 1 picture of 32-bit pixels: half-transparent black and fully opaque red.
std::vector<uint8_t> TransparentTga() {
  std::vector<uint8_t> tga(18, 0);
  tga[2] = 2;    // uncompressed true colour
  tga[12] = 2;   // width
  tga[14] = 1;   // height
  tga[16] = 32;  // bits per pixel
  tga[17] = 8;   // 8 alpha bits, rows bottom-up
  for (uint8_t b : {0, 0, 0, 128, 0, 0, 255, 255})
    tga.push_back(b);
  return tga;
}

TEST_F(AlbumPicturesTest, TransparentTgaBlendsOverTheSlide) {
  settings_.LenOfRes = 1;
  Fill(Surface(), 0, 0, 20, 16, 0xC8C8C8);  // grey 200
  Item("MaskImage", "TGA", TransparentTga());
  ASSERT_TRUE(pictures_.DrawAlbumImage(Surface(), Album(), "MaskImage", kPlaced));
  // Placed at a random position; find it by its red pixel.
  int32_t found_x = -1;
  int32_t found_y = -1;
  for (int32_t y = 0; y < 16; ++y) {
    for (int32_t x = 1; x < 20; ++x) {
      if (Surface().Row(y)[x] == 0xFF0000) found_x = x, found_y = y;
    }
  }
  ASSERT_GE(found_x, 1);
  EXPECT_EQ(Surface().Row(found_y)[found_x - 1], 0x646464u);  // (127 * 200 + 255) / 256 = 100
}

// Pictures other than photos are bounded as photos are: a JPEG far larger
// than the surface is asked of the decoder at no more than the size it is
// drawn at, and a picture whose size passes the bound of one picture (a
// 16384 x 16384 TGA, 1 GiB of pixels, whose runs could fill it) is refused
// before its pixels are allocated, so it draws nothing and the surface keeps
// what it showed.
TEST_F(AlbumPicturesTest, PicturesOtherThanPhotosAreDecodedAtMostAtTheirDrawnSize) {
  settings_.LenOfRes = 1;
  const std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xD9};  // read by the stand-in below
  fake_.fake_pictures().set_extra([](std::span<const uint8_t> bytes, DecodedImage& out) {
    if (bytes.size() != 4 || bytes[0] != 0xFF) return false;
    out = Solid(400, 320, 0xFF00FF00);
    return true;
  });
  fake_.fake_pictures().set_offer_smaller(true);
  Item("OpeningImage", "JPG", jpeg);
  ASSERT_TRUE(pictures_.DrawAlbumImage(Surface(), Album(), "OpeningImage", kShrinkToFit));
  EXPECT_EQ(fake_.fake_pictures().last_least(), std::pair(20, 16));
  EXPECT_EQ(CountColour(0x00FF00), 20 * 16);

  // A run of 128 pixels takes 4 bytes: 2 Mi runs cover 16384 x 16384.
  std::vector<uint8_t> tga(18, 0);
  tga[2] = 10;
  tga[13] = tga[15] = 0x40;  // 16384 wide and high
  tga[16] = 24;
  for (int run = 0; run < (1 << 21); ++run)
    tga.insert(tga.end(), {0xFF, 0x10, 0x20, 0x30});
  Item("BackGroundPicture", "TGA", std::move(tga));
  Fill(Surface(), 0, 0, 20, 16, 0x102030);
  EXPECT_FALSE(pictures_.DrawAlbumImage(Surface(), Album(), "BackGroundPicture", kStretch));
  EXPECT_EQ(CountColour(0x102030), 20 * 16);
}

}  // namespace
}  // namespace lantern::imaging
