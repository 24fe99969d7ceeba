// Rasterising outlines into coverage.
#include "platform/native/coverage.h"

#include FT_STROKER_H

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>

namespace lantern::platform::native {

namespace {

struct StrokerDeleter {
  void operator()(FT_Stroker s) const { FT_Stroker_Done(s); }
};

}  // namespace

Coverage::Coverage(const Rect& area)
    : area_(area.empty() ? Rect{} : area),
      cover_(static_cast<size_t>(area_.width()) * static_cast<size_t>(area_.height())) {}

void Coverage::Fill(FT_Library library, const TextPath& path) {
  for (size_t i = 0; i < path.count(); ++i) {
    FT_Outline outline = path.outline(i);
    Render(library, outline);
  }
}

void Coverage::Stroke(FT_Library library, const TextPath& path, double width) {
  FT_Stroker raw = nullptr;
  if (area_.empty() || FT_Stroker_New(library, &raw) != 0) return;
  const std::unique_ptr<FT_StrokerRec_, StrokerDeleter> stroker(raw);
  FT_Stroker_Set(raw, std::lround(width * 32), FT_STROKER_LINECAP_BUTT,
                 FT_STROKER_LINEJOIN_MITER_VARIABLE, FT_Fixed{10} << 16);
  std::vector<FT_Vector> points;
  std::vector<char> tags;
  std::vector<short> ends;
  for (size_t i = 0; i < path.count(); ++i) {
    FT_Outline outline = path.outline(i);
    FT_UInt n_points = 0;
    FT_UInt n_contours = 0;
    if (FT_Stroker_ParseOutline(raw, &outline, false) != 0 ||
        FT_Stroker_GetCounts(raw, &n_points, &n_contours) != 0 || n_points == 0 ||
        n_contours == 0 || n_points > SHRT_MAX || n_contours > SHRT_MAX) {
      continue;
    }
    points.resize(n_points);
    tags.resize(n_points);
    ends.resize(n_contours);
    FT_Outline border{};
    border.points = points.data();
    border.tags = tags.data();
    border.contours = ends.data();
    FT_Stroker_Export(raw, &border);
    Render(library, border);
  }
}

void Coverage::Render(FT_Library library, FT_Outline& outline) {
  if (area_.empty() || outline.n_points <= 0 || outline.n_contours <= 0) return;
  FT_Raster_Params params{};
  params.source = &outline;
  params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT | FT_RASTER_FLAG_CLIP;
  params.gray_spans = &Coverage::AddSpans;
  params.user = this;
  // Outlines have y up: surface rows top..bottom are y = -bottom .. -top.
  params.clip_box = {area_.left, -area_.bottom, area_.right, -area_.top};
  FT_Outline_Render(library, &outline, &params);
}

void Coverage::AddSpans(int y, int count, const FT_Span* spans, void* user) {
  Coverage& c = *static_cast<Coverage*>(user);
  const int32_t row = -y - 1;
  if (row < c.area_.top || row >= c.area_.bottom) return;
  uint8_t* cover = c.cover_.data() +
                   static_cast<size_t>(row - c.area_.top) * static_cast<size_t>(c.area_.width());
  for (int k = 0; k < count; ++k) {
    const int32_t from = std::max<int32_t>(spans[k].x, c.area_.left);
    const int32_t to = std::min<int32_t>(spans[k].x + spans[k].len, c.area_.right);
    for (int32_t x = from; x < to; ++x) {
      uint8_t& v = cover[x - c.area_.left];
      v = static_cast<uint8_t>(std::min(255, v + spans[k].coverage));
    }
  }
}

}  // namespace lantern::platform::native
