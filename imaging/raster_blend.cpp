// Constant-alpha blending (AlphaBlend, source-over, no per-pixel alpha).
//
// Per byte: t = d (255 - a) + s a + 128, result (t + (t >> 8)) >> 8, which is
// (d (255 - a) + s a) / 255 rounded to nearest for every input (the tests check
// all of them). With SSE2 the kernels work on eight 16-bit channels at a
// time: t never exceeds 65153, so 16 bits hold it, and (t + (t >> 8)) >> 8
// equals (t * 257) >> 16, one high multiply.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/raster.h"
#include "imaging/raster_internal.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#endif

namespace lantern::imaging {
namespace detail {
namespace {

#if defined(__SSE2__)
// Blends eight 16-bit channels (each 0..255).
inline __m128i BlendChannels(__m128i d, __m128i s, __m128i alpha) {
  const __m128i d255 = _mm_sub_epi16(_mm_slli_epi16(d, 8), d);
  const __m128i t = _mm_add_epi16(_mm_add_epi16(d255, _mm_set1_epi16(128)),
                                  _mm_mullo_epi16(_mm_sub_epi16(s, d), alpha));
  return _mm_mulhi_epu16(t, _mm_set1_epi16(257));
}

// Four pixels with their own opacities: a[0..3] each spread over a pixel's
// four 16-bit channels.
inline __m128i BlendFourMasked(__m128i d, __m128i s, const uint8_t* a) {
  const __m128i zero = _mm_setzero_si128();
  uint32_t four = 0;
  std::memcpy(&four, a, 4);
  __m128i spread = _mm_cvtsi32_si128(static_cast<int>(four));
  spread = _mm_unpacklo_epi8(spread, spread);   // a0 a0 a1 a1 a2 a2 a3 a3
  spread = _mm_unpacklo_epi16(spread, spread);  // each four times
  const __m128i lo_alpha = _mm_unpacklo_epi8(spread, zero);
  const __m128i hi_alpha = _mm_unpackhi_epi8(spread, zero);
  const __m128i lo =
      BlendChannels(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi8(s, zero), lo_alpha);
  const __m128i hi =
      BlendChannels(_mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi8(s, zero), hi_alpha);
  return _mm_packus_epi16(lo, hi);
}
#endif

inline uint32_t BlendPixel(uint32_t d, uint32_t s, uint8_t alpha) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const auto byte = [shift](uint32_t p) { return static_cast<uint8_t>(p >> shift); };
    out |= uint32_t{BlendByte(byte(d), byte(s), alpha)} << shift;
  }
  return out;
}

}  // namespace

void BlendRowReference(uint32_t* d, const uint32_t* s, int32_t n, uint8_t alpha) {
  for (int32_t i = 0; i < n; ++i) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const auto dc = static_cast<uint8_t>(d[i] >> shift);
      const auto sc = static_cast<uint8_t>(s[i] >> shift);
      out |= uint32_t{BlendByteReference(dc, sc, alpha)} << shift;
    }
    d[i] = out;
  }
}

