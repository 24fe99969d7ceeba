// Which decoder reads which album picture, and from where.
#include <gtest/gtest.h>

#include "album/picture_source.h"
#include "platform/fake/fake_platform.h"

namespace lantern::album {
namespace {

class PictureSourceTest : public ::testing::Test {
 protected:
  void Store(const std::vector<std::pair<std::string, std::string>>& texts) {
    PropertyBagWriter writer;
    for (const auto& [key, value] : texts)
      writer.SetText(key, value);
    ASSERT_EQ(store_.Load(writer.Blob()), LoadError::kNone);
  }
  void Item(const std::string& name, std::vector<uint8_t> bytes) {
    ApplyItemKeyStream(bytes);
    fake_.fake_resources().Add(name, std::move(bytes));
  }
  AlbumData Album() { return {settings_, store_, items_, fake_.files()}; }

  platform::fake::FakePlatform fake_;
  AlbumItems items_{fake_.resources(), fake_.files(), fake_.loop()};
  AlbumSettings settings_;
  PropertyBag store_;
};

TEST_F(PictureSourceTest, PackageItemsDecodeByTheirTypeWord) {
  settings_.LenOfRes = 1;
  Store({{"MaskImage_Type", "PNG"},
         {"OpeningImage_Type", "TGA"},
         {"LogoImage_Type", "BMP"},
         {"EndingImage_Type", "PCX"},
         {"btn_prev_Type", "jpg"}});
  Item("MASKIMAGE", {1, 2, 3});
  Item("OPENINGIMAGE", {4, 5});
  Item("LOGOIMAGE", {6});
  Item("ENDINGIMAGE", {7});
  Item("BTN_PREV", {8});
  const PictureSource mask = FindPicture(Album(), "MaskImage");
  EXPECT_EQ(mask.decoder, PictureDecoder::kPictureMemory);
  EXPECT_EQ(mask.bytes, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(FindPicture(Album(), "OpeningImage").decoder, PictureDecoder::kTgaMemory);
  EXPECT_EQ(FindPicture(Album(), "btn_prev").decoder, PictureDecoder::kPictureMemory);
  const int loads = fake_.fake_resources().loads();
  // BMP and PCX are not read from item bytes, and are not even loaded.
  EXPECT_EQ(FindPicture(Album(), "LogoImage").decoder, PictureDecoder::kNone);
  EXPECT_EQ(FindPicture(Album(), "EndingImage").decoder, PictureDecoder::kNone);
  EXPECT_EQ(fake_.fake_resources().loads(), loads);
  // No type: no item.
  EXPECT_EQ(FindPicture(Album(), "BackGroundPicture").decoder, PictureDecoder::kNone);
}

// The text texture is taken by its bytes, not by the photo types: a BMP, or
// an item without a type word, is a texture; fewer than 12 bytes are none.
TEST_F(PictureSourceTest, APackedTextureIsItsBytesWhateverItsType) {
  settings_.LenOfRes = 1;
  const std::vector<uint8_t> twelve(12, 7);
  for (const char* type : {"BMP", "", "PNG", "PCX", "TGA"}) {
    SCOPED_TRACE(type);
    fake_.fake_resources() = {};
    Store({{"TextureImage_Type", type}});
    EXPECT_EQ(FindTexture(Album()).decoder, PictureDecoder::kNone);  // no item
    Item("TEXTUREIMAGE", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
    EXPECT_EQ(FindTexture(Album()).decoder, PictureDecoder::kNone);  // 11 bytes
    Item("TEXTUREIMAGE", twelve);
    const PictureSource texture = FindTexture(Album());
    EXPECT_EQ(texture.decoder, std::string(type) == "TGA" ? PictureDecoder::kTgaMemory
                                                          : PictureDecoder::kPictureMemory);
    EXPECT_EQ(texture.bytes, twelve);
  }
}

TEST_F(PictureSourceTest, FileModeReadsPathsFromSettingsOrTheNameItself) {
  settings_.LenOfRes = 0;
  auto& files = fake_.fake_files();
  files.CreateFolder("C:\\pics");
  for (const char* name :
       {"C:\\pics\\bg.jpg", "C:\\pics\\o.tga", "C:\\pics\\e.pcx", "C:\\pics\\x.xyz"}) {
    files.WriteAt(name, std::vector<uint8_t>{1}, 0);
  }
  Store({{"BackGroundPicture", "C:\\pics\\bg.jpg"},
         {"OpeningImage", "C:\\pics\\o.tga"},
         {"EndingImage", "C:\\pics\\e.pcx"},
         {"LogoImage", "C:\\pics\\gone.png"},
         {"MaskImage", "C:\\pics\\x.xyz"}});
  const PictureSource bg = FindPicture(Album(), "BackGroundPicture");
  EXPECT_EQ(bg.decoder, PictureDecoder::kPictureFile);
  EXPECT_EQ(bg.path, "C:\\pics\\bg.jpg");
  EXPECT_EQ(FindPicture(Album(), "OpeningImage").decoder, PictureDecoder::kTgaFile);
  EXPECT_EQ(FindPicture(Album(), "EndingImage").decoder, PictureDecoder::kPcxFile);
  EXPECT_EQ(FindPicture(Album(), "LogoImage").decoder, PictureDecoder::kNone);  // no such file
  EXPECT_EQ(FindPicture(Album(), "MaskImage").decoder, PictureDecoder::kNone);  // unknown type
  EXPECT_EQ(FindPicture(Album(), "C:\\pics\\o.tga").path, "C:\\pics\\o.tga");
}

TEST_F(PictureSourceTest, PhotosCarryTheirPositionOnlyWhenPlaced) {
  settings_.LenOfRes = 1;
  settings_.NowI = 2;
  SizePhotoArrays(settings_);
  settings_.ImgPosX[2] = 40;
  settings_.ImgPosY[2] = 30;
  Store({{"ImgNames(2)_Type", "GIF"}});
  Item("IMGNAMES(2)", {9, 9});
  PictureSource photo = FindPhoto(Album(), 2);
  EXPECT_EQ(photo.decoder, PictureDecoder::kPictureMemory);
  EXPECT_EQ(photo.x, 0);
  settings_.ImgDrawScale = 1;
  photo = FindPhoto(Album(), 2);
  EXPECT_EQ(photo.x, 40);
  EXPECT_EQ(photo.y, 30);
  EXPECT_EQ(FindPhoto(Album(), 1).decoder, PictureDecoder::kNone);
  EXPECT_EQ(FindPhoto(Album(), 3).decoder, PictureDecoder::kNone);  // beyond NowI
  EXPECT_EQ(FindPhoto(Album(), 0).decoder, PictureDecoder::kNone);
}

}  // namespace
}  // namespace lantern::album
