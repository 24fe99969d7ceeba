// The karaoke sweep's geometry.
#include "media/lyric_sweep.h"

#include <algorithm>

#include "base/rounding.h"

namespace lantern::media {

int32_t CentredMargin(int32_t layer_width, int32_t line_width) {
  const int64_t free = static_cast<int64_t>(layer_width) - line_width;
  // Half the free space, rounded up: the odd pixel goes to the left margin.
  return static_cast<int32_t>(free >= 0 ? (free + 1) / 2 : -(-free / 2));
}

int32_t SungPixels(const Sweep& sweep, int32_t t, int32_t line_width) {
  if (sweep.end <= sweep.start) return 0;
  const double fraction = (static_cast<double>(t) - sweep.start) / (sweep.end - sweep.start);
  return static_cast<int32_t>(base::Round(fraction * line_width));
}

SweepSlices SliceSweep(LinePlace place, int32_t left, int32_t layer_width, int32_t line_width,
                       int32_t sung) {
  int64_t lead = 0;  // the layer column where the line's text starts
  if (place == LinePlace::kCentred) lead = CentredMargin(layer_width, line_width);
  if (place == LinePlace::kRight) lead = static_cast<int64_t>(layer_width) - line_width;
  // The sweep point, in layer columns, held to the layer.
  const auto split = static_cast<int32_t>(std::clamp<int64_t>(lead + sung, 0, layer_width));
  SweepSlices slices;
  slices.highlight = {left, 0, split};
  slices.normal = {left + split, split, layer_width - split};
  return slices;
}

}  // namespace lantern::media
