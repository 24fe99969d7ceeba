// Composing a slide at 1920x1080 and 3840x2160 from a photo made ready ahead:
// background, photo and mask together, and each piece alone.
#include <benchmark/benchmark.h>

#include "bench/slide_composition.h"

namespace {

using lantern::bench::SlideComposition;

template <void (SlideComposition::*kPiece)()>
void BM_Composition(benchmark::State& state) {
  SlideComposition slide(static_cast<int32_t>(state.range(0)),
                         static_cast<int32_t>(state.range(1)));
  for (auto _ : state)
    (slide.*kPiece)();
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Composition<&SlideComposition::Compose>)->Name("BM_ComposeSlide")->Apply(Sizes);
BENCHMARK(BM_Composition<&SlideComposition::Background>)
    ->Name("BM_ComposeBackground")
    ->Apply(Sizes);
BENCHMARK(BM_Composition<&SlideComposition::DrawPhoto>)->Name("BM_ComposeReadyPhoto")->Apply(Sizes);
BENCHMARK(BM_Composition<&SlideComposition::Mask>)->Name("BM_ComposeMask")->Apply(Sizes);

}  // namespace
