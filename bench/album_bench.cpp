// Album figures: the builder's throughput on a 500 MB album (manifest to
// finished file, through the page cache), and the start-up cost of reading
// every setting of a 1000-photo album.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "album/album_settings.h"
#include "album/property_bag.h"
#include "tests/unit/minimal_pe.h"
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
  lantern::albumpack::BuildOptions options{(folder.path() / "album.toml").string(),
                                           (folder.path() / "album.exe").string(),
                                           (folder.path() / "stub.exe").string(), "", false};
  for (auto _ : state) {
    std::ostringstream out;
    std::ostringstream err;
    if (lantern::albumpack::Build(options, out, err) != 0) state.SkipWithError(err.str().c_str());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kPhotos *
                          static_cast<int64_t>(kPhotoSize));
}
BENCHMARK(BM_BuildAlbum500MB)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

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
