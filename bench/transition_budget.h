// What the transition harnesses share: every frame of a routine drawn back
// to back on the fake backend (which counts its steps), and the time the
// routine is designed to take at a size.
#pragma once

#include <chrono>
#include <cstdint>

#include "platform/fake/fake_platform.h"
#include "transitions/catalogue.h"

namespace lantern::bench {

struct Result {
  double ms = 0;
  int32_t frames = 0;
};

inline Result DrawAllFrames(int32_t number, int32_t dir, int32_t w, int32_t h) {
  platform::HeapSurfaceBuffer dst(w, h), source(w, h), tmp(w, h), p4(w, h), p5(w, h);
  imaging::Fill(dst.surface(), 0, 0, w, h, 0x336699);
  imaging::Fill(source.surface(), 0, 0, w, h, 0xCC8833);
  for (int32_t y = 0; y < h; y += 7)
    imaging::Fill(source.surface(), 0, y, w, 1, 0x102030);
  platform::fake::FakePlatform fake;
  show::ShowState state;
  show::Presenter presenter(fake);  // no window: presents cost nothing
  show::Pacer pacer(fake, state, presenter);
  base::Rnd rnd;
  Result r;
  transitions::Catalogue catalogue(
      {pacer, presenter, state, fake.clock(), rnd, 7, 1500, false, [&] { ++r.frames; }});
  const show::Surfaces s{dst.surface(), source.surface(), tmp.surface(), p4.surface(),
                         p5.surface()};
  const auto start = std::chrono::steady_clock::now();
  catalogue.Run(number, s, dir & 1, dir);
  r.ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return r;
}

// The time the routine is meant to take at this size.
inline double BudgetMs(int32_t number, int32_t dir, int32_t w, int32_t h, int32_t frames) {
  const auto ticks = [](int32_t base, int32_t extent) {
    return transitions::StepTicks(base, extent) / 10.0;
  };
  const bool rows = dir == 1 || dir == 3;
  switch (number) {
    case 13:
    case 17:
    case 37:
      return 2500;
    case 29:
    case 34:
      return 2000;
    case 23:
    case 25:
    case 26:
      return frames * (rows ? ticks(19456, h) : ticks(19200, w));
    case 24:
      return frames * ticks(19200, w);
    case 33:
      return frames * (dir != 0 ? ticks(28672, h) : ticks(28160, w));
    default:
      return 1500;
  }
}

}  // namespace lantern::bench
