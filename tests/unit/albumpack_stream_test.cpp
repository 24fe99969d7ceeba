// The album builder writes albums as a stream: the same bytes as an album
// laid out whole in memory, and nothing left behind when an input changes
// under it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "tests/unit/minimal_pe.h"
#include "tests/unit/stand_in_decoder.h"
#include "tools/albumpack/album_writer.h"
#include "tools/albumpack/commands.h"
#include "tools/albumpack/file_io.h"
#include "tools/albumpack/manifest.h"

namespace lantern::albumpack {
namespace {

using lantern::testing::StandInPictures;

namespace fs = std::filesystem;

uint64_t Fnv1a(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  uint64_t h = 0xCBF29CE484222325ull;
  char c;
  while (in.get(c)) {
    h ^= static_cast<uint8_t>(c);
    h *= 0x100000001B3ull;
  }
  return h;
}

class AlbumpackStreamTest : public ::testing::Test {
 protected:
  AlbumpackStreamTest()
      : dir_(fs::temp_directory_path() / ("albumpack-stream-" + std::to_string(::getpid()))) {
    fs::create_directories(dir_);
    Write("stub.exe", lantern::testing::MinimalPe());
  }
  ~AlbumpackStreamTest() override { fs::remove_all(dir_); }

  // A file whose bytes follow from its seed; pictures start as JPEG files do.
  void File(const std::string& name, size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    uint32_t s = seed * 2654435761u + 1;
    for (uint8_t& b : bytes) {
      s = s * 1664525u + 1013904223u;
      b = static_cast<uint8_t>(s >> 24);
    }
    if (size >= 2) bytes[0] = 0xFF, bytes[1] = 0xD8;
    Write(name, bytes);
  }
  void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  int Build(const std::string& manifest, const std::string& stub, const std::string& output) {
    { std::ofstream(dir_ / "album.toml") << manifest; }
    err_.str("");
    const BuildOptions options{(dir_ / "album.toml").string(), (dir_ / output).string(),
                               (dir_ / stub).string(), "", false};
    return albumpack::Build(options, StandInPictures(), out_, err_);
  }
  std::vector<fs::path> Leftovers() const {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      if (entry.path().extension() == ".partial") found.push_back(entry.path());
    }
    return found;
  }

