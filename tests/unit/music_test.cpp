// The music on the fake backend, in virtual time: the three play orders,
// passes, song files in the extraction folder, pause, skip, volume steps, the
// fitting of the slide interval to the songs, and songs that cannot play.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "album/items.h"
#include "album/property_bag.h"
#include "media/music.h"
#include "platform/fake/fake_media.h"
#include "platform/fake/fake_platform.h"

namespace lantern::media {
namespace {

constexpr char kFolder[] = "C:\\temp\\~Pemo\\";
constexpr char kLyrics[] = "[00:01.00]first line\n[00:02.00]second line\n";

std::vector<uint8_t> SongBytes(int n) {
  std::vector<uint8_t> bytes(1000 + static_cast<size_t>(n) * 10);
  std::iota(bytes.begin(), bytes.end(), static_cast<uint8_t>(n));
  return bytes;
}

std::string SongFile(int n) {
  return kFolder + std::to_string(n) + ".MP3";
}
std::string LyricFile(int n) {
  return kFolder + std::to_string(n) + ".lrc";
}

class MusicTest : public ::testing::Test {
 protected:
  MusicTest() {
    fake_.files().CreateFolder("C:\\temp");
    fake_.files().CreateFolder(kFolder);
    settings_.LenOfRes = 1;
    settings_.fFontName[3] = "Lyric";
    settings_.fFontSize[3] = 20;
  }

  // A packed album of `songs` MP3 songs; song n lasts durations[n - 1] seconds
  // (10 s when not given); the songs in `with_lyrics` carry a lyric file.
  void MakeAlbum(int songs, const std::string& order, std::vector<double> durations = {},
                 std::vector<int> with_lyrics = {}) {
    settings_.NowM = songs;
    settings_.PlayMusicOrder = order;
    settings_.MusicNames.Resize(songs);
    settings_.MusicLyricFiles.Resize(songs);
    settings_.LyricFilesCount = static_cast<int32_t>(with_lyrics.size());
    album::PropertyBagWriter writer;
    for (int n = 1; n <= songs; ++n) {
      const std::string key = album::IndexedKey("MusicNames(", n);
      std::vector<uint8_t> bytes = SongBytes(n);
      writer.SetText(key + "_Type", "MP3");
      writer.SetInt32(key + "_Size", static_cast<int32_t>(bytes.size()));
      album::ApplyItemKeyStream(bytes);
      fake_.fake_resources().Add(key, bytes);
      const double seconds = n <= static_cast<int>(durations.size()) ? durations[n - 1] : 10.0;
      media_.SetDuration(SongFile(n), seconds);
    }
    for (const int n : with_lyrics) {
      const std::string key = album::IndexedKey("MusicLyricFiles(", n);
      writer.SetText(key + "_Type", "LRC");
      std::vector<uint8_t> bytes(kLyrics, kLyrics + sizeof(kLyrics) - 1);
      writer.SetInt32(key + "_Size", static_cast<int32_t>(bytes.size()));
      album::ApplyItemKeyStream(bytes);
      fake_.fake_resources().Add(key, bytes);
    }
    ASSERT_EQ(store_.Load(writer.Blob()), album::LoadError::kNone);
    MakeMusic();
  }

  void MakeMusic() {
    MusicHooks hooks;
    hooks.clear_lyric_windows = [this] { ++calls_["clear"]; };
    hooks.hide_lyric_windows = [this] { ++calls_["hide"]; };
    hooks.start_lyric_timer = [this] { ++calls_["timer"]; };
    hooks.redraw_control_bar = [this] { ++calls_["bar"]; };
    music_ = std::make_unique<Music>(MusicServices{media_, fake_.files(), fake_.loop(),
                                                   fake_.clock(), fake_.text(), rnd_, items_},
                                     MusicAlbum{settings_, store_, folder_, {}}, progress_, state_,
                                     hooks);
  }

  // What the show does at activation and at its first slide.
  void Start() {
    music_->OpenGraph();
    music_->StartMusic();
  }

  // Lets the current song play to its end, then runs the end-of-song check.
  void PlayToEnd() {
    fake_.AdvanceMs(music_->SongRemainingMs() + 1);
    music_->AdvanceSongIfEnded();
  }

