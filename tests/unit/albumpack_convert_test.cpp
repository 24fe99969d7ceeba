// Photos the player cannot show, converted by the builder: HEIC, AVIF and
// WebP made here become upright JPEGs with their dates, in the order taken
// among the other photos; damaged ones are left out. And the decode checks
// of build and check: a picture that does not decode is left out of a build
// (a photo) and named by check.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "imaging/exif.h"
#include "platform/fake/fake_platform.h"
#include "tests/unit/exif_writer.h"
#include "tests/unit/libjpeg_reference.h"
#include "tests/unit/minimal_pe.h"
#include "tests/unit/phone_photos.h"
#include "tools/albumpack/album_writer.h"
#include "tools/albumpack/commands.h"
#include "tools/albumpack/file_io.h"
#include "tools/albumpack/jpeg_encoder.h"
#include "tools/albumpack/manifest.h"
#include "tools/albumpack/photo_convert.h"

// The HEVC encoder the tests make HEIC files with (x265, through libheif)
// keeps a little memory per encode that it never frees; leaks elsewhere are
// still found under the sanitizers.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libx265.so\n";
}

namespace lantern::albumpack {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using lantern::testing::ExifDates;
using lantern::testing::ExifTiff;
using lantern::testing::Quadrants;

Bytes Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A TGA picture as an album stores one: 32 bits, top row first.
Bytes Tga(uint16_t width, uint16_t height, size_t pixel_bytes) {
  Bytes tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  tga.insert(tga.end(), {uint8_t(width), uint8_t(width >> 8), uint8_t(height), uint8_t(height >> 8),
                         32, 0x28});
  tga.insert(tga.end(), pixel_bytes, 0x80);
  return tga;
}

Bytes Part(const Bytes& b, size_t n) {
  return Bytes(b.begin(), b.begin() + static_cast<ptrdiff_t>(n));
}

// Whether the colour is near the quadrant's, as a lossy copy keeps it.
bool Near(uint32_t colour, uint32_t quadrant) {
  for (int shift : {0, 8, 16}) {
    const int a = static_cast<int>((colour >> shift) & 0xFF);
    const int b = static_cast<int>((quadrant >> shift) & 0xFF);
    if (std::abs(a - b) > 48) return false;
  }
  return true;
}

// The quadrant colours at the centre of each quarter: top left, top right,
// bottom left, bottom right.
std::vector<uint32_t> Corners(const imaging::DecodedImage& image) {
  std::vector<uint32_t> colours;
  for (const int32_t y : {image.height / 4, image.height * 3 / 4}) {
    for (const int32_t x : {image.width / 4, image.width * 3 / 4})
      colours.push_back(image.pixels[static_cast<size_t>(y * image.width + x)]);
  }
  return colours;
}

class AlbumpackConvertTest : public ::testing::Test {
 protected:
  AlbumpackConvertTest()
      : dir_(fs::temp_directory_path() / ("albumpack-convert-" + std::to_string(::getpid()))),
        previous_(fs::current_path()) {
    fs::create_directories(dir_ / "photos");
    fs::current_path(dir_);
    Write("stub.exe", lantern::testing::MinimalPe());
    // The system's decoder as far as these tests need one: libjpeg for JPEGs.
    platform_.fake_pictures().set_extra([](std::span<const uint8_t> b, imaging::DecodedImage& out) {
      if (!platform::IsJpeg(b)) return false;
      out = imaging::reference::DecodeFull(Bytes(b.begin(), b.end()));
      return !out.empty();
    });
  }
  ~AlbumpackConvertTest() override {
    fs::current_path(previous_);
    fs::remove_all(dir_);
  }