  fs::path dir_;
  std::ostringstream out_;
  std::ostringstream err_;
};

// 300 photos of assorted sizes (a single byte, odd sizes, some many write
// chunks long) with songs, lyrics, a font and pictures; then the album itself
// as the player for a second, smaller album, which rewrites its resources in
// place. The checksums are those of the albums the builder wrote when it
// still laid out the whole image in memory, with the resource section since
// moved to a file offset the loader can map (the same section bytes 3072
// bytes further on, zeros before them; only its file offset and the checksum
// in the headers differ).
TEST_F(AlbumpackStreamTest, AlbumsAreByteForByteWhatTheWholeImageWriterMade) {
  std::string manifest =
      "title = \"Three hundred\"\nfonts = [\"f.ttf\"]\n"
      "[pictures]\nmask = \"m.png\"\nbackground = \"b.jpg\"\n"
      "[[songs]]\nfile = \"s.mp3\"\nlyrics = \"s.lrc\"\n";
  File("f.ttf", 4097, 1);
  File("m.png", 333, 2);
  File("b.jpg", 70'001, 3);
  File("s.mp3", 1'500'003, 4);
  Write("s.lrc", std::vector<uint8_t>{'[', '0', '0', ':', '0', '1', ']', 'h', 'i', '\n'});
  for (int i = 0; i < 300; ++i) {
    const size_t size = i % 97 == 0 ? 2'500'000 + static_cast<size_t>(i)
                                    : 1 + static_cast<size_t>(i) * 7919 % 60'000;
    const std::string name = "p" + std::to_string(i) + ".jpg";
    File(name, size, static_cast<uint32_t>(100 + i));
    manifest +=
        "[[photos]]\nfile = \"" + name + "\"\ncaption = \"photo " + std::to_string(i) + "\"\n";
  }
  ASSERT_EQ(Build(manifest, "stub.exe", "big.scr"), 0) << err_.str();
  EXPECT_EQ(fs::file_size(dir_ / "big.scr"), 20'507'136u);
  EXPECT_EQ(Fnv1a(dir_ / "big.scr"), 16645376467027597376u);
  ASSERT_EQ(Build("[[photos]]\nfile = \"p1.jpg\"\n[[photos]]\nfile = \"p0.jpg\"\n", "big.scr",
                  "small.scr"),
            0)
      << err_.str();
  EXPECT_EQ(fs::file_size(dir_ / "small.scr"), 2'516'992u);
  EXPECT_EQ(Fnv1a(dir_ / "small.scr"), 11251924211719055923u);
  EXPECT_TRUE(Leftovers().empty());
}

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The album in memory and the album streamed into a file are the same bytes;
// an item file that shrinks or grows after the album was laid out, or an
// interruption between items, fails the write: the file is named, nothing
// temporary is left and the album already there stays as it was.
TEST_F(AlbumpackStreamTest, ChangedItemsAndInterruptionsLeaveTheOldAlbum) {
  File("a.jpg", 3'000'001, 1);  // several chunks
  File("b.jpg", 700, 2);
  const ManifestResult m = ReadManifestText(
      "[[photos]]\nfile = \"a.jpg\"\n[[photos]]\nfile = \"b.jpg\"\n", "album.toml", dir_.string());
  ASSERT_EQ(m.error, "");
  std::string error;
  const auto album = AlbumImage::LayOut(lantern::testing::MinimalPe(), m.content, &error);
  ASSERT_TRUE(album) << error;
  const auto in_memory = WriteAlbum(lantern::testing::MinimalPe(), m.content, &error);
  ASSERT_TRUE(in_memory) << error;
  EXPECT_EQ(in_memory->size(), album->size());
  const fs::path target = dir_ / "album.scr";
  std::string why;
  const auto write = [&](const Progress& progress) {
    why.clear();
    return WriteStreamedFile(
        target,
        [&](OutputStream& out, std::string& reason) { return album->Write(out, reason, progress); },
        why);
  };
  ASSERT_EQ(write({}), WriteOutcome::kWritten) << why;
  EXPECT_EQ(Contents(target), std::string(in_memory->begin(), in_memory->end()));

  for (const size_t size : {699u, 701u}) {
    SCOPED_TRACE(size);
    File("b.jpg", size, 2);
    EXPECT_EQ(write({}), WriteOutcome::kReadFailed);
    EXPECT_NE(why.find("b.jpg: the file changed"), std::string::npos) << why;
    EXPECT_EQ(Contents(target), std::string(in_memory->begin(), in_memory->end()));
    EXPECT_TRUE(Leftovers().empty());
  }
  File("b.jpg", 700, 2);
  EXPECT_EQ(write([](size_t done, size_t) {
              if (done == 1) std::raise(SIGINT);
            }),
            WriteOutcome::kInterrupted);
  EXPECT_EQ(Contents(target), std::string(in_memory->begin(), in_memory->end()));
  EXPECT_TRUE(Leftovers().empty());
}

// An item file that can no longer be read when the album is written is a
// read failure that names the file, not a failure to write the album.
TEST_F(AlbumpackStreamTest, AnItemThatCannotBeReadIsReportedAsAReadFailure) {
  File("a.jpg", 2'000'000, 1);
  File("gone.jpg", 700, 2);
  const ManifestResult m =
      ReadManifestText("[[photos]]\nfile = \"a.jpg\"\n[[photos]]\nfile = \"gone.jpg\"\n",
                       "album.toml", dir_.string());
  ASSERT_EQ(m.error, "");
  std::string error;
  const auto album = AlbumImage::LayOut(lantern::testing::MinimalPe(), m.content, &error);
  ASSERT_TRUE(album) << error;
  fs::remove(dir_ / "gone.jpg");
  const std::string target = (dir_ / "album.scr").string();
  const int code = WriteOutputFile(
      target, [&](OutputStream& out, std::string& why) { return album->Write(out, why); }, err_);
  EXPECT_EQ(code, 1);
  EXPECT_EQ(err_.str(), (dir_ / "gone.jpg").string() +
                            ": cannot read: " + std::generic_category().message(ENOENT) + "; " +
                            target + " was not written\n");
  EXPECT_FALSE(fs::exists(target));
  EXPECT_TRUE(Leftovers().empty());
}

}  // namespace
}  // namespace lantern::albumpack
