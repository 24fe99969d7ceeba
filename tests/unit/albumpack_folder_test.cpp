// Albums from folders: which files go in and in which order, what is left
// out and why, the manifest `init` prints building the same album; and the
// builder's command line (help, version, usage errors) run as a program.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/unit/exif_writer.h"
#include "tests/unit/minimal_pe.h"
#include "tests/unit/phone_photos.h"
#include "tests/unit/stand_in_decoder.h"
#include "tools/albumpack/commands.h"
#include "tools/albumpack/folder_album.h"
#include "tools/albumpack/jpeg_encoder.h"
#include "tools/albumpack/png_writer.h"

namespace lantern::albumpack {
namespace {

using lantern::testing::StandInPictures;

namespace fs = std::filesystem;
using lantern::testing::JpegWithExif;

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class AlbumpackFolderTest : public ::testing::Test {
 protected:
  AlbumpackFolderTest()
      : dir_(fs::temp_directory_path() / ("albumpack-folder-" + std::to_string(::getpid()))),
        previous_(fs::current_path()) {
    fs::create_directories(dir_ / "photos");
    fs::create_directories(dir_ / "music");
    fs::current_path(dir_);  // the folders are named relative to it, as a user types them
    Write("stub.exe", lantern::testing::MinimalPe());
  }
  ~AlbumpackFolderTest() override {
    fs::current_path(previous_);
    fs::remove_all(dir_);
  }

  void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  void Write(const std::string& name, const std::string& text) {
    Write(name, std::vector<uint8_t>(text.begin(), text.end()));
  }
  std::vector<uint8_t> Png(uint8_t filler) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png.insert(png.end(), 40, filler);
    return png;
  }
  int Build(const std::string& source, const std::string& music, const std::string& output) {
    return albumpack::Build({source, output, "stub.exe", "", false, music}, StandInPictures(), out_,
                            err_);
  }

