// Nearest-neighbour stretching with mirroring (StretchBlt COLORONCOLOR) and
// the scaled drawing of captured pixel arrays.
//
// The mapping is worked out once per axis into a table of source indices for
// the visible destination pixels; the row loop then picks the cheapest kernel:
// a plain copy (1:1), a reversed copy (a 1:1 mirror), every second pixel (a
// halving) or a gather, and a destination row that repeats the source row of
// the row above is copied from that row.
#include <algorithm>
#include <cassert>

#include "imaging/raster.h"
#include "imaging/raster_internal.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lantern::imaging {
namespace detail {
namespace {

// j = (a k + b) \ c with a, b >= 0 and c > 0.
struct Linear {
  int64_t a, b, c;
};

Linear StretchFormula(Axis axis, int64_t S, int64_t D, bool one_column_rule) {
  if (D >= S) return {2 * S, S - 1, 2 * D};
  if (axis == Axis::kRows) return {2 * S, D, 2 * D};
  if (D == 1 && one_column_rule) return {0, S - 2, 1};
  return {2 * S, 2 * S - D, 2 * D};
}

// The values (a k + b) \ c for k = k0, k0 + 1, ..., one addition per step.
class LinearSteps {
 public:
  LinearSteps(const Linear& f, int64_t k0)
      : quotient_((f.a * k0 + f.b) / f.c),
        remainder_((f.a * k0 + f.b) % f.c),
        step_quotient_(f.a / f.c),
        step_remainder_(f.a % f.c),
        divisor_(f.c) {}
  int64_t Next() {
    const int64_t value = quotient_;
    quotient_ += step_quotient_;
    remainder_ += step_remainder_;
    if (remainder_ >= divisor_) {
      remainder_ -= divisor_;
      ++quotient_;
    }
    return value;
  }

 private:
  int64_t quotient_, remainder_, step_quotient_, step_remainder_, divisor_;
};

}  // namespace

int64_t StretchIndex(Axis axis, int64_t S, int64_t D, int64_t k, bool one_column_rule) {
  const Linear f = StretchFormula(axis, S, D, one_column_rule);
  return (f.a * k + f.b) / f.c;
}

AxisMap MapAxis(Axis axis, StretchRule rule, int64_t d0, int64_t d_extent, int32_t d_size,
                int64_t s0, int64_t s_extent, int32_t s_size) {
  AxisMap map;
  if (d_extent == 0 || s_extent == 0) return map;
  const int64_t D = d_extent < 0 ? -d_extent : d_extent;
  const int64_t S = s_extent < 0 ? -s_extent : s_extent;
  // Destination pixel k lies at d0 + k, or d0 - k for a negative extent;
  // [k_lo, k_hi) are the ones inside the destination surface.
  const bool d_forward = d_extent > 0;
  const int64_t k_lo = std::max<int64_t>(0, d_forward ? -d0 : d0 - d_size + 1);
  const int64_t k_hi = std::min<int64_t>(D, d_forward ? d_size - d0 : d0 + 1);
  if (k_lo >= k_hi) return map;
  // The source index is monotonic in k, so the pixels with a source inside the
  // source surface form one run.
  const bool one_column_rule = rule == StretchRule::kStretchBlt && d_forward && s_extent > 0;
  LinearSteps steps(StretchFormula(axis, S, D, one_column_rule), k_lo);
  int64_t run_lo = k_hi, run_hi = k_hi;
  std::vector<int32_t> source;
  source.reserve(static_cast<size_t>(k_hi - k_lo));
  for (int64_t k = k_lo; k < k_hi; ++k) {
    const int64_t j = steps.Next();
    const int64_t p = s_extent > 0 ? s0 + j : s0 - j;
    if (p < 0 || p >= s_size) {
      if (run_lo < k_hi) {
        run_hi = k;
        break;
      }
      continue;
    }
    if (run_lo == k_hi) run_lo = k;
    source.push_back(static_cast<int32_t>(p));
  }
  if (source.empty()) return map;
  // Stored in increasing destination position.
  if (d_forward) {
    map.first = static_cast<int32_t>(d0 + run_lo);
  } else {
    map.first = static_cast<int32_t>(d0 - (run_hi - 1));
    std::reverse(source.begin(), source.end());
  }
  map.source = std::move(source);
  return map;
}

std::optional<StretchPlan> PlanStretch(StretchRule rule, const Surface& dst, int64_t dx, int64_t dy,
                                       int64_t dw, int64_t dh, const Surface& src, int64_t sx,
                                       int64_t sy, int64_t sw, int64_t sh) {
  if (!dst.valid() || !src.valid()) return std::nullopt;
  for (const int64_t v : {dx, dy, dw, dh, sx, sy, sw, sh}) {
    if (!InRange(v)) return std::nullopt;
  }
  StretchPlan plan;
  plan.columns = MapAxis(Axis::kColumns, rule, dx, dw, dst.width, sx, sw, src.width);
  if (plan.columns.empty()) return std::nullopt;
  plan.rows = MapAxis(Axis::kRows, rule, dy, dh, dst.height, sy, sh, src.height);
  if (plan.rows.empty()) return std::nullopt;
  return plan;
}

SourceSnapshot::SourceSnapshot(const Surface& src, StretchPlan& plan) {
  const auto [x0, x1] = std::minmax_element(plan.columns.source.begin(), plan.columns.source.end());
  const auto [y0, y1] = std::minmax_element(plan.rows.source.begin(), plan.rows.source.end());
  const int32_t left = *x0, top = *y0, width = *x1 - left + 1, height = *y1 - top + 1;
  pixels_.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int32_t r = 0; r < height; ++r)
    CopyRow(pixels_.data() + static_cast<size_t>(r) * static_cast<size_t>(width),
            src.Row(top + r) + left, width);
  surface_ = {reinterpret_cast<uint8_t*>(pixels_.data()), width, height, width * 4};
  for (int32_t& x : plan.columns.source)
    x -= left;
  for (int32_t& y : plan.rows.source)
    y -= top;
}

