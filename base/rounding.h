// The program's arithmetic helpers: round (halves to even), Int (floor) and
// whole-number division. Every place that converts a fraction to a whole number
// uses these, so that all of the program rounds alike.
#pragma once

#include <cassert>
#include <cmath>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lantern::base {

// Nearest whole number, halves to even: 0.5 -> 0, 1.5 -> 2, 2.5 -> 2, -0.5 -> 0.
inline int64_t Round(double x) {
  const double r = std::nearbyint(x);  // default rounding mode: to nearest, ties to even
  return static_cast<int64_t>(r);
}

// Whether x converts to a 32-bit whole number in one instruction: inside the
// range and not a NaN (every comparison with a NaN is false).
inline bool Fits32(double x) {
  return x > -2147483648.0 && x < 2147483647.0;
}

// Round to a 32-bit whole number; callers pass values known to fit. The
// conversion instruction rounds by the current mode, to nearest with ties to
// even as nearbyint does; on 32-bit x86 this avoids the library's nearbyint
// and a 64-bit conversion, which cost a hundred times more and sit in the
// inner loops of the transitions.
inline int32_t Round32(double x) {
#if defined(__SSE2__)
  if (Fits32(x)) return _mm_cvtsd_si32(_mm_set_sd(x));
#endif
  return static_cast<int32_t>(Round(x));
}

// The largest whole number not above x: Int(2.7) = 2, Int(-2.3) = -3.
inline int64_t Int(double x) {
  return static_cast<int64_t>(std::floor(x));
}
inline int32_t Int32(double x) {
#if defined(__SSE2__)
  if (Fits32(x)) {
    const int32_t t = _mm_cvttsd_si32(_mm_set_sd(x));  // toward zero
    return t > x ? t - 1 : t;
  }
#endif
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
