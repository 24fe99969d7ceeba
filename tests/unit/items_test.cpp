// Album items on the fake backend: the key stream, loading, extraction and
// the extraction folder.
#include <gtest/gtest.h>

#include <algorithm>

#include <numeric>

#include "album/items.h"
#include "platform/fake/fake_platform.h"

namespace lantern::album {
namespace {

std::vector<uint8_t> Sequence(size_t n) {
  std::vector<uint8_t> v(n);
  std::iota(v.begin(), v.end(), uint8_t{7});
  return v;
}

std::vector<uint8_t> Scrambled(std::vector<uint8_t> v) {
  ApplyItemKeyStream(v);
  return v;
}

class ItemsTest : public ::testing::Test {
 protected:
  platform::fake::FakePlatform fake_;
  AlbumItems items_{fake_.resources(), fake_.files(), fake_.loop()};
};

TEST(KeyStream, StartsWithTheAlbumSequenceAndCoversOnly256Bytes) {
  std::vector<uint8_t> zeros(300, 0);
  ApplyItemKeyStream(zeros);
  const std::vector<uint8_t> expected{124, 5,   30,  41,  181, 252, 146, 252,
                                      234, 144, 125, 133, 180, 70,  97,  14};
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), zeros.begin()));
  EXPECT_TRUE(std::all_of(zeros.begin() + 256, zeros.end(), [](uint8_t b) { return b == 0; }));
  EXPECT_FALSE(
      std::all_of(zeros.begin() + 200, zeros.begin() + 256, [](uint8_t b) { return b == 0; }));
}

TEST_F(ItemsTest, LoadsUnscrambleShortAndLongItemsAndRestartTheStream) {
  const auto short_item = Sequence(100);
  const auto long_item = Sequence(300);
  fake_.fake_resources().Add("IMGNAMES(1)", Scrambled(short_item));
  fake_.fake_resources().Add("IMGNAMES(2)", Scrambled(long_item));
  EXPECT_EQ(items_.LoadItemBytes("ImgNames(1)"), short_item);
  EXPECT_EQ(items_.LoadItemBytes("ImgNames(2)"), long_item);
  EXPECT_EQ(items_.LoadItemBytes("ImgNames(2)"), long_item);  // same bytes the second time
  auto stored = Scrambled(long_item);
  EXPECT_TRUE(std::equal(stored.begin() + 256, stored.end(), long_item.begin() + 256));
}

