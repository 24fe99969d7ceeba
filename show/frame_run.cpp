// The shared parts of every transition: drawing that marks the visible
// surface dirty, and pacing schemes A and B.
#include "show/frame_run.h"

#include <algorithm>
#include <cstdlib>

#include "base/rounding.h"

namespace lantern::show {

FrameRun::FrameRun(const FrameContext& context, const show::Surfaces& surfaces)
    : context_(context),
      surfaces_(surfaces),
      width_(surfaces.PicDst.width),
      height_(surfaces.PicDst.height) {
  StartPhase();
}

int32_t FrameRun::step() const {
  const int32_t v = context_.windows_version_class;
  return v != 0 && v != 5 ? 2 : 1;
}

int32_t FrameRun::cell_size() const {
  return base::Round32(width_ / 20.0);
}

void FrameRun::Mark(const Surface& d, int32_t x, int32_t y, int32_t w, int32_t h) {
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

namespace {

// Enough pieces for a frame of RandomBlocks at 4K (a display frame of its two
// million steps is some 25 000); a longer gathering draws part of it first.
constexpr size_t kMostGathered = size_t{1} << 16;

}  // namespace

void FrameRun::Copy(const Surface& d, int32_t dx, int32_t dy, int32_t w, int32_t h,
                    const Surface& s, int32_t sx, int32_t sy) {
  // The new slide does not change while a routine runs, so a copy from it can
  // wait for the rest of its frame.
  if (gathering_ && d.pixels == dst().pixels && s.pixels == source().pixels) {
    if (gathered_.size() == kMostGathered) DrawGathered();
    gathered_.push_back({dx, dy, w, h, sx, sy});
    return;
  }
  DrawGathered();
  imaging::Copy(d, dx, dy, w, h, s, sx, sy);
  Mark(d, dx, dy, w, h);
}

void FrameRun::DrawGathered() {
  if (gathered_.empty()) return;
  imaging::ScatterBlocks(dst(), gathered_, source(), scratch_);
  for (const imaging::BlockCopy& b : gathered_)
    Mark(dst(), b.dx, b.dy, b.w, b.h);
  gathered_.clear();
}

void FrameRun::Gather(bool on) {
  DrawGathered();
  gathering_ = on;
}

void FrameRun::CopyLanes(const Surface& d, int32_t first, int32_t width, int32_t period, int32_t dy,
                         int32_t h, const Surface& s, int32_t sy) {
  DrawGathered();
  imaging::CopyLanes(d, first, width, period, dy, h, s, sy);
  Mark(d, 0, dy, d.width, h);
}

void FrameRun::FillBlackAndScatter(int32_t w, int32_t h,
                                   const std::vector<imaging::BlockMove>& moves, const Surface& s,
                                   imaging::ScatterScratch& scratch) {
  DrawGathered();
  imaging::FillAndScatterBlocks(dst(), 0x00000000, w, h, moves, s, scratch);
  Mark(dst(), 0, 0, W(), H());
}

void FrameRun::Stretch(const Surface& d, int32_t dx, int32_t dy, int32_t dw, int32_t dh,
                       const Surface& s, int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
  DrawGathered();
  imaging::StretchNearest(d, dx, dy, dw, dh, s, sx, sy, sw, sh);
  Mark(d, dx, dy, dw, dh);
}

void FrameRun::Blend(const Surface& d, int32_t dx, int32_t dy, int32_t w, int32_t h,
                     const Surface& s, int32_t sx, int32_t sy, uint8_t alpha) {
  DrawGathered();
  imaging::BlendConstant(d, dx, dy, w, h, s, sx, sy, w, h, alpha);
  Mark(d, dx, dy, w, h);
}

void FrameRun::BlendColumns(const Surface& d, int32_t x, int32_t n, const uint8_t* alpha,
                            const Surface& under, const Surface& over) {
  DrawGathered();
  imaging::BlendColumns(d, x, n, alpha, under, over);
  Mark(d, x, 0, n, d.height);
}

void FrameRun::FillWhite(const Surface& d) {
  FillWhite(d, 0, 0, d.width, d.height);
}

void FrameRun::FillBlack(const Surface& d) {
  FillBlack(d, 0, 0, d.width, d.height);
}

void FrameRun::FillWhite(const Surface& d, int32_t x, int32_t y, int32_t w, int32_t h) {
  DrawGathered();
  imaging::FillWhite(d, x, y, w, h);
  Mark(d, x, y, w, h);
}

void FrameRun::FillBlack(const Surface& d, int32_t x, int32_t y, int32_t w, int32_t h) {
  DrawGathered();
  imaging::FillBlack(d, x, y, w, h);
  Mark(d, x, y, w, h);
}

void FrameRun::CopyInverted(const Surface& d, int32_t dx, int32_t dy, int32_t w, int32_t h,
                            const Surface& s, int32_t sx, int32_t sy) {
  DrawGathered();
  imaging::CopyInverted(d, dx, dy, w, h, s, sx, sy);
  Mark(d, dx, dy, w, h);
}

void FrameRun::GreyFilter(const Surface& d) {
  DrawGathered();
  imaging::ApplyGreyFilter(d);
  Mark(d, 0, 0, d.width, d.height);
}

void FrameRun::DrawArray(const Surface& d, int32_t dx, int32_t dy, int32_t dw, int32_t dh,
                         const imaging::PixelArray& array) {
  DrawArray(d, dx, dy, dw, dh, array, 0, 0, array.width, array.height);
}

void FrameRun::Line(const Surface& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                    uint32_t colour) {
  DrawGathered();
  imaging::DrawLine(d, x1, y1, x2, y2, draw_width_, colour);
  // A wide pen reaches half its width past the ends and the centre line.
  const int32_t r = draw_width_ / 2 + 1;
  Mark(d, std::min(x1, x2) - r, std::min(y1, y2) - r, std::abs(x2 - x1) + 2 * r + 1,
       std::abs(y2 - y1) + 2 * r + 1);
}

void FrameRun::DrawArray(const Surface& d, int32_t dx, int32_t dy, int32_t dw, int32_t dh,
                         const imaging::PixelArray& a, int32_t sx, int32_t sy, int32_t sw,
                         int32_t sh) {
  DrawGathered();
  imaging::DrawPixelArray(d, dx, dy, dw, dh, a, sx, sy, sw, sh);
  Mark(d, dx, dy, dw, dh);
}

std::vector<int32_t> FrameRun::Shuffle(int32_t a, int32_t b) const {
  return show::ShufflePermutation(context_.rnd, context_.clock, a, b);
}

bool FrameRun::Interrupted() const {
  const show::ShowState& s = context_.state;
  return s.AnyAbort() || s.RelayoutPending;
}

void FrameRun::Pump() {
  context_.pacer.Step();
}

void FrameRun::ReseedFromClock() {
  context_.rnd.Reseed(context_.clock.Now().SecondsSinceMidnight());
}

void FrameRun::FrameDrawn() {
  DrawGathered();
  if (context_.on_frame) context_.on_frame();
}

void FrameRun::StartPhase() {
  start_ms_ = context_.clock.NowMs();
  next_due_ = context_.clock.Counter();
  frame_start_ms_ = start_ms_;
}

// Read from the millisecond clock: a sweep of millions of steps asks after
// every step, and a display frame is many milliseconds.
bool FrameRun::FrameYoung() const {
  const int64_t frame_ms =
      context_.presenter.frame_counts() * 1000 / context_.clock.CounterFrequency();
  return context_.clock.NowMs() - frame_start_ms_ < frame_ms;
}

bool FrameRun::JoinsA(double progress, double budget_ms) const {
  return LateA(progress, budget_ms) && FrameYoung();
}

bool FrameRun::JoinsB(int32_t ticks) {
  if (!LateB(ticks) || !FrameYoung()) return false;
  next_due_ += TickCounts(ticks);
  return true;
}

int64_t FrameRun::TickCounts(int32_t ticks) const {
  return static_cast<int64_t>(ticks * context_.pacer.counts_per_tick());
}

// A frame is left out only when another follows it: never while a flag is
// set (the phase then ends after this frame, which must show).
bool FrameRun::LateA(double progress, double budget_ms) const {
  return context_.waits && !Interrupted() &&
         static_cast<double>(elapsed_ms()) >= progress * budget_ms;
}

bool FrameRun::LateB(int32_t ticks) const {
  return context_.waits && !Interrupted() &&
         context_.clock.Counter() >= next_due_ + TickCounts(ticks);
}

bool FrameRun::PaceA(double progress, double budget_ms, bool drawn) {
  if (drawn) FrameDrawn();
  if (context_.waits) {
    // A set abort flag makes every wait return at once; the flag test below
    // then ends the routine, so there is nothing to wait for.
    while (!context_.state.AnyAbort() && progress > static_cast<double>(elapsed_ms()) / budget_ms)
      context_.pacer.SleepFrameAware();
  }
  context_.pacer.Step();
  FramePaced();
  return Interrupted();
}

bool FrameRun::PaceB(int32_t ticks, bool drawn) {
  if (drawn) FrameDrawn();
  next_due_ += TickCounts(ticks);
  if (context_.waits)
    context_.pacer.WaitUntil(next_due_);
  else
    context_.pacer.Step();
  FramePaced();
  return Interrupted();
}

void FrameRun::Pause(int32_t ms) {
  if (context_.waits) context_.pacer.WaitMs(ms);
}

int64_t StepsPerPacing(int32_t first, int32_t last, int32_t step, double budget_ms) {
  if (step == 0) return 1;
  const int64_t count = std::llabs(int64_t{last} - first) / std::llabs(step) + 1;
  const auto paced = static_cast<int64_t>(std::max(budget_ms, 1.0) * 100);
  return std::max<int64_t>(1, count / paced);
}

int32_t StepTicks(int32_t base, int32_t extent) {
  return base::Round32(static_cast<double>(base) / std::max(extent, 1));
}

}  // namespace lantern::show