void MirrorRowReference(uint32_t* d, const uint32_t* s, int32_t n) {
  for (int32_t i = 0; i < n; ++i)
    d[i] = s[n - 1 - i];
}

void MirrorRow(uint32_t* d, const uint32_t* s, int32_t n) {
  int32_t i = 0;
#if defined(__SSE2__)
  for (; i < n && (reinterpret_cast<uintptr_t>(d + i) & 15) != 0; ++i)
    d[i] = s[n - 1 - i];
  const auto reversed = [&](int32_t at) {  // d[at .. at + 3]
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + n - 4 - at));
    return _mm_shuffle_epi32(v, 0x1B);
  };
  for (; i + 8 <= n; i += 8) {
    const __m128i a = reversed(i), b = reversed(i + 4);
    _mm_store_si128(reinterpret_cast<__m128i*>(d + i), a);
    _mm_store_si128(reinterpret_cast<__m128i*>(d + i + 4), b);
  }
#endif
  for (; i < n; ++i)
    d[i] = s[n - 1 - i];
}

void GatherRowReference(uint32_t* d, const uint32_t* s, const int32_t* index, int32_t n) {
  for (int32_t i = 0; i < n; ++i)
    d[i] = s[index[i]];
}

// Four scalar loads make one 16-byte store: fewer stores than pixels.
void GatherRow(uint32_t* d, const uint32_t* s, const int32_t* index, int32_t n) {
  int32_t i = 0;
#if defined(__SSE2__)
  for (; i + 4 <= n; i += 4) {
    const auto pixel = [&](int32_t k) { return _mm_cvtsi32_si128(static_cast<int>(s[index[k]])); };
    const __m128i low = _mm_unpacklo_epi32(pixel(i), pixel(i + 1));
    const __m128i high = _mm_unpacklo_epi32(pixel(i + 2), pixel(i + 3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_unpacklo_epi64(low, high));
  }
#endif
  for (; i < n; ++i)
    d[i] = s[index[i]];
}

void HalveRowReference(uint32_t* d, const uint32_t* s, int32_t n) {
  for (int32_t i = 0; i < n; ++i)
    d[i] = s[2 * i];
}

void HalveRow(uint32_t* d, const uint32_t* s, int32_t n) {
  int32_t i = 0;
#if defined(__SSE2__)
  // Four output pixels read eight source pixels, the last of which lies one
  // past the last pixel taken: keep that read inside the row.
  for (; i + 5 <= n; i += 4) {
    const __m128 a = _mm_loadu_ps(reinterpret_cast<const float*>(s + 2 * i));
    const __m128 b = _mm_loadu_ps(reinterpret_cast<const float*>(s + 2 * i + 4));
    _mm_storeu_ps(reinterpret_cast<float*>(d + i), _mm_shuffle_ps(a, b, 0x88));  // even pixels
  }
#endif
  for (; i < n; ++i)
    d[i] = s[2 * i];
}

}  // namespace detail

