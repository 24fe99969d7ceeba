// The inverse transform of the reduced-size JPEG decoder: one component's
// block of coefficients straight to n x m samples (1..32 each way), each the
// mean of the full-size samples it stands for, weighted by how much of each
// it covers, from the exact 8-point inverse transform before rounding.
//
// The weights of each output size are worked out once, with the component's
// quantization folded into those across: each non-zero coefficient adds its
// weighted row of samples to its row of the block (what a row of zeros would
// add is skipped), and the rows holding any are then weighted down the block.
// Four samples are computed at a time with SSE2, which every build targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/jpeg_entropy.h"

namespace lantern::imaging::jpeg {

class ReducedTransform {
 public:
  static constexpr int kMaxSamples = 32;  // 8 eighths of a 4-times-widened block

  // `across` by `down` samples a block, from coefficients quantized by
  // `quant` (natural order).
  ReducedTransform(int across, int down, std::span<const uint16_t, 64> quant);

  int across() const { return across_; }
  int down() const { return down_; }

  // Writes the block's samples at `out`, rows `stride` apart. A row's last
  // store may write up to 3 bytes past it, so the caller leaves that much
  // room after each row and writes the blocks of a row from left to right.
  void Run(const BlockCoefficients& block, uint8_t* out, ptrdiff_t stride) const;

 private:
  template <int kVectors>
  void RunVectors(const BlockCoefficients& block, uint8_t* out, ptrdiff_t stride) const;
  void Flat(int32_t dc, uint8_t* out, ptrdiff_t stride) const;

  int across_;
  int down_;
  int vectors_;     // groups of four samples across
  float dc_scale_;  // a block of its DC coefficient alone: every sample dc * scale
  // [natural position][vectors_ * 4]: each coefficient's row of samples per
  // unit of its quantized value (zero past `across_`).
  std::vector<float> across_weights_;
  // [y][v][4]: row v's weight in sample row y, four times over.
  std::vector<float> down_weights_;
};

}  // namespace lantern::imaging::jpeg
