// Separable resampling: contributions per output pixel along each axis, a
// horizontal pass over the source rows that are needed, then a vertical pass
// straight into the surface.
#include "imaging/resample.h"

#include <algorithm>
#include <cmath>

namespace lantern::imaging {

namespace {

constexpr int kWeightBits = 14;
constexpr int32_t kOne = 1 << kWeightBits;

// The source taps and weights (summing to kOne) of every output pixel along one axis.
struct Axis {
  std::vector<int32_t> start;   // first source index of output o
  std::vector<int32_t> count;   // number of taps
  std::vector<int32_t> weight;  // taps, max_taps per output
  int32_t max_taps = 0;
};

void Normalise(int32_t* w, int32_t n) {
  int32_t sum = 0;
  for (int32_t i = 0; i < n; ++i)
    sum += w[i];
  if (sum > 0 && sum != kOne) {
    int32_t total = 0;
    for (int32_t i = 0; i < n; ++i)
      total += w[i] = static_cast<int32_t>(int64_t{w[i]} * kOne / sum);
    w[0] += kOne - total;  // rounding remainder
  }
}

// Output pixels [first, last) of an axis that maps `in` source pixels onto `out`.
Axis MakeAxis(int32_t in, int32_t out, int32_t first, int32_t last) {
  Axis axis;
  const double scale = static_cast<double>(in) / out;
  axis.max_taps = out < in ? static_cast<int32_t>(std::ceil(scale)) + 1 : 2;
  const auto n = static_cast<size_t>(last - first);
  axis.start.resize(n);
  axis.count.resize(n);
  axis.weight.assign(n * static_cast<size_t>(axis.max_taps), 0);
  for (int32_t o = first; o < last; ++o) {
    const size_t k = static_cast<size_t>(o - first);
    int32_t* w = &axis.weight[k * static_cast<size_t>(axis.max_taps)];
    if (out < in) {  // area average: each source pixel weighs by the part of it the output covers
      const double lo = o * scale;
      const double hi = (o + 1) * scale;
      const auto s0 = static_cast<int32_t>(std::floor(lo));
      const auto s1 = std::min(static_cast<int32_t>(std::ceil(hi)), in);
      int32_t taps = 0;
      for (int32_t s = s0; s < s1 && taps < axis.max_taps; ++s) {
        const double cover = std::min<double>(hi, s + 1) - std::max<double>(lo, s);
        w[taps++] = static_cast<int32_t>(std::lround(cover / scale * kOne));
      }
      axis.start[k] = s0;
      axis.count[k] = taps;
    } else {  // bilinear between the two nearest source centres
      const double centre = (o + 0.5) * scale - 0.5;
      auto s0 = static_cast<int32_t>(std::floor(centre));
      double frac = centre - s0;
      if (s0 < 0) s0 = 0, frac = 0;
      if (s0 >= in - 1) s0 = std::max(in - 2, 0), frac = in == 1 ? 0 : 1;
      w[0] = static_cast<int32_t>(std::lround((1 - frac) * kOne));
      w[1] = kOne - w[0];
      axis.start[k] = s0;
      axis.count[k] = in == 1 ? 1 : 2;
    }
    Normalise(w, axis.count[k]);
  }
  return axis;
}

// x / 255 rounded, for x up to 255 * 255.
inline uint32_t Div255(uint32_t x) {
  x += 128;
  return (x + (x >> 8)) >> 8;
}

// A straight-alpha pixel with its colour multiplied by its alpha.
inline uint32_t Premultiplied(uint32_t v) {
  const uint32_t a = v >> 24;
  if (a == 255) return v;
  return a << 24 | Div255(((v >> 16) & 0xFF) * a) << 16 | Div255(((v >> 8) & 0xFF) * a) << 8 |
         Div255((v & 0xFF) * a);
}

// Sums taps of 4-channel pixels with fixed-point weights and rounds back to
// bytes. With kPremultiply the taps are straight-alpha pixels and the sum is
// premultiplied: a transparent pixel then adds nothing of its hidden colour.
template <bool kPremultiply = false>
inline uint32_t Weighted(const uint32_t* p, size_t stride, const int32_t* w, int32_t n) {
  int32_t b = 0, g = 0, r = 0, a = 0;
  for (int32_t i = 0; i < n; ++i, p += stride) {
    const uint32_t v = kPremultiply ? Premultiplied(*p) : *p;
    b += static_cast<int32_t>(v & 0xFF) * w[i];
    g += static_cast<int32_t>((v >> 8) & 0xFF) * w[i];
    r += static_cast<int32_t>((v >> 16) & 0xFF) * w[i];
    a += static_cast<int32_t>(v >> 24) * w[i];
  }
  const auto byte = [](int32_t x) {
    return static_cast<uint32_t>(std::clamp((x + kOne / 2) >> kWeightBits, 0, 255));
  };
  return byte(b) | byte(g) << 8 | byte(r) << 16 | byte(a) << 24;
}

// A premultiplied pixel over the surface: d = s + d * (255 - a) / 255, rounded.
inline uint32_t Over(uint32_t s, uint32_t d) {
  const uint32_t a = s >> 24;
  if (a == 255) return s & 0xFFFFFF;
  if (a == 0) return d;
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t c = ((s >> shift) & 0xFF) + Div255(((d >> shift) & 0xFF) * (255 - a));
    out |= std::min<uint32_t>(c, 255) << shift;
  }
  return out;
}

// The horizontal pass: the picture's rows [first_row, last_row) scaled to the
// visible columns, premultiplied when the picture has transparency. False
// when cancelled.
template <bool kPremultiply>
bool ScaleRows(const DecodedImage& picture, const Axis& h_axis, int32_t first_row, int32_t last_row,
               size_t cols, std::vector<uint32_t>& rows,
               const platform::DecodeCancelled& cancelled) {
  rows.resize(cols * static_cast<size_t>(last_row - first_row));
  for (int32_t y = first_row; y < last_row; ++y) {
    if (cancelled && cancelled()) return false;
    const uint32_t* src =
        &picture.pixels[static_cast<size_t>(y) * static_cast<size_t>(picture.width)];
    uint32_t* out = &rows[static_cast<size_t>(y - first_row) * cols];
    for (size_t k = 0; k < cols; ++k) {
      out[k] = Weighted<kPremultiply>(src + h_axis.start[k], 1,
                                      &h_axis.weight[k * static_cast<size_t>(h_axis.max_taps)],
                                      h_axis.count[k]);
    }
  }
  return true;
}

}  // namespace