  fs::path dir_;
  fs::path previous_;
  std::ostringstream out_;
  std::ostringstream err_;
};

// The folder the issue describes: JPEGs of different EXIF dates, PNGs,
// a text file, a song with its lyrics; plus what must be passed over.
TEST_F(AlbumpackFolderTest, FolderAlbumIsInTheOrderTakenWithSongsAndLyrics) {
  const std::vector<std::pair<std::string, std::vector<uint8_t>>> expected = {
      {"photos/b.jpg", JpegWithExif({"2020:01:01 09:00:00", ""}, 2)},  // DateTime only
      {"photos/a.jpg", JpegWithExif({"2023:05:05 10:00:00", "2021:06:01 12:00:00"}, 1)},
      {"photos/c.jpg", JpegWithExif({"", "0000:00:00 00:00:00", true}, 3)},  // no date
      {"photos/Photo9.png", Png(4)},
      {"photos/photo10.png", Png(5)},
  };
  for (const auto& [name, bytes] : expected)
    Write(name, bytes);
  Write("photos/notes.txt", "a text file\n");
  Write("photos/fake.jpg", "not a jpeg");
  Write("photos/old.bmp", "BM and more");
  Write("photos/.hidden.jpg", JpegWithExif({"", ""}));
  fs::create_directories(dir_ / "photos" / "sub");
  Write("music/song.mp3", "ID3 and the rest");
  Write("music/Song.LRC", "[00:01.00]first line\n[00:02.00]second line\n");
  Write("music/b.wav", std::string("RIFF\x10\0\0\0WAVEfmt ", 16));
  Write("music/cover.jpg", JpegWithExif({"", ""}));

  ASSERT_EQ(Build("photos", "music", "album.scr"), 0) << err_.str();
  const std::string warnings = err_.str();
  EXPECT_NE(warnings.find("photos/notes.txt: left out: not a picture"), std::string::npos);
  EXPECT_NE(warnings.find("photos/fake.jpg: left out: its bytes are not a JPG file"),
            std::string::npos);
  EXPECT_NE(warnings.find("photos/old.bmp: left out: the player does not draw BMP"),
            std::string::npos);
  EXPECT_NE(warnings.find("music/cover.jpg: left out: not a song"), std::string::npos);
  EXPECT_EQ(warnings.find("hidden"), std::string::npos);
  EXPECT_EQ(warnings.find("sub"), std::string::npos);

  ASSERT_EQ(Extract("album.scr", "x", out_, err_), 0);
  for (size_t i = 0; i < expected.size(); ++i) {
    const fs::path photo =
        fs::path("x") / ("photo-" + std::to_string(i + 1) + "." + (i < 3 ? "jpg" : "png"));
    const auto& want = expected[i].second;
    EXPECT_EQ(Contents(photo), std::string(want.begin(), want.end())) << expected[i].first;
  }
  EXPECT_FALSE(fs::exists("x/photo-6.jpg"));
  EXPECT_EQ(Contents("x/song-1.wav"), Contents("music/b.wav"));
  EXPECT_EQ(Contents("x/song-2.mp3"), Contents("music/song.mp3"));
  EXPECT_EQ(Contents("x/lyrics-2.lrc"), Contents("music/Song.LRC"));

  std::ostringstream settings;
  ASSERT_EQ(Settings("album.scr", settings, err_), 0);
  for (const char* line : {"nowi\tint32\t5", "nowm\tint32\t2", "lyricfilescount\tint32\t1",
                           "musiclyricfiles(2)_type\ttext\tLRC", "txtsetting(0)\ttext\tphotos"}) {
    EXPECT_NE(settings.str().find(std::string("\n") + line + "\n"), std::string::npos) << line;
  }
  EXPECT_EQ(settings.str().find("musiclyricfiles(1)"), std::string::npos);
  std::ostringstream check;
  EXPECT_EQ(Check("album.scr", StandInPictures(), check, err_), 0) << check.str();

  // The manifest `init` prints, saved here and built, makes the same album.
  std::ostringstream manifest;
  ASSERT_EQ(Init("photos", "music", manifest, err_), 0);
  Write("album.toml", manifest.str());
  ASSERT_EQ(Build("album.toml", "", "from-manifest.scr"), 0) << err_.str();
  EXPECT_EQ(Contents("from-manifest.scr"), Contents("album.scr"));
  EXPECT_NE(manifest.str().find("file = \"photos/a.jpg\"  # taken 2021:06:01 12:00:00"),
            std::string::npos);
}

TEST_F(AlbumpackFolderTest, OddNamesAndFoldersThatMakeNoAlbum) {
  std::string error;
  EXPECT_FALSE(ScanFolders("photos", "", error));
  EXPECT_EQ(error,
            "photos: no picture the player can show (JPG, PNG, GIF, TIF, TGA, or HEIC, WebP or "
            "AVIF to convert)");
  EXPECT_FALSE(ScanFolders("none", "", error));
  EXPECT_EQ(error, "none: not a folder");
  Write("photos/song.mp3", "ID3");
  Write("photos/a.png", Png(1));
  EXPECT_FALSE(ScanFolders("photos", "none", error));
  // Songs beside the photos: taken as songs with --music naming the same
  // folder, otherwise left out with a hint.
  auto album = ScanFolders("photos", "photos", error);
  ASSERT_TRUE(album) << error;
  EXPECT_EQ(album->songs.size(), 1u);
  EXPECT_TRUE(album->left_out.empty());
  album = ScanFolders("photos", "", error);
  ASSERT_EQ(album->left_out.size(), 1u);
  EXPECT_NE(album->left_out[0].why.find("--music"), std::string::npos);
  // Names that would break a TOML string or a comment line; one not UTF-8.
  Write("photos/quote \" back\\slash\nnew line.png", Png(2));
  Write("photos/\xFF\xFE.png", Png(3));
  ASSERT_EQ(Build("photos", "", "album.scr"), 0) << err_.str();
  EXPECT_NE(err_.str().find("left out: its name is not UTF-8 text"), std::string::npos);
  std::ostringstream manifest;
  ASSERT_EQ(Init("photos", "", manifest, err_), 0);
  EXPECT_NE(manifest.str().find("\"photos/quote \\\" back\\\\slash\\u000Anew line.png\""),
            std::string::npos);
  // A manifest names its own songs.
  Write("album.toml", manifest.str());
  EXPECT_EQ(Build("album.toml", "photos", "other.scr"), 1);
  EXPECT_FALSE(fs::exists("other.scr"));
}

TEST(NameBefore, DigitRunsByValueLettersRegardlessOfCase) {
  const std::vector<std::string> ordered = {
      "2.jpg", "10.jpg", "img10", "IMG_0009.jpg", "img_10.jpg", "img_10a.jpg", "IMG_11.jpg", "x"};
  for (size_t i = 0; i < ordered.size(); ++i) {
    for (size_t j = 0; j < ordered.size(); ++j) {
      EXPECT_EQ(NameBefore(ordered[i], ordered[j]), i < j) << ordered[i] << " " << ordered[j];
    }
  }
  EXPECT_NE(NameBefore("a01", "a1"), NameBefore("a1", "a01"));  // a strict order all the same
}

// The builder as a program: what users type first.
struct Outcome {
  int code;
  std::string out;
  std::string err;
};

Outcome Albumpack(const std::string& arguments) {
  const fs::path dir = fs::temp_directory_path();
  const std::string out = (dir / ("albumpack-cli-out-" + std::to_string(::getpid()))).string();
  const std::string err = (dir / ("albumpack-cli-err-" + std::to_string(::getpid()))).string();
  const int status = std::system(
      (std::string(LANTERN_ALBUMPACK) + " " + arguments + " >" + out + " 2>" + err).c_str());
  Outcome run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, Contents(out), Contents(err)};
  fs::remove(out);
  fs::remove(err);
  return run;
}

