// The steps every text effect shares.
#include "texteffects/effect_run.h"

#include <algorithm>

#include "base/rounding.h"
#include "imaging/raster.h"

namespace lantern::texteffects {

namespace {

// A box coordinate in whole pixels; values beyond the raster operations'
// range are held at its edge so that nothing downstream overflows.
int32_t Whole(float v) {
  constexpr double kLimit = 1 << 27;
  return base::Round32(std::clamp(static_cast<double>(v), -kLimit, kLimit));
}

}  // namespace

EffectRun::EffectRun(show::FrameRun& frame_run, platform::TextRenderer& renderer,
                     const EffectText& effect_text, EffectObjects& objects)
    : run(frame_run),
      x0(Whole(effect_text.left)),
      y0(Whole(effect_text.top)),
      tw(Whole(effect_text.width)),
      th(Whole(effect_text.height)),
      text(effect_text),
      renderer_(renderer),
      objects_(objects) {}

bool EffectRun::Unusable() const {
  // A box more than twice the slide's size is a damaged setting; its working
  // pictures would take more memory than the slide's own.
  return tw < 1 || th < 1 || tw > 2 * run.W() || th > 2 * run.H();
}

void EffectRun::DrawText(const platform::Surface& surface) const {
  imaging::DrawTextBox(renderer_, surface, text.text, text.style, text.left, text.top, text.width,
                       text.height, text.texture);
}

int32_t EffectRun::TextDrawTime(int32_t limit) {
  const auto took = static_cast<int32_t>(run.elapsed_ms());
  run.StartPhase();
  return took > limit || took < 0 ? 0 : took;
}

void EffectRun::PrepareCutout(int32_t cw, int32_t ch) {
  const int32_t w = run.W(), h = run.H();
  imaging::Copy(run.source(), 0, 0, w, h, run.dst(), 0, 0);
  imaging::Copy(run.p4(), 0, 0, w, h, run.dst(), 0, 0);
  imaging::FillBlack(run.tmp(), 0, 0, w, h);
  DrawText(run.source());
  DrawText(run.tmp());
  objects_.cutout = std::make_unique<platform::HeapSurfaceBuffer>(cw, ch);
  const platform::Surface& cut = objects_.cutout->surface();
  imaging::FillBlack(cut, 0, 0, cut.width, cut.height);
  imaging::Copy(cut, 0, 0, cw, ch, run.tmp(), x0, y0);
  last_ = {};
}

const platform::Surface& EffectRun::Work(int32_t w, int32_t h) {
  objects_.work = std::make_unique<platform::HeapSurfaceBuffer>(w, h);
  const platform::Surface& s = objects_.work->surface();
  imaging::FillBlack(s, 0, 0, s.width, s.height);
  return s;
}

void EffectRun::ComposeKeyed(int32_t x, int32_t y, int32_t w, int32_t h,
                             const platform::Surface& picture, int32_t sx, int32_t sy, int32_t sw,
                             int32_t sh) {
  const platform::Surface& canvas = run.tmp();
  const platform::Rect now{x, y, x + std::max(w, 0), y + std::max(h, 0)};
  // Outside the last frame's and this frame's boxes the canvas would only
  // repeat the background that PicDst already shows.
  const platform::Rect area = platform::Intersect(platform::Union(last_, now), canvas.bounds());
  if (!area.empty()) {
    imaging::Copy(canvas, area.left, area.top, area.width(), area.height(), run.p4(), area.left,
                  area.top);
  }
  imaging::StretchKeyed(canvas, x, y, w, h, picture, sx, sy, sw, sh);
  if (!area.empty()) {
    run.Copy(run.dst(), area.left, area.top, area.width(), area.height(), canvas, area.left,
             area.top);
  }
  last_ = now;
}

void EffectRun::DrawScaled(double fx, double fy) {
  DrawScaledAt(fx, fy, base::Round32(y0 - (fy - 1) * th / 2));
}

void EffectRun::DrawScaledAt(double fx, double fy, int32_t top) {
  const int32_t left = base::Round32(x0 - (fx - 1) * tw / 2);
  ComposeKeyed(left, top, base::Round32(tw * fx), base::Round32(th * fy), cutout(), 0, 0, tw, th);
}

void EffectRun::ShowFinalLook() {
  run.Copy(run.dst(), 0, 0, run.W(), run.H(), run.source(), 0, 0);
}

}  // namespace lantern::texteffects
