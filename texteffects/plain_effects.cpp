// The two effects that draw the text in place: a constant-alpha fade of the
// text's box, and a wipe of 2-pixel columns from left to right.
#include <algorithm>

#include "base/rounding.h"
#include "imaging/raster.h"
#include "texteffects/effects.h"

namespace lantern::texteffects {

// The text fades in over 900 ms less the time drawing it took, in 25 steps
// of the text's box blended onto the picture without it.
void FadeInText(EffectRun& e) {
  show::FrameRun& run = e.run;
  const platform::Surface &dst = run.dst(), &tmp = run.tmp(), &clean = run.p4(), &look = run.p5();
  for (const platform::Surface* s : {&tmp, &clean, &look})
    imaging::Copy(*s, 0, 0, run.W(), run.H(), dst, 0, 0);
  e.DrawText(look);
  const int32_t draw_time = e.TextDrawTime(899);
  // The blend draws nothing for a box reaching outside the picture, so it
  // works on the part of the box inside it.
  const platform::Rect box =
      platform::Intersect({e.x0, e.y0, e.x0 + e.tw, e.y0 + e.th}, dst.bounds());
  for (int32_t a = 5; a <= 245; a += 10) {
    if (!box.empty()) {
      run.Blend(tmp, box.left, box.top, box.width(), box.height(), look, box.left, box.top,
                static_cast<uint8_t>(a));
      run.Copy(dst, box.left, box.top, box.width(), box.height(), tmp, box.left, box.top);
      run.Copy(tmp, box.left, box.top, box.width(), box.height(), clean, box.left, box.top);
    }
    if (run.PaceA(a / 245.0, 900 - draw_time)) break;
  }
  run.Copy(dst, 0, 0, run.W(), run.H(), look, 0, 0);
}

// The text is uncovered 2 pixels at a time from the box's left edge over
// 700 ms less the time drawing it took.
void WipeInText(EffectRun& e) {
  show::FrameRun& run = e.run;
  const platform::Surface &dst = run.dst(), &look = run.tmp();
  imaging::Copy(look, 0, 0, run.W(), run.H(), dst, 0, 0);
  e.DrawText(look);
  const int32_t draw_time = e.TextDrawTime(699);
  const double left = e.text.left, width = e.text.width;
  const int32_t right = base::Round32(std::min(left + width, double{1 << 27}));
  for (int32_t x = e.x0; x <= right; x += 2) {
    run.Copy(dst, x, e.y0, 2, e.th, look, x, e.y0);
    const double progress = width > 0 ? (x - left) / width : 1.0;
    if (run.PaceA(progress, 700 - draw_time)) break;
  }
  run.Copy(dst, 0, 0, run.W(), run.H(), look, 0, 0);
}

}  // namespace lantern::texteffects
