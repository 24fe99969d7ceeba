// The blended transitions: SoftWipe and SoftSplit move a front with a soft
// edge of 13 blended strips; CrossFade, FilmStrip and NegativeFlash fade
// whole frames. FilmStrip and NegativeFlash run in phases: a flag ends the
// current phase only, each later phase then draws one frame, and the closing
// steps always run.
#include "transitions/blended.h"

#include <array>

#include "base/rounding.h"

namespace lantern::transitions {

namespace {

// The last value a counting loop first, first + step, ... takes without
// passing `end` (a sweep ends there, not on `end` itself).
int32_t LastOf(int32_t first, int32_t end, int32_t step) {
  return first + (end - first) / step * step;
}

// 2-pixel strips across the slide, columns or rows, for the soft-edged
// fronts. P4 keeps the clean old slide.
struct Strips {
  FrameRun& run;
  Axis axis;

  Strips(FrameRun& r, bool rows) : run(r), axis{r, rows} {
    run.Copy(run.p4(), 0, 0, run.W(), run.H(), run.dst(), 0, 0);
  }
  void Blend(int32_t at, uint8_t alpha) const {
    if (axis.rows)
      run.Blend(run.dst(), 0, at, run.W(), 2, run.source(), 0, at, alpha);
    else
      run.Blend(run.dst(), at, 0, 2, run.H(), run.source(), at, 0, alpha);
  }
  // The soft edge ahead of a front at f moving towards `sign`: 13 strips at
  // 26, 24, ..., 2 pixels ahead, each the old slide with the new blended on at
  // 15, 35, ..., 255, the farthest faintest; then the new slide's strip at the
  // front itself. The old slide is put back under all 13 strips at once and
  // blended onto in place, which gives the picture of blending each strip in
  // a scratch copy of the old slide and copying it over, at a third of the
  // passes over the lines. A strip whose source reaches past the slide blends
  // nothing (as AlphaBlend) and keeps the old slide.
  //
  // Columns are drawn in one pass down the rows (13 passes down 2-pixel
  // columns touch a cache line per row each): each row of the 26 columns
  // gets the old slide with the new blended on at its strip's alpha.
  void Front(int32_t f, int32_t sign) const {
    const int32_t near = sign > 0 ? f + 2 : f - 26;
    if (!axis.rows && SameSizes()) {
      std::array<uint8_t, 26> alpha{};
      for (int32_t v = 240; v >= 0; v -= 20) {
        const int32_t at = f + (v / 20 + 1) * 2 * sign;
        const bool inside = at >= 0 && at + 2 <= run.W();
        alpha[static_cast<size_t>(at - near)] = alpha[static_cast<size_t>(at - near + 1)] =
            inside ? static_cast<uint8_t>(255 - v) : 0;
      }
      run.BlendColumns(run.dst(), near, 26, alpha.data(), run.p4(), run.source());
    } else {
      axis.Copy(run.dst(), near, 26, run.p4(), near);
      for (int32_t v = 240; v >= 0; v -= 20)
        Blend(f + (v / 20 + 1) * 2 * sign, static_cast<uint8_t>(255 - v));
    }
    axis.Copy(run.dst(), f, 2, run.source(), f);
  }
  bool SameSizes() const {
    const auto same = [&](const Surface& s) { return s.width == run.W() && s.height == run.H(); };
    return same(run.p4()) && same(run.source());
  }
};

// Whole-frame fades: for alpha = first, first + step, ... last, `under()`
// prepares PicDst and `over` is blended onto it with that alpha.
template <typename Under, typename Progress>
bool Fade(FrameRun& run, int32_t first, int32_t last, int32_t step, double budget_ms, Under&& under,
          const Surface& over, Progress&& progress, Steps kind) {
  return SweepA(
      run, first, last, step, budget_ms,
      [&](int32_t alpha) {
        under();
        run.Blend(run.dst(), 0, 0, run.W(), run.H(), over, 0, 0, static_cast<uint8_t>(alpha));
      },
      progress, kind);
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
void SoftWipe(FrameRun& run, int32_t dir) {
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
void SoftSplit(FrameRun& run, int32_t dir) {
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
void CrossFade(FrameRun& run, int32_t) {
  const int32_t W = run.W(), H = run.H();
  const Surface &dst = run.dst(), &old = run.p4();
  run.Copy(old, 0, 0, W, H, dst, 0, 0);
  Fade(
      run, 5, 255, 5, run.duration(), [&] { run.Copy(dst, 0, 0, W, H, old, 0, 0); }, run.source(),
      [](int32_t a) { return a / 255.0; }, Steps::kWhole);
}

namespace {

// Turns a slide into a film frame: black bands all round and 12 white
// sprocket holes in the top and bottom bands.
void FrameAsFilm(FrameRun& run, const Surface& s) {
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
void FadeOnto(FrameRun& run, const Surface& s, double budget_ms) {
  Fade(
      run, 15, 255, 40, budget_ms, [] {}, s, [](int32_t a) { return (a - 15) / 240.0; },
      Steps::kAdds);
}

// FilmStrip's slide step at y (1, 1 + s, ...): the framed new slide's last y
// columns at the left, and behind them the film as PicDst showed it when the
// slide began (kept in `start`), moved right. The film moves s pixels a step
// from the first step on; with s = 2 the first step has no source for column
// 1, which stays, and then travels with the film: the moved film shows column
// 1 at y and columns 0, 1, ... from y + 1. Drawing each step from the start
// picture gives the picture of shifting PicDst step after step, and makes
// every step complete on its own.
void SlideFilm(FrameRun& run, const Surface& start, int32_t s, int32_t y) {
  const int32_t W = run.W(), H = run.H();
  const int32_t lag = s - 1;
  if (W - y - lag > 0) run.Copy(run.dst(), y + lag, 0, W - y - lag, H, start, 0, 0);
  if (lag > 0) run.Copy(run.dst(), y, 0, 1, H, start, 1, 0);
  run.Copy(run.dst(), 0, 0, y, H, run.source(), W - y, 0);
}

}  // namespace

// 29: the old slide fades into a film frame, the film slides right until the
// framed new slide fills the frame, and the new slide fades in. PicSource is
// framed while the film slides and restored from P4 afterwards. PicTmp holds
// the framed old slide, then the film as the slide begins. The fades add to
// the picture; each slide step is complete on its own.
void FilmStrip(FrameRun& run, int32_t) {
  const int32_t W = run.W(), H = run.H();
  const Surface &dst = run.dst(), &nw = run.source(), &backup = run.p4(), &film = run.tmp();
  run.Copy(backup, 0, 0, W, H, nw, 0, 0);
  run.Copy(film, 0, 0, W, H, dst, 0, 0);
  FrameAsFilm(run, film);
  FrameAsFilm(run, nw);
  run.MarkPrepared();
  run.StartPhase();
  const double quarter = (run.duration() + 500) / 4.0, half = (run.duration() + 500) / 2.0;
  FadeOnto(run, film, quarter);
  if (run.prep_time() < 500) run.Pause(500 - run.prep_time());
  run.StartPhase();
  const int32_t s = run.step();
  run.Copy(film, 0, 0, W, H, dst, 0, 0);
  SweepA(
      run, 1, LastOf(1, W, s), s, half, [&](int32_t y) { SlideFilm(run, film, s, y); },
      [&](int32_t y) { return static_cast<double>(y) / W; }, Steps::kWhole);
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
void NegativeFlash(FrameRun& run, int32_t) {
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
      run, 255, 0, -5, half, [&] { run.Copy(dst, 0, 0, W, H, backup, 0, 0); }, old, DownProgress,
      Steps::kWhole);
  if (run.prep_time() < 500) run.Pause(500 - run.prep_time());
  run.Copy(old, 0, 0, W, H, negative, 0, 0);
  run.FillWhite(negative);
  run.StartPhase();
  Fade(
      run, 255, 0, -5, quarter, [&] { run.FillWhite(dst); }, old, DownProgress, Steps::kWhole);
  run.StartPhase();
  Fade(
      run, 0, 255, 5, quarter, [&] { run.FillWhite(dst); }, run.source(),
      [](int32_t a) { return a / 255.0; }, Steps::kWhole);
  run.FillBlack(backup);
}

}  // namespace lantern::transitions