TEST(AlbumpackCommandLine, HelpAndVersionOnTheOutputUsageErrorsOnTheErrorOutput) {
  for (const char* help : {"--help", "-h", "help"}) {
    const Outcome run = Albumpack(help);
    EXPECT_EQ(run.code, 0) << help;
    EXPECT_TRUE(run.err.empty()) << help;
    for (const char* command :
         {"build", "init", "list", "settings", "extract", "check", "render", "lyrics"}) {
      EXPECT_NE(run.out.find(std::string("\n  ") + command + " "), std::string::npos) << command;
      const Outcome page = Albumpack(std::string(command) + " --help");
      EXPECT_EQ(page.code, 0) << command;
      EXPECT_EQ(page.out.rfind(std::string("usage: albumpack ") + command + " ", 0), 0u)
          << page.out;
      EXPECT_EQ(Albumpack(std::string(command) + " some.scr -h").code, 0) << command;
    }
  }
  const Outcome version = Albumpack("--version");
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, "albumpack " LANTERN_VERSION "\n");
  for (const char* wrong : {"", "frobnicate", "list", "list a b", "build photos", "build photos -o",
                            "init", "check a --frob", "render a 1"}) {
    const Outcome run = Albumpack(wrong);
    EXPECT_EQ(run.code, 2) << wrong;
    EXPECT_TRUE(run.out.empty()) << wrong;
    EXPECT_NE(run.err.find("usage: albumpack"), std::string::npos) << wrong << ": " << run.err;
  }
}

// What a Linux user does first: a folder of photos (one of them not a picture
// at all) built into an album, checked, and a slide looked at. The photo that
// does not decode is left out with a word; the slide shows the photo itself.
TEST(AlbumpackCommandLine, ALinuxBuildLeavesOutWhatDoesNotDecodeAndRendersTheRealPhoto) {
  const fs::path dir =
      fs::temp_directory_path() / ("albumpack-native-" + std::to_string(::getpid()));
  fs::create_directories(dir / "photos");
  const auto write = [](const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  };
  write(dir / "photos" / "a.jpg", *EncodeJpeg(lantern::testing::Quadrants(400, 300), 92, ""));
  platform::HeapSurfaceBuffer second(200, 150);
  write(dir / "photos" / "b.png", EncodePng(second.surface()));
  write(dir / "photos" / "broken.gif", {'G', 'I', 'F', '8', '9', 'a'});
  write(dir / "stub.exe", lantern::testing::MinimalPe());
  const std::string album = (dir / "album.scr").string();

  const Outcome build = Albumpack("build " + (dir / "photos").string() + " -o " + album +
                                  " --stub " + (dir / "stub.exe").string());
  ASSERT_EQ(build.code, 0) << build.err;
  EXPECT_NE(build.err.find("broken.gif"), std::string::npos) << build.err;
  EXPECT_EQ(build.err.find("a.jpg"), std::string::npos) << build.err;
  EXPECT_EQ(build.err.find("b.png"), std::string::npos) << build.err;
  const Outcome check = Albumpack("check " + album);
  EXPECT_EQ(check.code, 0) << check.out << check.err;

  const std::string slide = (dir / "slide.png").string();
  const Outcome render = Albumpack("render " + album + " 1 " + slide + " --size 320x240");
  ASSERT_EQ(render.code, 0) << render.err;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, slide.c_str()));
  image.format = PNG_FORMAT_BGRA;
  std::vector<uint32_t> pixels(size_t{image.width} * image.height);
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
  ASSERT_EQ(image.width, 320u);
  // The photo's quarters, each well inside its own quarter of the slide.
  const int xs[] = {100, 220}, ys[] = {75, 165};
  for (int q = 0; q < 4; ++q) {
    const uint32_t got = pixels[size_t(ys[q / 2]) * 320 + size_t(xs[q % 2])];
    for (const int shift : {0, 8, 16}) {
      EXPECT_NEAR(int(got >> shift & 0xFF), int(lantern::testing::kQuadrants[q] >> shift & 0xFF),
                  40)
          << "quarter " << q << " " << std::hex << got;
    }
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace lantern::albumpack