  void Write(const std::string& name, const Bytes& bytes) {
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  void Write(const std::string& name, const std::string& text) {
    Write(name, Bytes(text.begin(), text.end()));
  }
  int Build(const std::string& source, const std::string& output,
            platform::PictureDecoder& pictures) {
    return albumpack::Build({source, output, "stub.exe", "", false}, pictures, out_, err_);
  }
  int Build(const std::string& source, const std::string& output) {
    return Build(source, output, platform_.pictures());
  }
  std::string SettingsOf(const std::string& album) {
    std::ostringstream settings;
    EXPECT_EQ(Settings(album, settings, err_), 0);
    return settings.str();
  }

  fs::path dir_;
  fs::path previous_;
  platform::fake::FakePlatform platform_;
  std::ostringstream out_;
  std::ostringstream err_;
};

// A folder of phone photos among a JPEG and a TGA: each converted photo is
// an upright JPEG of the size it shows at, its date kept, sorted where its
// date puts it; the damaged ones are left out with the decoder's reason.
TEST_F(AlbumpackConvertTest, PhonePhotosBecomeUprightJpegsInTheOrderTaken) {
  const imaging::DecodedImage stored = Quadrants(64, 48);
  // Stored on its side with HEIF's own rotation, and EXIF saying the same as
  // phones write it: turned once, never twice.
  const Bytes heic = lantern::testing::EncodeHeif(stored, heif_compression_HEVC, 6,
                                                  ExifTiff({"", "2020:01:01 10:00:00"}, 6));
  const Bytes avif = lantern::testing::EncodeHeif(stored, heif_compression_AV1, 1,
                                                  ExifTiff({"2021:02:02 10:00:00", ""}));
  const Bytes webp =
      lantern::testing::EncodeWebp(stored, ExifTiff({"", "2022:03:03 10:00:00", true}, 6));
  Write("photos/b.HEIC", heic);
  Write("photos/c.avif", avif);
  Write("photos/a.webp", webp);
  Write("photos/d.jpg", *EncodeJpeg(Quadrants(16, 16), 90, "2020:06:06 10:00:00"));
  Write("photos/e.tga", Tga(2, 2, 16));
  Write("photos/broken.heic", Part(heic, heic.size() / 2));
  Bytes scrambled = webp;
  for (size_t i = 40; i < scrambled.size(); ++i)
    scrambled[i] ^= 0x5A;
  Write("photos/broken.webp", scrambled);

  ASSERT_EQ(Build("photos", "album.scr"), 0) << err_.str();
  for (const char* name : {"b.HEIC", "c.avif", "a.webp"}) {
    EXPECT_NE(out_.str().find(std::string("photos/") + name + ": converted to JPEG\n"),
              std::string::npos)
        << name << "\n"
        << out_.str();
  }
  EXPECT_NE(err_.str().find("photos/broken.heic: left out: the HEIF decoder refuses it"),
            std::string::npos)
      << err_.str();
  EXPECT_NE(err_.str().find("photos/broken.webp: left out: the WebP decoder refuses it"),
            std::string::npos)
      << err_.str();
  for (const fs::directory_entry& e : fs::directory_iterator("."))
    EXPECT_EQ(e.path().string().find("converted"), std::string::npos) << e.path();

  ASSERT_EQ(Extract("album.scr", "x", out_, err_), 0);
  const struct {
    const char* date;
    int32_t width, height;
    uint32_t corners[4];
  } expected[] = {
      {"2020:01:01 10:00:00", 48, 64, {0xFF0000E0u, 0xFFE00000u, 0xFFF0F0F0u, 0xFF00D000u}},
      {"2020:06:06 10:00:00", 16, 16, {0xFFE00000u, 0xFF00D000u, 0xFF0000E0u, 0xFFF0F0F0u}},
      {"2021:02:02 10:00:00", 64, 48, {0xFFE00000u, 0xFF00D000u, 0xFF0000E0u, 0xFFF0F0F0u}},
      {"2022:03:03 10:00:00", 48, 64, {0xFF0000E0u, 0xFFE00000u, 0xFFF0F0F0u, 0xFF00D000u}},
  };
  for (size_t i = 0; i < std::size(expected); ++i) {
    const Bytes jpeg = Contents("x/photo-" + std::to_string(i + 1) + ".jpg");
    ASSERT_TRUE(platform::IsJpeg(jpeg)) << i + 1;
    EXPECT_EQ(imaging::ExifDateTaken(jpeg), expected[i].date) << i + 1;
    EXPECT_EQ(imaging::ExifOrientation(jpeg), 1) << i + 1;
    const imaging::DecodedImage image = imaging::reference::DecodeFull(jpeg);
    EXPECT_EQ(image.width, expected[i].width) << i + 1;
    EXPECT_EQ(image.height, expected[i].height) << i + 1;
    if (image.width != expected[i].width || image.height != expected[i].height) continue;
    const std::vector<uint32_t> corners = Corners(image);
    for (size_t k = 0; k < 4; ++k) {
      EXPECT_TRUE(Near(corners[k], expected[i].corners[k]))
          << "photo " << i + 1 << " quarter " << k << ": " << std::hex << corners[k];
    }
  }
  EXPECT_EQ(Contents("x/photo-5.tga"), Tga(2, 2, 16));
  EXPECT_NE(SettingsOf("album.scr").find("\nnowi\tint32\t5\n"), std::string::npos);
  std::ostringstream check;
  EXPECT_EQ(Check("album.scr", platform_.pictures(), check, err_), 0) << check.str();
}

// A manifest's HEIC photo is converted in place of its entry; a photo left
// out takes its captions with it, and the next photo takes its number.
// Files mode cannot convert: the player would read the HEIC itself.
TEST_F(AlbumpackConvertTest, ManifestPhotosAreConvertedAndLeftOutInPlace) {
  Write("b.heic", lantern::testing::EncodeHeif(Quadrants(32, 32), heif_compression_HEVC, 1, {}));
  Write("broken.webp", std::string("RIFF\x20\0\0\0WEBPVP8 and nothing", 28));
  Write("d.tga", Tga(2, 2, 16));
  Write("album.toml",
        "[[photos]]\nfile = \"b.heic\"\ncaption = \"first\"\n"
        "[[photos]]\nfile = \"broken.webp\"\ncaption = \"gone\"\n"
        "[[photos]]\nfile = \"d.tga\"\ncaption = \"second\"\n");
  ASSERT_EQ(Build("album.toml", "album.scr"), 0) << err_.str();
  EXPECT_NE(out_.str().find("b.heic: converted to JPEG\n"), std::string::npos) << out_.str();
  EXPECT_NE(err_.str().find("broken.webp: left out: the WebP decoder refuses it"),
            std::string::npos)
      << err_.str();
  const std::string settings = SettingsOf("album.scr");
  for (const char* line :
       {"nowi\tint32\t2", "imgnames(1)_type\ttext\tJPG", "imgcaption(1)\ttext\tfirst",
        "imgnames(2)_type\ttext\tTGA", "imgcaption(2)\ttext\tsecond"}) {
    EXPECT_NE(settings.find(std::string("\n") + line + "\n"), std::string::npos) << line;
  }
  EXPECT_EQ(settings.find("gone"), std::string::npos);
  EXPECT_EQ(settings.find("imgnames(3)"), std::string::npos);

  Write("files.toml", "mode = \"files\"\n[[photos]]\nfile = \"C:/b.heic\"\n");
  EXPECT_EQ(Build("files.toml", "files.scr"), 1);
  EXPECT_NE(err_.str().find("files.toml:3:8: C:/b.heic: in files mode the player shows the file "
                            "itself, and it cannot show HEIC"),
            std::string::npos)
      << err_.str();
}

// The decode checks with the test backend's decoder, which reads no JPEG,
// GIF or PNG: the player's own TGA decoder reads the good TGA; a TGA whose
// header promises more than it holds, and a GIF cut to its signature, do
// not decode. Build leaves out such a photo; check names every picture item
// that does not decode, buttons (which the system's decoder reads) included.
TEST_F(AlbumpackConvertTest, PicturesThatDoNotDecodeAreLeftOutOfBuildsAndNamedByCheck) {
  Write("photos/good.tga", Tga(2, 2, 16));
  Write("photos/damaged.tga", Tga(4000, 4000, 20));
  Write("photos/broken.gif", std::string("GIF89a"));
  ASSERT_EQ(Build("photos", "album.scr"), 0) << err_.str();
  const std::string why = ": left out: it does not decode as a ";
  EXPECT_NE(err_.str().find("photos/broken.gif" + why + "GIF picture"), std::string::npos)
      << err_.str();
  EXPECT_NE(err_.str().find("photos/damaged.tga" + why + "TGA picture"), std::string::npos)
      << err_.str();
  EXPECT_EQ(err_.str().find("good.tga"), std::string::npos) << err_.str();
  EXPECT_NE(SettingsOf("album.scr").find("\nnowi\tint32\t1\n"), std::string::npos);
  std::ostringstream check;
  EXPECT_EQ(Check("album.scr", platform_.pictures(), check, err_), 0) << check.str();

  // An album that holds them all the same, as another builder wrote it.
  const ManifestResult manifest = ReadManifestText(
      "[[photos]]\nfile = \"good.tga\"\n[[photos]]\nfile = \"broken.gif\"\n"
      "[[photos]]\nfile = \"damaged.tga\"\n[pictures]\nbackground = \"broken.gif\"\n"
      "[buttons]\nprev = \"good.tga\"\n",
      "album.toml", "photos");
  ASSERT_EQ(manifest.error, "");
  std::string error;
  const auto album = WriteAlbum(lantern::testing::MinimalPe(), manifest.content, &error);
  ASSERT_TRUE(album) << error;
  Write("other.scr", *album);
  std::ostringstream named;
  EXPECT_EQ(Check("other.scr", platform_.pictures(), named, err_), 1);
  for (const char* line : {"IMGNAMES(2): it does not decode as a GIF picture",
                           "IMGNAMES(3): it does not decode as a TGA picture",
                           "BACKGROUNDPICTURE: it does not decode as a GIF picture",
                           "BTN_PREV: it does not decode as a TGA picture"}) {
    EXPECT_NE(named.str().find(std::string("other.scr: ") + line), std::string::npos)
        << line << "\n"
        << named.str();
  }
  EXPECT_EQ(named.str().find("IMGNAMES(1)"), std::string::npos) << named.str();
}

}  // namespace
}  // namespace lantern::albumpack
