// The album builder's files: inputs that are not regular files, outputs
// written whole or not at all (two writers, an interruption, a full disk).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/fake/fake_platform.h"
#include "tests/unit/stand_in_decoder.h"
#include "tools/albumpack/commands.h"
#include "tools/albumpack/file_io.h"
#include "tools/albumpack/manifest.h"
#include "tools/albumpack/render.h"

namespace lantern::albumpack {
namespace {

using lantern::testing::StandInPictures;

namespace fs = std::filesystem;

class AlbumpackFilesTest : public ::testing::Test {
 protected:
  AlbumpackFilesTest()
      : dir_(fs::temp_directory_path() / ("albumpack-files-" + std::to_string(::getpid()))) {
    fs::create_directories(dir_);
  }
  ~AlbumpackFilesTest() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // Files left in the folder whose names end in ".partial".
  int Partials() const {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(dir_))
      n += entry.path().extension() == ".partial";
    return n;
  }

  fs::path dir_;
  std::ostringstream out_;
  std::ostringstream err_;
};

std::vector<uint8_t> Bytes(size_t size, uint8_t value) {
  return std::vector<uint8_t>(size, value);
}

TEST_F(AlbumpackFilesTest, OnlyRegularFilesAreRead) {
  fs::create_directory(dir_ / "dir.jpg");
  ASSERT_EQ(::mkfifo(Path("pipe.jpg").c_str(), 0600), 0);
  const auto error = [&](const std::string& manifest) {
    return ReadManifestText(manifest, "album.toml", dir_.string()).error;
  };
  EXPECT_EQ(error("[[photos]]\nfile = \"dir.jpg\"\n"),
            "album.toml:2:8: cannot read " + Path("dir.jpg") + ": a folder, not a file");
  EXPECT_NE(error("[[photos]]\nfile = \"pipe.jpg\"\n").find("pipe.jpg: not a regular file"),
            std::string::npos);
  EXPECT_NE(error("[[photos]]\nfile = \"none.jpg\"\n").find("none.jpg: No such file"),
            std::string::npos);
  // Every command that reads an album, and a folder as the player. A folder
  // in place of the manifest is a folder of photos, here one with none.
  const std::string folder = Path("dir.jpg");
  EXPECT_EQ(List(folder, out_, err_), 1);
  EXPECT_EQ(Check(folder, StandInPictures(), out_, err_), 1);
  EXPECT_EQ(Settings(folder, out_, err_), 1);
  EXPECT_EQ(Extract(folder, Path("x"), out_, err_), 1);
  platform::fake::FakePlatform fake;
  EXPECT_EQ(Render({folder, 1, Path("slide.png"), 10, 10, {}}, fake, out_, err_), 1);
  EXPECT_EQ(
      Build({folder, Path("a.scr"), Path("stub.exe"), "", false}, StandInPictures(), out_, err_),
      1);
  Write("album.toml", "");
  EXPECT_EQ(
      Build({Path("album.toml"), Path("a.scr"), folder, "", false}, StandInPictures(), out_, err_),
      1);
  EXPECT_FALSE(fs::exists(dir_ / "a.scr"));
  const std::string said = err_.str();
  size_t count = 0;
  for (size_t at = said.find(": a folder, not a file"); at != std::string::npos;
       at = said.find(": a folder, not a file", at + 1))
    ++count;
  EXPECT_EQ(count, 6u) << said;
  EXPECT_NE(said.find("dir.jpg: no picture the player can show"), std::string::npos) << said;
}

TEST_F(AlbumpackFilesTest, TwoWritersOfOneOutputEachWriteTheirOwnFile) {
  const auto first = Bytes(3 << 20, 'a');
  const auto second = Bytes(1000, 'b');
  std::string why;
  WriteOutcome inner = WriteOutcome::kFailed;
  // The second write starts and ends while the first is half-way.
  const auto outer = WriteWholeFile(dir_ / "album.scr", first, why, [&](size_t written, size_t) {
    if (written == (1 << 20)) inner = WriteWholeFile(dir_ / "album.scr", second, why);
  });
  EXPECT_EQ(inner, WriteOutcome::kWritten);
  EXPECT_EQ(outer, WriteOutcome::kWritten) << why;
  EXPECT_EQ(Read("album.scr"), std::string(first.begin(), first.end()));
  EXPECT_EQ(Partials(), 0);
}

// A build killed outright leaves its partial file; the next write of the same
// output removes it, but never a partial file another write still holds, nor
// one of another output.
TEST_F(AlbumpackFilesTest, PartialFilesOfKilledBuildsGoAtTheNextWriteButNotLiveOnes) {
  const pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    std::string why;
    WriteWholeFile(dir_ / "album.scr", Bytes(3 << 20, 'k'), why, [](size_t written, size_t) {
      if (written == (1 << 20)) std::raise(SIGKILL);
    });
    ::_exit(0);  // not reached: the kill came first
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  ASSERT_EQ(Partials(), 1);  // the killed build's, left behind
  // A write that is still going on holds its file; so does this test.
  Write("album.scr.4242-7.partial", "a build still writing");
  const int held = ::open(Path("album.scr.4242-7.partial").c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  Write("other.scr.4242-1.partial", "another album's");
  Write("album.scr.notes.partial", "not a name the builder makes");

  std::string why;
  ASSERT_EQ(WriteWholeFile(dir_ / "album.scr", Bytes(100, 'n'), why), WriteOutcome::kWritten)
      << why;
  ::close(held);
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir_)) {
    if (entry.path().extension() == ".partial") left.push_back(entry.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"album.scr.4242-7.partial", "album.scr.notes.partial",
                                            "other.scr.4242-1.partial"}));
  EXPECT_EQ(Read("album.scr.4242-7.partial"), "a build still writing");
  EXPECT_EQ(fs::file_size(dir_ / "album.scr"), 100u);
}

