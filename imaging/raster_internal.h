// Internals of the raster operations shared by their source files and their
// tests: rectangle clipping, the stretch mapping and the row kernels, each
// fast kernel next to the plain reference the tests compare it with.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/surface.h"

namespace lantern::imaging::detail {

using platform::Surface;

// GDI's coordinate space is 27 bits; beyond it nothing is drawn. Keeping to it
// lets every mapping product below fit in 64 bits.
inline constexpr int64_t kMaxCoordinate = int64_t{1} << 27;
inline bool InRange(int64_t v) {
  return v >= -kMaxCoordinate && v <= kMaxCoordinate;
}

// A clipped, non-empty block transfer: destination and source origins and the
// common size, all inside their surfaces.
struct Block {
  int32_t dx = 0, dy = 0, sx = 0, sy = 0, w = 0, h = 0;
};

// Normalises negative extents (the origin pixel is included) and clips the
// block against the destination and, when given, the source, shifting the
// other origin to match. Empty or out of range: nothing.
std::optional<Block> ClipBlock(const Surface& dst, int64_t dx, int64_t dy, int64_t w, int64_t h,
                               const Surface* src, int64_t sx, int64_t sy);

// --- Stretching ------------------------------------------------------------

enum class Axis { kColumns, kRows };

// GDI stretches with one mapping everywhere but one case: for a one-pixel-wide
// destination of a forward (not mirrored) shrink StretchBlt takes source
// column S - 2, while AlphaBlend keeps the general S - 1.
enum class StretchRule { kStretchBlt, kAlphaBlend };

// The source pixel index j (0 <= j < S) for destination pixel k (0 <= k < D)
// of a stretched span; see StretchNearest in raster.h. one_column_rule: the
// StretchBlt exception applies (StretchBlt, and both extents positive).
int64_t StretchIndex(Axis axis, int64_t S, int64_t D, int64_t k, bool one_column_rule);

// One axis of a clipped stretch: destination pixels first .. first + size - 1
// (inside the destination surface) take source pixels source[i] (inside the
// source surface). Empty when nothing is visible.
struct AxisMap {
  int32_t first = 0;
  std::vector<int32_t> source;
  bool empty() const { return source.empty(); }
};
AxisMap MapAxis(Axis axis, StretchRule rule, int64_t d0, int64_t d_extent, int32_t d_size,
                int64_t s0, int64_t s_extent, int32_t s_size);

// Both axes of a clipped stretch; nothing when no pixel is visible.
struct StretchPlan {
  AxisMap columns;
  AxisMap rows;
};
std::optional<StretchPlan> PlanStretch(StretchRule rule, const Surface& dst, int64_t dx, int64_t dy,
                                       int64_t dw, int64_t dh, const Surface& src, int64_t sx,
                                       int64_t sy, int64_t sw, int64_t sh);
// Copies the planned pixels (reading the source first when it shares memory
// with the destination).
void DrawStretched(const Surface& dst, StretchPlan& plan, const Surface& src);

// The source pixels a plan reads, copied out of a source that shares memory
// with the destination, so that writing cannot change what is still to be
// read. Rebases the plan onto the copy.
class SourceSnapshot {
 public:
  SourceSnapshot(const Surface& src, StretchPlan& plan);
  const Surface& surface() const { return surface_; }

 private:
  std::vector<uint32_t> pixels_;
  Surface surface_;
};
// True when the memory of the two surfaces overlaps.
bool Overlaps(const Surface& a, const Surface& b);

// --- Row kernels -----------------------------------------------------------

// Sets n pixels to one colour.
void FillRow(uint32_t* d, int32_t n, uint32_t colour);
void FillRowReference(uint32_t* d, int32_t n, uint32_t colour);
// True when d lies within s[1 .. n - 1], where a forward walk would overwrite
// source pixels before reading them.
inline bool StartsWithin(const uint32_t* d, const uint32_t* s, int32_t n) {
  const auto dv = reinterpret_cast<uintptr_t>(d), sv = reinterpret_cast<uintptr_t>(s);
  return dv > sv && dv < sv + static_cast<uintptr_t>(n) * 4;
}
// Copies n pixels as memmove does (d and s may overlap).
void CopyRow(uint32_t* d, const uint32_t* s, int32_t n);
void CopyRowReference(uint32_t* d, const uint32_t* s, int32_t n);

// d[i] = s[n - 1 - i]. d and s do not overlap.
void MirrorRow(uint32_t* d, const uint32_t* s, int32_t n);
void MirrorRowReference(uint32_t* d, const uint32_t* s, int32_t n);
// d[i] = s[index[i]], for a row of a stretch. d and s do not overlap.
void GatherRow(uint32_t* d, const uint32_t* s, const int32_t* index, int32_t n);
void GatherRowReference(uint32_t* d, const uint32_t* s, const int32_t* index, int32_t n);
// d[i] = s[2 i]: a shrink to half the width. d and s do not overlap.
void HalveRow(uint32_t* d, const uint32_t* s, int32_t n);
void HalveRowReference(uint32_t* d, const uint32_t* s, int32_t n);

// The grey colour matrix on one row, in place.
void GreyRow(uint32_t* row, int32_t n);
void GreyRowReference(uint32_t* row, int32_t n);

// The exact constant-alpha blend of one byte: (d * (255 - a) + s * a) / 255
// rounded to nearest, written the obvious way.
inline uint8_t BlendByteReference(uint8_t d, uint8_t s, uint8_t a) {
  return static_cast<uint8_t>((d * (255 - a) + s * a + 127) / 255);
}
// The same as the kernels compute it, without a division.
inline uint8_t BlendByte(uint8_t d, uint8_t s, uint8_t a) {
  const uint32_t t = d * (255u - a) + s * uint32_t{a} + 128u;
  return static_cast<uint8_t>((t + (t >> 8)) >> 8);
}
// Blends n pixels of s onto d, all four bytes. d and s may be the same row but
// must not otherwise overlap.
void BlendRow(uint32_t* d, const uint32_t* s, int32_t n, uint8_t alpha);
// The SSE2 kernel alone (BlendRow takes the AVX2 one where the processor has it).
void BlendRowSse2(uint32_t* d, const uint32_t* s, int32_t n, uint8_t alpha);
void BlendRowReference(uint32_t* d, const uint32_t* s, int32_t n, uint8_t alpha);
// The same with an opacity per pixel (alpha[i] for pixel i): 0 leaves d[i],
// 255 copies s[i]. d and s do not overlap.
void BlendRowMasked(uint32_t* d, const uint32_t* s, const uint8_t* alpha, int32_t n);
void BlendRowMaskedReference(uint32_t* d, const uint32_t* s, const uint8_t* alpha, int32_t n);

}  // namespace lantern::imaging::detail
