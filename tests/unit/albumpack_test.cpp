// The album builder: manifests in, albums out, and back again.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "album/album_settings.h"
#include "album/items.h"
#include "album/pe_image.h"
#include "album/pe_resources.h"
#include "album/property_bag.h"
#include "platform/fake/fake_platform.h"
#include "tests/unit/exif_writer.h"
#include "tests/unit/minimal_pe.h"
#include "tests/unit/stand_in_decoder.h"
#include "tools/albumpack/album_writer.h"
#include "tools/albumpack/commands.h"
#include "tools/albumpack/lyrics_command.h"
#include "tools/albumpack/manifest.h"

namespace lantern::albumpack {
namespace {

using lantern::testing::StandInPictures;

namespace fs = std::filesystem;

class AlbumpackTest : public ::testing::Test {
 protected:
  AlbumpackTest() : dir_(fs::temp_directory_path() / ("albumpack-" + std::to_string(::getpid()))) {
    fs::create_directories(dir_);
  }
  ~AlbumpackTest() override { fs::remove_all(dir_); }

  std::vector<uint8_t> File(const std::string& name, size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
      bytes[i] = static_cast<uint8_t>(seed + i * 7);
    Write(name, bytes);
    return bytes;
  }
  void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  ManifestResult Manifest(const std::string& text) {
    return ReadManifestText(text, "album.toml", dir_.string());
  }
  std::string Error(const std::string& text) { return Manifest(text).error; }

