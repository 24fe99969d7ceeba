// A 12-megapixel JPEG decoded natively at the scale a 1920x1080 slide needs
// (3/8 of a 4000x3000 photo: 1500x1125): imaging's own reduced decoder (the
// Windows build's path) against libjpeg-turbo's scaled decode through the
// native backend, on the same file. The photo is the one scripts/bench
// makes for the Windows figures (LANTERN_BENCH_PHOTO names another).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/jpeg_reduced.h"
#include "platform/native/native_pictures.h"

namespace {

using lantern::platform::DecodedImage;

const std::vector<uint8_t>& Photo() {
  static const std::vector<uint8_t> bytes = [] {
    const char* named = std::getenv("LANTERN_BENCH_PHOTO");
    std::ifstream in(named != nullptr ? named : "build/bench/photo-12mp.jpg", std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
  }();
  return bytes;
}

// The least size a 1920x1080 slide asks of a 4:3 photo it fits into.
std::pair<int32_t, int32_t> ForSlide(int32_t w, int32_t h) {
  return {static_cast<int32_t>(int64_t{w} * 1080 / h), 1080};
}

void BM_JpegForSlideOurReducedDecoder(benchmark::State& state) {
  if (Photo().empty()) return state.SkipWithError("no photo: run scripts/bench once");
  DecodedImage out;
  for (auto _ : state) {
    if (!lantern::imaging::DecodeJpegReduced(Photo(), 3, out)) state.SkipWithError("refused");
  }
  state.counters["width"] = out.width;
}
BENCHMARK(BM_JpegForSlideOurReducedDecoder)->Unit(benchmark::kMillisecond);

void BM_JpegForSlideLibjpegTurbo(benchmark::State& state) {
  if (Photo().empty()) return state.SkipWithError("no photo: run scripts/bench once");
  lantern::platform::native::NativePictureDecoder decoder;
  DecodedImage out;
  for (auto _ : state) {
    if (!decoder.DecodeBytesAtLeast(Photo(), ForSlide, {}, out)) state.SkipWithError("refused");
  }
  state.counters["width"] = out.width;
}
BENCHMARK(BM_JpegForSlideLibjpegTurbo)->Unit(benchmark::kMillisecond);

}  // namespace