void BlendRowSse2(uint32_t* d, const uint32_t* s, int32_t n, uint8_t alpha) {
  int32_t i = 0;
#if defined(__SSE2__)
  // The even bytes (blue, red) and the odd ones (green, the unused top) of
  // four pixels each fill eight 16-bit channels in place, by a mask and a
  // shift, so no unpacking or packing is needed: t = d (255 - a) + s a + 128
  // with two multiplies, then (t * 257) >> 16 with a high multiply, the odd
  // results shifted back up.
  const __m128i a = _mm_set1_epi16(alpha);
  const __m128i inverse = _mm_set1_epi16(static_cast<int16_t>(255 - alpha));
  const __m128i even = _mm_set1_epi16(0x00FF);
  const __m128i half = _mm_set1_epi16(128);
  const __m128i m257 = _mm_set1_epi16(257);
  const auto blend = [&](__m128i dc, __m128i sc) {
    const __m128i t =
        _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(dc, inverse), _mm_mullo_epi16(sc, a)), half);
    return _mm_mulhi_epu16(t, m257);
  };
  const auto four = [&](int32_t k) {
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + k));
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k));
    const __m128i lo = blend(_mm_and_si128(dv, even), _mm_and_si128(sv, even));
    const __m128i hi = blend(_mm_srli_epi16(dv, 8), _mm_srli_epi16(sv, 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + k), _mm_or_si128(lo, _mm_slli_epi16(hi, 8)));
  };
  // A cache line (16 pixels) at a time, the lines 2 KB ahead asked for early:
  // the blend waits on memory more than it computes (of 128 to 1024 pixels
  // ahead, 512 measured best at 1080p). A prefetch never faults, so it may
  // point past the row; the address is formed as a number, not a pointer.
  constexpr uintptr_t kAhead = 512 * 4;
  const auto ahead = [](const uint32_t* p) {
    return reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(p) + kAhead);
  };
  for (; i + 16 <= n; i += 16) {
    _mm_prefetch(ahead(d + i), _MM_HINT_T0);
    _mm_prefetch(ahead(s + i), _MM_HINT_T0);
    four(i);
    four(i + 4);
    four(i + 8);
    four(i + 12);
  }
  for (; i + 4 <= n; i += 4)
    four(i);
#endif
  for (; i < n; ++i)
    d[i] = BlendPixel(d[i], s[i], alpha);
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define LANTERN_BLEND_AVX2 1
namespace {

// The SSE2 kernel's arithmetic on sixteen channels at a time, for processors
// with AVX2 (chosen at run time: the build itself targets SSE2). A macro, not
// a lambda, so that it is compiled for the function's target.
#define LANTERN_BLEND16(dc, sc)                                                                \
  _mm256_mulhi_epu16(                                                                          \
      _mm256_add_epi16(                                                                        \
          _mm256_add_epi16(_mm256_mullo_epi16(dc, inverse), _mm256_mullo_epi16(sc, a)), half), \
      m257)

__attribute__((target("avx2"))) int32_t BlendRowAvx2(uint32_t* d, const uint32_t* s, int32_t n,
                                                     uint8_t alpha) {
  const __m256i a = _mm256_set1_epi16(alpha);
  const __m256i inverse = _mm256_set1_epi16(static_cast<int16_t>(255 - alpha));
  const __m256i even = _mm256_set1_epi16(0x00FF);
  const __m256i half = _mm256_set1_epi16(128);
  const __m256i m257 = _mm256_set1_epi16(257);
  int32_t i = 0;
  for (; i + 16 <= n; i += 16) {
    _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(d + i) + 2048),
                 _MM_HINT_T0);
    _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(s + i) + 2048),
                 _MM_HINT_T0);
    for (int32_t k = i; k < i + 16; k += 8) {
      const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + k));
      const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + k));
      const __m256i lo = LANTERN_BLEND16(_mm256_and_si256(dv, even), _mm256_and_si256(sv, even));
      const __m256i hi = LANTERN_BLEND16(_mm256_srli_epi16(dv, 8), _mm256_srli_epi16(sv, 8));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + k),
                          _mm256_or_si256(lo, _mm256_slli_epi16(hi, 8)));
    }
  }
  return i;
}
#undef LANTERN_BLEND16

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

}  // namespace
#endif

void BlendRow(uint32_t* d, const uint32_t* s, int32_t n, uint8_t alpha) {
#if defined(LANTERN_BLEND_AVX2)
  if (HasAvx2()) {
    const int32_t done = BlendRowAvx2(d, s, n, alpha);
    BlendRowSse2(d + done, s + done, n - done, alpha);
    return;
  }
#endif
  BlendRowSse2(d, s, n, alpha);
}

void BlendRowMaskedReference(uint32_t* d, const uint32_t* s, const uint8_t* alpha, int32_t n) {
  for (int32_t i = 0; i < n; ++i)
    BlendRowReference(d + i, s + i, 1, alpha[i]);
}

