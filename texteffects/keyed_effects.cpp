// The effects that move or scale the text's cut-out over the picture:
// sliding in from an edge, pulsing, stretching in, growing, zooming in and
// hopping. Each prepares the cut-out, then draws its phases; a set
// interruption flag ends the effect, and its caller shows the final look.
#include <cstdlib>

#include "base/rounding.h"
#include "texteffects/effects.h"

namespace lantern::texteffects {

namespace {

// The scale factors of a phase: k / divisor for k = first, first + step, ...
// through last; each frame's progress is its number (from `base`) over `frames`.
struct Phase {
  int32_t first, last, step;
  double divisor, frames, budget_ms;
  int32_t base = 1;
};

// Draws a phase about the centre, on a clock of its own; false when a flag
// ended it.
bool ScaledPhase(EffectRun& e, const Phase& p) {
  e.run.StartPhase();
  int32_t frame = p.base;
  for (int32_t k = p.first; p.step > 0 ? k <= p.last : k >= p.last; k += p.step, ++frame) {
    const double f = k / p.divisor;
    e.DrawScaled(f, f);
    if (e.run.PaceA(frame / p.frames, p.budget_ms)) return false;
  }
  return true;
}

// The factor that fits phases designed to last `designed_ms` between them
// into `total_ms`. Each phase restarts the clock and is paced against its
// designed budget times this factor, so every phase is seen and the effect
// lasts as long as its first budget alone did.
double ShareOf(double total_ms, double designed_ms) {
  return designed_ms > 0 ? total_ms / designed_ms : 0;
}

}  // namespace

// The text slides in from an edge (0 left, 1 top, 2 right, 3 bottom) 12
// pixels a frame (6 on pictures under 800 pixels wide) to its place.
void SlideInText(EffectRun& e, int32_t direction) {
  e.PrepareCutout(e.tw, e.th);
  const int32_t draw_time = e.TextDrawTime(699);
  const int32_t q = e.run.W() >= 800 ? 12 : 6;
  const bool across = direction == 0 || direction == 2;
  const int32_t start = direction == 0   ? -e.tw
                        : direction == 1 ? -e.th
                        : direction == 2 ? e.run.W()
                                         : e.run.H();
  const int32_t end = across ? e.x0 : e.y0;
  const int32_t span = std::abs(end - start);
  show::SweepA(
      e.run, start, end, start <= end ? q : -q, 700.0 - draw_time,
      [&](int32_t pos) {
        e.ComposeKeyed(across ? pos : e.x0, across ? e.y0 : pos, e.tw, e.th, e.cutout(), 0, 0, e.tw,
                       e.th);
      },
      [&](int32_t pos) { return span > 0 ? std::abs(pos - start) / double(span) : 1.0; });
}

// The text appears at once, then breathes: wider, narrower, wider, back. The
// pause and the breathing share 400 ms as 250 : 400.
void PulseText(EffectRun& e) {
  e.PrepareCutout(e.tw, e.th);
  e.TextDrawTime(0);
  e.ShowFinalLook();
  const double share = ShareOf(400, 250 + 400);
  e.run.Pause(base::Round32(250 * share));
  e.run.StartPhase();
  double fx = 1;
  for (int32_t frame = 1; frame <= 30; ++frame) {
    const bool wider = frame <= 10 || (frame >= 21 && frame <= 25);
    fx += wider ? 0.01 : -0.01;
    e.DrawScaledAt(fx, 1, e.y0);
    if (e.run.PaceA(frame / 30.0, 400 * share)) return;
  }
}

// The text unfolds from a flat strip twice its width, then wobbles sideways
// while it reaches its full height.
void StretchInText(EffectRun& e) {
  e.PrepareCutout(e.tw, e.th);
  const int32_t draw_time = e.TextDrawTime(399);
  const auto top = [&](double v) { return base::Round32((1 - v) * e.th / 2 + e.y0); };
  double v = 0.15;
  for (int32_t frame = 0, k = 20; k >= 10; ++frame, --k) {
    if (frame % 2 == 0) v += 0.05;
    e.ComposeKeyed(base::Round32(e.x0 - 0.1 * e.tw), top(v), base::Round32(e.tw * k / 10.0),
                   base::Round32(e.th * v), e.cutout(), 0, 0, e.tw, e.th);
    if (e.run.PaceA(frame / 11.0, 400.0 - draw_time)) return;
  }
  e.run.StartPhase();
  double offset = -0.1;
  for (int32_t frame = 0; frame < 14; ++frame) {
    offset += frame >= 7 && frame <= 11 ? -0.025 : 0.025;
    v = std::min(v + 0.04, 1.0);
    e.ComposeKeyed(base::Round32(offset * e.tw + e.x0), top(v), e.tw, base::Round32(e.th * v),
                   e.cutout(), 0, 0, e.tw, e.th);
    if (e.run.PaceA(frame / 14.0, 300)) return;
  }
}

// The text grows from a tenth of its size past full size, then settles. The
// growing and the two settling phases share the growing phase's budget as
// 400 : 250 : 200.
void GrowText(EffectRun& e) {
  e.PrepareCutout(e.tw, e.th);
  const double grow = 400.0 - e.TextDrawTime(399);
  const double share = ShareOf(grow, grow + 250 + 200);
  if (!ScaledPhase(e, {1, 12, 1, 10, 12, grow * share}) ||
      !ScaledPhase(e, {115, 90, -5, 100, 5, 250 * share, 0}) ||
      !ScaledPhase(e, {95, 105, 5, 100, 3, 200 * share})) {
    return;
  }
  e.run.Pause(30);
}

// The text shrinks from three times its size below full size, then bounces
// back to it. The first phase's twelfth frame comes a twelfth past its
// budget; the time that phase takes is shared with the three bouncing phases
// as 350 : 200 : 200 : 120.
void ZoomInText(EffectRun& e) {
  e.PrepareCutout(e.tw, e.th);
  const double shrink = 350.0 - e.TextDrawTime(349);
  const double share = ShareOf(shrink * 12 / 11, shrink * 12 / 11 + 200 + 200 + 120);
  if (!ScaledPhase(e, {30, 8, -2, 10, 11, shrink * share}) ||
      !ScaledPhase(e, {9, 12, 1, 10, 4, 200 * share}) ||
      !ScaledPhase(e, {11, 9, -1, 10, 3, 200 * share}) ||
      !ScaledPhase(e, {95, 105, 10, 100, 2, 120 * share})) {
    return;
  }
  e.run.Pause(30);
}

namespace {

// One hopping phase: the factor k / 100 for k = first, first + step, ...,
// twelve frames; the hop height climbs and falls twice, the first hop th / a
// high per step, the second th / b.
bool HopPhase(EffectRun& e, int32_t first, int32_t step, int32_t a, int32_t b, double budget_ms) {
  int32_t h = 0;
  for (int32_t i = 0; i < 12; ++i) {
    h += (i / 3) % 2 == 0 ? 1 : -1;
    const double d = i < 6 ? a : b;
    const double f = (first + step * i) / 100.0;
    e.DrawScaledAt(f, f, base::Round32(e.y0 - h * e.th / d));
    if (e.run.PaceA(i / 12.0, budget_ms)) return false;
  }
  return true;
}

}  // namespace

// The text swells while it hops twice, pauses, and shrinks back hopping.
void HopText(EffectRun& e) {
  e.PrepareCutout(e.tw, e.th);
  const int32_t draw_time = e.TextDrawTime(399);
  if (!HopPhase(e, 102, 2, 6, 3, 400.0 - draw_time)) return;
  e.run.Pause(300);
  e.run.StartPhase();
  HopPhase(e, 122, -2, 3, 6, 350);
}

}  // namespace lantern::texteffects
