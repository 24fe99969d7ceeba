// The raster operations: exact fixtures (several measured on GDI), clipping at
// every edge, overlapping copies, the blend formula over all inputs, and
// seeded random runs against plain per-pixel references, all on surfaces
// inside a sentinel border that must never change.
//
// Sections: canvases and references; fixtures per operation; kernels;
// seeded random runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imaging/raster.h"
#include "imaging/raster_internal.h"

namespace lantern::imaging {
namespace {

// --- Canvases and references -------------------------------------------------

// A surface embedded in a larger buffer: a border of sentinel pixels around it
// and padding at the end of each row (the stride is wider than the surface).
// With border 0 the surface fills its allocation exactly, so that
// AddressSanitizer sees any access past either end.
class Canvas {
 public:
  Canvas(int32_t width, int32_t height, uint32_t seed, int32_t border = 3)
      : width_(width),
        height_(height),
        border_(border),
        row_words_(width + 2 * border + (border > 0 ? 3 : 0)),
        memory_(static_cast<size_t>(row_words_) * static_cast<size_t>(height + 2 * border)) {
    for (size_t i = 0; i < memory_.size(); ++i)
      memory_[i] = Sentinel(i);
    std::mt19937 random(seed);
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x)
        at(x, y) = static_cast<uint32_t>(random());
    }
  }
  Surface surface() {
    return {reinterpret_cast<uint8_t*>(&at(0, 0)), width_, height_, row_words_ * 4};
  }
  uint32_t& at(int32_t x, int32_t y) {
    return memory_[static_cast<size_t>(y + border_) * static_cast<size_t>(row_words_) +
                   static_cast<size_t>(x + border_)];
  }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  // Every pixel outside the surface still holds its sentinel.
  bool BorderIntact() const {
    for (size_t i = 0; i < memory_.size(); ++i) {
      const int32_t x = static_cast<int32_t>(i % static_cast<size_t>(row_words_)) - border_;
      const int32_t y = static_cast<int32_t>(i / static_cast<size_t>(row_words_)) - border_;
      const bool inside = x >= 0 && x < width_ && y >= 0 && y < height_;
      if (!inside && memory_[i] != Sentinel(i)) return false;
    }
    return true;
  }

 private:
  static uint32_t Sentinel(size_t i) {
    return 0x5A5A5A5Au ^ static_cast<uint32_t>(i * 2654435761u);
  }

  int32_t width_, height_, border_, row_words_;
  std::vector<uint32_t> memory_;
};

// A plain copy of a surface's pixels, which the references read and write.
struct Image {
  int32_t w = 0, h = 0;
  std::vector<uint32_t> px;
  uint32_t& at(int32_t x, int32_t y) { return px[static_cast<size_t>(y * w + x)]; }
  uint32_t at(int32_t x, int32_t y) const { return px[static_cast<size_t>(y * w + x)]; }
  bool inside(int64_t x, int64_t y) const { return x >= 0 && y >= 0 && x < w && y < h; }
  bool operator==(const Image&) const = default;
};

Image Snapshot(Canvas& c) {
  Image image{c.width(), c.height(), {}};
  for (int32_t y = 0; y < c.height(); ++y) {
    for (int32_t x = 0; x < c.width(); ++x)
      image.px.push_back(c.at(x, y));
  }
  return image;
}

// The first difference, for failure messages.
std::string Difference(const Image& got, const Image& want) {
  for (int32_t y = 0; y < want.h; ++y) {
    for (int32_t x = 0; x < want.w; ++x) {
      if (got.at(x, y) != want.at(x, y)) {
        char text[96];
        std::snprintf(text, sizeof text, "first difference at (%d, %d): %08x, expected %08x", x, y,
                      got.at(x, y), want.at(x, y));
        return text;
      }
    }
  }
  return "no difference";
}

bool AnyBeyondLimit(std::initializer_list<int64_t> values) {
  return std::any_of(values.begin(), values.end(),
                     [](int64_t v) { return v > (int64_t{1} << 27) || v < -(int64_t{1} << 27); });
}

// Block transfers pixel by pixel: destination pixel (x, y) of the normalised
// rectangle takes source (x - dx + sx, y - dy + sy) when that exists.
template <typename Op>
void ReferenceBlock(Image& dst, int64_t dx, int64_t dy, int64_t w, int64_t h, const Image* src,
                    int64_t sx, int64_t sy, Op op) {
  if (AnyBeyondLimit({dx, dy, w, h, sx, sy})) return;
  if (w < 0) dx += w + 1, sx += w + 1, w = -w;
  if (h < 0) dy += h + 1, sy += h + 1, h = -h;
  const Image before = src != nullptr ? *src : Image{};
  for (int32_t y = 0; y < dst.h; ++y) {
    for (int32_t x = 0; x < dst.w; ++x) {
      if (x < dx || x >= dx + w || y < dy || y >= dy + h) continue;
      const int64_t u = x - dx + sx, v = y - dy + sy;
      if (src == nullptr) {
        dst.at(x, y) = op(0);
      } else if (before.inside(u, v)) {
        dst.at(x, y) = op(before.at(static_cast<int32_t>(u), static_cast<int32_t>(v)));
      }
    }
  }
}

// GDI's choice of source pixel, as measured (see StretchNearest); the
// one-column rule is StretchBlt's alone.
int64_t ReferenceIndex(bool columns, int64_t S, int64_t D, int64_t k, bool one_column_rule) {
  if (D >= S) return ((2 * k + 1) * S - 1) / (2 * D);
  if (!columns) return (2 * k * S + D) / (2 * D);
  if (D == 1 && one_column_rule) return S - 2;
  return ((2 * k + 2) * S - D) / (2 * D);
}

