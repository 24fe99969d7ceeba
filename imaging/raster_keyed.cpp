// The colour-keyed stretch: a picture drawn scaled over another with its
// black pixels left out, so text drawn on black moves over a background.
#include <optional>

#include "imaging/raster.h"
#include "imaging/raster_internal.h"

namespace lantern::imaging {
namespace {

// d[i] = s[index[i]] where that pixel is not black.
void KeyedGatherRow(uint32_t* d, const uint32_t* s, const int32_t* index, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t p = s[index[i]];
    if ((p & 0xFFFFFF) != 0) d[i] = p;
  }
}

}  // namespace

void StretchKeyed(const Surface& dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh,
                  const Surface& src, int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  auto plan = detail::PlanStretch(detail::StretchRule::kStretchBlt, dst, dx, dy, dw, dh, src, sx,
                                  sy, sw, sh);
  if (!plan) return;
  std::optional<detail::SourceSnapshot> snapshot;
  if (detail::Overlaps(dst, src)) snapshot.emplace(src, *plan);
  const Surface& from = snapshot ? snapshot->surface() : src;
  const auto& columns = plan->columns;
  const auto n = static_cast<int32_t>(columns.source.size());
  for (size_t r = 0; r < plan->rows.source.size(); ++r) {
    uint32_t* d = dst.Row(plan->rows.first + static_cast<int32_t>(r)) + columns.first;
    KeyedGatherRow(d, from.Row(plan->rows.source[r]), columns.source.data(), n);
  }
}

}  // namespace lantern::imaging
