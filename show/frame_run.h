// What every transition and text effect shares: the context it runs in
// (pacer, presenter, flags, clock), one run's surfaces and size, drawing that
// marks what it changes on the visible surface, the two pacing schemes and
// the sweep loops built on them.
//
// Scheme A (time-proportional): after a frame of progress p, wait until p of
// the budget has passed, then pump once (throttled). Scheme B (fixed delay):
// step k is due k delays after the phase began. Both then test the five
// interruption flags; a set flag ends the routine (or the current phase).
// Presents happen at most once per display frame, and a routine whose steps
// each redraw the whole picture leaves out the steps that are overdue, so it
// lasts its designed time at any size (the geometry of each step is kept).
// A sweep whose steps only add to the picture draws every step, but the steps
// that are due together make one frame: their pieces of the new slide are
// gathered and copied in one pass down the rows, and paced and presented once.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "base/rnd.h"
#include "imaging/raster.h"
#include "platform/platform.h"
#include "show/pacing.h"
#include "show/presenter.h"
#include "show/show_state.h"
#include "show/surfaces.h"

namespace lantern::show {

using platform::Surface;

// The pieces of the player a transition works with.
struct FrameContext {
  show::Pacer& pacer;
  show::Presenter& presenter;
  show::ShowState& state;
  platform::Clock& clock;
  base::Rnd& rnd;
  int32_t windows_version_class = 0;   // 5 XP and older, 6-8 later, 0 unknown
  int32_t transition_duration = 1500;  // ms, the base of every time budget
  // Off only in benchmarks: frames are drawn back to back, without waits.
  bool waits = true;
  // Called after each frame is drawn, before it is paced (tests, the gallery).
  std::function<void()> on_frame = {};
};

// One transition while it runs.
class FrameRun {
 public:
  FrameRun(const FrameContext& context, const show::Surfaces& surfaces);

  const Surface& dst() const { return surfaces_.PicDst; }
  const Surface& source() const { return surfaces_.PicSource; }
  const Surface& tmp() const { return surfaces_.PicTmp; }
  const Surface& p4() const { return surfaces_.P4; }
  const Surface& p5() const { return surfaces_.P5; }
  int32_t W() const { return width_; }
  int32_t H() const { return height_; }
  int32_t duration() const { return context_.transition_duration; }
  // Pixels per step of the step-based routines: 2 from Vista on, else 1.
  int32_t step() const;
  // Number 5's cell size: round(W / 20).
  int32_t cell_size() const;
  // The DrawWidth of PicDst: lines drawn without a width take it.
  int32_t& draw_width() { return draw_width_; }

  // TransitionStart = now: at entry, and again at the start of a phase. The
  // step schedule of scheme B starts again too.
  void StartPhase();
  uint32_t elapsed_ms() const { return context_.clock.NowMs() - start_ms_; }
  // The time spent preparing since entry, taken off the budget by routines
  // that shuffle or capture before their first frame.
  void MarkPrepared() { prep_time_ = static_cast<int32_t>(elapsed_ms()); }
  int32_t prep_time() const { return prep_time_; }
  // Rnd, and ShufflePermutation(a, b) (which reseeds from the clock first).
  base::Rnd& rnd() const { return context_.rnd; }
  std::vector<int32_t> Shuffle(int32_t a, int32_t b) const;

  // --- drawing: the raster operations; whatever lands on PicDst is marked dirty ---
  // A copy from the new slide onto PicDst made while gathering waits for the
  // frame's other pieces (see Gathering); any other drawing draws it first.
  void Copy(const Surface& d, int32_t dx, int32_t dy, int32_t w, int32_t h, const Surface& s,
            int32_t sx, int32_t sy);
  void CopyLanes(const Surface& d, int32_t first, int32_t width, int32_t period, int32_t dy,
                 int32_t h, const Surface& s, int32_t sy);
  // PicDst black, then w x h blocks copied onto it from `s` in the given order.
  void FillBlackAndScatter(int32_t w, int32_t h, const std::vector<imaging::BlockMove>& moves,
                           const Surface& s, imaging::ScatterScratch& scratch);
  void Stretch(const Surface& d, int32_t dx, int32_t dy, int32_t dw, int32_t dh, const Surface& s,
               int32_t sx, int32_t sy, int32_t sw, int32_t sh);
  void Blend(const Surface& d, int32_t dx, int32_t dy, int32_t w, int32_t h, const Surface& s,
             int32_t sx, int32_t sy, uint8_t alpha);
  // imaging::BlendColumns onto `d`.
  void BlendColumns(const Surface& d, int32_t x, int32_t n, const uint8_t* alpha,
                    const Surface& under, const Surface& over);
  void FillWhite(const Surface& d);
  void FillBlack(const Surface& d);
  void FillWhite(const Surface& d, int32_t x, int32_t y, int32_t w, int32_t h);
  void FillBlack(const Surface& d, int32_t x, int32_t y, int32_t w, int32_t h);
  void Line(const Surface& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour);
  void CopyInverted(const Surface& d, int32_t dx, int32_t dy, int32_t w, int32_t h,
                    const Surface& s, int32_t sx, int32_t sy);
  void GreyFilter(const Surface& d);
  // The whole array scaled into (dx, dy, dw, dh), as DrawDib draws it.
  void DrawArray(const Surface& d, int32_t dx, int32_t dy, int32_t dw, int32_t dh,
                 const imaging::PixelArray& array);
  // DrawDib: the source rectangle of a captured pixel array drawn scaled. The
  // array carries its own width and height (what the 24-bit header says).
  void DrawArray(const Surface& d, int32_t dx, int32_t dy, int32_t dw, int32_t dh,
                 const imaging::PixelArray& a, int32_t sx, int32_t sy, int32_t sw, int32_t sh);

