// A slide's composition (background, photo made ready, mask) and each of its
// pieces, at 1920x1080 and 3840x2160, in the thread's processor time and on
// the wall clock: the same plain harness natively, for i686 Linux and for
// i686 under Wine, so the three can be set side by side on a machine others
// share. Under Wine the slide is also composed into the backend's own
// surfaces (DIB sections), as the player composes it.
//
// Warm: the pieces run back to back, their memory in the cache from the run
// before (as Google Benchmark's BM_ComposeSlide measures). Cold: the caches
// are flushed (64 MB written) before every slide, as when the slide follows a
// photo's decode; the flush's own cost, measured alone, is taken off.
// Medians of 5 figures, each over about 0.3 s of processor time (Wine
// counts a thread's time in ticks of 10 ms).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "bench/harness.h"
#include "bench/slide_composition.h"

namespace {

using lantern::bench::SlideComposition;

// The calling thread's processor time and the wall clock, in ms.
struct Times {
  double cpu = 0;
  double wall = 0;
  Times operator-(const Times& o) const { return {cpu - o.cpu, wall - o.wall}; }
};

Times Now() {
  const std::chrono::duration<double, std::milli> wall =
      std::chrono::steady_clock::now().time_since_epoch();
  return {lantern::bench::ThreadMs(), wall.count()};
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Writes 64 MB, twice the last-level cache of the machines measured on.
class CacheFlush {
 public:
  void operator()() {
    ++round_;
    for (size_t i = 0; i < memory_.size(); i += 16)
      memory_[i] = round_;
  }

 private:
  std::vector<uint32_t> memory_ = std::vector<uint32_t>(16u << 20);
  uint32_t round_ = 0;
};

constexpr int kFigures = 5;
constexpr double kFigureMs = 300;

// The median per call of `step` over kFigures figures, each the mean of as
// many calls as fill kFigureMs of processor time in a first round (which
// warms up), less the same count of `overhead` calls.
template <typename Step, typename Overhead>
Times Measure(Step step, Overhead overhead) {
  int calls = 0;
  for (const Times start = Now(); (Now() - start).cpu < kFigureMs; ++calls) {
    overhead();
    step();
  }
  std::vector<double> cpu, wall;
  for (int f = 0; f < kFigures; ++f) {
    const Times start = Now();
    for (int i = 0; i < calls; ++i) {
      overhead();
      step();
    }
    const Times middle = Now();
    for (int i = 0; i < calls; ++i)
      overhead();
    const Times both = middle - start, alone = Now() - middle;
    cpu.push_back((both.cpu - alone.cpu) / calls);
    wall.push_back((both.wall - alone.wall) / calls);
  }
  return {Median(cpu), Median(wall)};
}

void PrintLine(const char* what, const Times& t) {
  std::printf("  %-30s %7.2f ms processor time %7.2f ms wall clock\n", what, t.cpu, t.wall);
  std::fflush(stdout);
}

void PrintSlide(const char* label, SlideComposition& slide, CacheFlush& flush) {
  std::printf("%s\n", label);
  const auto nothing = [] {};
  PrintLine("slide, warm", Measure([&] { slide.Compose(); }, nothing));
  PrintLine("  background", Measure([&] { slide.Background(); }, nothing));
  PrintLine("  photo made ready", Measure([&] { slide.DrawPhoto(); }, nothing));
  PrintLine("  mask", Measure([&] { slide.Mask(); }, nothing));
  PrintLine("slide, cold (caches flushed)", Measure([&] { slide.Compose(); }, flush));
}

}  // namespace

int main() {
  auto platform = lantern::bench::MakePlatform();
  CacheFlush flush;
  for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{3840, 2160}}) {
    char label[96];
    {
      SlideComposition slide(w, h);
      std::snprintf(label, sizeof label, "%dx%d, heap surfaces", w, h);
      PrintSlide(label, slide, flush);
    }
#ifdef _WIN32
    SlideComposition slide(w, h, &platform->surfaces());
    std::snprintf(label, sizeof label, "%dx%d, the backend's surfaces (DIB sections)", w, h);
    PrintSlide(label, slide, flush);
#endif
  }
  return 0;
}