  fs::path dir_;
};

TEST_F(AlbumpackTest, BadManifestsAreReportedWithFileAndPlace) {
  File("a.jpg", 10, 1);
  EXPECT_EQ(Error("title = \n").rfind("album.toml:1:9: ", 0), 0u);
  EXPECT_NE(Error("[[photos]]\nfile = \"missing.jpg\"\n").find("album.toml:2:8: cannot read"),
            std::string::npos);
  EXPECT_NE(Error("[[photos]]\nfile = \"a.jpg\"\n[[photos]]\nfile = \"a.xyz\"\n")
                .find("album.toml:4:8: a.xyz: unsupported type \"XYZ\""),
            std::string::npos);
  EXPECT_NE(Error("fonts = [\"a.ttf\", \"b.ttf\", \"c.ttf\", \"d.ttf\", \"e.ttf\"]\n")
                .find("at most four fonts"),
            std::string::npos);
  EXPECT_NE(Error("[[songs]]\nfile = \"a.jpg\"\n").find("unsupported type \"JPG\""),
            std::string::npos);
  EXPECT_NE(Error("[settings]\nEnableSync = 3\n").find("EnableSync is a flag"), std::string::npos);
  EXPECT_NE(Error("mode = \"zip\"\n").find("mode is"), std::string::npos);
  // Input the TOML library mishandles is refused before it gets there, or caught.
  EXPECT_EQ(Error("a = [1, \xc7\xa2]\n"),
            "album.toml:1:9: a character outside the ASCII range outside quotes");
  EXPECT_EQ(Error("[,pictures]\n"), "album.toml: not a valid manifest");
  EXPECT_EQ(Error("# caf\xc3\xa9\ntitle = \"caf\xc3\xa9\"\n"), "");
  EXPECT_EQ(Error("title = 'caf\xc3\xa9'\n"),
            "album.toml:1:13: text outside the ASCII range belongs in double quotes");
  EXPECT_EQ(Error("title = \"a\xff\"\n"), "album.toml:1:11: not UTF-8 text");
  const ManifestResult music = Manifest("title = \"\xf0\x9f\x8e\xb5 \\\" \xe7\x9b\xb8\"\n");
  ASSERT_EQ(music.error, "");
  EXPECT_EQ(music.content.Find("TxtSetting(0)")->text, "\xf0\x9f\x8e\xb5 \" \xe7\x9b\xb8");
  EXPECT_NE(Error("[settings]\nSolidColor = \"#zzzzzz\"\n").find("expected a colour"),
            std::string::npos);
  EXPECT_EQ(Error("[[photos]]\nfile = \"a.jpg\"\n"), "");
}

TEST_F(AlbumpackTest, DerivedSettingsAndOverrides) {
  File("a.jpg", 10, 1);
  File("s.mp3", 10, 2);
  File("s.lrc", 10, 3);
  const ManifestResult m = Manifest(R"(
    title = "我的相册"
    transitions = [5, 6]
    [[photos]]
    file = "a.jpg"
    caption = "一"
    duration = 2.5
    position = [10, 20]
    [[photos]]
    file = "a.jpg"
    headline = "Hi"
    start_color = "#FF0000"
    [[songs]]
    file = "s.mp3"
    lyrics = "s.lrc"
    [settings]
    TimeInterval = 4
    PlayMusicOrder = 2
    SolidColor = "#0000FF"
  )");
  ASSERT_EQ(m.error, "");
  const AlbumContent& c = m.content;
  EXPECT_EQ(c.Find("NowI")->number, 2);
  EXPECT_EQ(c.Find("NowM")->number, 1);
  EXPECT_EQ(c.Find("LyricFilesCount")->number, 1);
  EXPECT_EQ(c.Find("TxtSetting(0)")->text, "我的相册");
  EXPECT_EQ(c.Find("StyleSelect")->text, "     11" + std::string(34, ' '));
  EXPECT_EQ(c.Find("SlideDuration(1)")->text, "2.5");
  EXPECT_EQ(c.Find("ImgPosY(1)")->text, "20");
  EXPECT_EQ(c.Find("CapPosW(1)")->kind, SettingKind::kInt);
  EXPECT_EQ(c.Find("CapPosX(2)"), nullptr);                  // no caption, no caption box
  EXPECT_EQ(c.Find("HeadStartColor(2)")->number, 0x0000FF);  // red as 0x00BBGGRR
  EXPECT_EQ(c.Find("SolidColor")->number, 0xFF0000);
  EXPECT_EQ(c.Find("TimeInterval")->kind, SettingKind::kSingle);
  EXPECT_EQ(c.Find("TimeInterval")->single, 4.0f);
  EXPECT_EQ(c.Find("PlayMusicOrder")->text, "2");
  EXPECT_EQ(c.Find("imgnames(1)_type")->text, "JPG");
  EXPECT_EQ(c.Find("MusicLyricFiles(1)_Size")->number, 10);
}

TEST_F(AlbumpackTest, AlbumRoundTripsEveryItemAndSetting) {
  const auto photo = File("p.jpg", 300, 1);
  const auto small = File("b.png", 100, 2);
  const auto song = File("s.wav", 70'000, 3);
  const auto font = File("f.ttf", 5'000, 4);
  ManifestResult m = Manifest(R"(
    fonts = ["f.ttf"]
    [pictures]
    mask = "b.png"
    [buttons]
    mute_on = "b.png"
    [[photos]]
    file = "p.jpg"
    [[songs]]
    file = "s.wav"
  )");
  ASSERT_EQ(m.error, "");
  const AlbumContent expected = m.content;
  std::string error;
  const auto image = WriteAlbum(lantern::testing::MinimalPe(), m.content, &error);
  ASSERT_TRUE(image) << error;
  // Read back the way the player reads its own file: resources by name, then LoadItemBytes.
  auto resources = album::PeImageResources::Open(*image, &error);
  ASSERT_TRUE(resources) << error;
  platform::fake::FakePlatform fake;
  album::AlbumItems items(*resources, fake.files(), fake.loop());
  const auto load = [&](const std::string& name) { return items.LoadItemBytes(name).value(); };
  EXPECT_EQ(load("ImgNames(1)"), photo);
  EXPECT_EQ(load("MaskImage"), small);
  EXPECT_EQ(load("btn_mute_on"), small);
  EXPECT_EQ(load("MusicNames(1)"), song);
  EXPECT_EQ(load("ToInstallFont(1)"), font);
  EXPECT_NE(resources->LoadData("ImgNames(1)"), photo);  // stored scrambled
  album::PropertyBag bag;
  ASSERT_EQ(bag.Load(items.LoadSettingsBlob().value()), album::LoadError::kNone);
  EXPECT_EQ(bag.size(), expected.settings.size());
  for (const Setting& s : expected.settings) {
    const album::Value& v = bag.Read(s.key);
    switch (s.kind) {
      case SettingKind::kFlag:
        EXPECT_EQ(v.ToFlag(), s.flag) << s.key;
        break;
      case SettingKind::kInt:
        EXPECT_EQ(v.ToInt32(), s.number) << s.key;
        break;
      case SettingKind::kSingle:
        EXPECT_EQ(v.ToSingle(), s.single) << s.key;
        break;
      case SettingKind::kText:
        EXPECT_EQ(v.ToText(), s.text) << s.key;
        break;
    }
  }
}

// A short manifest must still give the player every setting it requires.
TEST_F(AlbumpackTest, DefaultsMakeACompleteRecord) {
  File("a.jpg", 10, 1);
  const std::string manifest = R"(
    title = "T"
    fonts = ["a.ttf"]
    transitions = [0, 40]
    [[photos]]
    file = "a.jpg"
    caption = "c"
    headline = "h"
    effect = 4
  )";
  ASSERT_NE(Manifest(manifest).error, "");  // a.ttf does not exist yet
  File("a.ttf", 10, 2);
  const ManifestResult ok = Manifest(manifest);
  ASSERT_EQ(ok.error, "");
  album::PropertyBag store;
  ASSERT_EQ(store.Load(SettingsBlob(ok.content)), album::LoadError::kNone);
  album::AlbumSettings settings;
  ASSERT_NO_THROW(album::ReadAllSettings(store, settings));
  EXPECT_TRUE(settings.PackageMode());
  EXPECT_EQ(settings.NowI, 1);
  EXPECT_EQ(settings.TxtSetting[0], "T");
  EXPECT_EQ(settings.ImgCaption[1], "c");
  EXPECT_EQ(settings.HeadDynamicStyle[1], 4);
  EXPECT_EQ(settings.SelectedTransitionCount, 2);
  EXPECT_TRUE(settings.PersistentTransitionSelected);
  EXPECT_EQ(settings.ToInstallFontFile[1], "1.TTF");
  EXPECT_EQ(settings.OrigScreenWidth, 1024);
  EXPECT_GT(settings.TimeInterval, 0.0f);
}

TEST_F(AlbumpackTest, RebuildingAnAlbumReplacesItsItems) {
  File("a.jpg", 50, 1);
  File("b.jpg", 60, 2);
  ManifestResult two = Manifest("[[photos]]\nfile = \"a.jpg\"\n[[photos]]\nfile = \"b.jpg\"\n");
  ManifestResult one = Manifest("[[photos]]\nfile = \"b.jpg\"\n");
  std::string error;
  const auto first = WriteAlbum(lantern::testing::MinimalPe(), two.content, &error);
  ASSERT_TRUE(first) << error;
  const auto second = WriteAlbum(*first, one.content, &error);
  ASSERT_TRUE(second) << error;
  const auto pe = album::PeImage::Parse(*second, &error);
  ASSERT_TRUE(pe) << error;
  EXPECT_FALSE(pe->FindData("ImgNames(2)"));
  EXPECT_EQ(pe->FindData("ImgNames(1)")->size(), 60u);
}

TEST_F(AlbumpackTest, BuildLeavesNoOutputOnFailureAndCommandsReadTheAlbum) {
  const std::vector<uint8_t> jpeg = lantern::testing::TinyJpeg();
  Write("a.jpg", jpeg);
  { std::ofstream(dir_ / "album.toml") << "[[photos]]\nfile = \"a.jpg\"\n"; }
  Write("stub.exe", lantern::testing::MinimalPe());
  Write("not-a-program.exe", std::vector<uint8_t>(500, 'x'));
  std::ostringstream out;
  std::ostringstream err;
  BuildOptions options{(dir_ / "album.toml").string(), (dir_ / "album.scr").string(),
                       (dir_ / "not-a-program.exe").string(), "", false};
  EXPECT_EQ(Build(options, StandInPictures(), out, err), 1);
  EXPECT_NE(err.str().find("not-a-program.exe"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir_ / "album.scr"));
  EXPECT_FALSE(fs::exists(dir_ / "album.scr.partial"));
  options.stub = (dir_ / "stub.exe").string();
  ASSERT_EQ(Build(options, StandInPictures(), out, err), 0) << err.str();
  out.str("");
  EXPECT_EQ(Check(options.output, StandInPictures(), out, err), 0) << out.str();
  EXPECT_EQ(Extract(options.output, (dir_ / "x").string(), out, err), 0);
  EXPECT_TRUE(fs::exists(dir_ / "x" / "photo-1.jpg"));
  EXPECT_EQ(fs::file_size(dir_ / "x" / "photo-1.jpg"), jpeg.size());
  // No album inside.
  EXPECT_EQ(Check((dir_ / "stub.exe").string(), StandInPictures(), out, err), 1);
}

TEST_F(AlbumpackTest, MistypedKeysAreErrorsNamingTheNearestKnownKey) {
  File("a.jpg", 10, 1);
  File("s.mp3", 10, 2);
  EXPECT_EQ(Error("titel = \"x\"\n"),
            "album.toml:1:1: unknown key \"titel\"; did you mean \"title\"?");
  EXPECT_EQ(Error("[[photos]]\nfile = \"a.jpg\"\ncaptoin = \"c\"\n"),
            "album.toml:3:1: unknown photo key \"captoin\"; did you mean \"caption\"?");
  EXPECT_EQ(Error("[[songs]]\nfile = \"s.mp3\"\nlyric = \"s.lrc\"\n"),
            "album.toml:3:1: unknown song key \"lyric\"; did you mean \"lyrics\"?");
  EXPECT_EQ(Error("[[styles]]\nsise = 30\n"),
            "album.toml:2:1: unknown style key \"sise\"; did you mean \"size\"?");
  EXPECT_EQ(Error("[pictures]\nbackgound = \"a.jpg\"\n"),
            "album.toml:2:1: unknown picture \"backgound\"; did you mean \"background\"?");
  EXPECT_EQ(Error("[buttons]\nplya = \"a.jpg\"\n"),
            "album.toml:2:1: unknown button \"plya\"; did you mean \"play\"?");
  // Only keys valid at that place are offered, and only close ones: a word of
  // a key counts ("colour" is near "start_color"), a key far from any is met
  // with the keys there.
  EXPECT_EQ(Error("[[styles]]\ncolour = 1\n"),
            "album.toml:2:1: unknown style key \"colour\"; did you mean \"start_color\", "
            "\"end_color\" or \"border_color\"?");
  EXPECT_EQ(Error("[[photos]]\nfile = \"a.jpg\"\nfont = \"Arial\"\n").find("did you mean"),
            std::string::npos);
  EXPECT_EQ(
      Error("[[songs]]\nfile = \"s.mp3\"\ncolour = 1\n"),
      "album.toml:3:1: unknown song key \"colour\"; the keys here are \"file\" and \"lyrics\"");
  // A settings key the player does not read is stored, with a warning.
  const ManifestResult m = Manifest(
      "[settings]\nTimeIntervall = 3.0\n\"ImgCaption(7)\" = \"x\"\nbtn_prev_Size = 3\n"
      "\"fFontName(5)\" = \"Arial\"\nMyOwnNote = \"n\"\nappversion = \"2\"\n");
  ASSERT_EQ(m.error, "");
  EXPECT_EQ(m.warnings,
            (std::vector<std::string>{
                "album.toml:6:1: warning: [settings] MyOwnNote is not a setting the player "
                "reads; it is stored as given",
                "album.toml:2:1: warning: [settings] TimeIntervall is not a setting the player "
                "reads (did you mean TimeInterval?); it is stored as given",
                "album.toml:5:1: warning: [settings] fFontName(5) is not a setting the player "
                "reads (did you mean fFontName(1), fFontName(2), fFontName(3) or "
                "fFontName(4)?); it is stored as given"}));
  EXPECT_EQ(m.content.Find("TimeIntervall")->single, 3.0f);
  EXPECT_EQ(m.content.Find("TimeInterval")->single, 5.0f);
}

TEST_F(AlbumpackTest, SmallerManifestFaults) {
  File("a.jpg", 10, 1);
  // A byte-order mark, as editors on Windows write UTF-8.
  EXPECT_EQ(Error("\xEF\xBB\xBFtitle = \"x\"\n"), "");
  EXPECT_EQ(Error("[[photos]]\nfile = \"a.jpg\"\nduration = true\n"),
            "album.toml:3:12: duration is a number of seconds, such as 2.5");
  EXPECT_EQ(Manifest("[[photos]]\nfile = \"a.jpg\"\nduration = 3\n")
                .content.Find("SlideDuration(1)")
                ->text,
            "3");
}

// In files mode an album names its files by absolute Windows paths: the player
// opens them from wherever it is started.
// Every value is checked against what the player can use, the same way
// whether a manifest key or [settings] gave it, and refused where it stands.
TEST_F(AlbumpackTest, ValuesOutOfTheirRangeAreRefusedWhereTheyStand) {
  File("a.jpg", 10, 1);
  const std::string photo = "[[photos]]\nfile = \"a.jpg\"\nheadline = \"h\"\n";
  const std::string seconds = "expected a number of seconds above 0 up to 86400";
  const struct {
    std::string manifest;
    std::string error;
  } refused[] = {
      {photo + "effect = 99\n",
       "album.toml:4:10: effect = 99: expected a whole number from 0 to 8"},
      {photo + "duration = -3\n", "album.toml:4:12: duration = \"-3\": " + seconds},
      {photo + "duration = nan\n", "album.toml:4:12: duration = \"nan\": " + seconds},
      {photo + "duration = \"soon\"\n", "album.toml:4:12: duration = \"soon\": " + seconds},
      {photo + "caption = \"c\"\ncaption_box = [0, 0, -5, 10]\n",
       "album.toml:5:15: caption_box width = -5: expected a whole number from 0 to 65535"},
      {"[[styles]]\nsize = 0\n",
       "album.toml:2:8: size = 0: expected a whole number from 1 to 1000"},
      {"transitions = [3, 999]\n",
       "album.toml:1:19: transitions = 999: expected a whole number from 0 to 40"},
      {"[settings]\nTimeInterval = nan\n",
       "album.toml:2:16: TimeInterval = nan: expected a number of seconds above 0 up to 86400"},
      {"[settings]\nOpeningDurationTime = -1.0\n",
       "album.toml:2:23: OpeningDurationTime = -1: expected a number of seconds from 0 to 86400"},
      {photo + "[settings]\n\"ImgNames(1)_Type\" = \"..\\\\..\\\\evil\"\n",
       "album.toml:5:22: ImgNames(1)_Type = \"..\\..\\evil\": expected the type word of such an "
       "item: JPG, GIF, PNG, TIF, TGA, BMP, PCX"},
      {photo + "[settings]\n\"ImgNames(1)_Size\" = 11\n",
       "album.toml:5:22: ImgNames(1)_Size = 11: expected 10, the size of " +
           (dir_ / "a.jpg").string()},
      {photo + "[settings]\n\"HeadDynamicStyle(1)\" = 99\n",
       "album.toml:5:25: HeadDynamicStyle(1) = 99: expected a whole number from 0 to 8"},
      {photo + "[settings]\n\"SlideDuration(1)\" = -3\n",
       "album.toml:5:22: SlideDuration(1) = \"-3\": " + seconds},
      {"[settings]\nPlayMusicOrder = 7\n",
       "album.toml:2:18: PlayMusicOrder = \"7\": expected one of \"0\" \"1\" \"2\""},
      {"[settings]\nStyleSelect = \"1x\"\n",
       "album.toml:2:15: StyleSelect = \"1x\": expected up to 41 characters, \"1\" for a "
       "transition "
       "chosen and a space for one not"},
  };
  for (const auto& r : refused)
    EXPECT_EQ(Error(r.manifest), r.error) << r.manifest;

  // The ends of each range are accepted, and a setting keeps the kind the player reads.
  const ManifestResult m = Manifest(photo +
                                    "effect = 8\nduration = \"2.5\"\n[settings]\n"
                                    "TimeInterval = 0.5\nOpeningDurationTime = 0\n"
                                    "\"ImgNames(1)_Type\" = \"PNG\"\n\"SlideDuration(1)\" = 3\n");
  ASSERT_EQ(m.error, "");
  EXPECT_EQ(m.content.Find("SlideDuration(1)")->kind, SettingKind::kText);
  EXPECT_EQ(m.content.Find("SlideDuration(1)")->text, "3");
  EXPECT_EQ(m.content.Find("OpeningDurationTime")->single, 0.0f);
}

TEST_F(AlbumpackTest, FilesModeStoresAbsoluteWindowsPaths) {
  const std::string manifest =
      "mode = \"files\"\n[[photos]]\nfile = \"photos/../a.jpg\"\n[[photos]]\n"
      "file = \"D:/Pictures/./b.png\"\n[pictures]\nbackground = '\\\\server\\share\\bg.jpg'\n";
  const ManifestResult m = ReadManifestText(manifest, "album.toml", "C:\\Albums\\Summer");
  ASSERT_EQ(m.error, "");
  EXPECT_EQ(m.content.Find("ImgNames(1)")->text, "C:\\Albums\\Summer\\a.jpg");
  EXPECT_EQ(m.content.Find("ImgNames(2)")->text, "D:\\Pictures\\b.png");
  EXPECT_EQ(m.content.Find("BackGroundPicture")->text, "\\\\server\\share\\bg.jpg");
  EXPECT_EQ(m.content.Find("LenOfRes")->text, "0");
  EXPECT_TRUE(m.content.items.empty());
  // A folder that is not a Windows one (this build's) cannot make a relative path absolute.
  EXPECT_NE(Error(manifest).find("album.toml:3:8: photos/../a.jpg: in files mode an album names "
                                 "its files by absolute Windows paths"),
            std::string::npos);
}

TEST_F(AlbumpackTest, BuildWarnsOfItemsThePlayerCannotUseAsCheckReportsThem) {
  const std::vector<uint8_t> jpeg = lantern::testing::TinyJpeg();
  Write("good.jpg", jpeg);
  Write("jpeg.mp3", jpeg);
  Write("empty.jpg", {});
  Write("text.mp3", {'h', 'e', 'l', 'l', 'o'});
  Write("bg.bmp", {'B', 'M', 0, 0});
  Write("texture.bmp", {'B', 'M', 0, 0});
  Write("mask.pcx", {0x0A, 5, 1, 8});
  Write("stub.exe", lantern::testing::MinimalPe());
  {
    std::ofstream(dir_ / "album.toml") << R"(
      [pictures]
      background = "bg.bmp"
      texture = "texture.bmp"
      mask = "mask.pcx"
      [[photos]]
      file = "good.jpg"
      [[photos]]
      file = "empty.jpg"
      [[songs]]
      file = "text.mp3"
      [[songs]]
      file = "jpeg.mp3"
    )";
  }
  std::ostringstream out;
  std::ostringstream err;
  const BuildOptions options{(dir_ / "album.toml").string(), (dir_ / "album.scr").string(),
                             (dir_ / "stub.exe").string(), "", false};
  ASSERT_EQ(Build(options, StandInPictures(), out, err), 0) << err.str();
  std::ostringstream check;
  EXPECT_EQ(Check(options.output, StandInPictures(), check, err), 1);
  const struct {
    const char* file;
    const char* item;
    const char* why;
  } unusable[] = {
      {"empty.jpg", "IMGNAMES(2)", "it is empty"},
      {"text.mp3", "MUSICNAMES(1)", "its bytes are not a MP3 file"},
      {"jpeg.mp3", "MUSICNAMES(2)", "its bytes are not a MP3 file"},
      {"bg.bmp", "BACKGROUNDPICTURE",
       "the player does not draw BMP pictures from a packed album; convert it to PNG or JPG"},
      {"mask.pcx", "MASKIMAGE",
       "the player does not draw PCX pictures from a packed album; convert it to PNG or JPG"}};
  for (const auto& u : unusable) {
    EXPECT_NE(err.str().find((dir_ / u.file).string() + ": warning: " + u.why + "\n"),
              std::string::npos)
        << u.file << "\n"
        << err.str();
    EXPECT_NE(check.str().find(std::string(u.item) + ": " + u.why + "\n"), std::string::npos)
        << u.item << "\n"
        << check.str();
  }
  // The texture is decoded by the system's picture decoder, which reads BMP.
  EXPECT_EQ(err.str().find("texture.bmp"), std::string::npos) << err.str();
  EXPECT_EQ(check.str().find("TEXTUREIMAGE"), std::string::npos) << check.str();
}

// JPEGs whose headers show them cut short or damaged, and a lyric file the
// player will not read for its size: build warns of each, check reports it,
// and the lyrics command says so instead of printing an empty timeline.
TEST_F(AlbumpackTest, CutShortJpegsAndLyricFilesOverThePlayersLimitAreReported) {
  using lantern::testing::JpegWithExif;
  using lantern::testing::TinyJpeg;
  const std::vector<uint8_t> whole = TinyJpeg();
  const std::vector<uint8_t> with_exif = JpegWithExif({"2020:01:01 09:00:00", "", false});
  const auto part = [](const std::vector<uint8_t>& b, size_t n) {
    return std::vector<uint8_t>(b.begin(), b.begin() + static_cast<ptrdiff_t>(n));
  };
  std::vector<uint8_t> no_frame = {0xFF, 0xD8, 0xFF, 0xDA, 0, 8, 1,    1,
                                   0,    0,    63,   0,    1, 2, 0xFF, 0xD9};
  std::vector<uint8_t> zero_width = whole;
  zero_width[9] = zero_width[10] = 0;  // the frame's width
  std::vector<uint8_t> bad_length = whole;
  bad_length[5] = 1;  // the frame's length
  const struct {
    const char* file;
    std::vector<uint8_t> bytes;
    const char* why;
  } cases[] = {
      {"sixty.jpg", part(with_exif, 60), "the JPEG ends before its image data"},
      {"in-frame.jpg", part(whole, 8), "the JPEG ends before its image data"},
      {"at-scan.jpg", part(whole, 25), "the JPEG ends before its image data"},
      {"in-data.jpg", part(whole, whole.size() - 20),
       "the JPEG's image data runs to the end of the file without its end marker"},
      {"no-frame.jpg", no_frame, "the JPEG has image data but no frame header"},
      {"zero-width.jpg", zero_width, "the JPEG's frame header is damaged"},
      {"bad-length.jpg", bad_length, "a header of the JPEG is damaged"},
  };
  Write("whole.jpg", whole);
  Write("exif.jpg", with_exif);
  std::string manifest = "[[photos]]\nfile = \"whole.jpg\"\n[[photos]]\nfile = \"exif.jpg\"\n";
  for (const auto& c : cases) {
    Write(c.file, c.bytes);
    manifest += "[[photos]]\nfile = \"" + std::string(c.file) + "\"\n";
  }
  const std::string line = "[00:01.00]\xE6\xAD\x8C\n";
  std::string lyrics;
  while (lyrics.size() <= (size_t{1} << 20))
    lyrics += line;
  Write("big.lrc", std::vector<uint8_t>(lyrics.begin(), lyrics.end()));
  Write("s.mp3", {'I', 'D', '3', 4});
  manifest += "[[songs]]\nfile = \"s.mp3\"\nlyrics = \"big.lrc\"\n";
  { std::ofstream(dir_ / "album.toml") << manifest; }
  Write("stub.exe", lantern::testing::MinimalPe());
  std::ostringstream out, err, check;
  const BuildOptions options{(dir_ / "album.toml").string(), (dir_ / "album.scr").string(),
                             (dir_ / "stub.exe").string(), "", false};
  ASSERT_EQ(Build(options, StandInPictures(), out, err), 0) << err.str();
  EXPECT_EQ(Check(options.output, StandInPictures(), check, err), 1);
  for (const auto& c : cases) {
    EXPECT_NE(err.str().find((dir_ / c.file).string() + ": warning: " + c.why), std::string::npos)
        << c.file << "\n"
        << err.str();
  }
  for (int n = 3; n <= 9; ++n) {
    const std::string item = "IMGNAMES(" + std::to_string(n) + "): " + cases[n - 3].why;
    EXPECT_NE(check.str().find(item), std::string::npos) << item << "\n" << check.str();
  }
  for (const char* fine : {"whole.jpg", "exif.jpg", "IMGNAMES(1)", "IMGNAMES(2)"}) {
    EXPECT_EQ(err.str().find(fine), std::string::npos) << fine << "\n" << err.str();
    EXPECT_EQ(check.str().find(fine), std::string::npos) << fine << "\n" << check.str();
  }
  const std::string too_large = "larger than the player reads (1 MiB)";
  EXPECT_NE(err.str().find("big.lrc: warning: it is " + too_large), std::string::npos) << err.str();
  EXPECT_NE(check.str().find("MUSICLYRICFILES(1): it is " + too_large), std::string::npos)
      << check.str();

  std::ostringstream lyric_out, lyric_err;
  EXPECT_EQ(Lyrics((dir_ / "big.lrc").string(), DecodeCodePage936, lyric_out, lyric_err), 1);
  EXPECT_EQ(lyric_out.str(), "");
  EXPECT_NE(lyric_err.str().find("big.lrc: larger than the player's limit for lyric files (1 "
                                 "MiB); the player will not read it"),
            std::string::npos)
      << lyric_err.str();
  // At the limit the file is read as the player reads it.
  lyrics.resize(size_t{1} << 20);
  lyrics.resize(lyrics.rfind('\n') + 1);
  Write("limit.lrc", std::vector<uint8_t>(lyrics.begin(), lyrics.end()));
  EXPECT_EQ(Lyrics((dir_ / "limit.lrc").string(), DecodeCodePage936, lyric_out, lyric_err), 0);
  EXPECT_NE(lyric_out.str().find("\nlines\t" + std::to_string(lyrics.size() / line.size()) + "\n"),
            std::string::npos);
}

TEST_F(AlbumpackTest, OutputMayNotBeTheManifestOrAnInput) {
  const std::vector<uint8_t> jpeg = lantern::testing::TinyJpeg();
  Write("a.jpg", jpeg);
  Write("stub.exe", lantern::testing::MinimalPe());
  const std::string manifest = "[[photos]]\nfile = \"a.jpg\"\n";
  { std::ofstream(dir_ / "album.toml") << manifest; }
  std::ostringstream out;
  std::ostringstream err;
  BuildOptions options{(dir_ / "album.toml").string(), (dir_ / "album.toml").string(),
                       (dir_ / "stub.exe").string(), "", false};
  EXPECT_EQ(Build(options, StandInPictures(), out, err), 1);
  EXPECT_NE(err.str().find("album.toml: -o names the manifest"), std::string::npos) << err.str();
  options.output = (dir_ / "x" / ".." / "a.jpg").string();
  fs::create_directory(dir_ / "x");
  EXPECT_EQ(Build(options, StandInPictures(), out, err), 1);
  EXPECT_NE(err.str().find("which the album is made from"), std::string::npos) << err.str();
  const auto read = [&](const char* name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  EXPECT_EQ(read("album.toml"), manifest);
  EXPECT_EQ(read("a.jpg"), std::string(jpeg.begin(), jpeg.end()));
  // An album rebuilt in place: the player copy named by --stub is the output.
  options.output = options.stub;
  ASSERT_EQ(Build(options, StandInPictures(), out, err), 0) << err.str();
  EXPECT_EQ(Check(options.output, StandInPictures(), out, err), 0);
}

TEST(ExtractedName, NamesByNumberAndType) {
  EXPECT_EQ(ExtractedName("IMGNAMES(12)", "JPG"), "photo-12.jpg");
  EXPECT_EQ(ExtractedName("MusicNames(1)", "MP3"), "song-1.mp3");
  EXPECT_EQ(ExtractedName("MUSICLYRICFILES(3)", "LRC"), "lyrics-3.lrc");
  EXPECT_EQ(ExtractedName("TOINSTALLFONT(2)", "TTF"), "font-2.ttf");
  EXPECT_EQ(ExtractedName("BTN_PREV", "PNG"), "BTN_PREV.png");
  EXPECT_EQ(TypeWord("a.JPEG"), "JPG");
  EXPECT_EQ(TypeWord("dir.v2/file"), "");
  EXPECT_EQ(TypeWord("song.midi"), "MID");
}

// Lyric files the player has never seen, as an album maker would check them.
TEST_F(AlbumpackTest, LyricsPrintsTheTimelineAsThePlayerReadsIt) {
  const auto run = [&](const std::string& name, const std::string& content) {
    Write(name, std::vector<uint8_t>(content.begin(), content.end()));
    std::ostringstream out, err;
    EXPECT_EQ(Lyrics((dir_ / name).string(), DecodeCodePage936, out, err), 0);
    return out.str();
  };
  // GBK without a mark, as most older Chinese LRC files are.
  EXPECT_EQ(run("gbk.lrc", "[ti:\xB8\xE8]\r\n[00:02.50][00:01.00]\xC4\xE3\xBA\xC3\r\n"),
            "100\t0\t\xE4\xBD\xA0\xE5\xA5\xBD\n250\t1\t\xE4\xBD\xA0\xE5\xA5\xBD\n"
            "ti\t\xE6\xAD\x8C\nar\t\nal\t\nby\t\noffset\t0\nlines\t2\n");
  // UTF-8 without a mark, with an offset (and the zero-seconds tag's reading).
  EXPECT_EQ(run("utf8.lrc", "[offset:-100]\n[ar:\xE6\xAD\x8C]\n[01:00.10]caf\xC3\xA9\n"),
            "6010\t0\tcaf\xC3\xA9\nti\t\nar\t\xE6\xAD\x8C\nal\t\nby\t\noffset\t-100\nlines\t1\n");
  // A file without timed lines still shows its tags.
  EXPECT_EQ(run("tags.lrc", "[ti:t]\r\n"), "ti\tt\nar\t\nal\t\nby\t\noffset\t0\nlines\t0\n");
  std::ostringstream out, err;
  EXPECT_EQ(Lyrics((dir_ / "missing.lrc").string(), DecodeCodePage936, out, err), 1);
  EXPECT_NE(err.str().find("cannot read"), std::string::npos);
}

}  // namespace
}  // namespace lantern::albumpack

#include <png.h>

#include "platform/fake/fake_platform.h"
#include "tools/albumpack/render.h"

namespace lantern::albumpack {
namespace {

// Reads a PNG with libpng: RGB rows, or empty when libpng rejects the file.
std::vector<std::vector<uint8_t>> ReadPngRows(const std::string& path, uint32_t& w, uint32_t& h) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> buffer(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, buffer.data(), 0, nullptr)) return {};
  w = image.width;
  h = image.height;
  std::vector<std::vector<uint8_t>> rows;
  for (uint32_t y = 0; y < h; ++y) {
    rows.emplace_back(buffer.begin() + y * w * 3, buffer.begin() + (y + 1) * w * 3);
  }
  return rows;
}

// A 2 x 2 green TGA picture.
std::vector<uint8_t> GreenTga() {
  std::vector<uint8_t> tga(18, 0);
  tga[2] = 2;
  tga[12] = 2;
  tga[14] = 2;
  tga[16] = 24;
  for (int i = 0; i < 4; ++i)
    tga.insert(tga.end(), {0, 255, 0});
  return tga;
}

TEST_F(AlbumpackTest, RenderComposesASlideIntoAPng) {
  // A green photo on a solid red background, shrunk-to-fit mode: centred.
  Write("p.tga", GreenTga());
  ManifestResult m = Manifest(R"(
    [[photos]]
    file = "p.tga"
    [settings]
    BackGroundSet = "1"
    SolidColor = 255
  )");
  ASSERT_EQ(m.error, "");
  std::string error;
  const auto image = WriteAlbum(lantern::testing::MinimalPe(), m.content, &error);
  ASSERT_TRUE(image) << error;
  Write("album.exe", *image);
  platform::fake::FakePlatform fake;
  std::ostringstream out;
  std::ostringstream err;
  RenderOptions options{
      (dir_ / "album.exe").string(), 1, (dir_ / "slide.png").string(), 40, 30, {}};
  ASSERT_EQ(Render(options, fake, out, err), 0) << err.str();
  uint32_t w = 0;
  uint32_t h = 0;
  const auto rows = ReadPngRows(options.output, w, h);
  ASSERT_EQ(w, 40u);
  ASSERT_EQ(h, 30u);
  EXPECT_EQ((std::vector<uint8_t>(rows[0].begin(), rows[0].begin() + 3)),
            (std::vector<uint8_t>{255, 0, 0}));
  EXPECT_EQ((std::vector<uint8_t>(rows[14].begin() + 19 * 3, rows[14].begin() + 20 * 3)),
            (std::vector<uint8_t>{0, 255, 0}));
  options.photo = 2;
  EXPECT_EQ(Render(options, fake, out, err), 1);
  EXPECT_NE(err.str().find("has photos 1 to 1, not 2"), std::string::npos);
}

// The headline is drawn as its effect leaves it, in its own box and size
// (at twice the authoring screen's size, about twice as large and its centre
// twice as far in, as the player rescales it), after the caption; an album with headline effects
// off shows none.
TEST_F(AlbumpackTest, RenderDrawsTheHeadlineAsTheEffectLeavesIt) {
  Write("p.tga", GreenTga());
  const auto render = [&](const std::string& extra, int32_t scale = 1) {
    ManifestResult m = Manifest(R"(
      [[photos]]
      file = "p.tga"
      caption = "cap"
      headline = "Head"
      headline_box = [4, 2, 30, 10]
      size = 8
    )" + extra);
    EXPECT_EQ(m.error, "");
    std::string error;
    const auto image = WriteAlbum(lantern::testing::MinimalPe(), m.content, &error);
    EXPECT_TRUE(image) << error;
    Write("album.exe", *image);
    platform::fake::FakePlatform fake;
    std::ostringstream out, err;
    RenderOptions options{(dir_ / "album.exe").string(),
                          1,
                          (dir_ / "slide.png").string(),
                          1024 * scale,
                          768 * scale,
                          {}};
    EXPECT_EQ(Render(options, fake, out, err), 0) << err.str();
    std::vector<std::string> texts;
    for (const platform::TextBox& box : fake.fake_text().drawn()) {
      texts.push_back(box.text);
      if (box.text == "Head") {
        EXPECT_EQ(box.left + box.width / 2, (4 + 30 / 2) * scale);  // its centre
        EXPECT_NEAR(box.width, 30 * scale, 2 * (scale - 1));
        EXPECT_EQ(box.font_size, 8 * scale);
      }
    }
    return texts;
  };
  EXPECT_EQ(render("effect = 3\n"), (std::vector<std::string>{"cap", "Head"}));
  EXPECT_EQ(render("effect = 3\n", 2), (std::vector<std::string>{"cap", "Head"}));
  EXPECT_EQ(render("effect = 0\n[settings]\nEnableHeadlineEffect = false\n"),
            (std::vector<std::string>{"cap"}));
}

}  // namespace
}  // namespace lantern::albumpack
