// The cost of starting a song under Wine: a 10 MB MP3 album item is loaded,
// unscrambled, written to the extraction folder through a mapped view,
// rendered into a new DirectShow graph and run. Prints the median of a few
// runs. Usage: lantern_win32_music_bench PATH-TO-MP3
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "album/items.h"
#include "album/property_bag.h"
#include "media/music.h"
#include "platform/win32/win32_media.h"
#include "platform/win32/win32_platform.h"

namespace {

using namespace lantern;

// The album's one song, held in memory as the program's resources hold it.
class OneSongResources final : public platform::Resources {
 public:
  explicit OneSongResources(std::vector<uint8_t> scrambled) : bytes_(std::move(scrambled)) {}
  std::optional<std::vector<uint8_t>> LoadData(const std::string& name) override {
    if (_stricmp(name.c_str(), "MusicNames(1)") != 0) return std::nullopt;
    return bytes_;
  }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: lantern_win32_music_bench SONG.MP3\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<uint8_t> song((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (song.empty()) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 2;
  }
  const auto size = static_cast<int32_t>(song.size());
  album::ApplyItemKeyStream(song);

  auto platform = platform::win32::CreateWin32Platform();
  auto media = platform::win32::CreateDirectShowFactory();
  OneSongResources resources(std::move(song));
  album::AlbumItems items(resources, platform->files(), platform->loop());
  album::PropertyBagWriter writer;
  writer.SetText("MusicNames(1)_Type", "MP3");
  writer.SetInt32("MusicNames(1)_Size", size);
  album::PropertyBag store;
  if (store.Load(writer.Blob()) != album::LoadError::kNone) return 1;
  album::AlbumSettings settings;
  settings.LenOfRes = 1;
  settings.NowM = 1;
  settings.PlayMusicOrder = "0";
  settings.MusicNames.Resize(1);
  settings.MusicLyricFiles.Resize(1);

  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "lantern_music_bench\\";
  platform::Clock& clock = platform->clock();
  const double counts_per_ms = static_cast<double>(clock.CounterFrequency()) / 1000.0;
  std::vector<double> runs;
  for (int run = 0; run < 7; ++run) {
    platform->files().DeleteTree(folder);
    platform->files().CreateFolder(folder);
    base::Rnd rnd;
    show::MusicProgress progress;
    show::ShowState state;
    media::Music music(media::MusicServices{*media, platform->files(), platform->loop(), clock,
                                            platform->text(), rnd, items},
                       media::MusicAlbum{settings, store, folder, {}}, progress, state);
    music.OpenGraph();
    const int64_t start = clock.Counter();
    music.StartMusic();
    runs.push_back(static_cast<double>(clock.Counter() - start) / counts_per_ms);
    if (music.SongRemainingMs() <= 0) {
      std::fprintf(stderr, "the song did not start\n");
      return 1;
    }
    music.StopMusic();
  }
  platform->files().DeleteTree(folder);
  std::sort(runs.begin(), runs.end());
  std::printf(
      "prepare and start a %.1f MB MP3 item: median %.1f ms (min %.1f, max %.1f, %zu runs)\n",
      size / 1048576.0, runs[runs.size() / 2], runs.front(), runs.back(), runs.size());
  return 0;
}
