// What the transition harnesses share: every frame of a routine drawn back
// to back on the fake backend (which counts its steps), and the time the
// routine is designed to take at a size, found by running it where drawing
// costs nothing.
#pragma once

#include <chrono>
#include <cstdint>

#include "platform/fake/fake_platform.h"
#include "transitions/catalogue.h"

namespace lantern::bench {

struct Result {
  double ms = 0;          // real time
  int32_t frames = 0;     // frames drawn
  double virtual_ms = 0;  // on the fake clock, which only waits move
};

// One run of a routine on the fake backend. Without waits every frame is
// drawn back to back (its real time is the drawing cost); with waits the
// fake clock moves only while the routine waits, so the run's virtual time
// is the routine's designed duration (drawing costs nothing there, and no
// frame is ever overdue).
inline Result DrawAllFrames(int32_t number, int32_t dir, int32_t w, int32_t h, bool waits = false,
                            int64_t counter_step = 10) {
  platform::HeapSurfaceBuffer dst(w, h), source(w, h), tmp(w, h), p4(w, h), p5(w, h);
  imaging::Fill(dst.surface(), 0, 0, w, h, 0x336699);
  imaging::Fill(source.surface(), 0, 0, w, h, 0xCC8833);
  for (int32_t y = 0; y < h; y += 7)
    imaging::Fill(source.surface(), 0, y, w, 1, 0x102030);
  platform::fake::FakePlatform fake;
  fake.set_counter_step(counter_step);
  show::ShowState state;
  show::Presenter presenter(fake);  // no window: presents cost nothing
  show::Pacer pacer(fake, state, presenter);
  base::Rnd rnd;
  Result r;
  transitions::Catalogue catalogue(
      {pacer, presenter, state, fake.clock(), rnd, 7, 1500, waits, [&] { ++r.frames; }});
  const show::Surfaces s{dst.surface(), source.surface(), tmp.surface(), p4.surface(),
                         p5.surface()};
  const int64_t virtual_start = fake.now_ticks();
  const auto start = std::chrono::steady_clock::now();
  catalogue.Run(number, s, dir & 1, dir);
  r.ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  r.virtual_ms =
      static_cast<double>(fake.now_ticks() - virtual_start) / platform::fake::kTicksPerMs;
  return r;
}

// What the routine is designed to do at this size: its waits, and its steps.
// Explode on a slide 800 pixels wide or more does not wait between frames;
// it keeps at most to the schedule it has on narrower slides (two phases of
// half the duration and a 300 ms pause).
struct Designed {
  double ms = 0;
  int32_t steps = 0;
};

inline Designed DesignedRun(int32_t number, int32_t dir, int32_t w, int32_t h) {
  constexpr int32_t kExplode = 7, kDuration = 1500;
  // Each read of the fake counter moves it on a step; the waits absorb that
  // as long as the steps of a frame's reads stay below the time between its
  // frames (2 million frames in 1.5 s leave 0.75 microseconds each).
  const Result r = DrawAllFrames(number, dir, w, h, /*waits=*/true, /*counter_step=*/1);
  if (number == kExplode && w >= 800) return {kDuration + 300.0, r.frames};
  return {r.virtual_ms, r.frames};
}

}  // namespace lantern::bench