void BlendRowMasked(uint32_t* d, const uint32_t* s, const uint8_t* alpha, int32_t n) {
  int32_t i = 0;
  // Runs of eight pixels that are all left alone or all covered are
  // skipped or copied: a vignette is mostly one or the other.
  for (; i + 8 <= n; i += 8) {
    uint64_t eight = 0;
    std::memcpy(&eight, alpha + i, 8);
    if (eight == 0) continue;
    if (eight == ~uint64_t{0}) {
      std::memcpy(d + i, s + i, 32);
      continue;
    }
#if defined(__SSE2__)
    for (int32_t k = i; k < i + 8; k += 4) {
      const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + k));
      const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + k), BlendFourMasked(dv, sv, alpha + k));
    }
#else
    for (int32_t k = i; k < i + 8; ++k)
      d[k] = BlendPixel(d[k], s[k], alpha[k]);
#endif
  }
  for (; i < n; ++i)
    d[i] = BlendPixel(d[i], s[i], alpha[i]);
}

}  // namespace detail

namespace {

bool SourceInside(const Surface& src, int64_t sx, int64_t sy, int64_t sw, int64_t sh) {
  return src.valid() && sx >= 0 && sy >= 0 && sx + sw <= src.width && sy + sh <= src.height;
}

void RunBlend(const Surface& dst, const detail::StretchPlan& plan, const Surface& src,
              uint8_t alpha) {
  const std::vector<int32_t>& columns = plan.columns.source;
  const int32_t n = static_cast<int32_t>(columns.size());
  const bool one_to_one = int64_t{columns.back()} - columns.front() == n - 1;
  std::vector<uint32_t> gathered(one_to_one ? 0 : static_cast<size_t>(n));
  for (size_t r = 0; r < plan.rows.source.size(); ++r) {
    uint32_t* d = dst.Row(plan.rows.first + static_cast<int32_t>(r)) + plan.columns.first;
    const uint32_t* s = src.Row(plan.rows.source[r]);
    if (one_to_one) {
      detail::BlendRow(d, s + columns.front(), n, alpha);
    } else {
      detail::GatherRow(gathered.data(), s, columns.data(), n);
      detail::BlendRow(d, gathered.data(), n, alpha);
    }
  }
}

}  // namespace

void BlendConstant(const Surface& dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh,
                   const Surface& src, int32_t sx, int32_t sy, int32_t sw, int32_t sh,
                   uint8_t alpha) {
  if (alpha == 0 || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  if (!SourceInside(src, sx, sy, sw, sh)) return;
  auto plan = detail::PlanStretch(detail::StretchRule::kAlphaBlend, dst, dx, dy, dw, dh, src, sx,
                                  sy, sw, sh);
  if (!plan) return;
  if (alpha == 255) {
    detail::DrawStretched(dst, *plan, src);
  } else if (detail::Overlaps(dst, src)) {
    const detail::SourceSnapshot snapshot(src, *plan);
    RunBlend(dst, *plan, snapshot.surface(), alpha);
  } else {
    RunBlend(dst, *plan, src, alpha);
  }
}

void BlendColumns(const Surface& dst, int32_t x, int32_t n, const uint8_t* alpha,
                  const Surface& under, const Surface& over) {
  const auto same = [&](const Surface& s) {
    return s.valid() && s.width == dst.width && s.height == dst.height;
  };
  if (!dst.valid() || !same(under) || !same(over) || n <= 0) return;
  const int32_t left = std::max(x, 0),
                right = static_cast<int32_t>(std::min<int64_t>(int64_t{x} + n, dst.width));
  if (left >= right) return;
  const int32_t count = right - left;
  const uint8_t* a = alpha + (left - x);
  for (int32_t y = 0; y < dst.height; ++y) {
    uint32_t* d = dst.Row(y) + left;
    std::memcpy(d, under.Row(y) + left, static_cast<size_t>(count) * 4);
    detail::BlendRowMasked(d, over.Row(y) + left, a, count);
  }
}

}  // namespace lantern::imaging