  // --- pacing; each returns true when the routine (or phase) must end ---
  // Frames are drawn from the time: a frame's picture is due at a moment of
  // the routine's schedule, and what is on the screen is presented at most
  // once per display frame. `drawn` is false for a frame the routine skipped
  // because a later one was already due (see LateA and LateB).
  //
  // Scheme A: frame of progress p of `budget_ms`; the next frame is due once
  // p of the budget has passed.
  bool PaceA(double progress, double budget_ms, bool drawn = true);
  // Scheme B: the next step is due d tenths of a millisecond after this one
  // was (an absolute schedule: the time spent drawing is not added to it).
  bool PaceB(int32_t ticks, bool drawn = true);
  // True when the frame about to be drawn is already overdue: the frame
  // after it is due now, so a frame that redraws the whole picture can be
  // left out. Never true while waits are off (every frame is drawn).
  bool LateA(double progress, double budget_ms) const;
  bool LateB(int32_t ticks) const;
  // After a step of a sweep whose steps add to the picture: true when the
  // step after it is already due and joins this step's frame, which began
  // less than a display frame ago (so a machine that falls behind still
  // shows a frame at least every display frame). The step is then not paced;
  // a scheme-B step's schedule moves on by `ticks`. Never true while waits
  // are off.
  bool JoinsA(double progress, double budget_ms) const;
  bool JoinsB(int32_t ticks);
  // While on, copies from the new slide onto PicDst are gathered until the
  // frame is paced (or other drawing needs PicDst); turning it off draws them.
  void Gather(bool on);
  // WaitMs(ms): a pause between phases (at once while an abort flag is set).
  void Pause(int32_t ms);
  // Any of the five interruption flags.
  bool Interrupted() const;
  // Pending window messages inside a long frame (throttled by the pacer).
  void Pump();
  // Reseeds the generator from the clock (Randomize Timer).
  void ReseedFromClock();

 private:
  void Mark(const Surface& d, int32_t x, int32_t y, int32_t w, int32_t h);
  // Draws the gathered pieces; every drawing but a gathered copy calls it first.
  void DrawGathered();
  void FrameDrawn();
  void FramePaced() { frame_start_ms_ = context_.clock.NowMs(); }
  bool FrameYoung() const;
  int64_t TickCounts(int32_t ticks) const;

  const FrameContext& context_;
  const show::Surfaces surfaces_;  // a copy: the caller's may be a temporary
  int32_t width_;
  int32_t height_;
  uint32_t start_ms_ = 0;
  int64_t next_due_ = 0;         // counter time the next scheme-B step is due
  uint32_t frame_start_ms_ = 0;  // when the frame being drawn began
  bool gathering_ = false;
  std::vector<imaging::BlockCopy> gathered_;
  imaging::ScatterScratch scratch_;
  int32_t prep_time_ = 0;
  int32_t draw_width_ = 1;
};

// The positions of a sweep: first, first + step, ... up to `last` (step may be
// negative), and `last` itself when the steps pass it by, so that every sweep
// ends on its final picture whatever the size and step.
template <typename Draw>
void ForEachPosition(int32_t first, int32_t last, int32_t step, Draw&& draw) {
  const bool up = step > 0;
  if (step == 0 || (up && first > last) || (!up && first < last)) return;
  int32_t p = first;
  for (;;) {
    if (!draw(p)) return;
    if (p == last) return;
    p = up ? (p + step > last ? last : p + step) : (p + step < last ? last : p + step);
  }
}

// What one step of a sweep draws: kAdds adds to what the earlier steps drew,
// so every step is drawn in order; kWhole redraws everything the earlier
// steps changed, so a step that is already overdue is left out (never the
// last one).
enum class Steps { kAdds, kWhole };

// Turns gathering on for a sweep whose steps add to the picture, and draws
// what is gathered when the sweep ends.
class Gathering {
 public:
  Gathering(FrameRun& run, Steps kind) : run_(run), on_(kind == Steps::kAdds) {
    if (on_) run_.Gather(true);
  }
  ~Gathering() {
    if (on_) run_.Gather(false);
  }
  Gathering(const Gathering&) = delete;
  Gathering& operator=(const Gathering&) = delete;

