// The reduced inverse transform of JPEG blocks, four samples at a time.
#include "imaging/jpeg_transform.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lantern::imaging::jpeg {
namespace {

// The weights that turn one direction of a block's 8 coefficients into n
// samples (n = 1..32): sample x stands for the stretch [x, x + 1) * 8 / n of
// the block's 8 full-size samples, and is their mean weighted by how much of
// each that stretch covers, from the exact 8-point inverse transform.
// Weights[x * 8 + u] is coefficient u's weight in sample x.
std::vector<double> Weights(int n) {
  const double pi = std::acos(-1.0);
  const double span = 8.0 / n;
  std::vector<double> weights(static_cast<size_t>(n) * 8);
  for (int x = 0; x < n; ++x) {
    const double from = x * span;
    const double to = from + span;
    for (int u = 0; u < 8; ++u) {
      double sum = 0;
      for (int j = static_cast<int>(from); j < 8 && j < to; ++j) {
        const double covered = std::min<double>(j + 1, to) - std::max<double>(j, from);
        sum += covered * std::cos((2 * j + 1) * u * pi / 16);
      }
      const double scale = (u == 0 ? std::sqrt(0.5) : 1.0) / 2;
      weights[static_cast<size_t>(x * 8 + u)] = scale * sum / span;
    }
  }
  return weights;
}

// Samples are level-shifted by 128, rounded and kept to 0..255.
uint8_t Sample(float value) {
  const float shifted = value + 128.5f;
  if (!(shifted > 0)) return 0;
  return shifted >= 255 ? 255 : static_cast<uint8_t>(shifted);
}

// Four samples to bytes, stored as four bytes at `out`.
void StoreFour(__m128 values, uint8_t* out) {
  const __m128 shifted = _mm_add_ps(values, _mm_set1_ps(128.5f));
  const __m128 kept = _mm_min_ps(_mm_max_ps(shifted, _mm_setzero_ps()), _mm_set1_ps(255.0f));
  const __m128i whole = _mm_cvttps_epi32(kept);
  const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(whole, whole), whole);
  const int32_t four = _mm_cvtsi128_si32(bytes);
  std::memcpy(out, &four, sizeof four);
}

}  // namespace

ReducedTransform::ReducedTransform(int across, int down, std::span<const uint16_t, 64> quant)
    : across_(across),
      down_(down),
      vectors_((across + 3) / 4),
      dc_scale_(static_cast<float>(quant[0]) / 8),
      across_weights_(static_cast<size_t>(64 * vectors_ * 4)),
      down_weights_(static_cast<size_t>(down * 8 * 4)) {
  const std::vector<double> wx = Weights(across);
  const std::vector<double> wy = Weights(down);
  const size_t row = static_cast<size_t>(vectors_) * 4;
  for (size_t pos = 0; pos < 64; ++pos) {
    for (size_t x = 0; x < static_cast<size_t>(across); ++x)
      across_weights_[pos * row + x] = static_cast<float>(wx[x * 8 + pos % 8] * quant[pos]);
  }
  for (size_t i = 0; i < down_weights_.size(); ++i)
    down_weights_[i] = static_cast<float>(wy[i / 4]);
}

void ReducedTransform::Run(const BlockCoefficients& block, uint8_t* out, ptrdiff_t stride) const {
  if (block.count == 1) return Flat(block.value[0], out, stride);
  switch (vectors_) {
    case 1:
      return RunVectors<1>(block, out, stride);
    case 2:
      return RunVectors<2>(block, out, stride);
    case 3:
      return RunVectors<3>(block, out, stride);
    case 4:
      return RunVectors<4>(block, out, stride);
    case 5:
      return RunVectors<5>(block, out, stride);
    case 6:
      return RunVectors<6>(block, out, stride);
    case 7:
      return RunVectors<7>(block, out, stride);
    default:
      return RunVectors<8>(block, out, stride);
  }
}

void ReducedTransform::Flat(int32_t dc, uint8_t* out, ptrdiff_t stride) const {
  // Every weight of the DC coefficient is 1 / (2 * sqrt 2).
  const uint8_t value = Sample(static_cast<float>(dc) * dc_scale_);
  for (int y = 0; y < down_; ++y)
    std::memset(out + y * stride, value, static_cast<size_t>(across_));
}

template <int kVectors>
void ReducedTransform::RunVectors(const BlockCoefficients& block, uint8_t* out,
                                  ptrdiff_t stride) const {
  // Across: each coefficient's weighted samples added to its row.
  __m128 rows[8][kVectors];
  uint32_t used = 0;
  for (int i = 0; i < block.count; ++i) {
    const int pos = block.position[static_cast<size_t>(i)];
    const int v = pos >> 3;
    if ((used >> v & 1) == 0) {
      used |= 1u << v;
      for (__m128& r : rows[v])
        r = _mm_setzero_ps();
    }
    const __m128 value = _mm_set1_ps(static_cast<float>(block.value[static_cast<size_t>(i)]));
    const float* w = &across_weights_[static_cast<size_t>(pos * kVectors * 4)];
    for (int k = 0; k < kVectors; ++k)
      rows[v][k] = _mm_add_ps(rows[v][k], _mm_mul_ps(value, _mm_loadu_ps(w + 4 * k)));
  }
  int held[8];
  int count = 0;
  for (int v = 0; v < 8; ++v) {
    if (used >> v & 1) held[count++] = v;
  }
  // Down: the rows that hold any weighted into each row of samples.
  for (int y = 0; y < down_; ++y) {
    const float* w = &down_weights_[static_cast<size_t>(y * 32)];
    __m128 sum[kVectors];
    for (__m128& s : sum)
      s = _mm_setzero_ps();
    for (int i = 0; i < count; ++i) {
      const __m128 weight = _mm_loadu_ps(w + 4 * held[i]);
      for (int k = 0; k < kVectors; ++k)
        sum[k] = _mm_add_ps(sum[k], _mm_mul_ps(weight, rows[held[i]][k]));
    }
    for (int k = 0; k < kVectors; ++k)
      StoreFour(sum[k], out + y * stride + 4 * k);
  }
}

}  // namespace lantern::imaging::jpeg
