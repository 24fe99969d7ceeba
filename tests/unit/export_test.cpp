// The export on the fake backend: the files and their names, the folder
// picker and the password, never replacing a file, and a failing write that
// stops the export without losing what was written.
#include <gtest/gtest.h>

#include "dialogs/export.h"
#include "show_fixture.h"

namespace lantern::dialogs {
namespace {

using show_fixture::ShowTest;

class ExportTest : public ShowTest {
 protected:
  // 3 photos and 1 song with a lyric file, each item's bytes its own name.
  ExportTest() {
    writer_.SetInt32("NowI", 3);
    writer_.SetInt32("NowM", 1);
    writer_.SetInt32("LyricFilesCount", 1);
    for (int n = 1; n <= 3; ++n)
      Add(album::IndexedKey("ImgNames(", n), "JPG");
    Add("MusicNames(1)", "MP3");
    Add("MusicLyricFiles(1)", "LRC");
    fake_.fake_files().CreateFolder("D:\\Out");
  }
  void Add(const std::string& item, const std::string& type) { Item(item, type, Bytes(item)); }
  static std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }
  void Load() {
    ASSERT_EQ(store_.Load(writer_.Blob()), album::LoadError::kNone);
    album::ReadAllSettings(store_, settings_);
  }
  // The export button pressed once, the picker answering `folder`.
  void Export(const std::string& folder, const std::vector<std::string>& passwords = {}) {
    fake_.fake_system().folder_answers = {folder};
    fake_.fake_system().text_answers = passwords;
    album::AlbumItems items(fake_.resources(), fake_.files(), fake_.loop());
    ExportAction(fake_, items, settings_, store_).Run(0);
  }
  std::string File(const std::string& path) {
    const auto bytes = fake_.files().ReadFile(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<none>";
  }
  const std::vector<std::string>& Messages() { return fake_.fake_system().messages; }

  album::PropertyBag store_;
  album::AlbumSettings settings_;
};

TEST_F(ExportTest, ThreePhotosAndASongWithLyricsExportByNumberAndType) {
  Load();
  const ExportPlan plan = PlanExport(settings_, store_);
  EXPECT_TRUE(plan.left_out.empty());
  std::vector<std::string> names;
  for (const ExportFile& f : plan.files)
    names.push_back(f.file_name);
  EXPECT_EQ(names, (std::vector<std::string>{"1.MP3", "1.LRC", "1.JPG", "2.JPG", "3.JPG"}));

  Export("D:\\Out");
  const auto& picker = fake_.fake_system().folder_pickers.at(0);
  EXPECT_EQ(picker.start_folder, "c:\\");
  EXPECT_EQ(picker.prompt, "请选择一个目录来存放导出的图片和音乐文件");
  EXPECT_FALSE(picker.allow_new_folder);
  EXPECT_TRUE(fake_.fake_system().text_prompts.empty());  // no password asked
  EXPECT_EQ(File("D:\\Out\\1.MP3"), "MusicNames(1)");
  EXPECT_EQ(File("D:\\Out\\1.LRC"), "MusicLyricFiles(1)");
  EXPECT_EQ(File("D:\\Out\\3.JPG"), "ImgNames(3)");
  EXPECT_EQ(Messages(), (std::vector<std::string>{"文件已经输出到以下目录：\rD:\\Out\\"}));
}

TEST_F(ExportTest, TypeWordsThatAreNoPlainWordAndMissingLyricsAreLeftOut) {
  writer_.SetText("ImgNames(2)_Type", "..\\..\\X");
  writer_.SetText("ImgNames(3)_Type", "");
  writer_.SetInt32("LyricFilesCount", 0);
  Load();
  std::vector<std::string> names;
  const ExportPlan plan = PlanExport(settings_, store_);
  for (const ExportFile& f : plan.files)
    names.push_back(f.file_name);
  EXPECT_EQ(names, (std::vector<std::string>{"1.MP3", "1.JPG"}));
  ASSERT_EQ(plan.left_out.size(), 2u);  // the lyrics are not in the album, so not left out
  EXPECT_EQ(plan.left_out[0].item, "ImgNames(2)");
  EXPECT_EQ(plan.left_out[1].item, "ImgNames(3)");
}

TEST_F(ExportTest, NoFolderChosenEndsQuietlyAndWithoutAStartFolderWhenCIsMissing) {
  fake_.fake_files().set_drive_missing("C:");
  Load();
  Export("");
  EXPECT_EQ(fake_.fake_system().folder_pickers.at(0).start_folder, "");
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(File("D:\\Out\\1.JPG"), "<none>");
}

TEST_F(ExportTest, APasswordGuardsTheExportAndASingleSpaceIsNone) {
  writer_.SetText("ExportPassword", " ");
  Load();
  Export("D:\\Out\\");
  EXPECT_TRUE(fake_.fake_system().text_prompts.empty());
  EXPECT_EQ(File("D:\\Out\\1.JPG"), "ImgNames(1)");

  fake_.fake_files().CreateFolder("D:\\Two");
  writer_.SetText("ExportPassword", "Secret");
  Load();
  Export("D:\\Two", {"secret"});  // the case counts
  EXPECT_EQ(fake_.fake_system().text_prompts.at(0),
            (std::pair<std::string, std::string>{"请输入密码：", "密码"}));
  EXPECT_EQ(Messages().back(), "密码错误！");
  EXPECT_EQ(File("D:\\Two\\1.JPG"), "<none>");
  Export("D:\\Two", {});  // cancelled: an empty answer
  EXPECT_EQ(Messages().back(), "密码错误！");
  Export("D:\\Two", {"Secret"});
  EXPECT_EQ(File("D:\\Two\\1.JPG"), "ImgNames(1)");
  EXPECT_EQ(Messages().back(), "文件已经输出到以下目录：\rD:\\Two\\");
}

TEST_F(ExportTest, ExportingTwiceLeavesTheFirstFilesAsTheyAre) {
  Load();
  Export("D:\\Out");
  fake_.files().WriteAt("D:\\Out\\2.JPG", Bytes("mine"), 0);
  fake_.files().DeleteTree("D:\\Out\\3.JPG");
  Export("D:\\Out");
  EXPECT_EQ(File("D:\\Out\\2.JPG"), "mineames(2)");  // not replaced
  EXPECT_EQ(File("D:\\Out\\3.JPG"), "ImgNames(3)");  // written again
  EXPECT_EQ(Messages().size(), 2u);
}

TEST_F(ExportTest, AFailingWriteIsReportedWithPathAndReasonAndLosesNothing) {
  Load();
  // A nearly full disk: room for the song and its lyrics, not for the first photo.
  fake_.fake_files().set_free_space(std::string("MusicNames(1)MusicLyricFiles(1)").size());
  Export("D:\\Out");
  EXPECT_EQ(File("D:\\Out\\1.MP3"), "MusicNames(1)");
  EXPECT_EQ(File("D:\\Out\\1.LRC"), "MusicLyricFiles(1)");
  EXPECT_FALSE(fake_.files().Exists("D:\\Out\\1.JPG"));  // no part of a file left behind
  EXPECT_FALSE(fake_.files().Exists("D:\\Out\\2.JPG"));  // the export stopped
  ASSERT_EQ(Messages().size(), 1u);
  // The folder that holds what was written, then the file that failed and why.
  EXPECT_EQ(
      Messages()[0],
      "导出文件失败，已经导出的文件保留在目录中：\rD:\\Out\\\r无法写入的文件：D:\\Out\\1.JPG\r"
      "There is not enough space on the disk.");

  fake_.fake_files().CreateFolder("D:\\Locked");
  fake_.fake_files().set_read_only("D:\\Locked");
  Export("D:\\Locked");
  EXPECT_EQ(Messages().back(),
            "导出文件失败，已经导出的文件保留在目录中：\rD:\\Locked\\\r无法写入的文件：D:"
            "\\Locked\\1.MP3\r"
            "Access is denied.");
  EXPECT_EQ(File("D:\\Out\\1.MP3"), "MusicNames(1)");
}

// Items the album cannot give (named by the settings, missing from the
// album) and items whose type word names no file are not exported: the
// export goes on with the rest and its message says what was left out
// instead of reporting success.
TEST_F(ExportTest, ItemsThatCannotBeExportedAreListedInsteadOfReportingSuccess) {
  writer_.SetInt32("NowI", 5);
  writer_.SetText("ImgNames(4)_Type", "JPG");  // no such item in the album
  writer_.SetText("ImgNames(5)_Type", "..\\X");
  Load();
  Export("D:\\Out");
  EXPECT_EQ(File("D:\\Out\\3.JPG"), "ImgNames(3)");  // the export went on
  EXPECT_FALSE(fake_.files().Exists("D:\\Out\\4.JPG"));
  EXPECT_EQ(Messages(),
            (std::vector<std::string>{
                "部分文件没有导出，其余文件已经输出到以下目录：\rD:\\Out\\\r"
                "以下文件没有导出：\r图片 5（文件类型无效）\r图片 4（无法从相册中读取）"}));

  // A write failure after such items names both.
  fake_.fake_files().CreateFolder("D:\\Locked");
  fake_.fake_files().set_read_only("D:\\Locked");
  writer_.SetText("MusicNames(1)_Type", "");
  writer_.SetText("MusicLyricFiles(1)_Type", "L/C");
  Load();
  Export("D:\\Locked");
  EXPECT_EQ(
      Messages().back(),
      "导出文件失败，已经导出的文件保留在目录中：\rD:\\Locked\\\r无法写入的文件：D:\\Locked\\1."
      "JPG\r"
      "Access is denied.\r以下文件没有导出：\r音乐 1（文件类型无效）\r歌词 1（文件类型无效）\r"
      "图片 5（文件类型无效）");
}

TEST_F(ExportTest, ALongListOfLeftOutFilesIsCut) {
  writer_.SetInt32("NowI", 40);  // photos 4 to 40 have no type word
  Load();
  const ExportPlan plan = PlanExport(settings_, store_);
  const std::string message = ExportMessage("D:\\Out\\", plan, ExportOutcome{});
  EXPECT_NE(message.find("\r图片 13（文件类型无效）\r……共 37 个文件"), std::string::npos)
      << message;
  EXPECT_EQ(message.find("图片 14"), std::string::npos);
}

}  // namespace
}  // namespace lantern::dialogs
