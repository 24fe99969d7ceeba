// A slide from a 12-megapixel JPEG under Wine, split as the show splits it:
// what the worker thread does ahead (the photo made ready: at 1920 x 1080
// decoded at 3/8 of its size by our decoder, at 3840 x 2160 at 6/8, then
// scaled to its place by our resampler; beside it, the system's full-size
// decode and our scaling of that, as photos our decoder does not read go);
// then our decoder alone at 3/8 and 6/8 in processor time too. Prints
// medians of repeated runs. What the interface thread does when the slide
// comes (background, the photo made ready, the mask) is measured by
// lantern_composition_figures, in processor time, natively and under Wine
// alike. Usage: lantern_win32_slide_bench PHOTO.jpg [--decoder]
// (--decoder: our decoder's figures alone).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string_view>
#include <vector>

#include "album/picture_source.h"
#include "base/rnd.h"
#include "bench/harness.h"
#include "imaging/jpeg_reduced.h"
#include "imaging/picture.h"
#include "imaging/placement.h"
#include "imaging/ready_photo.h"
#include "imaging/resample.h"
#include "platform/win32/win32_platform.h"

namespace {

using namespace lantern;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

template <typename F>
double TimeMs(platform::Clock& clock, F&& f) {
  const int64_t start = clock.Counter();
  f();
  return static_cast<double>(clock.Counter() - start) * 1000.0 /
         static_cast<double>(clock.CounterFrequency());
}

// Our reduced-size decode at `eighths`: the medians of 7 figures (each the
// mean of 4 decodes) in processor time and on the wall clock, the thread
// time to set beside libjpeg-turbo's i686 build (bench/libjpeg_scaled.c)
// on a loaded machine.
void PrintReduced(platform::Clock& clock, const std::vector<uint8_t>& bytes, int eighths) {
  constexpr int kFigures = 7;
  constexpr int kDecodes = 4;
  std::vector<double> cpu, wall;
  imaging::DecodedImage out;
  imaging::DecodeJpegReduced(bytes, eighths, out);  // warm-up
  for (int i = 0; i < kFigures; ++i) {
    const double start = bench::ThreadMs();
    wall.push_back(TimeMs(clock,
                          [&] {
                            for (int k = 0; k < kDecodes; ++k)
                              imaging::DecodeJpegReduced(bytes, eighths, out);
                          }) /
                   kDecodes);
    cpu.push_back((bench::ThreadMs() - start) / kDecodes);
  }
  std::printf("  our decoder at %d/8: %.1f ms processor time, %.1f ms on the wall clock\n", eighths,
              Median(cpu), Median(wall));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  std::ifstream in(argv[1], std::ios::binary);
  album::PictureSource source;
  source.decoder = album::PictureDecoder::kPictureMemory;
  source.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  auto platform = platform::win32::CreateWin32Platform();
  platform::Clock& clock = platform->clock();
  if (argc > 2 && std::wstring_view(argv[2]) == L"--decoder") {
    PrintReduced(clock, source.bytes, 3);
    PrintReduced(clock, source.bytes, 6);
    return 0;
  }
  constexpr int kRuns = 7;
  std::vector<double> decode_ms, scale_ms, reduced_ms, ready_ms, ready_4k_ms;
  imaging::DecodedImage image;
  std::vector<uint32_t> scratch;
  imaging::ResampleScratch resample;
  for (int run = 0; run < kRuns; ++run) {
    bool ok = true;
    decode_ms.push_back(TimeMs(clock, [&] {
      ok = imaging::DecodeUpright(platform->pictures(), source.bytes, image, scratch);
    }));
    if (!ok) {
      std::printf("cannot decode the photo\n");
      return 1;
    }
    base::Rnd rnd;
    const imaging::Placement p = imaging::PlacePicture(imaging::kShrinkToFit, image.width,
                                                       image.height, 1920, 1080, 0, 0, rnd, 0);
    const platform::Rect dest = p.PixelRect();
    imaging::DecodedImage scaled;
    scaled.Resize(dest.width(), dest.height());
    scale_ms.push_back(TimeMs(clock, [&] {
      imaging::DrawPicture(scaled.view(), {0, 0, dest.width(), dest.height()}, image, resample);
    }));
    imaging::DecodedImage reduced;
    reduced_ms.push_back(
        TimeMs(clock, [&] { imaging::DecodeJpegReduced(source.bytes, 3, reduced); }));
    imaging::ReadyPhoto ready;
    ready_ms.push_back(TimeMs(clock, [&] {
      imaging::MakeReadyPhoto(platform->pictures(), source, {1, 1920, 1080, 0}, ready);
    }));
    imaging::ReadyPhoto ready_4k;
    ready_4k_ms.push_back(TimeMs(clock, [&] {
      imaging::MakeReadyPhoto(platform->pictures(), source, {1, 3840, 2160, 0}, ready_4k);
    }));
  }
  std::printf("photo %dx%d, median of %d runs\n", image.width, image.height, kRuns);
  std::printf("  system decoder, full size                  %8.1f ms\n", Median(decode_ms));
  std::printf("  scale that to 1920x1080 (ours)             %8.1f ms\n", Median(scale_ms));
  std::printf("  our decoder at 3/8 of the size             %8.1f ms\n", Median(reduced_ms));
  std::printf("  on the worker: made ready for 1920x1080    %8.1f ms\n", Median(ready_ms));
  std::printf("  on the worker: made ready for 3840x2160    %8.1f ms\n", Median(ready_4k_ms));
  PrintReduced(clock, source.bytes, 3);
  PrintReduced(clock, source.bytes, 6);
  return 0;
}
