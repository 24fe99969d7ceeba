// The album's music: playlist, song files, one player per song, pause, skip,
// volume, and the fitting of the slide interval to the songs.
//
// Sections: volume conversions; synchronisation; the playlist; song files;
// the operations the show and the keys call.
#include "media/music.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "base/rounding.h"
#include "show/pacing.h"

namespace lantern::media {

namespace {

constexpr int32_t kMaxSyncSongs = 20;
constexpr int32_t kMaxSyncPasses = 20;
// Song types the extraction folder can hold, as the album stores them.
constexpr const char* kSongTypes[] = {"MP3", "WMA", "MID", "WAV"};

std::string SongItem(int32_t n) {
  return album::IndexedKey("MusicNames(", n);
}
std::string LyricItem(int32_t n) {
  return album::IndexedKey("MusicLyricFiles(", n);
}

}  // namespace

// --- volume conversions ---

int32_t VolumeForPercent(int32_t percent) {
  const int32_t p = std::clamp(percent, 1, 100);
  return base::Round32(5000.0 * std::log(static_cast<double>(p)) / std::log(10.0) - 10000.0);
}

int32_t PercentForVolume(int32_t hundredths_db) {
  return base::Round32(std::pow(10.0, (static_cast<double>(hundredths_db) + 10000.0) / 5000.0));
}

// --- synchronisation ---

void SynchroniseToMusic(album::AlbumSettings& s, int32_t windows_version_class,
                        show::MusicProgress& progress) {
  if (s.SongDurationTotal == 0 || s.NowM > kMaxSyncSongs) s.EnableSync = false;
  if (!s.EnableSync) return;
  // Photos stay 10 to 13 seconds, transition and headline included; the
  // newer systems of class 6 and 7 get two and one seconds more.
  const int64_t u = windows_version_class == 6 ? 2 : windows_version_class == 7 ? 1 : 0;
  const int64_t photos = s.NowI;
  const int64_t seconds = s.SongDurationTotal;
  bool matched = false;
  // An album without photos has nothing to fit (and nothing to divide by).
  if (s.NowM > 0 && photos > 0) {
    for (int64_t j = 1; j <= kMaxSyncPasses && !matched; ++j) {
      for (int64_t k = 1; k <= kMaxSyncPasses; ++k) {
        const int64_t music = seconds * j;
        if ((u + 10) * photos * k <= music && music <= (u + 13) * photos * k) {
          float interval = static_cast<float>(static_cast<double>(music) /
                                              static_cast<double>(photos) / static_cast<double>(k));
          if (s.EnableTransition && s.SelectedTransitionCount >= 1)
            interval = static_cast<float>(static_cast<double>(interval) - 1.5);
          if (s.EnableHeadlineEffect)
            interval = static_cast<float>(static_cast<double>(interval) - 1.0);
          s.TimeInterval = interval;
          progress.SyncAlbumPasses = static_cast<int32_t>(k);
          progress.SyncMusicPasses = static_cast<int32_t>(j);
          matched = true;
          break;
        }
      }
    }
  }
  if (!matched) s.EnableSync = false;
}

// --- construction ---

Music::Music(MusicServices services, MusicAlbum album, show::MusicProgress& progress,
             const show::ShowState& state, MusicHooks hooks)
    : services_(services),
      settings_(album.settings),
      store_(album.store),
      folder_(album.extraction_folder),
      decode_(std::move(album.decode)),
      progress_(progress),
      state_(state),
      hooks_(std::move(hooks)) {
  const int32_t n = SongCount();
  song_paths_.Resize(n);
  lyric_paths_.Resize(n);
  for (int32_t i = 1; i <= n; ++i) {
    if (i <= settings_.MusicNames.size()) song_paths_[i] = settings_.MusicNames[i];
    if (i <= settings_.MusicLyricFiles.size()) lyric_paths_[i] = settings_.MusicLyricFiles[i];
  }
}

Music::~Music() = default;

bool Music::Halted() const {
  return stopped_ || state_.ShowStopping;
}

void Music::OpenGraph() {
  if (SongCount() < 1 || player_ != nullptr || stopped_) return;
  player_ = services_.media.CreatePlayer();
  song_playable_ = song_failed_ = false;
}

// --- the playlist ---

void Music::NewPlayOrder() {
  play_order_ = show::ShufflePermutation(services_.rnd, services_.clock, 1, SongCount());
  first_shuffled_song_ = play_order_.empty() ? 1 : play_order_[0];
}

int32_t Music::SongByOrder(int32_t counter) const {
  const std::string& order = settings_.PlayMusicOrder;
  if (order == "0") return counter + 1;
  if (order == "1") return play_order_.at(static_cast<size_t>(counter));
  return first_shuffled_song_;  // one random song, N times in a row
}

void Music::StepCounter() {
  if (SongCount() <= 1) return;  // a single song repeats; its pass never completes
  ++play_counter_;
  progress_.PassComplete = play_counter_ == SongCount();
  if (progress_.PassComplete) play_counter_ = 0;
}

// The counter has already moved on when a song fails, so the next check
// tries the next song instead of the same one again.
void Music::LoadSong(int32_t n) {
  current_song_ = n;
  // Extraction pumps messages: the show may have stopped meanwhile.
  const bool ok =
      PrepareSong(n) && !Halted() && player_ != nullptr && player_->RenderFile(song_paths_[n]);
  song_playable_ = ok;
  song_failed_ = !ok;
  failed_in_row_ = ok ? 0 : failed_in_row_ + 1;
}

void Music::StartPlaying() {
  if (!song_playable_ || Halted() || player_ == nullptr) return;
  if (!player_->SetPosition(0) || !player_->Run()) return;
  song_start_time_ = services_.clock.NowMs();
  Pump();
  if (settings_.LyricFilesCount > 0 && state_.LyricsReady) Call(hooks_.start_lyric_timer);
}

void Music::ReplacePlayer() {
  player_->Stop();
  Pump();
  player_.reset();
  Pump();
  if (Halted()) return;
  player_ = services_.media.CreatePlayer();
  song_playable_ = song_failed_ = false;
}

// --- song files ---

bool Music::LoadLyrics(const std::string& path) {
  return LoadLyricFile(services_.files, path, decode_, lyrics_);
}

int32_t Music::LyricWidth(int32_t i) {
  return LineWidth(lyrics_, i, LyricFontOf(settings_), services_.text);
}

void Music::ClearLyrics() {
  lyrics_ = LyricTimeline{};
}

// Only one song is kept on disk: the first song file found by number goes,
// with its lyric file when lyrics are shown.
void Music::RemoveExtractedSong() {
  platform::FileSystem& files = services_.files;
  std::string base;
  bool deleted = false;
  for (int32_t i = 1; i <= SongCount() && !deleted; ++i) {
    base = folder_ + std::to_string(i) + ".";
    for (const char* type : kSongTypes) {
      if (files.Exists(base + type)) {
        files.DeleteTree(base + type);
        deleted = true;
        break;
      }
    }
  }
  if (!base.empty() && settings_.LyricFilesCount > 0 && state_.LyricsReady &&
      files.Exists(base + "LRC")) {
    files.DeleteTree(base + "LRC");
  }
  // A song of another type is not found by the scan; it goes all the same.
  if (!extracted_song_.empty() && files.Exists(extracted_song_)) files.DeleteTree(extracted_song_);
  extracted_song_.clear();
}

bool Music::PrepareSong(int32_t n) {
  if (n < 1 || n > SongCount()) return false;
  platform::FileSystem& files = services_.files;
  if (!settings_.PackageMode()) {
    if (lyric_paths_[n].empty() || !LoadLyrics(lyric_paths_[n])) ClearLyrics();
    return !song_paths_[n].empty();
  }
  // Without an extraction folder nothing is written or deleted anywhere
  // else (the working folder may be the user's own): no song can be played.
  if (folder_.empty()) {
    ClearLyrics();
    return false;
  }
  const std::string key = SongItem(n);
  const std::string path = folder_ + std::to_string(n) + "." + store_.ReadText(key + "_Type");
  const std::optional<int32_t> size = store_.Read(key + "_Size").ToInt32();
  const std::string lyric_path = folder_ + std::to_string(n) + ".lrc";
  song_paths_[n] = path;

  const std::optional<uint64_t> on_disk = files.FileSize(path);
  if (on_disk && size && *size >= 0 && *on_disk == static_cast<uint64_t>(*size)) {
    if (!files.Exists(lyric_path) || !LoadLyrics(lyric_path)) ClearLyrics();
    return true;  // already extracted
  }
  RemoveExtractedSong();
  // A write keeps the tail of a longer file, so a partial file goes first.
  if (files.Exists(path)) files.DeleteTree(path);
  if (!services_.items.ExtractItem(key, path, album::WriteMode::kMapped,
                                   [this] { return Halted(); }))
    return false;
  extracted_song_ = path;
  if (Halted()) return false;

  if (store_.ReadText(LyricItem(n) + "_Type").empty()) {
    lyric_paths_[n].clear();
    ClearLyrics();
    return true;
  }
  lyric_paths_[n] = lyric_path;
  if (files.Exists(lyric_path)) files.DeleteTree(lyric_path);
  if (!services_.items.ExtractItem(LyricItem(n), lyric_path, album::WriteMode::kMapped) ||
      !LoadLyrics(lyric_path)) {
    ClearLyrics();
  }
  return true;
}

// --- what the show calls ---

void Music::StartMusic() {
  if (stopped_ || SongCount() < 1) return;
  progress_.MusicBusy = true;
  OpenGraph();
  if (player_ != nullptr) {
    ++progress_.PassCount;
    progress_.MusicStarted = true;
    NewPlayOrder();
    play_counter_ = 0;
    LoadSong(SongByOrder(0));
    if (SongCount() >= 2) {
      ++play_counter_;
      if (play_counter_ == SongCount()) play_counter_ = 0;
    }
    StartPlaying();
  }
  progress_.MusicBusy = false;
}

void Music::ContinueMusic() {
  progress_.MusicBusy = true;
  const show::MusicProgress& m = progress_;
  const bool cycle_done =
      m.PassComplete && m.SyncMusicPasses >= 1 && m.PassCount >= m.SyncMusicPasses;
  // In a synchronised show the music waits at the end of its last pass for the slides.
  if (!settings_.EnableSync || SongCount() == 1 || !cycle_done) AdvanceSongIfEnded();
  progress_.MusicBusy = false;
}

void Music::AdvanceSongIfEnded() {
  if (stopped_ || player_ == nullptr || SongCount() < 1) return;
  if (song_failed_) {
    // A song that could not be played counts as ended, until every song has
    // failed in a row: then the show goes on without music.
    if (failed_in_row_ >= SongCount()) return;
  } else {
    const std::optional<double> d = player_->Duration();
    const std::optional<double> p = player_->Position();
    if (!d || !p || *p < *d) return;
  }
  Call(hooks_.clear_lyric_windows);
  ReplacePlayer();
  if (player_ == nullptr) return;
  if (play_counter_ == 0) {
    NewPlayOrder();
    ++progress_.PassCount;
  }
  const int32_t n = SongByOrder(play_counter_);
  StepCounter();
  LoadSong(n);
  if (!song_playable_) return;
  if (volume_percent_ > 0) ApplyVolume(volume_percent_);
  StartPlaying();
}

int32_t Music::SongRemainingMs() {
  if (player_ == nullptr || !song_playable_) return 0;
  const std::optional<double> d = player_->Duration();
  const std::optional<double> p = player_->Position();
  if (!d || !p) return 0;
  const double ms = (*d - *p) * 1000.0;
  if (!(std::abs(ms) < static_cast<double>(std::numeric_limits<int32_t>::max()))) return 0;
  return base::Round32(ms);
}

void Music::StopMusic() {
  stopped_ = true;
  if (player_ != nullptr) player_->Stop();
  player_.reset();
  song_playable_ = song_failed_ = false;
}

void Music::SkipSong() {
  if (SongCount() < 1 || progress_.MusicBusy) return;
  EndSynchronisation();
  if (player_ == nullptr) return;
  if (settings_.MuteSound) {
    settings_.MuteSound = false;
    Call(hooks_.redraw_control_bar);
  }
  if (song_playable_) {
    const std::optional<double> d = player_->Duration();
    if (!d || !player_->SetPosition(*d)) return;
  } else if (!song_failed_) {
    return;  // nothing loaded yet: there is no end to seek to
  }
  if (progress_.MusicStarted) {
    progress_.MusicBusy = true;
    AdvanceSongIfEnded();
    progress_.MusicBusy = false;
  }
}

bool Music::PausePlayer() {
  if (SongCount() < 1 || progress_.MusicBusy) return false;
  EndSynchronisation();
  if (player_ == nullptr) return false;
  settings_.MuteSound = true;
  player_->Pause();
  return true;
}

void Music::PauseMusic() {
  if (!PausePlayer()) return;
  Call(hooks_.hide_lyric_windows);
  Call(hooks_.redraw_control_bar);
}

void Music::HoldMusic() {
  if (PausePlayer()) Call(hooks_.redraw_control_bar);
}

void Music::ResumeMusic() {
  if (SongCount() < 1 || progress_.MusicBusy) return;
  EndSynchronisation();
  if (player_ == nullptr) return;
  settings_.MuteSound = false;
  player_->Run();
  Call(hooks_.redraw_control_bar);
}

void Music::ChangeVolumeBy(int32_t percent) {
  if (player_ == nullptr) return;
  const std::optional<int32_t> volume = player_->Volume();
  if (!volume) return;
  const int32_t wanted = std::clamp(PercentForVolume(*volume) + percent, 1, 100);
  if (!player_->SetVolume(VolumeForPercent(wanted))) return;
  volume_percent_ = wanted;
}

void Music::ApplyVolume(int32_t percent) {
  if (player_ != nullptr) player_->SetVolume(VolumeForPercent(percent));
}

bool Music::SongHasLyrics() {
  if (current_song_ < 1 || current_song_ > SongCount() || lyric_paths_[current_song_].empty())
    return false;
  // A duration that rounds to 0 s has nothing to time lyrics against.
  const std::optional<double> d = SongDuration();
  return d && std::abs(*d) > 0.5;
}

std::optional<double> Music::SongPosition() {
  if (player_ == nullptr || !song_playable_) return std::nullopt;
  return player_->Position();
}

std::optional<double> Music::SongDuration() {
  if (player_ == nullptr || !song_playable_) return std::nullopt;
  return player_->Duration();
}

}  // namespace lantern::media
