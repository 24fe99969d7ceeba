// The cost of the pacing step inside tight drawing loops, on the fake backend:
// the bookkeeping itself, without a system clock.
#include <benchmark/benchmark.h>

#include "platform/fake/fake_platform.h"
#include "show/pacing.h"

namespace {

using lantern::platform::fake::FakePlatform;

void BM_PacerStepNothingDue(benchmark::State& state) {
  FakePlatform fake;
  fake.set_counter_step(0);  // time stands still: nothing ever falls due
  lantern::show::ShowState show;
  lantern::show::Presenter presenter(fake);
  lantern::show::Pacer pacer(fake, show, presenter);
  pacer.Step();  // the first step pumps; the ones measured find nothing due
  for (auto _ : state)
    benchmark::DoNotOptimize(pacer.Step());
}
BENCHMARK(BM_PacerStepNothingDue);

void BM_MarkDirtyAndStep(benchmark::State& state) {
  FakePlatform fake;
  fake.set_counter_step(0);
  lantern::show::ShowState show;
  lantern::show::Presenter presenter(fake);
  lantern::show::Pacer pacer(fake, show, presenter);
  pacer.Step();
  int x = 0;
  for (auto _ : state) {
    presenter.MarkDirty({x, 0, x + 1, 1});
    x = (x + 1) & 1023;
    benchmark::DoNotOptimize(pacer.Step());
  }
}
BENCHMARK(BM_MarkDirtyAndStep);

}  // namespace
