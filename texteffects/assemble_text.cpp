// AssembleText: the text's cut-out is cut into square pieces, each starts at
// a random cell of an area twice the text's size around it, and all fly to
// their places in 20 frames.
#include <algorithm>
#include <vector>

#include "base/rounding.h"
#include "imaging/raster.h"
#include "texteffects/effects.h"

namespace lantern::texteffects {

int32_t AssemblePieceSide(int32_t tw) {
  if (tw <= 580) return 2;
  if (tw <= 600) return 8;
  if (tw <= 1000) return 4;
  return 8;
}

namespace {

struct Point {
  int32_t x, y;
};

// Square k of side p in reading order, rows wrapping at `width`.
Point InReadingOrder(int64_t k, int32_t p, int32_t width) {
  const int64_t per_row = (int64_t{width} + p - 1) / p;
  return {static_cast<int32_t>(k % per_row * p), static_cast<int32_t>(k / per_row * p)};
}

}  // namespace

// The pieces fly over an area 2tw x 2th placed round(tw / 2), round(th / 2)
// up and left of the box; of it, only the part on the picture is ever seen,
// so the frames are composed on that part alone (at most the picture's size
// whatever the box's).
void AssembleText(EffectRun& e) {
  const int32_t tw = e.tw, th = e.th, p = AssemblePieceSide(tw);
  e.PrepareCutout(tw + 10, th + 4);
  const int32_t draw_time = e.TextDrawTime(999);
  const int64_t pieces = base::Round(double(tw) / p * th / p);
  const int64_t cells = base::Round(2.0 * th / p * 2.0 * tw / p);
  const std::vector<int32_t> order = e.run.Shuffle(0, static_cast<int32_t>(cells) - 1);
  const int32_t ax = base::Round32(e.x0 - tw / 2.0), ay = base::Round32(e.y0 - th / 2.0);
  const platform::Rect seen =
      platform::Intersect({ax, ay, ax + 2 * tw, ay + 2 * th}, {0, 0, e.run.W(), e.run.H()});
  const platform::Surface& canvas = e.Work(seen.width(), seen.height());
  const int32_t dx = ax - seen.left, dy = ay - seen.top;  // area to canvas
  const auto count = std::min<int64_t>(pieces, static_cast<int64_t>(order.size()));
  for (int32_t i = 1; i <= 20; ++i) {
    imaging::FillBlack(canvas, 0, 0, canvas.width, canvas.height);
    for (int64_t j = 0; j < count && !seen.empty(); ++j) {
      const Point at = InReadingOrder(j, p, tw);
      const Point from = InReadingOrder(order[static_cast<size_t>(j)], p, 2 * tw);
      const double to_x = at.x + tw / 2.0, to_y = at.y + th / 2.0;
      imaging::Copy(canvas, dx + base::Round32(from.x + (to_x - from.x) * i / 20.0),
                    dy + base::Round32(from.y + (to_y - from.y) * i / 20.0), p, p, e.cutout(), at.x,
                    at.y);
    }
    e.ComposeKeyed(seen.left, seen.top, seen.width(), seen.height(), canvas, 0, 0, seen.width(),
                   seen.height());
    if (e.run.PaceA(i / 20.0, 1000.0 - draw_time)) return;
  }
}

}  // namespace lantern::texteffects
