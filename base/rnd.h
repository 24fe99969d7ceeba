// The program's one random generator: the 24-bit linear congruential
// generator of BASIC dialects. Albums are scrambled with it, so every draw must
// match the classic sequence bit for bit.
#pragma once

#include <cstdint>

namespace lantern::base {

class Rnd {
 public:
  static constexpr uint32_t kInitialState = 0x50000;

  // Next value in [0, 1), as BASIC's Rnd with no argument or a positive one.
  float Next();
  // BASIC's Rnd(n): n < 0 reseeds from the bit pattern of n as a single and
  // then draws; n == 0 repeats the last value; n > 0 is Next().
  float Draw(float n);
  // BASIC's Randomize with a number: the seed value mixes into the middle 16
  // bits of the state, the low byte stays. Reseeding from the clock passes the
  // seconds since midnight.
  void Reseed(double seed);

  uint32_t state() const { return state_; }
  void set_state(uint32_t state) { state_ = state & kMask; }

 private:
  static constexpr uint32_t kMask = 0xFFFFFF;
  uint32_t state_ = kInitialState;
};

}  // namespace lantern::base