  // The songs started by n further song ends.
  std::vector<int32_t> NextSongs(int n) {
    std::vector<int32_t> songs;
    for (int i = 0; i < n; ++i) {
      PlayToEnd();
      songs.push_back(music_->CurrentSong());
    }
    return songs;
  }

  int32_t PlayerVolume() { return *media_.current()->Volume(); }

  platform::fake::FakePlatform fake_;
  platform::fake::FakeMediaFactory media_{fake_};
  base::Rnd rnd_;
  album::AlbumItems items_{fake_.resources(), fake_.files(), fake_.loop()};
  album::AlbumSettings settings_;
  album::PropertyBag store_;
  show::MusicProgress progress_;
  show::ShowState state_;
  std::string folder_ = kFolder;
  std::map<std::string, int> calls_;
  std::unique_ptr<Music> music_;
};

TEST_F(MusicTest, WithoutSongsNoPlayerIsMadeAndTheMusicKeysDoNothing) {
  MakeAlbum(0, "0");
  settings_.EnableSync = true;
  Start();
  music_->SkipSong();
  music_->PauseMusic();
  music_->ResumeMusic();
  music_->ChangeVolumeBy(-10);
  music_->AdvanceSongIfEnded();
  EXPECT_EQ(media_.created(), 0);
  EXPECT_FALSE(music_->HasMediaControl());
  EXPECT_FALSE(progress_.MusicStarted);
  EXPECT_FALSE(settings_.MuteSound);
  EXPECT_TRUE(settings_.EnableSync);
  EXPECT_EQ(music_->SongRemainingMs(), 0);
  EXPECT_FALSE(music_->SongHasLyrics());
}

TEST_F(MusicTest, SequentialOrderPlaysEachSongOnceAPassWithAFreshPlayerAndOneFileOnDisk) {
  MakeAlbum(3, "0", {10, 20, 30});
  Start();
  EXPECT_TRUE(progress_.MusicStarted);
  EXPECT_EQ(music_->CurrentSong(), 1);
  EXPECT_EQ(progress_.PassCount, 1);
  EXPECT_EQ(music_->PlayCounter(), 1);
  EXPECT_EQ(media_.current()->state(), platform::fake::FakeMediaPlayer::State::kRunning);
  EXPECT_EQ(music_->SongStartTime(), fake_.NowMs());

  // Before its end the song is left alone.
  fake_.AdvanceMs(9000);
  music_->AdvanceSongIfEnded();
  EXPECT_EQ(media_.created(), 1);
  EXPECT_EQ(music_->SongRemainingMs(), 1000);

  PlayToEnd();
  EXPECT_EQ(music_->CurrentSong(), 2);
  EXPECT_FALSE(progress_.PassComplete);
  EXPECT_EQ(media_.created(), 2);
  EXPECT_EQ(media_.live(), 1);  // the old player was released
  EXPECT_FALSE(fake_.files().Exists(SongFile(1)));
  EXPECT_TRUE(fake_.files().Exists(SongFile(2)));
  EXPECT_EQ(fake_.files().ReadFile(SongFile(2)), SongBytes(2));
  EXPECT_EQ(calls_["clear"], 1);

  PlayToEnd();
  EXPECT_EQ(music_->CurrentSong(), 3);
  EXPECT_TRUE(progress_.PassComplete);
  EXPECT_EQ(music_->PlayCounter(), 0);
  EXPECT_EQ(progress_.PassCount, 1);

  PlayToEnd();
  EXPECT_EQ(music_->CurrentSong(), 1);
  EXPECT_FALSE(progress_.PassComplete);
  EXPECT_EQ(progress_.PassCount, 2);
  EXPECT_EQ(fake_.fake_files().mapped_writes(), 4);
  EXPECT_EQ(media_.rendered(),
            (std::vector<std::string>{SongFile(1), SongFile(2), SongFile(3), SongFile(1)}));
}

TEST_F(MusicTest, ASingleSongRepeatsFromItsFileAndItsPassNeverCompletes) {
  MakeAlbum(1, "0", {5});
  Start();
  for (int i = 0; i < 4; ++i) {
    PlayToEnd();
    EXPECT_EQ(music_->CurrentSong(), 1);
    EXPECT_EQ(music_->PlayCounter(), 0);
    EXPECT_FALSE(progress_.PassComplete);
  }
  EXPECT_EQ(media_.created(), 5);                    // a fresh player for every repeat
  EXPECT_EQ(fake_.fake_files().mapped_writes(), 1);  // extracted once
  EXPECT_EQ(progress_.PassCount, 5);                 // every repeat begins a pass
}

TEST_F(MusicTest, ShuffledOrderPlaysEveryPassInItsNewPlayOrder) {
  MakeAlbum(4, "1");
  Start();
  std::vector<int32_t> pass{music_->CurrentSong()};
  std::vector<int32_t> order = music_->PlayOrder();
  for (int p = 0; p < 3; ++p) {
    const std::vector<int32_t> rest = NextSongs(3);
    pass.insert(pass.end(), rest.begin(), rest.end());
    EXPECT_EQ(pass, order) << "pass " << p;
    std::vector<int32_t> sorted = pass;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int32_t>{1, 2, 3, 4}));
    EXPECT_TRUE(progress_.PassComplete);
    pass = NextSongs(1);
    order = music_->PlayOrder();
  }
}

