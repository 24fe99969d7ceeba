// The 24-bit generator: s = (s * 0x43FD43FD + 0xC39EC3) mod 2^24, value s / 2^24.
#include "base/rnd.h"

#include <bit>
#include <cstring>

namespace lantern::base {

namespace {
constexpr uint32_t kMultiplier = 0x43FD43FD;
constexpr uint32_t kIncrement = 0xC39EC3;
constexpr float kScale = 1.0f / 16777216.0f;
}  // namespace

float Rnd::Next() {
  state_ = (state_ * kMultiplier + kIncrement) & kMask;
  return static_cast<float>(state_) * kScale;
}

float Rnd::Draw(float n) {
  if (n == 0.0f) return static_cast<float>(state_) * kScale;
  if (n < 0.0f) {
    const uint32_t bits = std::bit_cast<uint32_t>(n);
    state_ = (bits + (bits >> 24)) & kMask;
  }
  return Next();
}

void Rnd::Reseed(double seed) {
  const uint64_t bits = std::bit_cast<uint64_t>(seed);
  const uint32_t high = static_cast<uint32_t>(bits >> 32);
  const uint32_t mixed = ((high >> 16) ^ (high & 0xFFFF)) << 8;
  state_ = (state_ & 0xFF) | (mixed & 0xFFFF00);
}

}  // namespace lantern::base
