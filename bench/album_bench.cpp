// Album figures: the builder's throughput, its time against `cp` and its peak
// memory on a 500 MB album (manifest to finished file, through the page
// cache), and the start-up cost of reading every setting of a 1000-photo album.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "album/album_settings.h"
#include "album/property_bag.h"
#include "tests/unit/minimal_pe.h"
#include "tests/unit/stand_in_decoder.h"
#include "tools/albumpack/album_writer.h"
#include "tools/albumpack/commands.h"
#include "tools/albumpack/manifest.h"

namespace {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() : path_(fs::temp_directory_path() / ("lantern-bench-" + std::to_string(getpid()))) {
    fs::create_directories(path_);
  }
  ~TempFolder() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }
  void Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream(path_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }

 private:
  fs::path path_;
};

std::vector<uint8_t> Jpeg(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<uint8_t>(seed * 31 + i * 7);
  bytes[0] = 0xFF;
  bytes[1] = 0xD8;
  return bytes;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

double Seconds(std::chrono::steady_clock::time_point from) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

// The peak resident memory of one build, in a child process of its own so
// that nothing else this process did counts (the child starts with this
// process's few megabytes).
double BuildPeakMegabytes(const lantern::albumpack::BuildOptions& options) {
  const pid_t child = fork();
  if (child == 0) {
    std::ostringstream out;
    std::ostringstream err;
    _exit(lantern::albumpack::Build(options, lantern::testing::StandInPictures(), out, err));
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || status != 0) return -1;
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The builder on a 500 MB album (100 photos of 5 MB), from the manifest to the
// finished file, against `cp` of the album it wrote: the same bytes through
// the same page cache, the two alternated so that both meet the same machine.
// x_cp is the ratio of their medians; peak_MB is the builder's peak memory.
void BM_BuildAlbum500MB(benchmark::State& state) {
  constexpr int kPhotos = 100;
  constexpr size_t kPhotoSize = 5 << 20;
  TempFolder folder;
  std::ostringstream manifest;
  for (int i = 0; i < kPhotos; ++i) {
    folder.Write("p" + std::to_string(i) + ".jpg", Jpeg(kPhotoSize, static_cast<uint8_t>(i)));
    manifest << "[[photos]]\nfile = \"p" << i << ".jpg\"\ncaption = \"photo " << i << "\"\n";
  }
  std::ofstream(folder.path() / "album.toml") << manifest.str();
  folder.Write("stub.exe", lantern::testing::MinimalPe());
  const fs::path album = folder.path() / "album.exe";
  const fs::path copy = folder.path() / "copy.exe";
  lantern::albumpack::BuildOptions options{(folder.path() / "album.toml").string(), album.string(),
                                           (folder.path() / "stub.exe").string(), "", false};
  const std::string cp = "cp -- '" + album.string() + "' '" + copy.string() + "'";
  std::vector<double> builds;
  std::vector<double> copies;
  for (auto _ : state) {
    std::ostringstream out;
    std::ostringstream err;
    // Both write a new file: an album replaced in place would first need room
    // for a second copy in the page cache, which a machine short of memory
    // pays for in reclaim while cp's truncation frees its target at once.
    fs::remove(album);
    fs::remove(copy);
    const auto start = std::chrono::steady_clock::now();
    if (lantern::albumpack::Build(options, lantern::testing::StandInPictures(), out, err) != 0)
      state.SkipWithError(err.str().c_str());
    builds.push_back(Seconds(start));
    state.SetIterationTime(builds.back());
    const auto copy_start = std::chrono::steady_clock::now();
    if (std::system(cp.c_str()) != 0) state.SkipWithError("cp failed");
    copies.push_back(Seconds(copy_start));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kPhotos *
                          static_cast<int64_t>(kPhotoSize));
  state.counters["cp_ms"] = Median(copies) * 1000;
  state.counters["x_cp"] = Median(builds) / Median(copies);
  state.counters["peak_MB"] = BuildPeakMegabytes(options);
}
BENCHMARK(BM_BuildAlbum500MB)->Unit(benchmark::kMillisecond)->Iterations(9)->UseManualTime();

// The settings blob of a 1000-photo album in which every photo has a caption and a headline.
std::vector<uint8_t> ThousandPhotoBlob() {
  TempFolder folder;
  folder.Write("a.jpg", Jpeg(64, 1));
  std::ostringstream manifest;
  for (int i = 1; i <= 1000; ++i) {
    manifest << "[[photos]]\nfile = \"a.jpg\"\ncaption = \"第" << i << "张\"\nheadline = \"Photo "
             << i << "\"\nduration = 4.5\n";
  }
  const auto result =
      lantern::albumpack::ReadManifestText(manifest.str(), "bench.toml", folder.path().string());
  return lantern::albumpack::SettingsBlob(result.content);
}

void BM_ReadAllSettings1000Photos(benchmark::State& state) {
  const std::vector<uint8_t> blob = ThousandPhotoBlob();
  for (auto _ : state) {
    lantern::album::PropertyBag store;
    if (store.Load(blob) != lantern::album::LoadError::kNone) state.SkipWithError("blob");
    lantern::album::AlbumSettings settings;
    lantern::album::ReadAllSettings(store, settings);
    benchmark::DoNotOptimize(settings.NowI);
  }
  state.SetLabel(std::to_string(blob.size() / 1024) + " KiB blob");
}
BENCHMARK(BM_ReadAllSettings1000Photos)->Unit(benchmark::kMillisecond);

}  // namespace
