// The transitions that scale whole slides: Zoom, ZoomThrough, ShrinkGrow,
// ShrinkDrop, and RotatingPanels, which squeezes vertical panels of them.
// Each captures the slides it scales once per phase.
#include <array>

#include "base/rounding.h"
#include "transitions/scaled.h"

namespace lantern::transitions {

using base::Round32;
using imaging::PixelArray;

namespace {

struct Box {
  int32_t x, y, w, h;
};

// The rectangle of width w centred on the slide, the slide's aspect kept.
Box Centred(const FrameRun& run, int32_t w) {
  const int32_t W = run.W(), H = run.H();
  const double r = static_cast<double>(H) / W;
  return {Round32((W - w) / 2.0), Round32((H - r * w) / 2), w, Round32(r * w)};
}

void DrawCentred(FrameRun& run, const Surface& d, int32_t w, const PixelArray& a) {
  const Box b = Centred(run, w);
  DrawWhole(run, d, b.x, b.y, b.w, b.h, a);
}

// The whole picture scaled into (x, y, w, h) on PicDst, and `under` (black
// when null) everywhere else: the frame that building it in PicTmp and
// copying that over would show, written once.
void DrawOver(FrameRun& run, const Surface* under, const Box& b, const PixelArray& a) {
  const int32_t W = run.W(), H = run.H();
  const auto [x, y, w, h] = b;
  const int32_t top = std::clamp(y, 0, H), bottom = std::clamp(y + std::max(h, 0), top, H);
  const int32_t left = std::clamp(x, 0, W), right = std::clamp(x + std::max(w, 0), left, W);
  const auto fill = [&](int32_t fx, int32_t fy, int32_t fw, int32_t fh) {
    if (under != nullptr)
      run.Copy(run.dst(), fx, fy, fw, fh, *under, fx, fy);
    else
      run.FillBlack(run.dst(), fx, fy, fw, fh);
  };
  fill(0, 0, W, top);
  fill(0, bottom, W, H - bottom);
  fill(0, top, left, bottom - top);
  fill(right, top, W - right, bottom - top);
  DrawWhole(run, run.dst(), x, y, w, h, a);
}

// A sweep of widths against the whole width: growing from 0 (progress w / W)
// or shrinking from W (progress (W - w) / W), 8 pixels a frame. Each step
// redraws all that the earlier ones drew (a grown picture covers the smaller
// ones), so overdue steps are left out.
template <typename Draw>
bool SweepWidths(FrameRun& run, bool grow, double budget, Draw&& draw) {
  const int32_t W = run.W();
  return SweepA(
      run, grow ? 0 : W, grow ? W : 0, grow ? 8 : -8, budget, draw,
      [&](int32_t w) { return static_cast<double>(grow ? w : W - w) / W; }, Steps::kWhole);
}

}  // namespace

// 31: the new slide grows from the centre over the old one (dir != 0; each
// step adds to the last), or the old slide shrinks into the new one (dir 0;
// each step is complete).
void Zoom(FrameRun& run, int32_t dir) {
  const Surface &dst = run.dst(), &nw = run.source();
  if (dir != 0) {
    const PixelArray grown = CaptureAll(nw);
    SweepWidths(run, true, run.duration(), [&](int32_t w) { DrawCentred(run, dst, w, grown); });
    return;
  }
  const PixelArray old = CaptureAll(dst);
  SweepWidths(run, false, run.duration(),
              [&](int32_t w) { DrawOver(run, &nw, Centred(run, w), old); });
}

namespace {

// One step of ZoomThrough's inset: round(extent / steps + inset), or minus.
struct Inset {
  int32_t x0 = 0, y0 = 0;
  Inset Moved(const FrameRun& run, int32_t steps, int32_t sign) const {
    return {Round32(x0 + sign * (static_cast<double>(run.W()) / steps)),
            Round32(y0 + sign * (static_cast<double>(run.H()) / steps))};
  }
  bool operator==(const Inset&) const = default;
};

}  // namespace

// 32 (two-way pick != 0): zooms into the old slide's centre over `steps`
// insets, then out of the new slide's. Each step is complete. A slide so
// small that a step moves neither inset (under 50 pixels both ways) ends the
// phase there: the insets would never reach their limits.
void ZoomThrough(FrameRun& run, int32_t) {
  constexpr int32_t kSteps = 100;
  const int32_t W = run.W(), H = run.H();
  const double budget = run.duration() / 2.0;
  const auto draw = [&](const PixelArray& a, const Inset& i) {
    run.DrawArray(run.dst(), 0, 0, W, H, a, i.x0, i.y0, W - 2 * i.x0, H - 2 * i.y0);
  };
  const PixelArray old = CaptureAll(run.dst());
  Inset at;
  for (int32_t k = 1;; ++k) {
    const Inset next = at.Moved(run, kSteps, 1);
    const bool last = next == at || next.x0 >= W / 2.0 || next.y0 >= H / 2.0;
    if (last) {
      draw(old, at);
      at = next;
      break;
    }
    const bool ended = WholeFrameA(run, false, 2.0 * k / kSteps, budget, [&] { draw(old, at); });
    at = next;
    if (ended) break;
  }
  run.StartPhase();
  const PixelArray nw = CaptureAll(run.source());
  for (int32_t k = 1;; ++k) {
    const Inset next = at.Moved(run, kSteps, -1);
    if (next.x0 < 0 || next.y0 < 0 || next == at) break;
    at = next;
    const Inset after = at.Moved(run, kSteps, -1);
    const bool last = after.x0 < 0 || after.y0 < 0 || after == at;
    if (WholeFrameA(run, last, 2.0 * k / kSteps, budget, [&] { draw(nw, at); })) break;
  }
}

// 32 (two-way pick 0): the old slide shrinks into black (each step complete),
// then the new slide grows out of the centre (each step adds to the last).
void ShrinkGrow(FrameRun& run, int32_t) {
  const Surface& dst = run.dst();
  const double budget = (run.duration() + 1000) / 2.0;
  const PixelArray old = CaptureAll(run.dst());
  SweepWidths(run, false, budget, [&](int32_t w) { DrawOver(run, nullptr, Centred(run, w), old); });
  run.StartPhase();
  const PixelArray grown = CaptureAll(run.source());
  SweepWidths(run, true, budget, [&](int32_t w) { DrawCentred(run, dst, w, grown); });
}

// 35: the old slide shrinks to 5/8 of its width over the new one, pauses,
// slides down as it shrinks further, and drops out. Every step is complete.
void ShrinkDrop(FrameRun& run, int32_t) {
  const int32_t W = run.W(), H = run.H();
  const Surface& nw = run.source();
  const double r = static_cast<double>(H) / W;
  const PixelArray old = CaptureAll(run.dst());
  const auto over_new = [&](int32_t x, int32_t y, int32_t w, int32_t h) {
    DrawOver(run, &nw, {x, y, w, h}, old);
  };
  // Phase 1: shrinking in the centre, down to the last 8-pixel step at or
  // above 5/8 of the width.
  const int32_t small = Round32(0.625 * W);
  int32_t y = 0;  // of the last step drawn: the last, or the one a flag ended on
  SweepA(
      run, W, W - (W - small) / 8 * 8, -8, (2.0 * run.duration() - 600) / 3,
      [&](int32_t w) {
        y = Round32((H - r * w) / 2);
        over_new(Round32((W - w) / 2.0), y, w, Round32(r * w));
      },
      [&](int32_t w) { return (W - w) / (0.375 * W); }, Steps::kWhole);
  run.Pause(300);
  // Phase 2: 8 pixels smaller and 7 lower each step, until 16 pixels high.
  run.StartPhase();
  int32_t w2 = small, h2 = Round32(0.625 * H);
  const int32_t steps = Round32(W / 16.0);
  ForEachPosition(1, steps, 1, [&](int32_t k) {
    w2 -= 8;
    h2 -= 8;
    if (h2 <= 16) return false;
    y += 7;
    const bool last = k == steps || h2 - 8 <= 16;
    return !WholeFrameA(run, last, k / (W / 16.0), (run.duration() - 300) / 4.0,
                        [&] { over_new(Round32((W - w2) / 2.0), y, w2, h2); });
  });
  // Phase 3: drops out of the bottom, flattening to 6 pixels.
  run.StartPhase();
  const int32_t y0 = y;
  ForEachPosition(y0, H, 8, [&](int32_t top) {
    if (h2 > 7) h2 -= 2;
    return !WholeFrameA(run, top == H, static_cast<double>(top - y0) / (H - y0),
                        (run.duration() - 300) / 12.0,
                        [&] { over_new(Round32((W - w2) / 2.0), top, w2, h2); });
  });
  CopyAll(run, run.dst(), nw);
}

// 39: eight vertical panels turn one after another, six frames apart: each
// narrows to nothing around its centre line showing the old slide, then
// widens showing the new one (on a black panel canvas in P4). Each step adds
// to the last.
void RotatingPanels(FrameRun& run, int32_t dir) {
  const int32_t W = run.W(), H = run.H();
  const Surface &dst = run.dst(), &nw = run.source(), &tmp = run.tmp(), &p4 = run.p4();
  const double pw = W / 8.0, turn = pw / 16;
  const int32_t width = Round32(pw);
  const Surface canvas{p4.pixels, std::min(width, p4.width), std::min(H, p4.height), p4.stride};
  CopyAll(run, tmp, dst);
  const PixelArray old = CaptureAll(tmp), shown = CaptureAll(nw);
  std::array<int32_t, 9> m{};  // each panel's squeeze, panels 1-8
  const auto squeezed = [&](int32_t i, int32_t x, const PixelArray& a) {
    run.FillBlack(canvas);
    run.DrawArray(canvas, Round32(m[i] / 2.0), 0, Round32(pw - m[i]), H, a, x, 0, width, H);
    run.Copy(dst, x, 0, width, H, canvas, 0, 0);
  };
  SweepA(
      run, 1, 128, 1, run.duration(),
      [&](int32_t f) {
        for (int32_t i = 1; i <= 8; ++i) {
          const int32_t x = Round32(dir != 0 ? W - i * pw : (i - 1) * pw);
          const int32_t t = f - 6 * i;
          if (t >= 0 && t <= 15) {
            m[i] = Round32(m[i] + turn);
            squeezed(i, x, old);
          } else if (t >= 17 && t <= 32) {
            m[i] = Round32(m[i] - turn);
            squeezed(i, x, shown);
          } else if (t == 33) {
            run.Copy(dst, x, 0, width, H, nw, x, 0);
          }
        }
      },
      [](int32_t f) { return f / 128.0; });
}

}  // namespace lantern::transitions
