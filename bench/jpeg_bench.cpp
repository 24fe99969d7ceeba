// Our reduced-size JPEG decode against libjpeg's scaled decode of the same
// photo at the same size (scale_num / 8, its default, accurate settings, into
// 32-bit pixels as ours), at 3/8 and 6/8: the sizes a 12-megapixel photo is
// decoded at for 1920 x 1080 and 3840 x 2160 slides. The photos come from
// scripts/bench (build/bench/photo-12mp*.jpg; another folder through
// LANTERN_BENCH_PHOTOS): a smooth 4:4:4 one and a camera-sized 4:2:0 one.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/libjpeg_decode.h"
#include "imaging/jpeg_reduced.h"

namespace {

using Bytes = std::vector<uint8_t>;

const char* const kPhotos[] = {"photo-12mp.jpg", "photo-12mp-camera.jpg"};

Bytes ReadPhoto(int index) {
  const char* folder = std::getenv("LANTERN_BENCH_PHOTOS");
  const std::string path =
      std::string(folder != nullptr ? folder : "build/bench") + "/" + kPhotos[index];
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Arguments: the photo (an index into kPhotos) and the eighths.
void BM_JpegReduced(benchmark::State& state) {
  const Bytes photo = ReadPhoto(static_cast<int>(state.range(0)));
  lantern::imaging::DecodedImage out;
  for (auto _ : state) {
    if (!lantern::imaging::DecodeJpegReduced(photo, static_cast<int>(state.range(1)), out)) {
      state.SkipWithError("cannot decode the photo (made by scripts/bench)");
      break;
    }
  }
}

void BM_LibjpegScaled(benchmark::State& state) {
  const Bytes photo = ReadPhoto(static_cast<int>(state.range(0)));
  if (photo.empty()) {
    state.SkipWithError("no photo (made by scripts/bench)");
    return;
  }
  lantern::bench::LibjpegPicture picture;
  for (auto _ : state)
    lantern::bench::LibjpegDecode(photo, static_cast<int>(state.range(1)), true, picture);
}

void Photos(benchmark::internal::Benchmark* b) {
  b->ArgNames({"photo", "eighths"})
      ->ArgsProduct({{0, 1}, {3, 6}})
      ->Unit(benchmark::kMillisecond)
      ->MinTime(1.0);
}

BENCHMARK(BM_JpegReduced)->Apply(Photos);
BENCHMARK(BM_LibjpegScaled)->Apply(Photos);

}  // namespace
