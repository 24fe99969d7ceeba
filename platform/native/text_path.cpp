// Placing glyph outlines on the surface.
#include "platform/native/text_path.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lantern::platform::native {

namespace {

// Points are kept within this many pixels of the surface's origin.
constexpr double kFarthest = 1 << 22;
// The slant of synthetic italic: x moves by this much per unit of height.
constexpr double kObliqueSlant = 0.2126;

}  // namespace

bool TextPath::Place(double x, double y, FT_Vector& point) {
  if (!std::isfinite(x) || !std::isfinite(y) || std::abs(x) > kFarthest ||
      std::abs(y) > kFarthest) {
    return false;
  }
  point.x = std::lround(x * 64);
  point.y = std::lround(-y * 64);
  return true;
}

void TextPath::AddGlyph(const PlacedGlyph& glyph, double x, double y, double size) {
  FontFace& face = *glyph.face.face;
  const double em = face.metrics().em;
  const FT_Outline* source =
      face.LoadOutline(glyph.glyph, glyph.face.embolden ? kSyntheticBold * em : 0);
  if (source == nullptr) return;
  const double scale = size / em;
  const double slant = glyph.face.oblique ? kObliqueSlant : 0;
  const double origin_x = x + glyph.x;
  const double origin_y = y + glyph.y;
  Outline o;
  o.points.resize(static_cast<size_t>(source->n_points));
  for (size_t i = 0; i < o.points.size(); ++i) {
    const FT_Vector& p = source->points[i];
    const double fx = static_cast<double>(p.x) + slant * static_cast<double>(p.y);
    if (!Place(origin_x + fx * scale, origin_y - static_cast<double>(p.y) * scale, o.points[i]))
      return;
  }
  o.tags.assign(source->tags, source->tags + source->n_points);
  o.ends.assign(source->contours, source->contours + source->n_contours);
  outlines_.push_back(std::move(o));
}

void TextPath::AddRect(double left, double top, double right, double bottom) {
  Outline o;
  o.points.resize(4);
  if (!Place(left, top, o.points[0]) || !Place(right, top, o.points[1]) ||
      !Place(right, bottom, o.points[2]) || !Place(left, bottom, o.points[3])) {
    return;
  }
  o.tags.assign(4, FT_CURVE_TAG_ON);
  o.ends = {3};
  outlines_.push_back(std::move(o));
}

FT_Outline TextPath::outline(size_t i) const {
  const Outline& o = outlines_[i];
  FT_Outline view{};
  view.n_contours = static_cast<short>(o.ends.size());
  view.n_points = static_cast<short>(o.points.size());
  view.points = const_cast<FT_Vector*>(o.points.data());
  view.tags = const_cast<char*>(o.tags.data());
  view.contours = const_cast<short*>(o.ends.data());
  return view;
}

InkBox TextPath::Bounds() const {
  constexpr FT_Pos kNone = std::numeric_limits<FT_Pos>::max();
  FT_Pos left = kNone, right = -kNone, bottom = kNone, top = -kNone;  // y up
  for (const Outline& o : outlines_) {
    for (const FT_Vector& p : o.points) {
      left = std::min(left, p.x);
      right = std::max(right, p.x);
      bottom = std::min(bottom, p.y);
      top = std::max(top, p.y);
    }
  }
  if (left > right) return {};
  return {left / 64.0, -top / 64.0, right / 64.0, -bottom / 64.0};
}

Rect PixelsOf(const InkBox& box, double margin) {
  if (box.empty()) return {};
  return {static_cast<int32_t>(std::floor(box.left - margin)),
          static_cast<int32_t>(std::floor(box.top - margin)),
          static_cast<int32_t>(std::ceil(box.right + margin)),
          static_cast<int32_t>(std::ceil(box.bottom + margin))};
}

}  // namespace lantern::platform::native