// Stretches pixel by pixel; op(destination, source) gives the new pixel.
template <typename Op>
void ReferenceStretch(Image& dst, int64_t dx, int64_t dy, int64_t dw, int64_t dh, const Image& src,
                      int64_t sx, int64_t sy, int64_t sw, int64_t sh, Op op,
                      bool stretch_blt = true) {
  if (AnyBeyondLimit({dx, dy, dw, dh, sx, sy, sw, sh})) return;
  if (dw == 0 || dh == 0 || sw == 0 || sh == 0) return;
  const Image before = src;
  for (int32_t y = 0; y < dst.h; ++y) {
    for (int32_t x = 0; x < dst.w; ++x) {
      const int64_t kx = dw > 0 ? x - dx : dx - x, ky = dh > 0 ? y - dy : dy - y;
      if (kx < 0 || kx >= std::abs(dw) || ky < 0 || ky >= std::abs(dh)) continue;
      const bool rule = stretch_blt && sw > 0 && dw > 0;
      const int64_t jx = ReferenceIndex(true, std::abs(sw), std::abs(dw), kx, rule);
      const int64_t jy = ReferenceIndex(false, std::abs(sh), std::abs(dh), ky, false);
      const int64_t u = sw > 0 ? sx + jx : sx - jx, v = sh > 0 ? sy + jy : sy - jy;
      if (!before.inside(u, v)) continue;
      dst.at(x, y) = op(dst.at(x, y), before.at(static_cast<int32_t>(u), static_cast<int32_t>(v)));
    }
  }
}

uint32_t ReferenceBlendPixel(uint32_t d, uint32_t s, int a) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t dc = d >> shift & 0xFF, sc = s >> shift & 0xFF;
    const uint32_t exact = (dc * (255 - a) + sc * a) * 2;  // twice the numerator
    out |= ((exact + 255) / 510) << shift;                 // nearest: floor(n / 255 + 1/2)
  }
  return out;
}

