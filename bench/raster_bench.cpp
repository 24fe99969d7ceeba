// Raster operation figures at 1920x1080 and 3840x2160: each operation and
// pixman's equivalent on the same memory, timed alternately in one run. The
// time column is ours; the counters give both in milliseconds and the ratio
// ours / pixman (below 1: we are faster).
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <random>
#include <vector>

#include "imaging/raster.h"
#include "platform/surface.h"

namespace {

using lantern::imaging::Surface;
using lantern::platform::HeapSurfaceBuffer;

struct Frame {
  Frame(int32_t width, int32_t height) : buffer(width, height) {
    std::mt19937 random(static_cast<uint32_t>(width * 31 + height));
    for (int32_t y = 0; y < height; ++y) {
      uint32_t* row = surface().Row(y);
      for (int32_t x = 0; x < width; ++x)
        row[x] = static_cast<uint32_t>(random()) & 0x00FFFFFF;
    }
    image =
        pixman_image_create_bits(PIXMAN_x8r8g8b8, width, height,
                                 reinterpret_cast<uint32_t*>(surface().pixels), surface().stride);
  }
  ~Frame() { pixman_image_unref(image); }
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;
  const Surface& surface() const { return buffer.surface(); }

  HeapSurfaceBuffer buffer;
  pixman_image_t* image = nullptr;
};

double Milliseconds(const std::function<void()>& run) {
  const auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Times ours and pixman's alternately, each first every other time so that
// neither inherits a warmer cache; ours is the benchmark's own time. The
// counters are medians, which other work on a shared machine disturbs least.
void Compare(benchmark::State& state, const std::function<void()>& ours,
             const std::function<void()>& pixman) {
  std::vector<double> ours_ms, pixman_ms;
  bool pixman_first = false;
  for (auto _ : state) {
    if (pixman && pixman_first) pixman_ms.push_back(Milliseconds(pixman));
    ours_ms.push_back(Milliseconds(ours));
    if (pixman && !pixman_first) pixman_ms.push_back(Milliseconds(pixman));
    pixman_first = !pixman_first;
    state.SetIterationTime(ours_ms.back() / 1000);
  }
  state.counters["ours_ms"] = Median(ours_ms);
  if (pixman) {
    state.counters["pixman_ms"] = Median(pixman_ms);
    state.counters["ratio"] = Median(ours_ms) / Median(pixman_ms);
  }
}

int32_t Width(const benchmark::State& state) {
  return static_cast<int32_t>(state.range(0));
}
int32_t Height(const benchmark::State& state) {
  return static_cast<int32_t>(state.range(1));
}

// pixman's nearest-neighbour scaling from src into the whole of dst, reading
// the source rectangle (sx, sy, sw, sh); a negative sw mirrors.
void PixmanNearest(Frame& dst, pixman_image_t* src, double sx, double sy, double sw, double sh) {
  pixman_transform_t transform;
  pixman_transform_init_identity(&transform);
  const double w = dst.surface().width, h = dst.surface().height;
  transform.matrix[0][0] = pixman_double_to_fixed(sw / w);
  transform.matrix[1][1] = pixman_double_to_fixed(sh / h);
  transform.matrix[0][2] = pixman_double_to_fixed(sx);
  transform.matrix[1][2] = pixman_double_to_fixed(sy);
  pixman_image_set_transform(src, &transform);
  pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
  pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst.image, 0, 0, 0, 0, 0, 0,
                           static_cast<int>(w), static_cast<int>(h));
  pixman_image_set_transform(src, nullptr);
}

void BM_RasterCopy(benchmark::State& state) {
  Frame src(Width(state), Height(state)), dst(Width(state), Height(state));
  Compare(
      state,
      [&] {
        lantern::imaging::Copy(dst.surface(), 0, 0, Width(state), Height(state), src.surface(), 0,
                               0);
      },
      [&] {
        pixman_image_composite32(PIXMAN_OP_SRC, src.image, nullptr, dst.image, 0, 0, 0, 0, 0, 0,
                                 Width(state), Height(state));
      });
}

void BM_RasterCopyInverted(benchmark::State& state) {
  Frame src(Width(state), Height(state)), dst(Width(state), Height(state));
  Compare(
      state,
      [&] {
        lantern::imaging::CopyInverted(dst.surface(), 0, 0, Width(state), Height(state),
                                       src.surface(), 0, 0);
      },
      nullptr);
}

void BM_RasterFill(benchmark::State& state) {
  Frame dst(Width(state), Height(state));
  const Surface& s = dst.surface();
  Compare(
      state, [&] { lantern::imaging::FillWhite(s, 0, 0, s.width, s.height); },
      [&] {
        pixman_fill(reinterpret_cast<uint32_t*>(s.pixels), s.stride / 4, 32, 0, 0, s.width,
                    s.height, 0xFFFFFFFF);
      });
}

void BM_RasterStretchHalve(benchmark::State& state) {
  Frame src(2 * Width(state), 2 * Height(state)), dst(Width(state), Height(state));
  const int32_t w = Width(state), h = Height(state);
  Compare(
      state,
      [&] {
        lantern::imaging::StretchNearest(dst.surface(), 0, 0, w, h, src.surface(), 0, 0, 2 * w,
                                         2 * h);
      },
      [&] { PixmanNearest(dst, src.image, 0, 0, 2 * w, 2 * h); });
}

void BM_RasterStretchDouble(benchmark::State& state) {
  const int32_t w = Width(state), h = Height(state);
  Frame src(w / 2, h / 2), dst(w, h);
  Compare(
      state,
      [&] {
        lantern::imaging::StretchNearest(dst.surface(), 0, 0, w, h, src.surface(), 0, 0, w / 2,
                                         h / 2);
      },
      [&] { PixmanNearest(dst, src.image, 0, 0, w / 2, h / 2); });
}

void BM_RasterMirror(benchmark::State& state) {
  const int32_t w = Width(state), h = Height(state);
  Frame src(w, h), dst(w, h);
  Compare(
      state,
      [&] {
        lantern::imaging::StretchNearest(dst.surface(), 0, 0, w, h, src.surface(), w - 1, 0, -w, h);
      },
      [&] { PixmanNearest(dst, src.image, w, 0, -w, h); });
}

void BM_RasterBlend(benchmark::State& state) {
  const int32_t w = Width(state), h = Height(state);
  Frame src(w, h), dst(w, h);
  const pixman_color_t half{0, 0, 0, 0x8080};
  pixman_image_t* mask = pixman_image_create_solid_fill(&half);
  Compare(
      state,
      [&] {
        lantern::imaging::BlendConstant(dst.surface(), 0, 0, w, h, src.surface(), 0, 0, w, h, 128);
      },
      [&] {
        pixman_image_composite32(PIXMAN_OP_OVER, src.image, mask, dst.image, 0, 0, 0, 0, 0, 0, w,
                                 h);
      });
  pixman_image_unref(mask);
}

void BM_RasterPixelArrayZoom(benchmark::State& state) {
  // A zoom step: the middle 90 % of a captured frame drawn over the whole
  // frame; pixman reads the same array.
  const int32_t w = Width(state), h = Height(state);
  Frame dst(w, h);
  lantern::imaging::PixelArray array;
  {
    const Frame src(w, h);
    array = lantern::imaging::Capture(src.surface(), 0, 0, w, h);
  }
  pixman_image_t* image =
      pixman_image_create_bits(PIXMAN_x8r8g8b8, w, h, array.pixels.data(), w * 4);
  const int32_t x0 = w / 20, y0 = h / 20;
  Compare(
      state,
      [&] {
        lantern::imaging::DrawPixelArray(dst.surface(), 0, 0, w, h, array, x0, y0, w - 2 * x0,
                                         h - 2 * y0);
      },
      [&] { PixmanNearest(dst, image, x0, y0, w - 2 * x0, h - 2 * y0); });
  pixman_image_unref(image);
}

void BM_RasterGreyFilter(benchmark::State& state) {
  Frame dst(Width(state), Height(state));
  Compare(
      state, [&] { lantern::imaging::ApplyGreyFilter(dst.surface()); }, nullptr);
}

void BM_RasterWideLines(benchmark::State& state) {
  // A smear frame: every fourth row a four-pixel line across the frame.
  Frame dst(Width(state), Height(state));
  const int32_t w = Width(state), h = Height(state);
  Compare(
      state,
      [&] {
        for (int32_t y = h - 1; y >= 0; y -= 4)
          lantern::imaging::DrawLine(dst.surface(), w, y, 0, y, 4, 0x00336699);
      },
      nullptr);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({1920, 1080})->Args({3840, 2160})->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_RasterCopy)->Apply(Sizes);
BENCHMARK(BM_RasterCopyInverted)->Apply(Sizes);
BENCHMARK(BM_RasterFill)->Apply(Sizes);
BENCHMARK(BM_RasterStretchHalve)->Apply(Sizes);
BENCHMARK(BM_RasterStretchDouble)->Apply(Sizes);
BENCHMARK(BM_RasterMirror)->Apply(Sizes);
BENCHMARK(BM_RasterBlend)->Apply(Sizes);
BENCHMARK(BM_RasterPixelArrayZoom)->Apply(Sizes);
BENCHMARK(BM_RasterGreyFilter)->Apply(Sizes);
BENCHMARK(BM_RasterWideLines)->Apply(Sizes);

}  // namespace