namespace {

using detail::StretchPlan;

enum class RowKind { kCopy, kMirror, kHalve, kGather };

// The index table of a row is monotonic with steps of at least one pixel
// when shrinking and at most one when enlarging, so its two ends tell a 1:1
// copy or mirror, or a shrink that takes every second pixel, from other
// stretches.
RowKind Classify(const std::vector<int32_t>& source) {
  const int64_t n = static_cast<int64_t>(source.size());
  const int64_t span = int64_t{source.back()} - source.front();
  if (span == n - 1) return RowKind::kCopy;
  if (span == 1 - n) return RowKind::kMirror;
  if (span == 2 * (n - 1)) return RowKind::kHalve;
  return RowKind::kGather;
}

void RunStretch(const Surface& dst, const StretchPlan& plan, const Surface& src) {
  const std::vector<int32_t>& columns = plan.columns.source;
  const int32_t n = static_cast<int32_t>(columns.size());
  const RowKind kind = Classify(columns);
  const std::vector<int32_t>& rows = plan.rows.source;
  for (size_t r = 0; r < rows.size(); ++r) {
    uint32_t* d = dst.Row(plan.rows.first + static_cast<int32_t>(r)) + plan.columns.first;
    if (r > 0 && rows[r] == rows[r - 1]) {
      detail::CopyRow(
          d, dst.Row(plan.rows.first + static_cast<int32_t>(r) - 1) + plan.columns.first, n);
      continue;
    }
    const uint32_t* s = src.Row(rows[r]);
    switch (kind) {
      case RowKind::kCopy:
        detail::CopyRow(d, s + columns.front(), n);
        break;
      case RowKind::kMirror:
        detail::MirrorRow(d, s + columns.back(), n);
        break;
      case RowKind::kHalve:
        detail::HalveRow(d, s + columns.front(), n);
        break;
      case RowKind::kGather:
        detail::GatherRow(d, s, columns.data(), n);
        break;
    }
  }
}

}  // namespace

void detail::DrawStretched(const Surface& dst, StretchPlan& plan, const Surface& src) {
  if (Overlaps(dst, src)) {
    const SourceSnapshot snapshot(src, plan);
    RunStretch(dst, plan, snapshot.surface());
  } else {
    RunStretch(dst, plan, src);
  }
}

void StretchNearest(const Surface& dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh,
                    const Surface& src, int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
  auto plan = detail::PlanStretch(detail::StretchRule::kStretchBlt, dst, dx, dy, dw, dh, src, sx,
                                  sy, sw, sh);
  if (plan) detail::DrawStretched(dst, *plan, src);
}

void DrawPixelArray(const Surface& dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh,
                    const PixelArray& array, int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
  if (array.width <= 0 || array.height <= 0) return;
  assert(array.pixels.size() ==
             static_cast<size_t>(array.width) * static_cast<size_t>(array.height) &&
         "pixel array size does not match its pixels: build arrays with Capture");
  if (array.pixels.size() < static_cast<size_t>(array.width) * static_cast<size_t>(array.height))
    return;
  // The view is only read through.
  const Surface view{reinterpret_cast<uint8_t*>(const_cast<uint32_t*>(array.pixels.data())),
                     array.width, array.height, array.width * 4};
  StretchNearest(dst, dx, dy, dw, dh, view, sx, sy, sw, sh);
}

}  // namespace lantern::imaging
