// The shared parts of every transition: drawing that marks the visible
// surface dirty, and pacing schemes A and B.
#include "transitions/transition_run.h"

#include <algorithm>
#include <cstdlib>

#include "base/rounding.h"

namespace lantern::transitions {

TransitionRun::TransitionRun(const TransitionContext& context, const player::Surfaces& surfaces)
    : context_(context),
      surfaces_(surfaces),
      width_(surfaces.PicDst.width),
      height_(surfaces.PicDst.height) {
  StartPhase();
}

int32_t TransitionRun::step() const {
  const int32_t v = context_.windows_version_class;
  return v != 0 && v != 5 ? 2 : 1;
}

int32_t TransitionRun::cell_size() const {
  return base::Round32(width_ / 20.0);
}

void TransitionRun::Mark(const Surface& d, int32_t x, int32_t y, int32_t w, int32_t h) {
  if (d.pixels != dst().pixels) return;
  // Extents may be negative (mirroring): the area then runs back from the origin.
  const int64_t x0 = w >= 0 ? x : int64_t{x} + w + 1, y0 = h >= 0 ? y : int64_t{y} + h + 1;
  const int64_t x1 = x0 + (w >= 0 ? w : -int64_t{w}), y1 = y0 + (h >= 0 ? h : -int64_t{h});
  const platform::Rect area{static_cast<int32_t>(std::clamp<int64_t>(x0, 0, d.width)),
                            static_cast<int32_t>(std::clamp<int64_t>(y0, 0, d.height)),
                            static_cast<int32_t>(std::clamp<int64_t>(x1, 0, d.width)),
                            static_cast<int32_t>(std::clamp<int64_t>(y1, 0, d.height))};
  if (!area.empty()) context_.presenter.MarkDirty(area);
}

void TransitionRun::Copy(const Surface& d, int32_t dx, int32_t dy, int32_t w, int32_t h,
                         const Surface& s, int32_t sx, int32_t sy) {
  imaging::Copy(d, dx, dy, w, h, s, sx, sy);
  Mark(d, dx, dy, w, h);
}

void TransitionRun::Stretch(const Surface& d, int32_t dx, int32_t dy, int32_t dw, int32_t dh,
                            const Surface& s, int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
  imaging::StretchNearest(d, dx, dy, dw, dh, s, sx, sy, sw, sh);
  Mark(d, dx, dy, dw, dh);
}

void TransitionRun::Blend(const Surface& d, int32_t dx, int32_t dy, int32_t w, int32_t h,
                          const Surface& s, int32_t sx, int32_t sy, uint8_t alpha) {
  imaging::BlendConstant(d, dx, dy, w, h, s, sx, sy, w, h, alpha);
  Mark(d, dx, dy, w, h);
}

void TransitionRun::FillWhite(const Surface& d) {
  FillWhite(d, 0, 0, d.width, d.height);
}

void TransitionRun::FillBlack(const Surface& d) {
  FillBlack(d, 0, 0, d.width, d.height);
}

void TransitionRun::FillWhite(const Surface& d, int32_t x, int32_t y, int32_t w, int32_t h) {
  imaging::FillWhite(d, x, y, w, h);
  Mark(d, x, y, w, h);
}

void TransitionRun::FillBlack(const Surface& d, int32_t x, int32_t y, int32_t w, int32_t h) {
  imaging::FillBlack(d, x, y, w, h);
  Mark(d, x, y, w, h);
}

void TransitionRun::CopyInverted(const Surface& d, int32_t dx, int32_t dy, int32_t w, int32_t h,
                                 const Surface& s, int32_t sx, int32_t sy) {
  imaging::CopyInverted(d, dx, dy, w, h, s, sx, sy);
  Mark(d, dx, dy, w, h);
}

void TransitionRun::GreyFilter(const Surface& d) {
  imaging::ApplyGreyFilter(d);
  Mark(d, 0, 0, d.width, d.height);
}

void TransitionRun::DrawArray(const Surface& d, int32_t dx, int32_t dy, int32_t dw, int32_t dh,
                              const imaging::PixelArray& array) {
  imaging::DrawPixelArray(d, dx, dy, dw, dh, array, 0, 0, array.width, array.height);
  Mark(d, dx, dy, dw, dh);
}

void TransitionRun::Line(const Surface& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                         uint32_t colour) {
  imaging::DrawLine(d, x1, y1, x2, y2, draw_width_, colour);
  // A wide pen reaches half its width past the ends and the centre line.
  const int32_t r = draw_width_ / 2 + 1;
  Mark(d, std::min(x1, x2) - r, std::min(y1, y2) - r, std::abs(x2 - x1) + 2 * r + 1,
       std::abs(y2 - y1) + 2 * r + 1);
}

bool TransitionRun::Interrupted() const {
  const player::ShowState& s = context_.state;
  return s.AnyAbort() || s.RelayoutPending;
}

void TransitionRun::Wait(int32_t ms) {
  if (context_.waits && ms > 0) context_.pacer.WaitMs(ms);
}

void TransitionRun::Pump() {
  context_.pacer.Step();
}

void TransitionRun::ReseedFromClock() {
  context_.rnd.Reseed(context_.clock.Now().SecondsSinceMidnight());
}

void TransitionRun::FrameDrawn() {
  if (context_.on_frame) context_.on_frame();
}

bool TransitionRun::PaceA(double progress, double budget_ms) {
  FrameDrawn();
  if (context_.waits) {
    // A set abort flag makes every wait return at once; the flag test below
    // then ends the routine, so there is nothing to wait for.
    while (!context_.state.AnyAbort() && progress > static_cast<double>(elapsed_ms()) / budget_ms)
      context_.pacer.WaitMs(1);
  }
  context_.pacer.Step();
  return Interrupted();
}

bool TransitionRun::PaceB(int32_t ticks) {
  FrameDrawn();
  if (context_.waits)
    context_.pacer.WaitTicks(ticks);
  else
    context_.pacer.Step();
  return Interrupted();
}

int32_t StepTicks(int32_t base, int32_t extent) {
  return base::Round32(static_cast<double>(base) / std::max(extent, 1));
}

}  // namespace lantern::transitions