TEST_F(MusicTest, AnyOtherOrderPlaysOneRandomSongNTimesThenChoosesAgain) {
  MakeAlbum(3, "2");
  Start();
  std::vector<int32_t> played{music_->CurrentSong()};
  std::vector<int32_t> firsts{music_->PlayOrder()[0]};
  for (int i = 0; i < 11; ++i) {
    PlayToEnd();
    played.push_back(music_->CurrentSong());
    if (played.size() % 3 == 1) firsts.push_back(music_->PlayOrder()[0]);
  }
  for (size_t i = 0; i < played.size(); ++i)
    EXPECT_EQ(played[i], firsts[i / 3]) << "song " << i;
}

TEST_F(MusicTest, SkipEndsTheSongAtOnceClearsThePauseAndStopsSynchronising) {
  MakeAlbum(3, "0");
  Start();
  settings_.EnableSync = true;
  fake_.AdvanceMs(3000);
  music_->PauseMusic();
  ASSERT_TRUE(settings_.MuteSound);
  music_->SkipSong();
  EXPECT_FALSE(settings_.EnableSync);
  EXPECT_FALSE(settings_.MuteSound);
  EXPECT_EQ(music_->CurrentSong(), 2);
  EXPECT_EQ(media_.current()->state(), platform::fake::FakeMediaPlayer::State::kRunning);
  EXPECT_FALSE(progress_.MusicBusy);

  // While a song change is in progress the key is ignored.
  progress_.MusicBusy = true;
  music_->SkipSong();
  EXPECT_EQ(music_->CurrentSong(), 2);
}

TEST_F(MusicTest, PauseHoldsThePositionAndResumeGoesOn) {
  MakeAlbum(2, "0", {10, 10});
  Start();
  settings_.EnableSync = true;
  fake_.AdvanceMs(2000);
  music_->PauseMusic();
  EXPECT_TRUE(settings_.MuteSound);
  EXPECT_FALSE(settings_.EnableSync);
  EXPECT_EQ(calls_["hide"], 1);
  fake_.AdvanceMs(60000);
  music_->AdvanceSongIfEnded();  // a paused song never ends
  EXPECT_EQ(music_->CurrentSong(), 1);
  EXPECT_NEAR(*music_->SongPosition(), 2.0, 0.01);
  music_->ResumeMusic();
  EXPECT_FALSE(settings_.MuteSound);
  fake_.AdvanceMs(1000);
  EXPECT_NEAR(*music_->SongPosition(), 3.0, 0.01);
  EXPECT_EQ(calls_["bar"], 2);
}

