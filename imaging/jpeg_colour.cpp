// JPEG colour to BGRA, a row at a time; YCbCr eight pixels at a time with
// SSE2, which every build targets, in the same 16-bit fixed point as one
// pixel at a time.
#include "imaging/jpeg_colour.h"

#include <emmintrin.h>

#include <algorithm>

namespace lantern::imaging::jpeg {
namespace {

uint32_t Pixel(int r, int g, int b) {
  const auto clamp = [](int c) { return static_cast<uint32_t>(std::clamp(c, 0, 255)); };
  return 0xFF000000u | clamp(r) << 16 | clamp(g) << 8 | clamp(b);
}

// JFIF's YCbCr to RGB: R = Y + 1.402 Cr, G = Y - 0.34414 Cb - 0.71414 Cr,
// B = Y + 1.772 Cb (Cb and Cr less 128), each product in 16-bit fixed point
// (91881, 22554, 46802, 116130 / 65536) rounded to the nearest.
uint32_t FromYCbCr(int y, int cb, int cr) {
  cb -= 128;
  cr -= 128;
  constexpr int kHalf = 1 << 15;
  return Pixel(y + ((91881 * cr + kHalf) >> 16), y + ((-22554 * cb - 46802 * cr + kHalf) >> 16),
               y + ((116130 * cb + kHalf) >> 16));
}

// Eight bytes widened to 16 bits, less `offset`.
__m128i Widen(const uint8_t* at, int16_t offset) {
  const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at));
  return _mm_sub_epi16(_mm_unpacklo_epi8(bytes, _mm_setzero_si128()), _mm_set1_epi16(offset));
}

// (a * ka + b * kb + add) >> 16 for eight pairs of 16-bit values.
__m128i Product(__m128i a, __m128i b, int16_t ka, int16_t kb, int32_t add) {
  const __m128i k = _mm_set1_epi32(static_cast<int32_t>(static_cast<uint16_t>(ka)) |
                                   static_cast<int32_t>(static_cast<uint32_t>(kb) << 16));
  const __m128i lo =
      _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(a, b), k), _mm_set1_epi32(add));
  const __m128i hi =
      _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(a, b), k), _mm_set1_epi32(add));
  return _mm_packs_epi32(_mm_srai_epi32(lo, 16), _mm_srai_epi32(hi, 16));
}

// Eight pixels. The products whose factors do not fit 16 bits are split into
// whole multiples of 65536 and the rest: 91881 = 65536 + 26345,
// 116130 = 2 * 65536 - 14942, -46802 = -65536 + 18734, so the sums are exact.
void YCbCrEight(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint32_t* out) {
  const __m128i luma = Widen(y, 0);
  const __m128i blue = Widen(cb, 128);
  const __m128i red = Widen(cr, 128);
  const __m128i two = _mm_set1_epi16(2);
  const __m128i r = _mm_add_epi16(_mm_add_epi16(luma, red), Product(red, two, 26345, 16384, 0));
  const __m128i b = _mm_add_epi16(_mm_add_epi16(luma, _mm_add_epi16(blue, blue)),
                                  Product(blue, two, -14942, 16384, 0));
  const __m128i g =
      _mm_add_epi16(_mm_sub_epi16(luma, red), Product(blue, red, -22554, 18734, 1 << 15));
  const __m128i b8 = _mm_packus_epi16(b, b);
  const __m128i g8 = _mm_packus_epi16(g, g);
  const __m128i r8 = _mm_packus_epi16(r, r);
  const __m128i bg = _mm_unpacklo_epi8(b8, g8);
  const __m128i ra = _mm_unpacklo_epi8(r8, _mm_set1_epi8(-1));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(bg, ra));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), _mm_unpackhi_epi16(bg, ra));
}

}  // namespace

void YCbCrRow(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint32_t* out, int width) {
  int x = 0;
  for (; x + 8 <= width; x += 8)
    YCbCrEight(y + x, cb + x, cr + x, out + x);
  for (; x < width; ++x)
    out[x] = FromYCbCr(y[x], cb[x], cr[x]);
}

void RgbRow(const uint8_t* r, const uint8_t* g, const uint8_t* b, uint32_t* out, int width) {
  for (int x = 0; x < width; ++x)
    out[x] = Pixel(r[x], g[x], b[x]);
}

void GreyRow(const uint8_t* y, uint32_t* out, int width) {
  for (int x = 0; x < width; ++x)
    out[x] = Pixel(y[x], y[x], y[x]);
}

}  // namespace lantern::imaging::jpeg