bool DrawPicture(const platform::Surface& dst, const platform::Rect& dest,
                 const DecodedImage& picture, ResampleScratch& scratch,
                 const platform::DecodeCancelled& cancelled) {
  if (picture.empty() || !dst.valid() || dest.empty()) return true;
  const platform::Rect visible = platform::Intersect(dest, dst.bounds());
  if (visible.empty()) return true;
  const int32_t out_w = dest.width();
  const int32_t out_h = dest.height();
  const Axis h_axis =
      MakeAxis(picture.width, out_w, visible.left - dest.left, visible.right - dest.left);
  const Axis v_axis =
      MakeAxis(picture.height, out_h, visible.top - dest.top, visible.bottom - dest.top);
  // Source rows the vertical taps reach.
  const int32_t first_row = v_axis.start.front();
  const int32_t last_row =
      v_axis.start.back() + v_axis.count.back();  // starts grow with the output row
  const auto cols = static_cast<size_t>(visible.width());
  const bool scaled =
      picture.has_alpha
          ? ScaleRows<true>(picture, h_axis, first_row, last_row, cols, scratch.rows, cancelled)
          : ScaleRows<false>(picture, h_axis, first_row, last_row, cols, scratch.rows, cancelled);
  if (!scaled) return false;
  for (int32_t y = visible.top; y < visible.bottom; ++y) {
    if (cancelled && cancelled()) return false;
    const auto k = static_cast<size_t>(y - visible.top);
    const uint32_t* column = &scratch.rows[static_cast<size_t>(v_axis.start[k] - first_row) * cols];
    const int32_t* w = &v_axis.weight[k * static_cast<size_t>(v_axis.max_taps)];
    uint32_t* row = dst.Row(y) + visible.left;
    for (size_t x = 0; x < cols; ++x) {
      const uint32_t p = Weighted(column + x, cols, w, v_axis.count[k]);
      row[x] = picture.has_alpha ? Over(p, row[x]) : (p & 0xFFFFFF);
    }
  }
  return true;
}

}  // namespace lantern::imaging