TEST_F(MusicTest, VolumeStepsOfTenPercentInHundredthsOfADecibel) {
  MakeAlbum(2, "0");
  Start();
  EXPECT_EQ(PlayerVolume(), 0);
  music_->ChangeVolumeBy(10);  // full volume stays full
  EXPECT_EQ(PlayerVolume(), 0);
  EXPECT_EQ(music_->VolumePercent(), 100);
  music_->ChangeVolumeBy(-10);
  EXPECT_EQ(PlayerVolume(), -229);
  EXPECT_EQ(music_->VolumePercent(), 90);
  for (int i = 0; i < 9; ++i)
    music_->ChangeVolumeBy(-10);
  EXPECT_EQ(PlayerVolume(), -10000);
  EXPECT_EQ(music_->VolumePercent(), 1);
  music_->ChangeVolumeBy(-10);  // silent stays silent
  EXPECT_EQ(PlayerVolume(), -10000);
  music_->ChangeVolumeBy(10);
  EXPECT_EQ(music_->VolumePercent(), 11);
  EXPECT_EQ(PlayerVolume(), -4793);

  // The next song's new player gets the chosen volume.
  PlayToEnd();
  EXPECT_EQ(PlayerVolume(), -4793);
}

TEST(MusicVolume, PercentAndDecibelConversions) {
  EXPECT_EQ(VolumeForPercent(100), 0);
  EXPECT_EQ(VolumeForPercent(10), -5000);
  EXPECT_EQ(VolumeForPercent(1), -10000);
  EXPECT_EQ(VolumeForPercent(0), -10000);  // held to 1..100
  EXPECT_EQ(VolumeForPercent(250), 0);
  for (int p = 1; p <= 100; ++p)
    EXPECT_EQ(PercentForVolume(VolumeForPercent(p)), p) << p;
}

// The empty player made before the first song has no audio to ask for its
// volume, so a volume key then changes nothing: the first song starts at the
// graph's own full volume, and the next key steps from there.
TEST_F(MusicTest, AVolumeKeyBeforeTheFirstSongChangesNothing) {
  MakeAlbum(2, "0");
  music_->OpenGraph();
  music_->ChangeVolumeBy(-10);
  EXPECT_EQ(music_->VolumePercent(), 0);  // never changed
  music_->StartMusic();
  EXPECT_EQ(PlayerVolume(), 0);  // 0 dB: full volume
  music_->ChangeVolumeBy(-10);
  EXPECT_EQ(music_->VolumePercent(), 90);
  EXPECT_EQ(PlayerVolume(), -229);
}

TEST_F(MusicTest, AnExtractedSongOfTheRightSizeIsNotExtractedAgainButItsLyricsAreReloaded) {
  MakeAlbum(2, "0", {}, {1});
  ASSERT_TRUE(music_->PrepareSong(1));
  EXPECT_EQ(fake_.fake_files().mapped_writes(), 2);  // the song and its lyric file
  EXPECT_EQ(music_->LyricPath(1), LyricFile(1));
  EXPECT_EQ(music_->lyrics().LyricCount, 2);
  music_->lyrics() = LyricTimeline{};
  ASSERT_TRUE(music_->PrepareSong(1));
  EXPECT_EQ(fake_.fake_files().mapped_writes(), 2);
  EXPECT_EQ(music_->lyrics().LyricCount, 2);
  EXPECT_EQ(music_->SongPath(1), SongFile(1));
}

TEST_F(MusicTest, APartlyWrittenSongIsReplacedWhole) {
  MakeAlbum(1, "0");
  std::vector<uint8_t> longer(5000, 0xEE);
  fake_.files().WriteAt(SongFile(1), longer, 0);
  ASSERT_TRUE(music_->PrepareSong(1));
  EXPECT_EQ(fake_.files().ReadFile(SongFile(1)), SongBytes(1));
}

TEST_F(MusicTest, LyricsFollowTheSongAndASongWithoutLyricsClearsThem) {
  MakeAlbum(2, "0", {10, 10}, {1});
  state_.LyricsReady = true;
  Start();
  EXPECT_TRUE(music_->SongHasLyrics());
  EXPECT_EQ(music_->lyrics().LyricCount, 2);
  EXPECT_EQ(calls_["timer"], 1);
  PlayToEnd();
  EXPECT_FALSE(music_->SongHasLyrics());
  EXPECT_EQ(music_->LyricPath(2), "");
  EXPECT_EQ(music_->lyrics().LyricCount, 0);
  // With lyrics shown, the old song's lyric file goes with it.
  EXPECT_FALSE(fake_.files().Exists(LyricFile(1)));
  EXPECT_EQ(calls_["timer"], 2);
}