 private:
  FrameRun& run_;
  bool on_;
};

// A scheme-B sweep: draw(position), then the step's delay. Returns false when
// a flag ended it.
template <typename Draw>
bool SweepB(FrameRun& run, int32_t first, int32_t last, int32_t step, int32_t ticks, Draw&& draw,
            Steps kind = Steps::kAdds) {
  const Gathering gathering(run, kind);
  bool completed = true;
  ForEachPosition(first, last, step, [&](int32_t p) {
    const bool adds = kind == Steps::kAdds;
    const bool drawn = adds || p == last || !run.LateB(ticks);
    if (drawn) draw(p);
    if (adds && p != last && run.JoinsB(ticks)) return true;
    if (run.PaceB(ticks, drawn)) completed = false;
    return completed;
  });
  return completed;
}

// One frame of a scheme-A loop whose frames each redraw everything the
// earlier ones drew: left out when overdue (never the last), then paced.
// True when a flag ends the loop.
template <typename Draw>
bool WholeFrameA(FrameRun& run, bool last, double progress, double budget_ms, Draw&& draw) {
  const bool drawn = last || !run.LateA(progress, budget_ms);
  if (drawn) draw();
  return run.PaceA(progress, budget_ms, drawn);
}

// How many steps of a scheme-A sweep go to one pacing: 1, unless the sweep
// has more than a hundred steps a millisecond of its budget (RandomBlocks at
// 4K: two million in 1.5 s), where reading the clock for every step would
// cost more than drawing it. Nothing can set a flag between pacings: the
// handlers that set them run inside the pacing.
int64_t StepsPerPacing(int32_t first, int32_t last, int32_t step, double budget_ms);

// A scheme-A sweep: draw(position), then pace with progress(position).
template <typename Draw, typename Progress>
bool SweepA(FrameRun& run, int32_t first, int32_t last, int32_t step, double budget_ms, Draw&& draw,
            Progress&& progress, Steps kind = Steps::kAdds) {
  const Gathering gathering(run, kind);
  const int64_t every = StepsPerPacing(first, last, step, budget_ms);
  int64_t since = 0;
  bool completed = true;
  ForEachPosition(first, last, step, [&](int32_t p) {
    const bool adds = kind == Steps::kAdds;
    // A routine's progress may count what its drawing did: read it after.
    const bool drawn = adds || p == last || !run.LateA(progress(p), budget_ms);
    if (drawn) draw(p);
    if (++since < every && p != last) return true;
    since = 0;
    if (adds && p != last && run.JoinsA(progress(p), budget_ms)) return true;
    if (run.PaceA(progress(p), budget_ms, drawn)) completed = false;
    return completed;
  });
  return completed;
}

// Block copies along one axis over the whole other axis: columns (x, full
// height) or rows (y, full width). Lets one routine body serve both
// orientations of a direction pair.
struct Axis {
  FrameRun& run;
  bool rows;
  int32_t extent() const { return rows ? run.H() : run.W(); }
  void Copy(const Surface& d, int32_t at, int32_t len, const Surface& s, int32_t from) const {
    if (rows)
      run.Copy(d, 0, at, run.W(), len, s, 0, from);
    else
      run.Copy(d, at, 0, len, run.H(), s, from, 0);
  }
  void Stretch(const Surface& d, int32_t at, int32_t len, const Surface& s, int32_t from,
               int32_t from_len) const {
    if (rows)
      run.Stretch(d, 0, at, run.W(), len, s, 0, from, run.W(), from_len);
    else
      run.Stretch(d, at, 0, len, run.H(), s, from, 0, from_len, run.H());
  }
};

// The scheme-B delay for a sweep over `extent` pixels: round(base / extent).
int32_t StepTicks(int32_t base, int32_t extent);

}  // namespace lantern::show