void ReferenceBlend(Image& dst, int64_t dx, int64_t dy, int64_t dw, int64_t dh, const Image& src,
                    int64_t sx, int64_t sy, int64_t sw, int64_t sh, int alpha) {
  if (alpha == 0 || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  if (sx < 0 || sy < 0 || sx + sw > src.w || sy + sh > src.h) return;
  ReferenceStretch(
      dst, dx, dy, dw, dh, src, sx, sy, sw, sh,
      [alpha](uint32_t d, uint32_t s) { return ReferenceBlendPixel(d, s, alpha); }, false);
}

// One-pixel line: the minor coordinate nearest to k * minor / major, ties to
// the smaller one, end point excluded.
void ReferenceThinLine(Image& dst, int64_t x1, int64_t y1, int64_t x2, int64_t y2, uint32_t px) {
  const int64_t dx = x2 - x1, dy = y2 - y1, steps = std::max(std::abs(dx), std::abs(dy));
  for (int64_t k = 0; k < steps; ++k) {
    const auto nearest = [&](int64_t along) {
      const double t = static_cast<double>(k * along) / static_cast<double>(steps);
      return static_cast<int64_t>(std::ceil(t - 0.5));
    };
    const int64_t x = x1 + nearest(dx), y = y1 + nearest(dy);
    if (dst.inside(x, y)) dst.at(static_cast<int32_t>(x), static_cast<int32_t>(y)) = px;
  }
}

// A round pen of width w: every pixel whose centre is closer than w / 2 to the
// segment, the segment moved half a pixel up and left for even widths.
void ReferenceWideLine(Image& dst, int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t w,
                       uint32_t px) {
  const double shift = w % 2 == 0 ? 0.5 : 0.0, r = static_cast<double>(w) / 2;
  const double ax = static_cast<double>(x1) - shift, ay = static_cast<double>(y1) - shift;
  const double ex = static_cast<double>(x2 - x1), ey = static_cast<double>(y2 - y1);
  for (int32_t y = 0; y < dst.h; ++y) {
    for (int32_t x = 0; x < dst.w; ++x) {
      const double length2 = ex * ex + ey * ey;
      const double along = length2 == 0 ? 0 : ((x - ax) * ex + (y - ay) * ey) / length2;
      const double t = std::clamp(along, 0.0, 1.0);
      if (std::hypot(ax + t * ex - x, ay + t * ey - y) < r) dst.at(x, y) = px;
    }
  }
}

uint32_t Same(uint32_t s) {
  return s;
}
uint32_t Keep(uint32_t, uint32_t s) {
  return s;
}

// --- Fixtures ------------------------------------------------------------------

// A row of pixels 1, 2, 3, ... (or a column), with everything else 0.
Image Numbered(int32_t w, int32_t h) {
  Image image{w, h, std::vector<uint32_t>(static_cast<size_t>(w * h))};
  for (size_t i = 0; i < image.px.size(); ++i)
    image.px[i] = static_cast<uint32_t>(i + 1);
  return image;
}

Surface View(Image& image) {
  return {reinterpret_cast<uint8_t*>(image.px.data()), image.w, image.h, image.w * 4};
}

// Which source pixel (1-based) each destination pixel took.
std::vector<uint32_t> Row(const Image& image, int32_t y = 0) {
  return {image.px.begin() + y * image.w, image.px.begin() + (y + 1) * image.w};
}

TEST(Stretch, ChoosesThePixelsGdiChoosesForSmallSpans) {
  // Measured with StretchBlt COLORONCOLOR on 32-bit DIB sections.
  struct Case {
    int32_t sw, dw;
    std::vector<uint32_t> columns, rows;  // source pixel per destination pixel, 1-based
  };
  const Case cases[] = {
      {3, 7, {1, 1, 2, 2, 2, 3, 3}, {1, 1, 2, 2, 2, 3, 3}},
      {4, 7, {1, 1, 2, 2, 3, 4, 4}, {1, 1, 2, 2, 3, 4, 4}},
      {7, 3, {2, 5, 7}, {1, 3, 6}},
      {13, 4, {3, 7, 10, 13}, {1, 4, 8, 11}},
      {15, 14, {1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15}, {}},
      {4, 1, {3}, {1}},  // one column of a forward stretch: GDI's S - 2
  };
  for (const Case& c : cases) {
    Image src = Numbered(c.sw, 1), dst{c.dw, 1, std::vector<uint32_t>(c.dw)};
    StretchNearest(View(dst), 0, 0, c.dw, 1, View(src), 0, 0, c.sw, 1);
    EXPECT_EQ(Row(dst), c.columns) << c.sw << " -> " << c.dw << " columns";
    if (c.rows.empty()) continue;
    Image col = Numbered(1, c.sw), out{1, c.dw, std::vector<uint32_t>(c.dw)};
    StretchNearest(View(out), 0, 0, 1, c.dw, View(col), 0, 0, 1, c.sw);
    EXPECT_EQ(out.px, c.rows) << c.sw << " -> " << c.dw << " rows";
  }
}

TEST(Stretch, NegativeExtentsMirrorAndIncludeTheOrigin) {
  Image src = Numbered(5, 1), dst{8, 1, std::vector<uint32_t>(8)};
  // Destination extent -5 at 6: pixels 2..6, the origin pixel takes source 0.
  StretchNearest(View(dst), 6, 0, -5, 1, View(src), 0, 0, 5, 1);
  EXPECT_EQ(Row(dst), (std::vector<uint32_t>{0, 0, 5, 4, 3, 2, 1, 0}));
  // A mirrored source is the same picture.
  Image dst2{8, 1, std::vector<uint32_t>(8)};
  StretchNearest(View(dst2), 2, 0, 5, 1, View(src), 4, 0, -5, 1);
  EXPECT_EQ(dst2, dst);
  // Both negative: no mirror.
  Image dst3{8, 1, std::vector<uint32_t>(8)};
  StretchNearest(View(dst3), 6, 0, -5, 1, View(src), 4, 0, -5, 1);
  EXPECT_EQ(Row(dst3), (std::vector<uint32_t>{0, 0, 1, 2, 3, 4, 5, 0}));
  // A one-pixel column of a mirrored shrink takes the last pixel, unlike GDI's
  // forward case.
  Image one{1, 1, {0}};
  StretchNearest(View(one), 0, 0, -1, 1, View(src), 0, 0, 4, 1);
  EXPECT_EQ(one.px[0], 4u);
}

TEST(Stretch, FlipsAPictureUpsideDownFromItsLastRow) {
  // The page-fold preparation: height -H from row H - 1.
  Image src = Numbered(3, 5), dst{3, 5, std::vector<uint32_t>(15)};
  StretchNearest(View(dst), 0, 0, 3, 5, View(src), 0, 4, 3, -5);
  for (int32_t y = 0; y < 5; ++y)
    EXPECT_EQ(Row(dst, y), Row(src, 4 - y));
}

TEST(Stretch, ClippingKeepsTheMappingOfTheWholeRectangle) {
  // Stretching into a window of a large surface gives that part of the
  // picture drawn on the large surface, for mirrored and plain spans alike.
  for (const int32_t dw : {-23, -7, 7, 23}) {
    for (const int32_t sw : {-9, 9, 31}) {
      Image src = Numbered(40, 3);
      Image big{60, 3, std::vector<uint32_t>(180)};
      StretchNearest(View(big), 30, 0, dw, 3, View(src), 20, 0, sw, 3);
      for (const int32_t offset : {0, 13, 26, 29}) {
        Image small{5, 3, std::vector<uint32_t>(15)};
        StretchNearest(View(small), 30 - offset, 0, dw, 3, View(src), 20, 0, sw, 3);
        for (int32_t x = 0; x < 5; ++x)
          EXPECT_EQ(small.at(x, 1), big.at(x + offset, 1)) << dw << " " << sw << " " << offset;
      }
    }
  }
}

TEST(Copy, OverlappingCopiesOntoTheSameSurfaceBehaveLikeMemmove) {
  for (int32_t ox = -3; ox <= 3; ++ox) {
    for (int32_t oy = -3; oy <= 3; ++oy) {
      for (const bool inverted : {false, true}) {
        Canvas canvas(11, 9, 42);
        Image want = Snapshot(canvas);
        const auto op = [inverted](uint32_t s) { return inverted ? ~s : s; };
        ReferenceBlock(want, 2 + ox, 1 + oy, 7, 6, &want, 2, 1, op);
        if (inverted) {
          CopyInverted(canvas.surface(), 2 + ox, 1 + oy, 7, 6, canvas.surface(), 2, 1);
        } else {
          Copy(canvas.surface(), 2 + ox, 1 + oy, 7, 6, canvas.surface(), 2, 1);
        }
        EXPECT_EQ(Snapshot(canvas), want) << ox << "," << oy << " inverted " << inverted;
        EXPECT_TRUE(canvas.BorderIntact());
      }
    }
  }
}

TEST(Copy, ClipsAtEveryEdgeOfBothSurfaces) {
  // Rectangles reaching past each edge and corner of the destination and of
  // the source, and wholly outside each side.
  for (int32_t x = -6; x <= 8; x += 2) {
    for (int32_t y = -6; y <= 8; y += 2) {
      Canvas dst(5, 4, 1), src(6, 3, 2);
      Image want = Snapshot(dst);
      const Image src_before = Snapshot(src);
      ReferenceBlock(want, x, y, 4, 3, &src_before, -y / 2, x / 2, Same);
      Copy(dst.surface(), x, y, 4, 3, src.surface(), -y / 2, x / 2);
      EXPECT_EQ(Snapshot(dst), want) << x << "," << y << ": " << Difference(Snapshot(dst), want);
      EXPECT_EQ(Snapshot(src), src_before);
      EXPECT_TRUE(dst.BorderIntact() && src.BorderIntact());
    }
  }
}

// Lanes copied together draw what copying each column on its own draws,
// whatever rows they reach past either surface and whatever the sizes.
TEST(CopyLanes, DrawWhatCopyingEachColumnDraws) {
  for (const int32_t first : {0, 2, 5})
    for (const int32_t width : {1, 2, 3})
      for (const int32_t period : {1, 4, 7})
        for (int32_t dy = -4; dy <= 6; dy += 2)
          for (int32_t sy = -3; sy <= 5; sy += 4) {
            Canvas lanes(11, 6, 1), columns(11, 6, 1), src(9, 7, 2);
            CopyLanes(lanes.surface(), first, width, period, dy, 5, src.surface(), sy);
            for (int32_t x = first; x < 11; x += period)
              Copy(columns.surface(), x, dy, width, 5, src.surface(), x, sy);
            ASSERT_EQ(Snapshot(lanes), Snapshot(columns))
                << first << " " << width << " " << period << " " << dy << " " << sy << ": "
                << Difference(Snapshot(lanes), Snapshot(columns));
            ASSERT_TRUE(lanes.BorderIntact());
          }
}

// Blocks scattered band by band draw what copying each block in turn draws
// (after filling, for FillAndScatterBlocks): later blocks over earlier ones,
// blocks reaching past either surface clipped, over bands of every kind (a
// surface taller than a band); ScatterBlocks' blocks each of its own size,
// some of negative extent, some taller than a band.
TEST(FillAndScatterBlocks, DrawWhatCopyingEachBlockInTurnDraws) {
  std::mt19937 rnd(7);
  ScatterScratch scratch;
  const auto any = [&](int32_t a, int32_t b) {
    return std::uniform_int_distribution<int32_t>(a, b)(rnd);
  };
  for (const bool sized : {false, true}) {
    for (const auto& [w, h] : {std::pair{13, 9}, {40, 700}, {1, 1}}) {
      Canvas scattered(w, h, 1), copied(w, h, 1), src(w + 3, h + 2, 2);
      std::vector<BlockCopy> blocks;
      for (int i = 0; i < 500; ++i) {
        const bool tall = i % 50 == 0;
        blocks.push_back({any(-8, w + 8), any(-8, h + 8), sized ? any(-6, 12) : 5,
                          sized ? any(-6, tall ? 600 : 12) : 7, any(-8, w + 11), any(-8, h + 10)});
      }
      if (sized) {
        ScatterBlocks(scattered.surface(), blocks, src.surface(), scratch);
      } else {
        std::vector<BlockMove> moves;
        for (const BlockCopy& b : blocks)
          moves.push_back({b.dx, b.dy, b.sx, b.sy});
        FillAndScatterBlocks(scattered.surface(), 0x00123456, 5, 7, moves, src.surface(), scratch);
        Fill(copied.surface(), 0, 0, w, h, 0x00123456);
      }
      for (const BlockCopy& b : blocks)
        Copy(copied.surface(), b.dx, b.dy, b.w, b.h, src.surface(), b.sx, b.sy);
      ASSERT_EQ(Snapshot(scattered), Snapshot(copied))
          << sized << " " << w << " x " << h << ": "
          << Difference(Snapshot(scattered), Snapshot(copied));
      ASSERT_TRUE(scattered.BorderIntact());
    }
  }
}

// Columns blended in one pass down the rows draw what copying them from the
// old picture and blending each 2-pixel strip on its own draws, whatever the
// alphas (0 and 255 included) and wherever the columns reach past the edges
// (a strip that reaches past them blends nothing, as AlphaBlend: alpha 0).
TEST(BlendColumns, DrawWhatCopyingAndBlendingEachStripDraws) {
  std::mt19937 rnd(5);
  for (int32_t x = -30; x <= 40; x += 7) {
    Canvas rowwise(37, 23, 1), stripwise(37, 23, 1), under(37, 23, 2), over(37, 23, 3);
    std::vector<uint8_t> alpha(26);
    for (size_t i = 0; i < alpha.size(); i += 2) {
      const int32_t at = x + static_cast<int32_t>(i);
      const bool inside = at >= 0 && at + 2 <= 37;
      const auto a = static_cast<uint8_t>(i == 0 ? 0 : i == 2 ? 255 : rnd() & 0xFF);
      alpha[i] = alpha[i + 1] = inside ? a : 0;
    }
    BlendColumns(rowwise.surface(), x, 26, alpha.data(), under.surface(), over.surface());
    Copy(stripwise.surface(), x, 0, 26, 23, under.surface(), x, 0);
    for (int32_t i = 0; i < 26; i += 2)
      BlendConstant(stripwise.surface(), x + i, 0, 2, 23, over.surface(), x + i, 0, 2, 23,
                    alpha[static_cast<size_t>(i)]);
    ASSERT_EQ(Snapshot(rowwise), Snapshot(stripwise))
        << x << ": " << Difference(Snapshot(rowwise), Snapshot(stripwise));
    ASSERT_TRUE(rowwise.BorderIntact());
  }
}

TEST(Fill, WritesExactlyTheClippedRectangle) {
  for (int32_t x = -5; x <= 6; ++x) {
    Canvas canvas(4, 3, 3);
    Image want = Snapshot(canvas);
    ReferenceBlock(want, x, -1, -3, 3, nullptr, 0, 0, [](uint32_t) { return 0xFFFFFFFFu; });
    FillWhite(canvas.surface(), x, -1, -3, 3);
    EXPECT_EQ(Snapshot(canvas), want) << x;
    EXPECT_TRUE(canvas.BorderIntact());
  }
  Canvas canvas(3, 3, 4);
  FillBlack(canvas.surface(), 0, 0, 3, 3);
  Fill(canvas.surface(), 1, 1, 1, 1, 0x00123456);
  EXPECT_EQ(canvas.at(0, 0), 0u);
  EXPECT_EQ(canvas.at(1, 1), 0x00123456u);
}

TEST(GetPixel, ReturnsAColourrefInsideAndInvalidOutside) {
  Image image{2, 2, {0x00112233, 0xFF445566, 0, 0}};
  EXPECT_EQ(GetPixel(View(image), 0, 0), 0x00332211u);
  EXPECT_EQ(GetPixel(View(image), 1, 0), 0x00665544u);  // the X byte is not colour
  for (const auto& [x, y] : {std::pair{-1, 0}, {0, -1}, {2, 0}, {0, 2}})
    EXPECT_EQ(GetPixel(View(image), x, y), kInvalidColour);
  EXPECT_EQ(GetPixel(Surface{}, 0, 0), kInvalidColour);
}

TEST(Blend, TheRoundedFormulaIsExactForEveryInput) {
  for (int a = 0; a < 256; ++a) {
    for (int s = 0; s < 256; ++s) {
      for (int d = 0; d < 256; ++d) {
        const auto ad = static_cast<uint8_t>(a), sd = static_cast<uint8_t>(s);
        const auto dd = static_cast<uint8_t>(d);
        const int exact = ((d * (255 - a) + s * a) * 2 + 255) / 510;
        ASSERT_EQ(detail::BlendByte(dd, sd, ad), exact) << s << " " << d << " " << a;
        ASSERT_EQ(detail::BlendByteReference(dd, sd, ad), exact) << s << " " << d << " " << a;
      }
    }
  }
}

TEST(Blend, TheRowKernelAgreesWithTheFormulaForEveryInput) {
  // Each row holds all 256 destination bytes (64 pixels of four channels)
  // under one source byte; every alpha and source byte is run, through the
  // kernel the processor gets and through the SSE2 one.
  std::vector<uint32_t> d(64), s(64), want(64);
  for (int a = 0; a < 256; ++a) {
    for (uint32_t sb = 0; sb < 256; ++sb) {
      for (uint32_t i = 0; i < 64; ++i) {
        d[i] = (4 * i) | (4 * i + 1) << 8 | (4 * i + 2) << 16 | (4 * i + 3) << 24;
        s[i] = sb * 0x01010101u;
        want[i] = ReferenceBlendPixel(d[i], s[i], a);
      }
      std::vector<uint32_t> sse2 = d;
      detail::BlendRow(d.data(), s.data(), 64, static_cast<uint8_t>(a));
      ASSERT_EQ(d, want) << "alpha " << a << " source " << sb;
      detail::BlendRowSse2(sse2.data(), s.data(), 64, static_cast<uint8_t>(a));
      ASSERT_EQ(sse2, want) << "SSE2, alpha " << a << " source " << sb;
    }
  }
}

// The per-pixel kernel on rows of every length up to 40, with opacities in
// runs of 0 and 255 (skipped or copied eight at a time) and mixed ones.
TEST(Blend, TheMaskedKernelAgreesWithTheReferenceWhateverTheRuns) {
  std::mt19937 random(7);
  for (int round = 0; round < 400; ++round) {
    const int32_t n = round % 41;
    std::vector<uint32_t> d(static_cast<size_t>(n)), s(d.size());
    std::vector<uint8_t> alpha(d.size());
    const int kind = round % 4;  // all 0, all 255, runs of both, anything
    for (size_t i = 0; i < d.size(); ++i) {
      d[i] = static_cast<uint32_t>(random());
      s[i] = static_cast<uint32_t>(random());
      const uint32_t r = static_cast<uint32_t>(random());
      alpha[i] = kind == 0   ? 0
                 : kind == 1 ? 255
                 : kind == 2 ? ((i / 8) % 2 ? 255 : 0)
                             : static_cast<uint8_t>(r);
    }
    std::vector<uint32_t> want = d;
    detail::BlendRowMaskedReference(want.data(), s.data(), alpha.data(), n);
    detail::BlendRowMasked(d.data(), s.data(), alpha.data(), n);
    ASSERT_EQ(d, want) << "round " << round;
  }
}

TEST(Blend, BlendsOnlyASourceRectangleInsideItsSurface) {
  Canvas dst(6, 4, 5), src(4, 4, 6);
  const Image before = Snapshot(dst);
  // As AlphaBlend: a source reaching outside, a negative extent or alpha 0
  // draw nothing.
  BlendConstant(dst.surface(), 0, 0, 2, 2, src.surface(), 3, 0, 2, 2, 128);
  BlendConstant(dst.surface(), 0, 0, 2, 2, src.surface(), -1, 0, 2, 2, 128);
  BlendConstant(dst.surface(), 2, 0, -2, 2, src.surface(), 0, 0, 2, 2, 128);
  BlendConstant(dst.surface(), 0, 0, 2, 2, src.surface(), 0, 0, 2, 2, 0);
  EXPECT_EQ(Snapshot(dst), before);
  // A one-pixel-wide shrink takes the last source column, unlike StretchBlt.
  Image row = Numbered(4, 1), one{1, 1, {0}};
  BlendConstant(View(one), 0, 0, 1, 1, View(row), 0, 0, 4, 1, 255);
  EXPECT_EQ(one.px[0], 4u);
  // The destination is clipped; alpha 255 is a plain copy.
  Image want = before;
  ReferenceBlock(want, 4, -1, 4, 4, nullptr, 0, 0, Same);
  ReferenceStretch(want, 4, -1, 4, 4, Snapshot(src), 0, 0, 4, 4, Keep);
  BlendConstant(dst.surface(), 4, -1, 4, 4, src.surface(), 0, 0, 4, 4, 255);
  EXPECT_EQ(Snapshot(dst), want);
  EXPECT_TRUE(dst.BorderIntact() && src.BorderIntact());
}

TEST(Line, OnePixelLinesAreGdisPixels) {
  // Measured with LineTo and a one-pixel pen, from (2, 2).
  struct Case {
    int32_t ex, ey;
    std::vector<std::pair<int32_t, int32_t>> pixels;  // relative to the start
  };
  const Case cases[] = {
      {3, 0, {{0, 0}, {1, 0}, {2, 0}}},
      {-3, 0, {{0, 0}, {-1, 0}, {-2, 0}}},
      {4, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
      {-4, -2, {{0, 0}, {-1, -1}, {-2, -1}, {-3, -2}}},
      {-5, 2, {{0, 0}, {-1, 0}, {-2, 1}, {-3, 1}, {-4, 2}}},
      {2, 5, {{0, 0}, {0, 1}, {1, 2}, {1, 3}, {2, 4}}},
      {0, 0, {}},
  };
  for (const Case& c : cases) {
    Image image{13, 13, std::vector<uint32_t>(169)};
    DrawLine(View(image), 6, 6, 6 + c.ex, 6 + c.ey, 1, 0x00FFFFFF);
    Image want{13, 13, std::vector<uint32_t>(169)};
    for (const auto& [x, y] : c.pixels)
      want.at(6 + x, 6 + y) = 0x00FFFFFF;
    EXPECT_EQ(image, want) << c.ex << "," << c.ey << ": " << Difference(image, want);
  }
}

TEST(Line, AWidePenIsARoundCappedBandWithBothEnds) {
  // GDI draws these two exactly so: a width-4 pen from (0, 0) to (5, 0) covers
  // rows -2 .. 1, columns -1 .. 5 on the outer rows and -2 .. 6 on the inner
  // ones; a zero-length width-5 line is a dot of rows 3, 5, 5, 5, 3 wide.
  Image image{16, 10, std::vector<uint32_t>(160)};
  DrawLine(View(image), 4, 4, 9, 4, 4, 0x000000FF);  // red as a COLORREF
  for (int32_t y = 0; y < 10; ++y) {
    for (int32_t x = 0; x < 16; ++x) {
      const bool outer = y == 2 || y == 5, inner = y == 3 || y == 4;
      const bool on = (outer && x >= 3 && x <= 9) || (inner && x >= 2 && x <= 10);
      EXPECT_EQ(image.at(x, y), on ? 0x00FF0000u : 0u) << x << "," << y;
    }
  }
  Image dot{7, 7, std::vector<uint32_t>(49)};
  DrawLine(View(dot), 3, 3, 3, 3, 5, 0x00FFFFFF);
  for (int32_t y = 0; y < 7; ++y) {
    const int32_t half = (y == 1 || y == 5) ? 1 : (y >= 2 && y <= 4) ? 2 : -1;
    for (int32_t x = 0; x < 7; ++x)
      EXPECT_EQ(dot.at(x, y) != 0, std::abs(x - 3) <= half) << x << "," << y;
  }
}

TEST(Line, ClippingChangesNoPixelOfAnyLine) {
  // A line drawn onto a small surface is the matching window of the same line
  // drawn onto a large one, for thin and wide pens.
  std::mt19937 random(9);
  for (int i = 0; i < 400; ++i) {
    const auto coordinate = [&] { return static_cast<int32_t>(random() % 61) - 10; };
    const int32_t x1 = coordinate(), y1 = coordinate(), x2 = coordinate(), y2 = coordinate();
    const int32_t width = static_cast<int32_t>(random() % 7);
    Image big{41, 41, std::vector<uint32_t>(41 * 41)};
    DrawLine(View(big), x1 + 20, y1 + 20, x2 + 20, y2 + 20, width, 0x00FFFFFF);
    Image small{9, 7, std::vector<uint32_t>(63)};
    DrawLine(View(small), x1, y1, x2, y2, width, 0x00FFFFFF);
    for (int32_t y = 0; y < 7; ++y) {
      for (int32_t x = 0; x < 9; ++x)
        ASSERT_EQ(small.at(x, y), big.at(x + 20, y + 20)) << i << " width " << width;
    }
  }
}

TEST(PixelArray, CapturesARectangleAndDrawsItAsAStretch) {
  Canvas src(7, 5, 7);
  const PixelArray array = Capture(src.surface(), -2, 1, 6, 6);
  ASSERT_EQ(array.width, 6);
  ASSERT_EQ(array.height, 6);
  for (int32_t y = 0; y < 6; ++y) {
    for (int32_t x = 0; x < 6; ++x) {
      const bool inside = x >= 2 && y + 1 < 5;
      EXPECT_EQ(array.pixels[static_cast<size_t>(y * 6 + x)], inside ? src.at(x - 2, y + 1) : 0u);
    }
  }
  EXPECT_TRUE(Capture(src.surface(), 0, 0, 0, 3).pixels.empty());
  EXPECT_TRUE(Capture(src.surface(), 0, 0, 1 << 13, (1 << 13) + 1).pixels.empty());
  // Drawing the array is stretching from a surface holding the same pixels.
  const PixelArray whole = Capture(src.surface(), 0, 0, 7, 5);
  for (const auto& [dw, dh] : {std::pair{15, 11}, {3, 2}, {-7, 5}, {7, -9}}) {
    Canvas a(13, 9, 8), b(13, 9, 8);
    DrawPixelArray(a.surface(), 6, 4, dw, dh, whole, 1, 1, 5, 3);
    StretchNearest(b.surface(), 6, 4, dw, dh, src.surface(), 1, 1, 5, 3);
    EXPECT_EQ(Snapshot(a), Snapshot(b)) << dw << "x" << dh;
    EXPECT_TRUE(a.BorderIntact());
  }
}

TEST(GreyFilter, MatchesTheImagingLibrarysFixedPointMatrix) {
  // Every sum R + G + B, and the X byte kept.
  Image image{766, 1, std::vector<uint32_t>(766)};
  for (uint32_t sum = 0; sum < 766; ++sum) {
    const uint32_t r = std::min(sum, 255u), g = std::min(sum - r, 255u), b = sum - r - g;
    image.px[sum] = (sum % 7) << 24 | r << 16 | g << 8 | b;
  }
  ApplyGreyFilter(View(image));
  for (uint32_t sum = 0; sum < 766; ++sum) {
    const uint32_t grey = std::min(90 * sum / 256, 255u);
    EXPECT_EQ(image.px[sum], (sum % 7) << 24 | grey * 0x010101u) << sum;
  }
  // Measured: sums 36 and 57 give 12 and 20 (0.35 x 36 = 12.6, 0.35 x 57 = 19.95).
  Image two{2, 1, {36, 57}};
  ApplyGreyFilter(View(two));
  EXPECT_EQ(two.px, (std::vector<uint32_t>{0x0C0C0C, 0x141414}));
}

// --- Kernels -------------------------------------------------------------------

TEST(Kernels, FastRowsMatchTheirReferencesAtEveryLengthAndOffset) {
  std::mt19937 random(11);
  std::vector<uint32_t> s(90), d1(90), d2(90);
  std::vector<int32_t> index(40);
  for (int32_t n = 0; n <= 40; ++n) {
    for (int32_t offset = 0; offset < 4; ++offset) {
      for (auto& v : s)
        v = static_cast<uint32_t>(random());
      for (size_t i = 0; i < d1.size(); ++i)
        d1[i] = d2[i] = static_cast<uint32_t>(random());
      detail::MirrorRow(d1.data() + offset, s.data() + 3, n);
      detail::MirrorRowReference(d2.data() + offset, s.data() + 3, n);
      ASSERT_EQ(d1, d2) << "mirror " << n;
      const auto alpha = static_cast<uint8_t>(random());
      detail::BlendRow(d1.data() + offset, s.data() + 1, n, alpha);
      detail::BlendRowReference(d2.data() + offset, s.data() + 1, n, alpha);
      ASSERT_EQ(d1, d2) << "blend " << n;
      for (auto& i : index)
        i = static_cast<int32_t>(random() % s.size());
      detail::GatherRow(d1.data() + offset, s.data(), index.data(), n);
      detail::GatherRowReference(d2.data() + offset, s.data(), index.data(), n);
      ASSERT_EQ(d1, d2) << "gather " << n;
      detail::HalveRow(d1.data() + offset, s.data() + 2, n);
      detail::HalveRowReference(d2.data() + offset, s.data() + 2, n);
      ASSERT_EQ(d1, d2) << "halve " << n;
      detail::GreyRow(d1.data() + offset, n);
      detail::GreyRowReference(d2.data() + offset, n);
      ASSERT_EQ(d1, d2) << "grey " << n;
      const uint32_t colour = random() % 2 ? 0xFFFFFFFF : static_cast<uint32_t>(random());
      detail::FillRow(d1.data() + offset, n, colour);
      detail::FillRowReference(d2.data() + offset, n, colour);
      ASSERT_EQ(d1, d2) << "fill " << n;
      detail::CopyRow(d1.data() + offset, s.data() + 5, n);
      detail::CopyRowReference(d2.data() + offset, s.data() + 5, n);
      ASSERT_EQ(d1, d2) << "copy " << n;
    }
  }
}

TEST(Kernels, RowCopiesWithinOneRowBehaveLikeMemmove) {
  std::mt19937 random(13);
  for (int32_t n = 0; n <= 70; ++n) {
    for (int32_t shift = -19; shift <= 19; ++shift) {
      std::vector<uint32_t> a(120), b;
      for (auto& v : a)
        v = static_cast<uint32_t>(random());
      b = a;
      detail::CopyRow(a.data() + 25 + shift, a.data() + 25, n);
      std::memmove(b.data() + 25 + shift, b.data() + 25, static_cast<size_t>(n) * 4);
      ASSERT_EQ(a, b) << n << " shifted " << shift;
    }
  }
}

TEST(Kernels, AxisMapsAgreeWithTheMappingAtLargeSizes) {
  // The stepping table against the formula, for frame-sized spans clipped in
  // all sorts of ways.
  std::mt19937 random(12);
  for (int i = 0; i < 300; ++i) {
    const auto extent = [&] {
      const int32_t v = static_cast<int32_t>(random() % 4000) + 1;
      return random() % 2 ? v : -v;
    };
    const int32_t dext = extent(), sext = extent();
    const int32_t dsize = static_cast<int32_t>(random() % 3000) + 1;
    const int32_t ssize = static_cast<int32_t>(random() % 3000) + 1;
    const int32_t d0 = static_cast<int32_t>(random() % 6000) - 2000;
    const int32_t s0 = static_cast<int32_t>(random() % 6000) - 2000;
    for (const auto axis : {detail::Axis::kColumns, detail::Axis::kRows}) {
      const auto rule =
          random() % 2 ? detail::StretchRule::kStretchBlt : detail::StretchRule::kAlphaBlend;
      const detail::AxisMap map = detail::MapAxis(axis, rule, d0, dext, dsize, s0, sext, ssize);
      std::vector<int32_t> want;
      int32_t first = -1;
      for (int32_t pos = 0; pos < dsize; ++pos) {
        const int64_t k = dext > 0 ? pos - d0 : d0 - pos;
        if (k < 0 || k >= std::abs(dext)) continue;
        const bool one_column_rule =
            rule == detail::StretchRule::kStretchBlt && dext > 0 && sext > 0;
        const int64_t j = ReferenceIndex(axis == detail::Axis::kColumns, std::abs(sext),
                                         std::abs(dext), k, one_column_rule);
        const int64_t p = sext > 0 ? s0 + j : s0 - j;
        if (p < 0 || p >= ssize) continue;
        if (want.empty()) first = pos;
        want.push_back(static_cast<int32_t>(p));
      }
      ASSERT_EQ(map.source, want) << i;
      if (!want.empty()) {
        ASSERT_EQ(map.first, first) << i;
      }
    }
  }
}

// --- Seeded random runs -----------------------------------------------------------

// Random operands: mostly near and past the edges of small surfaces, with
// negative and zero extents, and now and then beyond GDI's coordinate range.
class Operands {
 public:
  explicit Operands(uint32_t seed) : random_(seed) {}
  int32_t Size() {
    static constexpr int32_t kSizes[] = {1, 1, 2, 3, 4, 5, 7, 8, 13, 16, 17};
    return kSizes[random_() % std::size(kSizes)];
  }
  int32_t Position(int32_t size) {
    if (random_() % 40 == 0) return Huge();
    return static_cast<int32_t>(random_() % static_cast<uint32_t>(3 * size + 9)) - size - 4;
  }
  int32_t Extent(int32_t size) {
    if (random_() % 40 == 0) return Huge();
    return static_cast<int32_t>(random_() % static_cast<uint32_t>(2 * size + 11)) - size - 5;
  }
  uint32_t Next() { return static_cast<uint32_t>(random_()); }

 private:
  int32_t Huge() {
    static constexpr int32_t kHuge[] = {(1 << 27) + 1, -(1 << 27) - 1, INT32_MAX, INT32_MIN};
    return kHuge[random_() % std::size(kHuge)];
  }
  std::mt19937 random_;
};

enum class Op {
  kCopy,
  kInvert,
  kBlack,
  kWhite,
  kFill,
  kStretch,
  kBlend,
  kArray,
  kLine,
  kWideLine,
  kCount
};

// Runs one random case on canvases and on plain images; returns what differs.
std::string RunCase(uint32_t seed) {
  Operands r(seed);
  const int32_t dw = r.Size(), dh = r.Size(), sw = r.Size(), sh = r.Size();
  Canvas dst(dw, dh, seed, r.Next() % 3 == 0 ? 0 : 3), src(sw, sh, ~seed, r.Next() % 2 ? 0 : 2);
  const bool same = r.Next() % 4 == 0;  // source and destination are one surface
  Canvas& from = same ? dst : src;
  Image want = Snapshot(dst);
  const Image source = Snapshot(from);
  const auto op = static_cast<Op>(r.Next() % static_cast<uint32_t>(Op::kCount));
  const int32_t x = r.Position(dw), y = r.Position(dh), w = r.Extent(dw), h = r.Extent(dh);
  const int32_t sx = r.Position(from.width()), sy = r.Position(from.height());
  const int32_t ssw = r.Extent(from.width()), ssh = r.Extent(from.height());
  const uint32_t value = r.Next();
  const auto alpha = static_cast<uint8_t>(r.Next() % 4 == 0 ? (r.Next() % 2) * 255 : r.Next());
  Image* const target = same ? &want : nullptr;
  const Image& read = target != nullptr ? *target : source;
  switch (op) {
    case Op::kCopy:
      ReferenceBlock(want, x, y, w, h, &read, sx, sy, Same);
      Copy(dst.surface(), x, y, w, h, from.surface(), sx, sy);
      break;
    case Op::kInvert:
      ReferenceBlock(want, x, y, w, h, &read, sx, sy, [](uint32_t p) { return ~p; });
      CopyInverted(dst.surface(), x, y, w, h, from.surface(), sx, sy);
      break;
    case Op::kBlack:
      ReferenceBlock(want, x, y, w, h, nullptr, 0, 0, [](uint32_t) { return 0u; });
      FillBlack(dst.surface(), x, y, w, h);
      break;
    case Op::kWhite:
      ReferenceBlock(want, x, y, w, h, nullptr, 0, 0, [](uint32_t) { return 0xFFFFFFFFu; });
      FillWhite(dst.surface(), x, y, w, h);
      break;
    case Op::kFill:
      ReferenceBlock(want, x, y, w, h, nullptr, 0, 0, [value](uint32_t) { return value; });
      Fill(dst.surface(), x, y, w, h, value);
      break;
    case Op::kStretch:
      ReferenceStretch(want, x, y, w, h, read, sx, sy, ssw, ssh, Keep);
      StretchNearest(dst.surface(), x, y, w, h, from.surface(), sx, sy, ssw, ssh);
      break;
    case Op::kBlend:
      ReferenceBlend(want, x, y, w, h, read, sx, sy, ssw, ssh, alpha);
      BlendConstant(dst.surface(), x, y, w, h, from.surface(), sx, sy, ssw, ssh, alpha);
      break;
    case Op::kArray: {
      // Capture part of the source, then draw a rectangle of the array.
      const auto size = [](int32_t e) {
        return static_cast<int32_t>(std::abs(int64_t{e}) % 20) + 1;
      };
      const int32_t cw = size(ssw), ch = size(ssh);
      Image captured{cw, ch, std::vector<uint32_t>(static_cast<size_t>(cw * ch))};
      ReferenceBlock(captured, 0, 0, cw, ch, &source, sx, sy, Same);
      const PixelArray array = Capture(from.surface(), sx, sy, cw, ch);
      if (array.pixels != captured.px) return "capture differs";
      const int32_t ax = r.Position(cw), ay = r.Position(ch), aw = r.Extent(cw), ah = r.Extent(ch);
      ReferenceStretch(want, x, y, w, h, captured, ax, ay, aw, ah, Keep);
      DrawPixelArray(dst.surface(), x, y, w, h, array, ax, ay, aw, ah);
      break;
    }
    case Op::kLine: {
      const bool far = AnyBeyondLimit({x, y, w, h});
      if (!far) ReferenceThinLine(want, x, y, w, h, value & 0xFFFFFF);
      const uint32_t colour = (value & 0xFF) << 16 | (value & 0xFF00) | (value >> 16 & 0xFF);
      DrawLine(dst.surface(), x, y, w, h, static_cast<int32_t>(r.Next() % 2), colour);
      break;
    }
    case Op::kWideLine: {
      const int32_t width = static_cast<int32_t>(r.Next() % 11) + 2;
      const bool far = AnyBeyondLimit({x, y, w, h});
      if (!far) ReferenceWideLine(want, x, y, w, h, width, value & 0xFFFFFF);
      const uint32_t colour = (value & 0xFF) << 16 | (value & 0xFF00) | (value >> 16 & 0xFF);
      DrawLine(dst.surface(), x, y, w, h, width, colour);
      break;
    }
    case Op::kCount:
      break;
  }
  const Image got = Snapshot(dst);
  std::string failure;
  if (got != want) failure = "destination: " + Difference(got, want);
  if (!same && Snapshot(src) != source) failure += " source changed";
  if (!dst.BorderIntact() || !src.BorderIntact()) failure += " border written";
  if (failure.empty()) return failure;
  char operands[160];
  std::snprintf(operands, sizeof operands,
                "op %d on %dx%d from %dx%d%s: (%d, %d, %d, %d) from (%d, %d, %d, %d) alpha %d; ",
                static_cast<int>(op), dw, dh, from.width(), from.height(), same ? " (same)" : "", x,
                y, w, h, sx, sy, ssw, ssh, alpha);
  return operands + failure;
}

TEST(RandomRuns, EveryOperationMatchesItsReferenceInsideASentinelBorder) {
  // LANTERN_RASTER_CASE=n runs case n alone.
  const char* only = std::getenv("LANTERN_RASTER_CASE");
  constexpr uint32_t kCases = 20000;
  for (uint32_t seed = 0; seed < kCases; ++seed) {
    if (only != nullptr && std::strtoul(only, nullptr, 10) != seed) continue;
    const std::string failure = RunCase(seed);
    ASSERT_TRUE(failure.empty()) << "case " << seed << ": " << failure;
  }
}

// A halving shrink reads exactly the pixels it takes: a source row of
// 2n - 1 pixels at the end of its buffer (a captured pixel array's last row)
// is read to its last pixel and no further (AddressSanitizer checks it).
TEST(RowKernels, HalvingReadsNoPixelPastTheLastTaken) {
  for (int32_t n = 1; n <= 40; ++n) {
    std::vector<uint32_t> source(static_cast<size_t>(2 * n - 1));
    for (size_t i = 0; i < source.size(); ++i)
      source[i] = static_cast<uint32_t>(i * 2654435761u);
    std::vector<uint32_t> fast(static_cast<size_t>(n)), reference(static_cast<size_t>(n));
    detail::HalveRow(fast.data(), source.data(), n);
    detail::HalveRowReference(reference.data(), source.data(), n);
    ASSERT_EQ(fast, reference) << n;
  }
}

}  // namespace
}  // namespace lantern::imaging