TEST_F(MusicTest, ASynchronisedShowHoldsTheMusicAtTheEndOfItsLastPass) {
  MakeAlbum(2, "0", {10, 10});
  settings_.EnableSync = true;
  progress_.SyncMusicPasses = 1;
  Start();
  PlayToEnd();  // song 2: the pass is complete
  ASSERT_TRUE(progress_.PassComplete);
  fake_.AdvanceMs(20000);
  music_->ContinueMusic();
  EXPECT_EQ(music_->CurrentSong(), 2);
  EXPECT_EQ(music_->SongRemainingMs(), 0);
  // Without synchronisation the next pass begins.
  settings_.EnableSync = false;
  music_->ContinueMusic();
  EXPECT_EQ(music_->CurrentSong(), 1);
  EXPECT_EQ(progress_.PassCount, 2);
  EXPECT_FALSE(progress_.MusicBusy);
}

TEST_F(MusicTest, ASongThatCannotPlayIsPassedOverAndMusicEndsWhenNoneCan) {
  MakeAlbum(3, "0");
  media_.FailRender(SongFile(2));
  Start();
  PlayToEnd();
  EXPECT_EQ(music_->CurrentSong(), 2);
  EXPECT_EQ(music_->SongRemainingMs(), 0);
  music_->AdvanceSongIfEnded();
  EXPECT_EQ(music_->CurrentSong(), 3);
  EXPECT_GT(music_->SongRemainingMs(), 0);

  media_.FailRender(SongFile(1));
  media_.FailRender(SongFile(3));
  PlayToEnd();                   // 1 fails
  music_->AdvanceSongIfEnded();  // 2 fails
  music_->AdvanceSongIfEnded();  // 3 fails: every song failed in a row
  const int created = media_.created();
  for (int i = 0; i < 5; ++i)
    music_->AdvanceSongIfEnded();
  EXPECT_EQ(media_.created(), created);
}

TEST_F(MusicTest, AMissingSongItemIsPassedOver) {
  MakeAlbum(2, "0");
  // No types or sizes: nothing to extract.
  ASSERT_EQ(store_.Load(album::PropertyBagWriter{}.Blob()), album::LoadError::kNone);
  Start();
  EXPECT_TRUE(progress_.MusicStarted);
  EXPECT_EQ(music_->SongRemainingMs(), 0);
  EXPECT_FALSE(progress_.MusicBusy);
}

// Without an extraction folder (it could not be made) nothing is written or
// deleted anywhere else, and the show goes on without music.
TEST_F(MusicTest, WithoutAnExtractionFolderNothingIsWrittenAndNoSongPlays) {
  folder_.clear();
  MakeAlbum(2, "0", {}, {1});
  Start();
  PlayToEnd();
  PlayToEnd();
  music_->SkipSong();
  const auto& files = fake_.fake_files();
  EXPECT_EQ(files.mapped_writes() + files.plain_writes(), 0);
  EXPECT_TRUE(files.deleted().empty());
  EXPECT_TRUE(media_.rendered().empty());
  EXPECT_EQ(music_->SongRemainingMs(), 0);
  EXPECT_EQ(music_->lyrics().LyricCount, 0);
}

// A lyric file past the size limit is not read: its song plays without lyrics.
TEST_F(MusicTest, ASongWithAnOverlongLyricFilePlaysWithoutLyrics) {
  MakeAlbum(1, "0", {}, {1});
  std::string lrc;
  while (lrc.size() <= kMaxLyricFileBytes)
    lrc += "[00:01.00]again\r\n";
  std::vector<uint8_t> bytes(lrc.begin(), lrc.end());
  album::ApplyItemKeyStream(bytes);
  fake_.fake_resources().Add(album::IndexedKey("MusicLyricFiles(", 1), bytes);
  Start();
  EXPECT_EQ(media_.rendered(), std::vector<std::string>{SongFile(1)});
  EXPECT_GT(music_->SongRemainingMs(), 0);
  EXPECT_EQ(music_->lyrics().LyricCount, 0);
}

