// The album's music: the playlist in its three orders, extraction of each
// song and its lyric file to the extraction folder, one media player per
// song, pause, skip and volume steps, and the rule that fits the slide
// interval to the total length of the songs.
//
// The player form drives it through show::ShowMusic at fixed points of its
// pass loop; the keys and the control bar call the pause, skip and volume
// operations. Failures of the media framework never throw: the operation
// ends quietly and the show goes on.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "album/album_settings.h"
#include "album/items.h"
#include "album/property_bag.h"
#include "base/rnd.h"
#include "media/lyric_song.h"
#include "media/lyrics.h"
#include "platform/media.h"
#include "platform/platform.h"
#include "show/show_parts.h"
#include "show/show_state.h"

namespace lantern::media {

// What the music needs of the system.
struct MusicServices {
  platform::MediaPlayerFactory& media;
  platform::FileSystem& files;
  platform::MessageLoop& loop;  // pumped between stopping one song and starting the next
  platform::Clock& clock;
  platform::TextRenderer& text;  // measures lyric lines when they are about to be shown
  base::Rnd& rnd;                // the player's one generator (song shuffles)
  album::AlbumItems& items;
};

// The album and the show it plays in.
struct MusicAlbum {
  album::AlbumSettings& settings;  // EnableSync and MuteSound change at run time
  const album::PropertyBag& store;
  // Ends in "\"; empty for an album that is not packed. Read when a song is
  // extracted: the player form makes the folder after the music exists.
  const std::string& extraction_folder;
  CodePageDecoder decode;  // lyric files without a byte-order mark
};

// The windows that show the music's state; each may be left empty until
// those windows exist.
struct MusicHooks {
  std::function<void()> clear_lyric_windows;  // lyric timer off, layers emptied
  std::function<void()> hide_lyric_windows;
  std::function<void()> start_lyric_timer;
  std::function<void()> redraw_control_bar;  // the mute button follows MuteSound
};

// The volume in hundredths of a decibel for a percentage (clamped to 1..100):
// 5000 * log10(percent) - 10000, to the nearest whole number.
int32_t VolumeForPercent(int32_t percent);
// The percentage a volume in hundredths of a decibel stands for, to the nearest whole number.
int32_t PercentForVolume(int32_t hundredths_db);

// Fits the slide interval to the songs, once, after the settings are read.
// Turns EnableSync off when the album cannot be synchronised; otherwise sets
// TimeInterval to the seconds per slide (less the transition's 1.5 s and the
// headline's 1 s when they run) and the number of album and playlist passes
// of one synchronised cycle. `windows_version_class` is the probed class
// (6 and 7 give the photos 2 and 1 extra seconds).
void SynchroniseToMusic(album::AlbumSettings& settings, int32_t windows_version_class,
                        show::MusicProgress& progress);

class Music final : public show::ShowMusic, public LyricSong {
 public:
  Music(MusicServices services, MusicAlbum album, show::MusicProgress& progress,
        const show::ShowState& state, MusicHooks hooks = {});
  ~Music() override;
  Music(const Music&) = delete;
  Music& operator=(const Music&) = delete;

  // Creates the first, empty player when the album has songs (the form's
  // activation does this before the first slide).
  void OpenGraph();

  // --- show::ShowMusic ---
  void OpenMusic() override { OpenGraph(); }
  void EndSynchronisation() override { settings_.EnableSync = false; }
  void StartMusic() override;
  void ContinueMusic() override;
  void AdvanceSongIfEnded() override;
  int32_t SongRemainingMs() override;
  void StopMusic() override;
  void SkipSong() override;
  void PauseMusic() override;
  void HoldMusic() override;
  void ResumeMusic() override;
  void ChangeVolumeBy(int32_t percent) override;
  bool HasMediaControl() override { return player_ != nullptr; }
  bool HasAudio() override { return player_ != nullptr; }

  // Makes song n (1-based) and its lyric file available as files and loads
  // the lyric file into the timeline. False when the song could not be made
  // available.
  bool PrepareSong(int32_t n);
  void ApplyVolume(int32_t percent);
  // --- LyricSong ---
  bool SongHasLyrics() override;
  std::optional<double> SongPosition() override;
  std::optional<double> SongDuration() override;
  const LyricTimeline& lyrics() const { return lyrics_; }
  // The pixel width of lyric line i in the album's lyric font, measured when
  // first asked for (when the line is about to be shown).
  int32_t LyricWidth(int32_t i);
  LyricTimeline& lyrics() override { return lyrics_; }

  // --- state, for the form and for tests ---
  int32_t CurrentSong() const { return current_song_; }
  int32_t PlayCounter() const { return play_counter_; }
  const std::vector<int32_t>& PlayOrder() const { return play_order_; }
  int32_t VolumePercent() const { return volume_percent_; }
  uint32_t SongStartTime() const { return song_start_time_; }
  const std::string& SongPath(int32_t n) const { return song_paths_[n]; }
  const std::string& LyricPath(int32_t n) const { return lyric_paths_[n]; }

 private:
  // Pauses the song and turns the sound off; false when there is nothing to pause.
  bool PausePlayer();
  int32_t SongCount() const { return settings_.NowM > 0 ? settings_.NowM : 0; }
  void NewPlayOrder();
  int32_t SongByOrder(int32_t counter) const;
  void LoadSong(int32_t n);  // PrepareSong and render into the current player
  void StepCounter();
  // The show stopped (or the music did) while a step pumped messages.
  bool Halted() const;
  void StartPlaying();
  void ReplacePlayer();
  void Pump() { services_.loop.PumpMessages(); }
  void RemoveExtractedSong();
  bool LoadLyrics(const std::string& path);
  void ClearLyrics();
  static void Call(const std::function<void()>& hook) {
    if (hook) hook();
  }

  MusicServices services_;
  album::AlbumSettings& settings_;
  const album::PropertyBag& store_;
  const std::string& folder_;
  CodePageDecoder decode_;
  show::MusicProgress& progress_;
  const show::ShowState& state_;
  MusicHooks hooks_;

  std::unique_ptr<platform::MediaPlayer> player_;
  bool song_playable_ = false;  // the current player holds a rendered song
  bool song_failed_ = false;    // the current song could not be extracted or rendered
  int32_t failed_in_row_ = 0;   // songs in a row that could not be played
  bool stopped_ = false;        // StopMusic ran: nothing plays any more
  album::OneBased<std::string> song_paths_;
  album::OneBased<std::string> lyric_paths_;
  std::string extracted_song_;  // the one song file this run has on disk
  LyricTimeline lyrics_;
  std::vector<int32_t> play_order_;  // a permutation of 1..N
  int32_t play_counter_ = 0;
  int32_t first_shuffled_song_ = 0;
  int32_t current_song_ = 0;
  uint32_t song_start_time_ = 0;
  int32_t volume_percent_ = 0;  // 0: never changed, the player's default applies
};

}  // namespace lantern::media
