// AssembleText: the text's cut-out is cut into square pieces, each starts at
// a random cell of an area twice the text's size around it, and all fly to
// their places in 20 frames.
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

// `count` squares of side p in reading order, rows wrapping at `width`.
std::vector<Point> ReadingOrder(int64_t count, int32_t p, int32_t width) {
  std::vector<Point> at;
  at.reserve(static_cast<size_t>(count > 0 ? count : 0));
  int32_t x = 0, y = 0;
  for (int64_t i = 0; i < count; ++i) {
    at.push_back({x, y});
    x += p;
    if (x >= width) {
      x = 0;
      y += p;
    }
  }
  return at;
}

}  // namespace

void AssembleText(EffectRun& e) {
  const int32_t tw = e.tw, th = e.th, p = AssemblePieceSide(tw);
  e.PrepareCutout(tw + 10, th + 4);
  const int32_t draw_time = e.TextDrawTime(999);
  const std::vector<Point> pieces = ReadingOrder(base::Round(double(tw) / p * th / p), p, tw);
  const int64_t cells = base::Round(2.0 * th / p * 2.0 * tw / p);
  const std::vector<Point> starts = ReadingOrder(cells, p, 2 * tw);
  const std::vector<int32_t> order = e.run.Shuffle(0, static_cast<int32_t>(cells) - 1);
  const platform::Surface& canvas = e.Work(2 * tw, 2 * th);
  for (int32_t i = 1; i <= 20; ++i) {
    imaging::FillBlack(canvas, 0, 0, canvas.width, canvas.height);
    for (size_t j = 0; j < pieces.size() && j < order.size(); ++j) {
      const Point from = starts[static_cast<size_t>(order[j])];
      const double to_x = pieces[j].x + tw / 2.0, to_y = pieces[j].y + th / 2.0;
      imaging::Copy(canvas, base::Round32(from.x + (to_x - from.x) * i / 20.0),
                    base::Round32(from.y + (to_y - from.y) * i / 20.0), p, p, e.cutout(),
                    pieces[j].x, pieces[j].y);
    }
    e.ComposeKeyed(base::Round32(e.x0 - tw / 2.0), base::Round32(e.y0 - th / 2.0), 2 * tw, 2 * th,
                   canvas, 0, 0, 2 * tw, 2 * th);
    if (e.run.PaceA(i / 20.0, 1000.0 - draw_time)) return;
  }
}

}  // namespace lantern::texteffects
