// The drawing cost of every text effect: all its frames drawn back to back
// without waits at 1920x1080, as a fraction of the time it is meant to take
// (the sum of its paced phases' budgets; phases that keep the first phase's
// clock add nothing). The text is the fake backend's (a box per character),
// so the figure is the cost of our own raster work around it. Median of
// three runs. Built natively and for i686 (run under Wine).
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "imaging/raster.h"
#include "platform/fake/fake_platform.h"
#include "texteffects/text_effects.h"

namespace {

using namespace lantern;

constexpr std::array<double, texteffects::kEffectCount> kBudgetMs{900, 700, 700, 400, 700,
                                                                  400, 350, 750, 1000};

double DrawAllFrames(int32_t number, int32_t w, int32_t h, int32_t& frames) {
  platform::HeapSurfaceBuffer dst(w, h), source(w, h), tmp(w, h), p4(w, h), p5(w, h);
  imaging::Fill(dst.surface(), 0, 0, w, h, 0x336699);
  platform::fake::FakePlatform fake;
  show::ShowState state;
  show::Presenter presenter(fake);  // no window: presents cost nothing
  show::Pacer pacer(fake, state, presenter);
  base::Rnd rnd;
  frames = 0;
  texteffects::TextEffects effects(
      {pacer, presenter, state, fake.clock(), rnd, 7, 1500, false, [&] { ++frames; }}, fake.text());
  texteffects::EffectText text;
  text.text = "Lantern photo album";
  text.style.font_size = 120;
  text.style.border_width = 3;
  text.style.align = 4;
  text.left = w * 0.1f;
  text.top = h * 0.4f;
  text.width = w * 0.8f;
  text.height = 160;
  const show::Surfaces s{dst.surface(), source.surface(), tmp.surface(), p4.surface(),
                         p5.surface()};
  const auto start = std::chrono::steady_clock::now();
  effects.Run(number, s, text, 2);
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

int main() {
  std::printf("%-14s %7s %10s %9s %8s\n", "effect", "frames", "draw (ms)", "budget", "ratio");
  for (int32_t number = 0; number < texteffects::kEffectCount; ++number) {
    std::vector<double> runs;
    int32_t frames = 0;
    for (int i = 0; i < 3; ++i)
      runs.push_back(DrawAllFrames(number, 1920, 1080, frames));
    std::sort(runs.begin(), runs.end());
    const double budget = kBudgetMs[static_cast<size_t>(number)];
    std::printf("%-14s %7d %10.1f %9.0f %8.3f\n",
                std::string(texteffects::EffectName(number)).c_str(), frames, runs[1], budget,
                runs[1] / budget);
  }
  return 0;
}
