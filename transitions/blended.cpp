// The blended transitions: SoftWipe and SoftSplit move a front with a soft
// edge of 13 blended strips; CrossFade, FilmStrip and NegativeFlash fade
// whole frames. FilmStrip and NegativeFlash run in phases: a flag ends the
// current phase only, each later phase then draws one frame, and the closing
// steps always run.
#include "transitions/blended.h"

#include "base/rounding.h"

namespace lantern::transitions {

namespace {

// The last value a counting loop first, first + step, ... takes without
// passing `end` (a sweep ends there, not on `end` itself).
int32_t LastOf(int32_t first, int32_t end, int32_t step) {
  return first + (end - first) / step * step;
}

// 2-pixel strips across the slide, columns or rows, for the soft-edged fronts.
// PicTmp and P4 hold the old slide: a soft strip is the new slide blended onto
// PicTmp, copied to PicDst, and PicTmp's strip put back from P4.
struct Strips {
  TransitionRun& run;
  Axis axis;

  Strips(TransitionRun& r, bool rows) : run(r), axis{r, rows} {
    run.Copy(run.tmp(), 0, 0, run.W(), run.H(), run.dst(), 0, 0);
    run.Copy(run.p4(), 0, 0, run.W(), run.H(), run.dst(), 0, 0);
  }
  void Soft(int32_t at, uint8_t alpha) const {
    if (axis.rows)
      run.Blend(run.tmp(), 0, at, run.W(), 2, run.source(), 0, at, alpha);
    else
      run.Blend(run.tmp(), at, 0, 2, run.H(), run.source(), at, 0, alpha);
    axis.Copy(run.dst(), at, 2, run.tmp(), at);
    axis.Copy(run.tmp(), at, 2, run.p4(), at);
  }
  // The soft edge ahead of a front at f moving towards `sign`: 13 strips at
  // 26, 24, ..., 2 pixels ahead with alphas 15, 35, ..., 255, the farthest
  // faintest; then the new slide's strip at the front itself.
  void Front(int32_t f, int32_t sign) const {
    for (int32_t v = 240; v >= 0; v -= 20)
      Soft(f + (v / 20 + 1) * 2 * sign, static_cast<uint8_t>(255 - v));
    axis.Copy(run.dst(), f, 2, run.source(), f);
  }
};

// Whole-frame fades: for alpha = first, first + step, ... last, `under()`
// prepares PicDst and `over` is blended onto it with that alpha.
template <typename Under, typename Progress>
bool Fade(TransitionRun& run, int32_t first, int32_t last, int32_t step, double budget_ms,
          Under&& under, const Surface& over, Progress&& progress) {
  return SweepA(
      run, first, last, step, budget_ms,
      [&](int32_t alpha) {
        under();
        run.Blend(run.dst(), 0, 0, run.W(), run.H(), over, 0, 0, static_cast<uint8_t>(alpha));
      },
      progress);
}

// The progress of the fades that count alpha down from 255 by 5: the frame
// count c = 5, 10, ... over 255.
double DownProgress(int32_t alpha) {
  return (260 - alpha) / 255.0;
}

}  // namespace

// 2: a soft-edged front wipes across, 4 pixels a frame. The range of the front
// is taken from the width in both orientations, so rows run past the bottom
// edge and their last frames change nothing. Each frame adds to the earlier
// ones (behind the front the new slide stays from earlier frames).
void SoftWipe(TransitionRun& run, int32_t dir) {
  const Strips strips(run, dir == 1 || dir == 3);
  const int32_t sign = dir <= 1 ? 1 : -1;
  const double half = run.W() / 2.0;
  const int32_t first = sign > 0 ? -20 : base::Round32(half + 20);
  const int32_t last = LastOf(first, sign > 0 ? base::Round32(half) : 0, 2 * sign);
  const double frames = (last - first) / (2 * sign) + 1;
  SweepA(
      run, first, last, 2 * sign, run.duration(), [&](int32_t p) { strips.Front(2 * p, sign); },
      [&](int32_t p) { return ((p - first) / (2 * sign) + 1) / frames; });
}

// 3: two soft-edged fronts start at the centre line and run apart, 4 pixels a
// frame each: rows (dir != 0) or columns. Each frame adds to the earlier ones.
void SoftSplit(TransitionRun& run, int32_t dir) {
  const bool rows = dir != 0;
  const Strips strips(run, rows);
  const double c = (rows ? run.H() : run.W()) / 4.0 + 1;
  const int32_t t0 = base::Round32(c);
  SweepA(
      run, t0, LastOf(t0, 0, -2), -2, run.duration(),
      [&](int32_t t) {
        const int32_t u = 2 * (t0 - t);
        strips.Front(2 * t, -1);
        strips.Front(2 * (t + u), 1);
      },
      [&](int32_t t) { return (c - t) / c; });
}

// 30: old and new mixed at alpha 5, 10, ..., 255; each frame is the old slide
// with the new blended on (complete on its own, not a cumulative blend). P4
// keeps the clean old slide. Blending straight onto PicDst after putting the
// old slide back gives the same frame as blending in a scratch copy, one
// full-size copy cheaper; nothing is presented before the frame is paced.
void CrossFade(TransitionRun& run, int32_t) {
  const int32_t W = run.W(), H = run.H();
  const Surface &dst = run.dst(), &old = run.p4();
  run.Copy(old, 0, 0, W, H, dst, 0, 0);
  Fade(
      run, 5, 255, 5, run.duration(), [&] { run.Copy(dst, 0, 0, W, H, old, 0, 0); }, run.source(),
      [](int32_t a) { return a / 255.0; });
}

namespace {

// Turns a slide into a film frame: black bands all round and 12 white
// sprocket holes in the top and bottom bands.
void FrameAsFilm(TransitionRun& run, const Surface& s) {
  const double W = run.W(), H = run.H();
  const int32_t band = base::Round32(0.1 * H), side = base::Round32(0.05 * W);
  const int32_t tall = base::Round32(0.8 * H + 1);
  run.FillBlack(s, 0, 0, run.W(), band);
  run.FillBlack(s, 0, base::Round32(0.9 * H), run.W(), band);
  run.FillBlack(s, 0, band, side, tall);
  run.FillBlack(s, base::Round32(0.95 * W), band, side, tall);
  const int32_t hole = base::Round32(0.04 * W);
  const double top = (0.1 * H - 0.04 * W) / 2;
  for (int32_t j = 4; j <= 92; j += 8) {
    const int32_t x = base::Round32(j * run.W() / 100.0);
    run.FillWhite(s, x, base::Round32(top), hole, hole);
    run.FillWhite(s, x, base::Round32(top + 0.9 * H), hole, hole);
  }
}

// FilmStrip's fades: `s` blended onto what PicDst shows with a = 15, 55, ...,
// 255, each frame adding to the last.
void FadeOnto(TransitionRun& run, const Surface& s, double budget_ms) {
  Fade(
      run, 15, 255, 40, budget_ms, [] {}, s, [](int32_t a) { return (a - 15) / 240.0; });
}

}  // namespace

// 29: the old slide fades into a film frame, the film slides right until the
// framed new slide fills the frame, and the new slide fades in. PicSource is
// framed while the film slides and restored from P4 afterwards. The fades add
// to the picture; each slide step moves what PicDst shows, adding to it.
void FilmStrip(TransitionRun& run, int32_t) {
  const int32_t W = run.W(), H = run.H();
  const Surface &dst = run.dst(), &nw = run.source(), &backup = run.p4(), &old = run.tmp();
  run.Copy(backup, 0, 0, W, H, nw, 0, 0);
  run.Copy(old, 0, 0, W, H, dst, 0, 0);
  FrameAsFilm(run, old);
  FrameAsFilm(run, nw);
  run.MarkPrepared();
  run.StartPhase();
  const double quarter = (run.duration() + 500) / 4.0, half = (run.duration() + 500) / 2.0;
  FadeOnto(run, old, quarter);
  if (run.prep_time() < 500) run.Wait(500 - run.prep_time());
  run.StartPhase();
  const int32_t s = run.step();
  SweepA(
      run, 1, LastOf(1, W, s), s, half,
      [&](int32_t y) {
        run.Copy(dst, y, 0, W - y, H, dst, y - s, 0);
        run.Copy(dst, 0, 0, y, H, nw, W - y, 0);
      },
      [&](int32_t y) { return static_cast<double>(y) / W; });
  run.Copy(nw, 0, 0, W, H, backup, 0, 0);
  run.StartPhase();
  FadeOnto(run, nw, quarter);
}

// 34: the old slide fades into its grey negative, the negative fades to
// white, and the new slide fades in from white. Every frame is complete on
// its own: PicDst is refilled (grey negative from P5, or white) and blended
// onto, which gives the frames of blending in a scratch copy without the
// extra full-size copy. PicTmp holds the old slide, then the grey negative;
// P5 is cleared at the end.
void NegativeFlash(TransitionRun& run, int32_t) {
  const int32_t W = run.W(), H = run.H();
  const Surface &dst = run.dst(), &negative = run.p4(), &old = run.tmp(), &backup = run.p5();
  run.CopyInverted(negative, 0, 0, W, H, dst, 0, 0);
  run.Copy(old, 0, 0, W, H, dst, 0, 0);
  run.GreyFilter(negative);
  run.Copy(backup, 0, 0, W, H, negative, 0, 0);
  run.MarkPrepared();
  run.StartPhase();
  const double half = (run.duration() + 500) / 2.0, quarter = (run.duration() + 500) / 4.0;
  Fade(
      run, 255, 0, -5, half, [&] { run.Copy(dst, 0, 0, W, H, backup, 0, 0); }, old, DownProgress);
  if (run.prep_time() < 500) run.Wait(500 - run.prep_time());
  run.Copy(old, 0, 0, W, H, negative, 0, 0);
  run.FillWhite(negative);
  run.StartPhase();
  Fade(
      run, 255, 0, -5, quarter, [&] { run.FillWhite(dst); }, old, DownProgress);
  run.StartPhase();
  Fade(
      run, 0, 255, 5, quarter, [&] { run.FillWhite(dst); }, run.source(),
      [](int32_t a) { return a / 255.0; });
  run.FillBlack(backup);
}

}  // namespace lantern::transitions
