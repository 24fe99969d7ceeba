// Start-up on the fake backend: names from the program's path, the title, the
// run mode from the command line, finding and closing other copies and the
// Display dialog, the probes, and albums that cannot start.
#include <gtest/gtest.h>

#include "app/entry.h"
#include "app/program.h"
#include "show/probes.h"
#include "show_fixture.h"

namespace lantern::app {
namespace {

using platform::fake::FakeForeignWindow;
using platform::fake::FakeSystem;

TEST(EntryTest, NamesComeFromTheProgramsPath) {
  const ProgramNames scr = SplitProgramPath("C:\\Albums\\Spring.2024.scr");
  EXPECT_EQ(scr.file_name, "Spring.2024.scr");
  EXPECT_EQ(scr.extension, "scr");
  EXPECT_EQ(scr.base_name, "Spring.2024");
  const ProgramNames longer = SplitProgramPath("C:\\a.b\\相册.jpeg");
  EXPECT_EQ(longer.extension, "jpe");
  EXPECT_EQ(longer.base_name, "相册");
  const ProgramNames bare = SplitProgramPath("C:\\a.b\\album");
  EXPECT_EQ(bare.extension, "album");
  EXPECT_EQ(bare.base_name, "album");
}

TEST(EntryTest, TheTitleIsTheAlbumsOrTheBuiltInOneWithThePrefixForAScreenSaver) {
  EXPECT_EQ(MakeAlbumTitle("", "C:\\a\\album.exe"), "Lantern 电子相册");
  EXPECT_EQ(MakeAlbumTitle("春天", "C:\\a\\album.exe"), "春天");
  EXPECT_EQ(MakeAlbumTitle("", "C:\\a\\album.SCR"), "屏幕保护: Lantern 电子相册");
  EXPECT_EQ(MakeAlbumTitle("春天", "C:\\a\\album.scr"), "屏幕保护: 春天");
}

TEST(EntryTest, OnlyTheFirstTwoCharactersChooseTheRunMode) {
  for (const char* line : {"/s", "/S 12", "/S", "/sx"})
    EXPECT_EQ(ChooseRunMode(line, "scr").mode, RunMode::kScreenSaver) << line;
  EXPECT_EQ(ChooseRunMode("/c:1234", "scr").mode, RunMode::kConfigure);
  for (const char* line : {"/p 3344", "/P3344", "/P   3344"}) {
    const RunChoice c = ChooseRunMode(line, "scr");
    EXPECT_EQ(c.mode, RunMode::kPreview) << line;
    EXPECT_EQ(c.preview_parent, 3344u) << line;
  }
  EXPECT_EQ(ChooseRunMode("/uninstall", "scr").mode, RunMode::kUninstall);
  EXPECT_EQ(ChooseRunMode("/INSTALL", "exe").mode, RunMode::kInstall);
  // "/u" alone, or "/UNINSTALL" with more after it, falls to the extension rule.
  EXPECT_EQ(ChooseRunMode("/u", "exe").mode, RunMode::kInformation);
  EXPECT_EQ(ChooseRunMode("/UNINSTALL x", "scr").mode, RunMode::kPlayer);
  EXPECT_EQ(ChooseRunMode("/I", "EXE").mode, RunMode::kInformation);
  EXPECT_EQ(ChooseRunMode("", "exe").mode, RunMode::kInformation);
  EXPECT_EQ(ChooseRunMode("", "scr").mode, RunMode::kPlayer);
}

TEST(EntryTest, ThePreviewHostIsADecimalWindowHandleAndANumberTooLargeForOneIsNone) {
  EXPECT_EQ(ChooseRunMode("/p 4294967295", "scr").preview_parent, 4294967295u);
  EXPECT_EQ(ChooseRunMode("/P 12ab", "scr").preview_parent, 12u);
  for (const char* line : {"/p 4294967296", "/p 18446744073709551617", "/p", "/p  ", "/p -5"}) {
    const RunChoice c = ChooseRunMode(line, "scr");
    EXPECT_EQ(c.mode, RunMode::kPreview) << line;
    EXPECT_EQ(c.preview_parent, 0u) << line;
  }
}

FakeForeignWindow Dialog(const std::string& title, int32_t w, int32_t h) {
  return {.class_name = "#32770", .text = title, .bounds = {100, 100, 100 + w, 100 + h}};
}

TEST(EntryTest, TheDisplayDialogIsFoundByTitleOrAmongTheFirstTwentyBySize) {
  FakeSystem system;
  for (int i = 0; i < 21; ++i)
    system.AddWindow(Dialog("unrelated", 300, 200));
  system.AddWindow(Dialog("", 450, 500));  // the right size, but 22nd
  EXPECT_EQ(FindDisplayDialog(system), 0u);

  FakeSystem sized;
  sized.AddWindow(Dialog("x", 399, 500));
  sized.AddWindow(Dialog("x", 450, 601));
  const auto right = sized.AddWindow(Dialog("y", 500, 430));
  EXPECT_EQ(FindDisplayDialog(sized), right);
  const auto titled = sized.AddWindow(Dialog("显示 属性", 10, 10));
  EXPECT_EQ(FindDisplayDialog(sized), titled);
  const auto saver = sized.AddWindow(Dialog("屏幕保护程序设置", 10, 10));
  EXPECT_EQ(FindDisplayDialog(sized), saver);
}

TEST(EntryTest, ChildWindowsAreFoundAtAnyDepthByExactClassAndText) {
  FakeSystem system;
  const auto dialog = system.AddWindow(Dialog("显示 属性", 450, 500));
  const auto frame = system.AddWindow({.parent = dialog, .class_name = "Static", .text = "a"});
  const auto preview =
      system.AddWindow({.parent = frame, .class_name = "LanternForm", .text = "屏幕保护: 春天"});
  system.AddWindow({.class_name = "LanternForm", .text = "屏幕保护: 春天"});  // not a child
  EXPECT_EQ(FindChildWindow(system, dialog, "LanternForm", "屏幕保护: 春天"), preview);
  EXPECT_EQ(FindChildWindow(system, dialog, "lanternform", "屏幕保护: 春天"), 0u);
  EXPECT_EQ(FindChildWindow(system, dialog, "LanternForm", "屏幕保护: 春"), 0u);
}

TEST(EntryTest, TheInstanceCheckClosesOtherCopiesWithTheSameTitle) {
  FakeSystem system;
  std::vector<int32_t> waits;
  Instances instances(system, system, "屏幕保护: 春天", [&](int32_t ms) { waits.push_back(ms); });
  const auto other = system.AddWindow({.class_name = "LanternForm", .text = "屏幕保护: 春天"});
  const auto app = system.AddWindow({.class_name = "LanternMain", .text = "屏幕保护: 春天"});
  system.AddWindow({.class_name = "LanternForm", .text = "another album"});
  // An ".exe" that is the only copy does not look at all.
  EXPECT_TRUE(instances.Check(false));
  EXPECT_TRUE(system.close_requests.empty());
  // A ".scr" always looks, and closes the form and the application window.
  EXPECT_TRUE(instances.Check(true));
  EXPECT_EQ(system.close_requests, (std::vector<platform::NativeHandle>{other, app}));
  EXPECT_EQ(waits, (std::vector<int32_t>{200, 40}));
  // A copy that refuses to close makes the check fail.
  system.AddWindow(
      {.class_name = "LanternForm", .text = "屏幕保护: 春天", .closes_on_request = false});
  EXPECT_FALSE(instances.Check(true));
  system.previous_instance = true;
  EXPECT_FALSE(instances.Check(false));
}

TEST(EntryTest, ThePreviewCloserClosesThisAlbumsPreviewAndOnRequestTheDialog) {
  FakeSystem system;
  Instances instances(system, system, "屏幕保护: 春天", [](int32_t) {});
  const auto dialog = system.AddWindow(Dialog("屏幕保护程序设置", 450, 500));
  const auto preview =
      system.AddWindow({.parent = dialog, .class_name = "LanternForm", .text = "屏幕保护: 春天"});
  instances.ClosePreview(false);
  EXPECT_EQ(system.close_requests, std::vector<platform::NativeHandle>{preview});
  instances.ClosePreview(true);
  EXPECT_EQ(system.close_requests, (std::vector<platform::NativeHandle>{preview, dialog}));
}

TEST(ProbeTest, FoldersFallBackAndEndInABackslash) {
  FakeSystem system;
  EXPECT_EQ(show::ProbeSystemFolder(system, true), "C:\\windows\\syswow64\\");
  system.wow64_directory = "C:";  // too short: the plain system folder
  EXPECT_EQ(show::ProbeSystemFolder(system, true), "C:\\windows\\system32\\");
  system.system_directory = std::string("C:\\windows\\system32\\  \0junk", 28);
  EXPECT_EQ(show::ProbeSystemFolder(system, false), "C:\\windows\\system32\\");
  system.temp_path = "C:\\USERS\\ME~1\\Temp";
  system.long_path_name = [](const std::string&) { return std::string("C:\\users\\me\\Temp"); };
  EXPECT_EQ(show::ProbeTempFolder(system), "C:\\users\\me\\Temp\\");
  system.long_path_name = [](const std::string&) { return std::nullopt; };
  EXPECT_EQ(show::ProbeTempFolder(system), "C:\\USERS\\ME~1\\Temp\\");
}

TEST(ProbeTest, IdleSecondsAndVersionClass) {
  FakeSystem system;
  system.tick_count = 10'000;
  system.last_input_tick = 4'500;  // 5.5 s: rounds to even
  EXPECT_EQ(show::ProbeIdleSeconds(system), 6);
  system.last_input_tick = 9'500;  // 0.5 s
  EXPECT_EQ(show::ProbeIdleSeconds(system), 0);
  system.tick_count = 5'000;
  system.last_input_tick = 0xFFFFFFFFu - 4'999;  // the tick count wrapped
  EXPECT_EQ(show::ProbeIdleSeconds(system), 10);
  system.last_input_tick.reset();
  EXPECT_EQ(show::ProbeIdleSeconds(system), 0);
  system.screen_save_timeout = 300;
  system.tick_count = 300'000;
  system.last_input_tick = 9'000;  // 291 s: within 10 s of the time-out
  EXPECT_EQ(show::SeedIdleSeconds(system), 300);
  system.last_input_tick = 10'000;  // 290 s
  EXPECT_EQ(show::SeedIdleSeconds(system), 290);

  const std::pair<platform::OsVersion, int32_t> versions[] = {
      {{2, 5, 1}, 5}, {{2, 6, 0}, 6}, {{2, 6, 1}, 7},  {{2, 6, 2}, 7},
      {{2, 7, 0}, 8}, {{2, 8, 0}, 8}, {{2, 10, 0}, 5}, {{1, 6, 1}, 5}};
  for (const auto& [v, expected] : versions) {
    system.version = v;
    EXPECT_EQ(show::ProbeVersionClass(system), expected) << v.major << "." << v.minor;
  }
  system.version.reset();
  EXPECT_EQ(show::ProbeVersionClass(system), 5);
}

using show_fixture::ShowTest;

TEST_F(ShowTest, StartUpFillsTheProcessValues) {
  Photos({0xFF0000});
  fake_.fake_system().is_wow64 = true;
  fake_.fake_resources().Add(album::kSettingsItem, writer_.Blob());
  fake_.fake_system().command_line = "/S";
  StartUp start;
  ASSERT_TRUE(RunStartUp(fake_, start));
  const show::ProcessValues& v = start.values;
  EXPECT_EQ(v.AppFullPath, "C:\\Albums\\album.scr");
  EXPECT_EQ(v.AppBaseName, "album");
  EXPECT_EQ(v.SystemFolder, "C:\\windows\\syswow64\\");
  EXPECT_EQ(v.TempFolder, "C:\\users\\me\\Temp\\");
  EXPECT_EQ(v.AlbumTitle, "屏幕保护: Lantern 电子相册");
  EXPECT_EQ(fake_.fake_system().application_title, v.AlbumTitle);
  EXPECT_EQ(v.ScreenWidth, 320);
  EXPECT_FALSE(v.WindowedMode);
  EXPECT_EQ(v.WindowScale, 1.0f);
  EXPECT_EQ(v.IdleSeconds, 0);  // input just now, far from the 300 s time-out
  EXPECT_EQ(start.settings.NowI, 1);
}

TEST_F(ShowTest, AnAlbumWithoutReadableSettingsEndsQuietly) {
  Photos({0xFF0000});
  // No settings at all.
  fake_.fake_system().command_line = "/S";
  StartUp start;
  EXPECT_FALSE(RunStartUp(fake_, start));
  // A truncated blob.
  std::vector<uint8_t> blob = writer_.Blob();
  blob.resize(blob.size() / 2);
  fake_.fake_resources().Add(album::kSettingsItem, blob);
  EXPECT_FALSE(RunStartUp(fake_, start));
  EXPECT_EQ(RunProgram(fake_), 0);
  EXPECT_TRUE(fake_.presents().empty());
  EXPECT_TRUE(fake_.fake_system().messages.empty());
}

TEST_F(ShowTest, AnotherCopyThatWillNotCloseKeepsThisOneFromStarting) {
  Photos({0xFF0000});
  fake_.fake_system().AddWindow({.class_name = "LanternForm",
                                 .text = "屏幕保护: Lantern 电子相册",
                                 .closes_on_request = false});
  EXPECT_EQ(Run("/S", 1000), 0);
  EXPECT_TRUE(fake_.presents().empty());
  EXPECT_TRUE(fake_.fake_system().messages.empty());
  // Removal asks the user to close the running screen saver first.
  EXPECT_EQ(Run("/uninstall", 1000), 0);
  EXPECT_EQ(fake_.fake_system().messages, std::vector<std::string>{"请先退出正在运行的屏保！"});
}

TEST_F(ShowTest, ScreenSaverStartedByWindowsClosesThePreviewAndPlays) {
  Photos({0xFF0000});
  const auto preview = fake_.fake_system().AddWindow(
      {.class_name = "LanternForm", .text = "屏幕保护: Lantern 电子相册"});
  EXPECT_EQ(Run("/S", 1000), 0);
  EXPECT_EQ(fake_.fake_system().close_requests, std::vector<platform::NativeHandle>{preview});
  EXPECT_FALSE(fake_.presents().empty());
}

TEST_F(ShowTest, AnExeWithoutArgumentsDoesNotPlay) {
  Photos({0xFF0000});
  fake_.fake_system().module_file_name = "C:\\Albums\\album.exe";
  EXPECT_EQ(Run("", 1000), 0);
  // Only the information window showed, and its close box ended the program.
  ASSERT_FALSE(fake_.presents().empty());
  for (const auto& p : fake_.presents())
    EXPECT_EQ(p.window, fake_.presents().front().window);
  EXPECT_NEAR(fake_.now_ms_exact(), 1000, 1);
}

}  // namespace
}  // namespace lantern::app