TEST_F(AlbumpackFilesTest, AnInterruptionRemovesThePartialFileAndKeepsTheAlbum) {
  Write("album.scr", "the album as it was");
  const auto interrupt = [](size_t written, size_t) {
    if (written == (1 << 20)) std::raise(SIGINT);
  };
  EXPECT_EQ(WriteOutputFile(Path("album.scr"), Bytes(3 << 20, 'x'), err_, interrupt),
            kInterruptedExitCode);
  EXPECT_EQ(Read("album.scr"), "the album as it was");
  EXPECT_EQ(Partials(), 0);
  EXPECT_NE(err_.str().find("album.scr: interrupted"), std::string::npos);
  // The handler lives only while writing; an ignored signal stays ignored.
  EXPECT_EQ(std::signal(SIGINT, SIG_IGN), SIG_DFL);
  std::string why;
  EXPECT_EQ(WriteWholeFile(dir_ / "album.scr", Bytes(3 << 20, 'y'), why, interrupt),
            WriteOutcome::kWritten);
  EXPECT_EQ(std::signal(SIGINT, SIG_DFL), SIG_IGN);
  EXPECT_EQ(fs::file_size(dir_ / "album.scr"), 3u << 20);
}

TEST_F(AlbumpackFilesTest, AFailedWriteSaysWhyAndLeavesNothing) {
  // A file size limit stands in for a full disk: the write fails part-way.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 1 << 20;
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const int code = WriteOutputFile(Path("album.scr"), Bytes(3 << 20, 'x'), err_);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(code, 1);
  EXPECT_EQ(err_.str(),
            Path("album.scr") + ": cannot write: " + std::generic_category().message(EFBIG) + "\n");
  EXPECT_FALSE(fs::exists(dir_ / "album.scr"));
  EXPECT_EQ(Partials(), 0);
  // A folder that does not exist.
  err_.str("");
  EXPECT_EQ(WriteOutputFile(Path("no/album.scr"), Bytes(10, 'x'), err_), 1);
  EXPECT_NE(err_.str().find(": cannot write: No such file or directory"), std::string::npos);
}

}  // namespace
}  // namespace lantern::albumpack
