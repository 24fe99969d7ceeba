// Composing a slide from a 12-megapixel JPEG under Wine, split into decoding
// (the platform's GDI+), scaling (our resampler, onto 1920 x 1080) and the
// whole composition (gradient background, photo in mode 0, mask). Prints
// medians of repeated runs. Usage: lantern_win32_slide_bench PHOTO.jpg
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

#include "imaging/composition.h"
#include "imaging/picture.h"
#include "imaging/placement.h"
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<uint8_t> jpeg((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  auto platform = platform::win32::CreateWin32Platform();
  platform::Clock& clock = platform->clock();
  constexpr int kRuns = 7;
  std::vector<double> decode_ms, scale_ms, compose_ms;
  imaging::DecodedImage image;
  std::vector<uint32_t> scratch;
  imaging::ResampleScratch resample;
  auto slide = platform->windows().CreateSurface(1920, 1080);
  auto background = platform->windows().CreateSurface(1920, 1080);
  imaging::DecodedImage mask_picture;
  mask_picture.Resize(480, 270);
  for (size_t i = 0; i < mask_picture.pixels.size(); ++i) {
    const int64_t x = static_cast<int64_t>(i % 480) - 240;
    const int64_t y = static_cast<int64_t>(i / 480) - 135;
    const auto r = static_cast<uint32_t>(std::min<int64_t>(255, (x * x + y * y) / 200));
    mask_picture.pixels[i] = 0xFF000000u | (255 - r) << 16;
  }
  const imaging::MaskTable mask = imaging::BuildMaskTable(&mask_picture, 1920, 1080);
  for (int run = 0; run < kRuns; ++run) {
    bool ok = true;
    decode_ms.push_back(TimeMs(
        clock, [&] { ok = imaging::DecodeUpright(platform->pictures(), jpeg, image, scratch); }));
    if (!ok) {
      std::printf("cannot decode the photo\n");
      return 1;
    }
    base::Rnd rnd;
    const imaging::Placement p = imaging::PlacePicture(imaging::kShrinkToFit, image.width,
                                                       image.height, 1920, 1080, 0, 0, rnd, 0);
    scale_ms.push_back(TimeMs(
        clock, [&] { imaging::DrawPicture(slide->surface(), p.PixelRect(), image, resample); }));
    compose_ms.push_back(TimeMs(clock, [&] {
      imaging::FillGradient(background->surface(), 2, 0xFF102040, 0xFF000000);
      imaging::DrawPicture(slide->surface(), p.PixelRect(), image, resample);
      imaging::ApplyMask(mask, background->surface(), slide->surface());
    }));
  }
  std::printf("photo %dx%d onto 1920x1080, median of %d runs\n", image.width, image.height, kRuns);
  std::printf("  decode (GDI+)                 %8.1f ms\n", Median(decode_ms));
  std::printf("  scale (ours)                  %8.1f ms\n", Median(scale_ms));
  std::printf("  background + photo + mask     %8.1f ms\n", Median(compose_ms));
  std::printf("  all                           %8.1f ms\n", Median(decode_ms) + Median(compose_ms));
  return 0;
}
