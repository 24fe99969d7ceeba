// The program's arithmetic helpers: round (halves to even), Int (floor) and
// whole-number division. Every place that converts a fraction to a whole number
// uses these, so that all of the program rounds alike.
#pragma once

#include <cassert>
#include <cmath>
#include <cstdint>

namespace lantern::base {

// Nearest whole number, halves to even: 0.5 -> 0, 1.5 -> 2, 2.5 -> 2, -0.5 -> 0.
inline int64_t Round(double x) {
  const double r = std::nearbyint(x);  // default rounding mode: to nearest, ties to even
  return static_cast<int64_t>(r);
}

// Round to a 32-bit whole number; callers pass values known to fit.
inline int32_t Round32(double x) {
  return static_cast<int32_t>(Round(x));
}

// The largest whole number not above x: Int(2.7) = 2, Int(-2.3) = -3.
inline int64_t Int(double x) {
  return static_cast<int64_t>(std::floor(x));
}
inline int32_t Int32(double x) {
  return static_cast<int32_t>(Int(x));
}

// Whole-number division: the quotient truncated toward zero (7 \ 2 = 3, -7 \ 2 = -3).
inline int64_t IntDiv(int64_t a, int64_t b) {
  assert(b != 0 && "whole-number division by zero: the caller must check the divisor");
  return a / b;
}

// Whole-number division of fractions: both operands are first rounded to whole
// numbers (halves to even), then divided with truncation: 7.5 \ 2 = 4.
inline int64_t IntDivRounded(double a, double b) {
  return IntDiv(Round(a), Round(b));
}

}  // namespace lantern::base