TEST_F(MusicTest, StopReleasesThePlayerForGood) {
  MakeAlbum(2, "0");
  Start();
  music_->StopMusic();
  EXPECT_EQ(media_.live(), 0);
  EXPECT_FALSE(music_->HasMediaControl());
  fake_.AdvanceMs(60000);
  music_->AdvanceSongIfEnded();
  music_->SkipSong();
  EXPECT_EQ(media_.created(), 1);
}

TEST_F(MusicTest, AnUnpackedAlbumPlaysItsFilesWhereTheyAre) {
  settings_.LenOfRes = 0;
  MakeAlbum(2, "0");
  settings_.MusicNames[1] = "D:\\songs\\a.wav";
  settings_.MusicNames[2] = "D:\\songs\\b.wav";
  media_.SetDuration("D:\\songs\\a.wav", 4);
  media_.SetDuration("D:\\songs\\b.wav", 4);
  MakeMusic();
  Start();
  PlayToEnd();
  EXPECT_EQ(media_.rendered(), (std::vector<std::string>{"D:\\songs\\a.wav", "D:\\songs\\b.wav"}));
  EXPECT_EQ(fake_.fake_files().mapped_writes(), 0);
}

// --- fitting the slide interval to the songs ---

struct SyncCase {
  const char* name;
  int32_t songs, photos, seconds, version_class;
  bool transitions, headlines;
  bool synchronised;
  float interval;
  int32_t album_passes, music_passes;
};

TEST(MusicSync, FitsTheSlideIntervalToTheSongs) {
  const SyncCase cases[] = {
      {"600 s over 50 photos", 3, 50, 600, 5, false, false, true, 12.0f, 1, 1},
      {"less transition and headline", 3, 50, 600, 5, true, true, true, 9.5f, 1, 1},
      {"300 s: two music passes", 3, 50, 300, 5, false, false, true, 12.0f, 1, 2},
      {"class 7 adds a second", 3, 50, 550, 7, false, false, true, 11.0f, 1, 1},
      {"class 6 adds two", 3, 50, 550, 6, false, false, true, 2200.0f / 150.0f, 3, 4},
      {"no length given", 3, 50, 0, 5, false, false, false, 5.0f, 0, 0},
      {"21 songs", 21, 50, 600, 5, false, false, false, 5.0f, 0, 0},
      {"20 songs", 20, 50, 600, 5, false, false, true, 12.0f, 1, 1},
      {"no photos", 3, 0, 600, 5, false, false, false, 5.0f, 0, 0},
      {"too short to fit", 3, 50, 5, 5, false, false, false, 5.0f, 0, 0},
      {"no songs", 0, 50, 600, 5, false, false, false, 5.0f, 0, 0},
  };
  for (const SyncCase& c : cases) {
    album::AlbumSettings s;
    s.EnableSync = true;
    s.NowM = c.songs;
    s.NowI = c.photos;
    s.SongDurationTotal = c.seconds;
    s.TimeInterval = 5.0f;
    s.EnableTransition = c.transitions;
    s.SelectedTransitionCount = c.transitions ? 3 : 0;
    s.EnableHeadlineEffect = c.headlines;
    show::MusicProgress m;
    SynchroniseToMusic(s, c.version_class, m);
    EXPECT_EQ(s.EnableSync, c.synchronised) << c.name;
    EXPECT_FLOAT_EQ(s.TimeInterval, c.interval) << c.name;
    EXPECT_EQ(m.SyncAlbumPasses, c.album_passes) << c.name;
    EXPECT_EQ(m.SyncMusicPasses, c.music_passes) << c.name;
  }
}

TEST(MusicSync, AShowNotAskingForItIsLeftAlone) {
  album::AlbumSettings s;
  s.NowM = 3;
  s.NowI = 50;
  s.SongDurationTotal = 600;
  s.TimeInterval = 5.0f;
  show::MusicProgress m;
  SynchroniseToMusic(s, 5, m);
  EXPECT_FALSE(s.EnableSync);
  EXPECT_EQ(s.TimeInterval, 5.0f);
  EXPECT_EQ(m.SyncMusicPasses, 0);
}

}  // namespace
}  // namespace lantern::media