TEST_F(ItemsTest, NamesMatchWithoutRegardToCaseAndMissingItemsAreNullopt) {
  fake_.fake_resources().Add("BTN_PREV", Scrambled({1, 2, 3}));
  EXPECT_EQ(items_.LoadItemBytes("btn_prev"), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(items_.LoadItemBytes("BTN_PREV"), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(items_.LoadItemBytes("btn_next"), std::nullopt);
  EXPECT_EQ(items_.LoadSettingsBlob(), std::nullopt);
  fake_.fake_resources().Add("ALLDATASETTINGS", {9, 8, 7});
  EXPECT_EQ(items_.LoadSettingsBlob(), (std::vector<uint8_t>{9, 8, 7}));  // not unscrambled
}

TEST_F(ItemsTest, ExtractWritesPlainOrMappedAndKeepsALongerTail) {
  const auto song = Sequence(1000);
  fake_.fake_resources().Add("MUSICNAMES(1)", Scrambled(song));
  auto& files = fake_.fake_files();
  ASSERT_TRUE(files.CreateFolder("C:\\out"));
  ASSERT_TRUE(items_.ExtractItem("MusicNames(1)", "C:\\out\\1.mp3", WriteMode::kMapped));
  EXPECT_EQ(files.ReadFile("C:\\out\\1.mp3"), song);
  EXPECT_EQ(files.mapped_writes(), 1);
  std::vector<uint8_t> longer(1500, 0xEE);
  files.WriteAt("C:\\out\\2.mp3", longer, 0);
  ASSERT_TRUE(items_.ExtractItem("MusicNames(1)", "C:\\out\\2.mp3", WriteMode::kPlain));
  const auto written = files.ReadFile("C:\\out\\2.mp3");
  ASSERT_EQ(written->size(), 1500u);
  EXPECT_TRUE(std::equal(song.begin(), song.end(), written->begin()));
  EXPECT_EQ((*written)[1200], 0xEE);
  EXPECT_FALSE(items_.ExtractItem("MusicNames(2)", "C:\\out\\3.mp3", WriteMode::kPlain));
  EXPECT_FALSE(files.Exists("C:\\out\\3.mp3"));
  EXPECT_FALSE(items_.ExtractItem("MusicNames(1)", "C:\\missing\\1.mp3", WriteMode::kPlain));
}

// A long item is written a piece at a time with a dispatch before each
// piece; a stop seen at a dispatch ends the extraction there.
TEST_F(ItemsTest, ALongExtractionDispatchesBetweenPiecesAndStopsWhenAsked) {
  const size_t piece = AlbumItems::kExtractPieceBytes;
  auto song = Sequence(2 * piece + 10);
  fake_.fake_resources().Add("MUSICNAMES(1)", Scrambled(song));
  auto& files = fake_.fake_files();
  ASSERT_TRUE(files.CreateFolder("C:\\out"));
  const int pumps = fake_.pump_count();
  ASSERT_TRUE(items_.ExtractItem("MusicNames(1)", "C:\\out\\1.mp3", WriteMode::kMapped));
  EXPECT_EQ(files.ReadFile("C:\\out\\1.mp3"), song);
  EXPECT_EQ(files.mapped_writes(), 3);
  EXPECT_EQ(fake_.pump_count() - pumps, 3);
  int asked = 0;
  const auto stop_after_one_piece = [&] { return ++asked == 2; };
  EXPECT_FALSE(items_.ExtractItem("MusicNames(1)", "C:\\out\\2.mp3", WriteMode::kMapped,
                                  stop_after_one_piece));
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(files.FileSize("C:\\out\\2.mp3"), piece);
}

TEST_F(ItemsTest, ExtractionFolderIsPemoOrPemo1) {
  auto& files = fake_.fake_files();
  files.CreateFolder("C:\\Temp");
  const auto first = MakeExtractionFolder(files, "C:\\Temp\\");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->path, "C:\\Temp\\~Pemo\\");
  EXPECT_TRUE(files.IsFolder("C:\\Temp\\~Pemo"));
  // A second copy while the first runs: ~Pemo1, emptied of a stale earlier
  // run first (depth first; the folder itself stays, to be reused).
  files.CreateFolder("C:\\Temp\\~Pemo1");
  files.CreateFolder("C:\\Temp\\~Pemo1\\sub");
  files.WriteAt("C:\\Temp\\~Pemo1\\sub\\old.mp3", std::vector<uint8_t>{1}, 0);
  files.WriteAt("C:\\Temp\\~Pemo1\\old.lrc", std::vector<uint8_t>{1}, 0);
  const auto second = MakeExtractionFolder(files, "C:\\Temp\\");
  ASSERT_TRUE(second);
  EXPECT_EQ(second->path, "C:\\Temp\\~Pemo1\\");
  EXPECT_TRUE(files.IsFolder("C:\\Temp\\~Pemo1"));
  EXPECT_FALSE(files.Exists("C:\\Temp\\~Pemo1\\sub\\old.mp3"));
  EXPECT_FALSE(files.Exists("C:\\Temp\\~Pemo1\\old.lrc"));
  const auto& deleted = files.deleted();
  ASSERT_EQ(deleted.size(), 3u);
  EXPECT_EQ(deleted[0], "C:\\TEMP\\~PEMO1\\SUB\\OLD.MP3");
  EXPECT_EQ(std::count(deleted.begin(), deleted.end(), "C:\\TEMP\\~PEMO1"), 0);
}

// Three copies at once, and runs that were killed: a folder a running copy
// holds is never touched; one nobody holds is emptied and reused.
TEST_F(ItemsTest, ExtractionFoldersOfRunningCopiesAreNeverDeleted) {
  auto& files = fake_.fake_files();
  files.CreateFolder("C:\\Temp");
  auto first = MakeExtractionFolder(files, "C:\\Temp\\");
  auto second = MakeExtractionFolder(files, "C:\\Temp\\");
  ASSERT_TRUE(first && second);
  files.WriteAt(second->path + "1.MP3", std::vector<uint8_t>{7}, 0);
  const auto third = MakeExtractionFolder(files, "C:\\Temp\\");
  ASSERT_TRUE(third);
  EXPECT_EQ(third->path, "C:\\Temp\\~Pemo2\\");
  EXPECT_TRUE(files.Exists("C:\\Temp\\~Pemo1\\1.MP3"));  // the second copy plays on

  // The first copy is killed: its hold goes with the process, its files stay.
  files.WriteAt(first->path + "2.MP3", std::vector<uint8_t>{7}, 0);
  first->hold.reset();
  const auto later = MakeExtractionFolder(files, "C:\\Temp\\");
  ASSERT_TRUE(later);
  EXPECT_EQ(later->path, "C:\\Temp\\~Pemo\\");
  EXPECT_FALSE(files.Exists("C:\\Temp\\~Pemo\\2.MP3"));

  // A run that ends deletes its own folder.
  EXPECT_TRUE(DeleteExtractionFolder(files, *second));
  EXPECT_FALSE(files.Exists("C:\\Temp\\~Pemo1"));
}

TEST_F(ItemsTest, NoExtractionFolderWhereNoneCanBeMade) {
  auto& files = fake_.fake_files();
  files.CreateFolder("C:\\Temp");
  files.WriteAt("C:\\Temp\\~Pemo", std::vector<uint8_t>{1}, 0);  // a file of that name
  const auto beside = MakeExtractionFolder(files, "C:\\Temp\\");
  ASSERT_TRUE(beside);
  EXPECT_EQ(beside->path, "C:\\Temp\\~Pemo1\\");
  files.set_read_only("C:\\Locked");
  files.CreateFolder("C:\\Locked");
  EXPECT_FALSE(MakeExtractionFolder(files, "C:\\Locked\\"));
  EXPECT_FALSE(MakeExtractionFolder(files, "C:\\Missing\\"));
}

TEST_F(ItemsTest, OnlyExtractionFoldersAreEverDeleted) {
  auto& files = fake_.fake_files();
  files.CreateFolder("C:\\Temp");
  files.CreateFolder("C:\\Temp\\~pemo");
  files.CreateFolder("C:\\Temp\\Photos");
  EXPECT_FALSE(DeleteExtractionFolder(files, "C:\\Temp\\"));
  EXPECT_FALSE(DeleteExtractionFolder(files, "C:\\Temp\\Photos\\"));
  EXPECT_FALSE(DeleteExtractionFolder(files, "C:\\Temp\\~Pemo"));  // no trailing backslash
  EXPECT_FALSE(DeleteExtractionFolder(files, "C:\\Temp\\x~Pemo1\\"));
  EXPECT_FALSE(DeleteExtractionFolder(files, "C:\\Temp\\~Pemo01\\"));
  EXPECT_FALSE(DeleteExtractionFolder(files, "~Pemo\\"));
  EXPECT_TRUE(files.IsFolder("C:\\Temp\\Photos"));
  EXPECT_TRUE(DeleteExtractionFolder(files, "C:\\Temp\\~PEMO\\"));
  EXPECT_FALSE(files.Exists("C:\\Temp\\~pemo"));
  files.CreateFolder("C:\\Temp\\~Pemo12");
  EXPECT_TRUE(DeleteExtractionFolder(files, "C:\\Temp\\~Pemo12\\"));
}

}  // namespace
}  // namespace lantern::album
