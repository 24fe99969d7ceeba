// Packaged fonts and installing and removing the screen saver, on the fake
// backend: what is written, registered and run, and the messages.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "album/album_fonts.h"
#include "album/font_name.h"
#include "app/entry.h"
#include "app/install.h"
#include "show_fixture.h"

namespace lantern::app {
namespace {

using platform::RegistryRoot;
using platform::fake::FakeForeignWindow;

std::vector<uint8_t> CorpusFile(const std::string& relative) {
  std::ifstream in(std::string(LANTERN_CORPUS_DIR) + "/" + relative, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(FontNameTest, FamilyNamesOfTheCorpusFonts) {
  std::ifstream index(std::string(LANTERN_CORPUS_DIR) + "/reference/fonts/INDEX.tsv");
  std::string line;
  std::getline(index, line);  // the header
  int checked = 0;
  while (std::getline(index, line)) {
    std::istringstream fields(line);
    std::string path, face, records, has_mac, mac_family, windows_family;
    std::getline(fields, path, '\t');
    std::getline(fields, face, '\t');
    std::getline(fields, records, '\t');
    std::getline(fields, has_mac, '\t');
    std::getline(fields, mac_family, '\t');
    std::getline(fields, windows_family, '\t');
    const std::vector<uint8_t> font = CorpusFile(path);
    if (font.empty()) continue;  // listed but not shipped
    // Only version 1.0 TrueType files are read; OpenType ("OTTO") and
    // collections ("ttcf") have no family name here. The first family
    // record is the Mac Roman one when there is one; a Windows name is
    // UTF-16 big-endian, whose ASCII letters survive the NUL removal.
    const bool true_type = font.size() > 4 && font[0] == 0 && font[1] == 1 && font[2] == 0;
    const std::string expected = !true_type ? "" : has_mac == "yes" ? mac_family : windows_family;
    EXPECT_EQ(album::FontFamilyBytes(font), expected) << path;
    ++checked;
  }
  EXPECT_GE(checked, 8);
}

TEST(FontNameTest, DamagedFontsGiveNoNameAndNeverReadOutside) {
  std::vector<uint8_t> font = CorpusFile("fonts/pillow/DejaVuSans-24-1-stripped.ttf");
  ASSERT_FALSE(font.empty());
  // Cut before the table directory ends, or inside the name table's records:
  // no name. Cut after the family name's bytes: the name is all there.
  const size_t name_table = 19908;  // this file's 'name' table offset
  for (size_t cut :
       {size_t{0}, size_t{5}, size_t{12}, size_t{40}, name_table + 4, name_table + 20}) {
    const std::vector<uint8_t> part(font.begin(), font.begin() + static_cast<ptrdiff_t>(cut));
    EXPECT_EQ(album::FontFamilyBytes(part), "") << cut;
  }
  const std::vector<uint8_t> half(font.begin(), font.begin() + font.size() / 2);
  EXPECT_EQ(album::FontFamilyBytes(half), "DejaVu Sans");
  font[4] = 0xFF;  // 65535 tables
  font[5] = 0xFF;
  EXPECT_EQ(album::FontFamilyBytes(font), "DejaVu Sans");  // the name table comes first
  std::vector<uint8_t> other(font);
  other[0] = 0;  // version 0.1
  other[1] = 0;
  EXPECT_EQ(album::FontFamilyBytes(other), "");
}

using show_fixture::ShowTest;

class FontsTest : public ShowTest {
 protected:
  FontsTest() {
    fake_.files().CreateFolder("C:\\windows");
    fake_.files().CreateFolder("C:\\windows\\Fonts");
    fake_.files().CreateFolder("C:\\users");
    fake_.files().CreateFolder("C:\\users\\me");
    fake_.files().CreateFolder("C:\\users\\me\\AppData");
    fake_.files().CreateFolder("C:\\users\\me\\AppData\\Roaming");
    font_ = CorpusFile("fonts/pillow/DejaVuSans-24-1-stripped.ttf");
    writer_.SetInt32("ToInstallFontCount", 1);
    Item("ToInstallFont(1)", "TTF", font_);
    for (int k = 1; k <= 4; ++k)
      writer_.SetText(album::IndexedKey("fFontName(", k), k == 2 ? "DejaVu Sans" : "Arial");
    faces({"ARIAL"});
  }
  void faces(std::set<std::string> f) { fake_.fake_system().faces = std::move(f); }
  album::AlbumSettings Read() {
    EXPECT_EQ(store_.Load(writer_.Blob()), album::LoadError::kNone);
    album::AlbumSettings s;
    album::ReadAllSettings(store_, s);
    return s;
  }
  void Ensure(album::AlbumSettings& s, int32_t version_class = 7) {
    const album::FontServices services{fake_.fonts(), fake_.registry(), fake_.code_page(),
                                       fake_.files()};
    album::AlbumFonts fonts(services, items_, [&](int32_t ms) {
      waited_ += ms;
      fake_.AdvanceMs(ms);
    });
    fonts.EnsureAlbumFonts(s, store_, version_class, needs_elevation_);
  }

  const std::string stored_ = "C:\\users\\me\\AppData\\Roaming\\PemoFont\\Pemofont1.TTF";
  std::vector<uint8_t> font_;
  album::PropertyBag store_;
  album::AlbumItems items_{fake_.resources(), fake_.files(), fake_.loop()};
  bool needs_elevation_ = false;
  int32_t waited_ = 0;
};

TEST_F(FontsTest, WithEveryStyleFontThereNothingIsWritten) {
  faces({"ARIAL", "DEJAVU SANS"});
  album::AlbumSettings s = Read();
  Ensure(s);
  EXPECT_FALSE(fake_.files().Exists(stored_));
  EXPECT_TRUE(fake_.fake_system().registry.empty());
  EXPECT_TRUE(fake_.fake_system().font_resources.empty());
}

TEST_F(FontsTest, AMissingFaceIsStoredRegisteredAndWaitedFor) {
  fake_.fake_system().faces_of_files["C:\\USERS\\ME\\APPDATA\\ROAMING\\PEMOFONT\\PEMOFONT1.TTF"] =
      "DejaVu Sans";
  album::AlbumSettings s = Read();
  Ensure(s);
  EXPECT_EQ(fake_.files().ReadFile(stored_), font_);
  EXPECT_EQ(fake_.fake_system().font_resources,
            std::vector<std::string>{"C:\\users\\me\\AppData\\Roaming\\PemoFont\\PemoFont1.FOT"});
  EXPECT_FALSE(fake_.files().Exists("C:\\users\\me\\AppData\\Roaming\\PemoFont\\PemoFont1.FOT"));
  EXPECT_EQ(fake_.fake_system().RegistryString(
                RegistryRoot::kLocalMachine,
                "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "DejaVu Sans"),
            "C:\\users\\me\\AppData\\Roaming\\PemoFont\\PemoFont1.TTF");
  EXPECT_EQ(fake_.fake_system().font_change_broadcasts, 1);
  EXPECT_EQ(waited_, 0);  // usable at once
  EXPECT_FALSE(needs_elevation_);

  // After a logoff the face is gone again: the next start finds the stored
  // file by its size, writes nothing, and registers that file again.
  faces({"ARIAL"});
  const int writes = fake_.fake_files().mapped_writes();
  album::AlbumSettings again = Read();
  Ensure(again);
  EXPECT_EQ(fake_.fake_files().mapped_writes(), writes);
  EXPECT_EQ(fake_.fake_system().font_resources.size(), 2u);
  EXPECT_EQ(fake_.fake_system().font_resources.back(),
            "C:\\users\\me\\AppData\\Roaming\\PemoFont\\PemoFont1.FOT");
  EXPECT_TRUE(fake_.fake_system().FontFaceUsable("DejaVu Sans"));
  EXPECT_EQ(waited_, 0);
}

// A stored font whose face is usable is not registered again, even while
// another style's face is missing.
TEST_F(FontsTest, AStoredFontWhoseFaceIsThereIsNotRegisteredAgain) {
  fake_.fake_system().faces_of_files["C:\\USERS\\ME\\APPDATA\\ROAMING\\PEMOFONT\\PEMOFONT1.TTF"] =
      "DejaVu Sans";
  album::AlbumSettings s = Read();
  Ensure(s);
  ASSERT_EQ(fake_.fake_system().font_resources.size(), 1u);
  writer_.SetText("fFontName(3)", "Missing Face");
  album::AlbumSettings again = Read();
  Ensure(again);
  EXPECT_EQ(fake_.fake_system().font_resources.size(), 1u);
}

TEST_F(FontsTest, AFaceThatNeverArrivesIsWaitedForTenSeconds) {
  album::AlbumSettings s = Read();
  Ensure(s);
  EXPECT_EQ(waited_, 100 * 100);
  album::AlbumSettings vista = Read();
  faces({"ARIAL"});
  waited_ = 0;
  fake_.files().DeleteTree(stored_);
  Ensure(vista, 6);
  EXPECT_EQ(waited_, 0);
}

// A close while the player waits for a font it registered stops the show; the
// rest of the loading must not undo the stop (the screen saver's flag set
// again, the cursor hidden).
TEST_F(FontsTest, ACloseDuringTheWaitForAFontStaysAStop) {
  Photos({0xFF0000});
  bool waiting = false;
  RunForm("/S", 60'000, [&](player::FrmPb& form) {
    At(500, [&] {  // a close request to the window, not yet shown
      waiting = !fake_.fake_system().font_resources.empty() && !form.StopDone();
      form.OnCloseRequest();
    });
  });
  EXPECT_TRUE(waiting);
  EXPECT_LT(fake_.now_ms_exact(), 1000);
  const platform::fake::FakeSystem& system = fake_.fake_system();
  ASSERT_FALSE(system.saver_running_calls.empty());
  EXPECT_FALSE(system.saver_running_calls.back());
  ASSERT_FALSE(system.cursor_calls.empty());
  EXPECT_TRUE(system.cursor_calls.back());
}

TEST_F(FontsTest, WithoutWriteAccessToTheFontsFolderNothingIsInstalled) {
  fake_.fake_files().set_read_only("C:\\windows\\Fonts");
  album::AlbumSettings s = Read();
  Ensure(s);
  EXPECT_TRUE(needs_elevation_);
  EXPECT_FALSE(fake_.files().Exists(stored_));
  EXPECT_TRUE(fake_.fake_system().font_resources.empty());
}

TEST_F(FontsTest, AMissingFaceSwitchesToItsInstalledCheckName) {
  writer_.SetText("fFontNameForCheck(2)", "Liberation Sans");
  faces({"ARIAL", "LIBERATION SANS"});
  album::AlbumSettings s = Read();
  Ensure(s);
  EXPECT_EQ(s.fFontName[2], "Liberation Sans");
  EXPECT_FALSE(fake_.files().Exists(stored_));
}

TEST_F(FontsTest, BeforeVersionSixFontsAreCopiedIntoTheFontsFolder) {
  album::AlbumSettings s = Read();
  Ensure(s, 5);
  EXPECT_EQ(fake_.files().ReadFile("C:\\windows\\Fonts\\PemoFont1.TTF"), font_);
  EXPECT_TRUE(fake_.fake_system().font_resources.empty());
}

class InstallTest : public FontsTest {
 protected:
  InstallTest() {
    fake_.files().CreateFolder("C:\\windows\\syswow64");
    fake_.files().CreateFolder("C:\\Albums");
    fake_.files().WriteAt("C:\\Albums\\album.exe", std::vector<uint8_t>(100, 7), 0);
    fake_.files().WriteAt("C:\\windows\\syswow64\\cmd.exe", std::vector<uint8_t>(10, 1), 0);
    fake_.fake_system().module_file_name = "C:\\Albums\\album.exe";
    fake_.fake_system().is_wow64 = true;
    faces({"ARIAL", "DEJAVU SANS"});
    fake_.fake_system().run_command = [this](const std::string& line) -> uint32_t {
      // The copy the command processor would do: copy /y "FROM" "TO".
      const size_t copy = line.find("copy /y \"");
      if (copy == std::string::npos) return 0;
      const size_t from_end = line.find('"', copy + 9);
      const std::string from = line.substr(copy + 9, from_end - copy - 9);
      const size_t to_start = line.find('"', from_end + 1) + 1;
      const std::string to = line.substr(to_start, line.find('"', to_start) - to_start);
      return fake_.files().CopyFileReplacing(from, to) ? 0 : 1;
    };
  }
  void Start(const std::string& command_line) {
    fake_.fake_resources().Add(album::kSettingsItem, writer_.Blob());
    fake_.fake_system().command_line = command_line;
    ASSERT_TRUE(RunStartUp(fake_, start_));
  }
  Installer Make() {
    return Installer(fake_, start_.values, start_.settings, start_.store,
                     [&](int32_t ms) { fake_.AdvanceMs(ms); });
  }
  const std::string target_ = "C:\\windows\\syswow64\\album.Scr";
  StartUp start_;
};

TEST_F(InstallTest, InstallCopiesRegistersAndSelectsTheSaver) {
  // The dialog the control panel opens (it stays when the installer closes the old one).
  const auto dialog = fake_.fake_system().AddWindow({.class_name = "#32770",
                                                     .text = "屏幕保护程序设置",
                                                     .bounds = {0, 0, 100, 100},
                                                     .closes_on_request = false});
  const auto combo = fake_.fake_system().AddWindow(
      {.parent = dialog, .class_name = "ComboBox", .items = {"(无)", "ALBUM", "other"}});
  Start("/INSTALL");
  Make().Install();
  const auto& commands = fake_.fake_system().commands;
  ASSERT_GE(commands.size(), 2u);
  EXPECT_EQ(commands[0],
            "hidden||\"C:\\windows\\syswow64\\cmd.exe\" /c copy /y \"C:\\Albums\\album.exe\" "
            "\"C:\\windows\\syswow64\\album.Scr\"");
  EXPECT_EQ(commands[1], "open|control|desk.cpl,, 1");
  EXPECT_EQ(fake_.files().FileSize(target_), 100u);
  const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\album.Scr";
  EXPECT_EQ(fake_.fake_system().RegistryString(RegistryRoot::kCurrentUser, key, "DisplayName"),
            "album.Scr");
  EXPECT_EQ(fake_.fake_system().RegistryString(RegistryRoot::kCurrentUser, key, "UninstallString"),
            "\"C:\\windows\\syswow64\\album.Scr\" /uninstall");
  ASSERT_EQ(fake_.fake_system().combo_selections.size(), 1u);
  EXPECT_EQ(fake_.fake_system().combo_selections[0].first, combo);
  EXPECT_TRUE(fake_.fake_system().messages.empty());
  // The uninstall command line selects removal.
  EXPECT_EQ(ChooseRunMode("/uninstall", "Scr").mode, RunMode::kUninstall);
}

TEST_F(InstallTest, InstallingOverAnExistingSaverAsksFirst) {
  fake_.files().WriteAt(target_, std::vector<uint8_t>(3, 1), 0);
  fake_.fake_system().ask_answer = false;
  Start("/INSTALL");
  Make().Install();
  EXPECT_EQ(fake_.fake_system().questions,
            std::vector<std::string>{"文件 'album.Scr' 已经存在，要替换为新的文件吗？"});
  EXPECT_TRUE(fake_.fake_system().commands.empty());
  EXPECT_EQ(fake_.files().FileSize(target_), 3u);
  fake_.fake_system().ask_answer = true;
  Make().Install();
  EXPECT_EQ(fake_.files().FileSize(target_), 100u);
}

TEST_F(InstallTest, DisableCmdOneStopsTheCopyAndTwoDoesNot) {
  const std::string policy = "Software\\Policies\\Microsoft\\Windows\\System";
  fake_.fake_system().SetRegistryDword(RegistryRoot::kCurrentUser, policy, "DisableCMD", 2);
  Start("/INSTALL");
  Make().Install();
  EXPECT_TRUE(fake_.files().Exists(target_));
  fake_.files().DeleteTree(target_);
  fake_.fake_system().SetRegistryDword(RegistryRoot::kCurrentUser, policy, "DisableCMD", 1);
  fake_.fake_system().commands.clear();
  Make().Install();
  EXPECT_FALSE(fake_.files().Exists(target_));
  EXPECT_TRUE(fake_.fake_system().commands.empty());
  ASSERT_EQ(fake_.fake_system().messages.size(), 1u);
  EXPECT_EQ(fake_.fake_system().messages[0],
            "屏保安装失败！你可以将这个文件的文件扩展名由EXE修改为SCR，然后将其复制到以下目录，仍然"
            "可以完成安装：\rC:\\windows\\syswow64\\");
}

TEST_F(InstallTest, AWriteProtectedSystemFolderGoesThroughRunAsAndADeclineIsQuiet) {
  fake_.fake_files().set_read_only("C:\\windows\\syswow64");
  fake_.fake_system().shell_result = 5;
  Start("/INSTALL");
  Make().Install();
  EXPECT_TRUE(start_.values.NeedsElevation);
  ASSERT_EQ(fake_.fake_system().commands.size(), 1u);
  EXPECT_EQ(fake_.fake_system().commands[0].substr(0, 6), "RunAs|");
  EXPECT_TRUE(fake_.fake_system().messages.empty());
}

// The system runs the uninstall entry as a command line: a blank in the
// album's name must not split it, or removal would start the album instead.
TEST_F(InstallTest, TheUninstallCommandOfANameWithABlankSelectsRemoval) {
  fake_.files().WriteAt("C:\\Albums\\Summer 2024.exe", std::vector<uint8_t>(100, 7), 0);
  fake_.fake_system().module_file_name = "C:\\Albums\\Summer 2024.exe";
  Start("/INSTALL");
  Make().Install();
  const std::string key =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Summer 2024.Scr";
  const std::string command =
      fake_.fake_system()
          .RegistryString(RegistryRoot::kCurrentUser, key, "UninstallString")
          .value_or("");
  EXPECT_EQ(command, "\"C:\\windows\\syswow64\\Summer 2024.Scr\" /uninstall");
  // The program's name ends at its closing quotation mark; the rest is the argument.
  const std::string arguments = command.substr(command.find('"', 1) + 2);
  EXPECT_EQ(ChooseRunMode(arguments, "Scr").mode, RunMode::kUninstall);
}

TEST_F(InstallTest, APathTheCommandProcessorWouldMisreadIsNotRun) {
  fake_.files().WriteAt("C:\\Albums\\100%.exe", std::vector<uint8_t>(1, 1), 0);
  fake_.fake_system().module_file_name = "C:\\Albums\\100%.exe";
  Start("/INSTALL");
  Make().Install();
  EXPECT_TRUE(fake_.fake_system().commands.empty());
  EXPECT_EQ(fake_.fake_system().messages.size(), 1u);
  EXPECT_EQ(QuotedPath("C:\\a b\\c.scr"), "\"C:\\a b\\c.scr\"");
  EXPECT_EQ(QuotedPath("C:\\a\"b"), std::nullopt);
}

TEST_F(InstallTest, RemovalSchedulesTheDeleteAndDropsTheEntry) {
  fake_.fake_system().module_file_name = target_;
  fake_.files().CopyFileReplacing("C:\\Albums\\album.exe", target_);
  const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\album.Scr";
  fake_.fake_system().WriteRegistryString(RegistryRoot::kCurrentUser, key, "DisplayName", "x");
  Start("/uninstall");
  Make().Remove();
  EXPECT_EQ(
      fake_.fake_system().commands,
      std::vector<std::string>{"hidden||\"C:\\windows\\syswow64\\cmd.exe\" /c ping 127.1 -n 2 "
                               "&& del \"C:\\windows\\syswow64\\album.Scr\""});
  EXPECT_FALSE(fake_.fake_system().RegistryString(RegistryRoot::kCurrentUser, key, "DisplayName"));
  EXPECT_TRUE(fake_.fake_system().messages.empty());

  // Without a command processor the user is shown the file to delete.
  fake_.files().DeleteTree("C:\\windows\\syswow64\\cmd.exe");
  fake_.fake_system().commands.clear();
  Make().Remove();
  ASSERT_EQ(fake_.fake_system().messages.size(), 1u);
  EXPECT_EQ(fake_.fake_system().messages[0].substr(fake_.fake_system().messages[0].find('\r')),
            "\rC:\\windows\\syswow64\\album.Scr");
  EXPECT_EQ(
      fake_.fake_system().commands,
      std::vector<std::string>{"open|EXPLORER.EXE|/n, /select, C:\\windows\\syswow64\\album.Scr"});
}

}  // namespace
}  // namespace lantern::app
