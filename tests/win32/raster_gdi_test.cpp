// Our raster operations against GDI itself: BitBlt, StretchBlt (COLORONCOLOR),
// AlphaBlend (constant alpha), LineTo, GetPixel, DrawDibDraw and the GDI+
// colour matrix, on 32-bit top-down DIB sections, for thousands of seeded
// random rectangles. GDI draws into a DIB section, we draw into a copy of it
// taken before, and the pixels are compared.
#include <windows.h>
// GDI+ and DrawDib headers need parts that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>
#include <vfw.h>

#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/raster.h"
#include "tests/win32/dib.h"

namespace lantern::imaging {
namespace {

using testing::Dib;

// Our side: a copy of a DIB's pixels before GDI drew.
struct Mirror {
  int32_t width, height;
  std::vector<uint32_t> pixels;
  Surface surface() {
    return {reinterpret_cast<uint8_t*>(pixels.data()), width, height, width * 4};
  }
};
Mirror MirrorOf(Dib& dib) {
  return {dib.width(), dib.height(), dib.Copy()};
}

// Pixels that differ (mask selects the compared bits) and the largest
// per-byte difference.
struct Comparison {
  int differing = 0;
  int largest = 0;
  int first = -1;
};
Comparison Compare(const std::vector<uint32_t>& ours, const std::vector<uint32_t>& gdi,
                   uint32_t mask = 0xFFFFFFFF) {
  Comparison c;
  for (size_t i = 0; i < ours.size(); ++i) {
    const uint32_t a = ours[i] & mask, b = gdi[i] & mask;
    if (a == b) continue;
    if (c.differing++ == 0) c.first = static_cast<int>(i);
    for (int shift = 0; shift < 32; shift += 8) {
      const int d =
          std::abs(static_cast<int>(a >> shift & 0xFF) - static_cast<int>(b >> shift & 0xFF));
      c.largest = std::max(c.largest, d);
    }
  }
  return c;
}

class Random {
 public:
  explicit Random(uint32_t seed) : engine_(seed) {}
  int32_t Between(int32_t lo, int32_t hi) {  // inclusive
    return lo + static_cast<int32_t>(engine_() % static_cast<uint32_t>(hi - lo + 1));
  }
  int32_t Size() { return Between(0, 9) == 0 ? Between(1, 300) : Between(1, 40); }
  int32_t Sign() { return Between(0, 1) ? 1 : -1; }
  uint32_t Next() { return static_cast<uint32_t>(engine_()); }

 private:
  std::mt19937 engine_;
};

std::string Describe(const char* what, std::initializer_list<int32_t> values) {
  std::ostringstream text;
  text << what;
  for (const int32_t v : values)
    text << ' ' << v;
  return text.str();
}

// --- Block transfers -------------------------------------------------------------

TEST(Gdi, BlockTransfersAndFillsGiveBitBltsPixels) {
  Random random(1);
  for (int i = 0; i < 3000; ++i) {
    Dib dst(random.Size(), random.Size(), random.Next());
    Dib other(random.Size(), random.Size(), random.Next());
    const bool same = random.Between(0, 3) == 0;  // BitBlt onto its own device context
    Dib& src = same ? dst : other;
    Mirror ours = MirrorOf(dst), ours_src = MirrorOf(src);
    const int32_t op = random.Between(0, 3);
    const int32_t w = random.Between(-dst.width() - 5, dst.width() + 5);
    const int32_t h = random.Between(-dst.height() - 5, dst.height() + 5);
    const int32_t x = random.Between(-10, dst.width() + 10),
                  y = random.Between(-10, dst.height() + 10);
    const int32_t sx = random.Between(-10, src.width() + 10),
                  sy = random.Between(-10, src.height() + 10);
    const Surface from = same ? ours.surface() : ours_src.surface();
    static constexpr DWORD kRops[] = {SRCCOPY, NOTSRCCOPY, BLACKNESS, WHITENESS};
    BitBlt(dst.dc(), x, y, w, h, op < 2 ? src.dc() : nullptr, sx, sy, kRops[op]);
    switch (op) {
      case 0:
        Copy(ours.surface(), x, y, w, h, from, sx, sy);
        break;
      case 1:
        CopyInverted(ours.surface(), x, y, w, h, from, sx, sy);
        break;
      case 2:
        FillBlack(ours.surface(), x, y, w, h);
        break;
      default:
        FillWhite(ours.surface(), x, y, w, h);
        break;
    }
    const Comparison c = Compare(ours.pixels, dst.Copy());
    ASSERT_EQ(c.differing, 0) << "case " << i << ": "
                              << Describe("op x y w h sx sy", {op, x, y, w, h, sx, sy})
                              << (same ? " (same surface)" : "") << ", first at " << c.first;
  }
}

TEST(Gdi, GetPixelGivesTheSameColourrefs) {
  Random random(2);
  Dib dib(13, 7, 3);
  Mirror ours = MirrorOf(dib);
  for (int i = 0; i < 500; ++i) {
    const int32_t x = random.Between(-3, 15), y = random.Between(-3, 9);
    ASSERT_EQ(GetPixel(ours.surface(), x, y), ::GetPixel(dib.dc(), x, y)) << x << "," << y;
  }
}

// --- Stretches and blends --------------------------------------------------------

// A random stretch span for one axis. GDI clips a source rectangle that leaves
// its surface proportionally and, for mirrored or shrinking spans, then moves
// or repeats pixels; we keep the mapping of the whole rectangle instead (see
// StretchNearest). Such spans are left out: the source stays inside, except for
// enlarging spans of one direction, where GDI keeps the mapping too.
struct Span {
  int32_t d0, d_extent, s0, s_extent;
};
Span RandomSpan(Random& random, int32_t d_size, int32_t s_size, bool allow_mirror) {
  const int32_t D = random.Between(1, std::max(2, d_size + d_size / 2));
  const int32_t d_sign = allow_mirror ? random.Sign() : 1;
  const int32_t d0 = random.Between(-D - 3, d_size + D + 3);
  if (random.Between(0, 3) == 0) {  // enlarging, possibly reaching outside the source
    const int32_t S = random.Between(1, D);
    const int32_t s0 = random.Between(-S, s_size + S);
    return {d0, d_sign * D, s0, d_sign * S};
  }
  const int32_t S = random.Between(1, s_size);
  const int32_t s_sign = allow_mirror ? random.Sign() : 1;
  const int32_t start = random.Between(0, s_size - S);  // lowest source pixel
  return {d0, d_sign * D, s_sign > 0 ? start : start + S - 1, s_sign * S};
}

TEST(Gdi, StretchesGiveStretchBltsPixelsIncludingMirrors) {
  Random random(4);
  for (int i = 0; i < 4000; ++i) {
    Dib dst(random.Size(), random.Size(), random.Next());
    Dib src(random.Size(), random.Size(), random.Next());
    Mirror ours = MirrorOf(dst), ours_src = MirrorOf(src);
    const Span x = RandomSpan(random, dst.width(), src.width(), true);
    const Span y = RandomSpan(random, dst.height(), src.height(), true);
    SetStretchBltMode(dst.dc(), COLORONCOLOR);
    StretchBlt(dst.dc(), x.d0, y.d0, x.d_extent, y.d_extent, src.dc(), x.s0, y.s0, x.s_extent,
               y.s_extent, SRCCOPY);
    StretchNearest(ours.surface(), x.d0, y.d0, x.d_extent, y.d_extent, ours_src.surface(), x.s0,
                   y.s0, x.s_extent, y.s_extent);
    const Comparison c = Compare(ours.pixels, dst.Copy());
    ASSERT_EQ(c.differing, 0) << "case " << i << " on " << dst.width() << "x" << dst.height()
                              << " from " << src.width() << "x" << src.height() << ": "
                              << Describe("x", {x.d0, x.d_extent, x.s0, x.s_extent})
                              << Describe(" y", {y.d0, y.d_extent, y.s0, y.s_extent});
  }
}

TEST(Gdi, FrameSizedStretchesGiveStretchBltsPixels) {
  // Whole rows and columns at frame scale: enlarging, halving, mirroring.
  struct Case {
    int32_t from, to;
  };
  for (const Case c : {Case{960, 1920}, Case{1920, 960}, Case{1366, 1920}, Case{1920, 1366},
                       Case{1080, -1080}, Case{-1920, 1921}, Case{3840, 1919}}) {
    for (const bool columns : {true, false}) {
      const int32_t from = std::abs(c.from), to = std::abs(c.to);
      Dib src(columns ? from : 1, columns ? 1 : from, 5),
          dst(columns ? to : 1, columns ? 1 : to, 6);
      Mirror ours = MirrorOf(dst), ours_src = MirrorOf(src);
      const int32_t s0 = c.from < 0 ? from - 1 : 0, d0 = c.to < 0 ? to - 1 : 0;
      SetStretchBltMode(dst.dc(), COLORONCOLOR);
      if (columns) {
        StretchBlt(dst.dc(), d0, 0, c.to, 1, src.dc(), s0, 0, c.from, 1, SRCCOPY);
        StretchNearest(ours.surface(), d0, 0, c.to, 1, ours_src.surface(), s0, 0, c.from, 1);
      } else {
        StretchBlt(dst.dc(), 0, d0, 1, c.to, src.dc(), 0, s0, 1, c.from, SRCCOPY);
        StretchNearest(ours.surface(), 0, d0, 1, c.to, ours_src.surface(), 0, s0, 1, c.from);
      }
      EXPECT_EQ(Compare(ours.pixels, dst.Copy()).differing, 0)
          << c.from << " -> " << c.to << (columns ? " columns" : " rows");
    }
  }
}

TEST(Gdi, ConstantAlphaBlendsGiveAlphaBlendsPixels) {
  Random random(7);
  for (int i = 0; i < 3000; ++i) {
    Dib dst(random.Size(), random.Size(), random.Next());
    Dib src(random.Size(), random.Size(), random.Next());
    Mirror ours = MirrorOf(dst), ours_src = MirrorOf(src);
    const bool scaled = random.Between(0, 2) == 0;
    Span x = RandomSpan(random, dst.width(), src.width(), false);
    Span y = RandomSpan(random, dst.height(), src.height(), false);
    if (!scaled) x.d_extent = x.s_extent, y.d_extent = y.s_extent;
    // AlphaBlend refuses a source outside its surface; so do we, and that is
    // compared too.
    const auto alpha = static_cast<uint8_t>(random.Between(0, 6) == 0 ? random.Between(0, 1) * 255
                                                                      : random.Between(0, 255));
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, 0};
    AlphaBlend(dst.dc(), x.d0, y.d0, x.d_extent, y.d_extent, src.dc(), x.s0, y.s0, x.s_extent,
               y.s_extent, blend);
    BlendConstant(ours.surface(), x.d0, y.d0, x.d_extent, y.d_extent, ours_src.surface(), x.s0,
                  y.s0, x.s_extent, y.s_extent, alpha);
    const Comparison c = Compare(ours.pixels, dst.Copy());
    // GDI rounds to nearest as we do: not a single byte differs.
    ASSERT_EQ(c.differing, 0) << "case " << i << " alpha " << int{alpha} << ": "
                              << Describe("x", {x.d0, x.d_extent, x.s0, x.s_extent})
                              << Describe(" y", {y.d0, y.d_extent, y.s0, y.s_extent})
                              << ", largest difference " << c.largest;
  }
}

// --- Lines --------------------------------------------------------------------------

// Draws a line with a solid pen of the given width, as the picture boxes do.
void GdiLine(Dib& dib, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width,
             COLORREF colour) {
  HPEN pen = CreatePen(PS_SOLID, width, colour);
  HGDIOBJ old = SelectObject(dib.dc(), pen);
  MoveToEx(dib.dc(), x1, y1, nullptr);
  LineTo(dib.dc(), x2, y2);
  SelectObject(dib.dc(), old);
  DeleteObject(pen);
}

TEST(Gdi, OnePixelLinesGiveLineTosPixels) {
  Random random(8);
  for (int i = 0; i < 3000; ++i) {
    Dib dib(random.Size(), random.Size(), random.Next());
    Mirror ours = MirrorOf(dib);
    const auto coordinate = [&](int32_t size) { return random.Between(-20, size + 20); };
    const int32_t x1 = coordinate(dib.width()), y1 = coordinate(dib.height());
    const int32_t x2 = coordinate(dib.width()), y2 = coordinate(dib.height());
    const COLORREF colour = random.Next() & 0xFFFFFF;
    GdiLine(dib, x1, y1, x2, y2, 1, colour);
    DrawLine(ours.surface(), x1, y1, x2, y2, 1, colour);
    ASSERT_EQ(Compare(ours.pixels, dib.Copy()).differing, 0)
        << "case " << i << Describe(": line", {x1, y1, x2, y2});
  }
}

// How far (in whole pixels, in either axis) the farthest drawn pixel of one
// picture lies from the nearest drawn pixel of the other, up to a limit.
int Farthest(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int32_t width,
             int32_t height, int limit) {
  int farthest = 0;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      if (a[static_cast<size_t>(y * width + x)] == 0) continue;
      int d = 0;
      const auto within = [&](int r) {
        for (int32_t v = std::max(0, y - r); v <= std::min(height - 1, y + r); ++v) {
          for (int32_t u = std::max(0, x - r); u <= std::min(width - 1, x + r); ++u) {
            if (b[static_cast<size_t>(v * width + u)] != 0) return true;
          }
        }
        return false;
      };
      while (d <= limit && !within(d))
        ++d;
      farthest = std::max(farthest, d);
    }
  }
  return farthest;
}

TEST(Gdi, WidePenLinesLieWhereGdisLie) {
  // GDI fills a wide line as a polygon with rounded vertices plus elliptic
  // end caps, and places the polygon up to two pixels off the line's centre
  // for some directions; ours is the exact round-capped band around it. Over
  // these lines about 12 % of GDI's pixels differ, along the edges; no pixel
  // of either lies more than two pixels from a pixel of the other.
  Random random(9);
  int differing = 0, drawn = 0;
  for (int i = 0; i < 2000; ++i) {
    // Whole lines: how a line is cut at a surface's edge is tested on its own.
    Dib dib(64, 64, 0);
    std::fill(dib.pixels().begin(), dib.pixels().end(), 0);
    Mirror ours = MirrorOf(dib);
    const int32_t x1 = random.Between(8, 56), y1 = random.Between(8, 56);
    const int32_t x2 = random.Between(8, 56), y2 = random.Between(8, 56);
    const int32_t width = random.Between(2, 12);
    GdiLine(dib, x1, y1, x2, y2, width, RGB(255, 255, 255));
    DrawLine(ours.surface(), x1, y1, x2, y2, width, RGB(255, 255, 255));
    const std::vector<uint32_t> gdi = dib.Copy();
    const int apart = std::max(Farthest(ours.pixels, gdi, dib.width(), dib.height(), 3),
                               Farthest(gdi, ours.pixels, dib.width(), dib.height(), 3));
    ASSERT_LE(apart, 2) << "case " << i << Describe(": line", {x1, y1, x2, y2, width});
    differing += Compare(ours.pixels, gdi).differing;
    drawn += static_cast<int>(std::count(gdi.begin(), gdi.end(), 0x00FFFFFFu));
  }
  std::printf("wide lines: %d pixels differ of %d GDI drew\n", differing, drawn);
}

// --- Pixel arrays and the grey filter ---------------------------------------------

// The array as the program hands it to DrawDib: 24-bit rows, bottom row first,
// each padded to four bytes.
std::vector<uint8_t> BottomUp24(const PixelArray& array) {
  const size_t row = (static_cast<size_t>(array.width) * 3 + 3) / 4 * 4;
  std::vector<uint8_t> bits(row * static_cast<size_t>(array.height));
  for (int32_t y = 0; y < array.height; ++y) {
    uint8_t* out = bits.data() + row * static_cast<size_t>(array.height - 1 - y);
    for (int32_t x = 0; x < array.width; ++x) {
      const uint32_t p = array.pixels[static_cast<size_t>(y * array.width + x)];
      out[3 * x] = static_cast<uint8_t>(p);
      out[3 * x + 1] = static_cast<uint8_t>(p >> 8);
      out[3 * x + 2] = static_cast<uint8_t>(p >> 16);
    }
  }
  return bits;
}

TEST(Gdi, PixelArraysDrawAsDrawDibDrawsThem) {
  HDRAWDIB draw_dib = DrawDibOpen();
  ASSERT_NE(draw_dib, nullptr);
  Random random(10);
  for (int i = 0; i < 1000; ++i) {
    Dib picture(random.Size(), random.Size(), random.Next());
    Dib dst(random.Size(), random.Size(), random.Next());
    Mirror ours = MirrorOf(dst);
    const PixelArray array =
        Capture(MirrorOf(picture).surface(), 0, 0, picture.width(), picture.height());
    std::vector<uint8_t> bits = BottomUp24(array);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = array.width;
    header.biHeight = array.height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const Span x = RandomSpan(random, dst.width(), array.width, false);
    const Span y = RandomSpan(random, dst.height(), array.height, false);
    SetStretchBltMode(dst.dc(), COLORONCOLOR);
    ASSERT_TRUE(DrawDibDraw(draw_dib, dst.dc(), x.d0, y.d0, x.d_extent, y.d_extent, &header,
                            bits.data(), x.s0, y.s0, x.s_extent, y.s_extent, 512));
    DrawPixelArray(ours.surface(), x.d0, y.d0, x.d_extent, y.d_extent, array, x.s0, y.s0,
                   x.s_extent, y.s_extent);
    const Comparison c = Compare(ours.pixels, dst.Copy(), 0x00FFFFFF);
    ASSERT_EQ(c.differing, 0) << "case " << i << " on " << dst.width() << "x" << dst.height()
                              << " from " << array.width << "x" << array.height << ": "
                              << Describe("x", {x.d0, x.d_extent, x.s0, x.s_extent})
                              << Describe(" y", {y.d0, y.d_extent, y.s0, y.s_extent});
  }
  DrawDibClose(draw_dib);
}

TEST(Gdi, GreyFilterGivesTheImagingLibrarysColourMatrix) {
  using namespace Gdiplus;
  using namespace Gdiplus::DllExports;
  GdiplusStartupInput input;
  ULONG_PTR token = 0;
  ASSERT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
  Dib dib(257, 61, 11);
  Mirror ours = MirrorOf(dib);
  // The effect redraws a surface's own picture onto it through the matrix.
  std::vector<uint32_t> picture = dib.Copy();
  GpBitmap* bitmap = nullptr;
  ASSERT_EQ(
      GdipCreateBitmapFromScan0(dib.width(), dib.height(), dib.width() * 4, PixelFormat32bppRGB,
                                reinterpret_cast<BYTE*>(picture.data()), &bitmap),
      Ok);
  GpGraphics* graphics = nullptr;
  GpImageAttributes* attributes = nullptr;
  ASSERT_EQ(GdipCreateFromHDC(dib.dc(), &graphics), Ok);
  ASSERT_EQ(GdipCreateImageAttributes(&attributes), Ok);
  ColorMatrix matrix{};
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column)
      matrix.m[row][column] = 0.35f;
  }
  matrix.m[3][3] = 1;
  matrix.m[4][4] = 1;
  EXPECT_EQ(GdipSetImageAttributesColorMatrix(attributes, ColorAdjustTypeDefault, TRUE, &matrix,
                                              nullptr, ColorMatrixFlagsDefault),
            Ok);
  EXPECT_EQ(
      GdipDrawImageRectRectI(graphics, bitmap, 0, 0, dib.width(), dib.height(), 0, 0, dib.width(),
                             dib.height(), UnitPixel, attributes, nullptr, nullptr),
      Ok);
  GdipDeleteGraphics(graphics);
  GdipDisposeImageAttributes(attributes);
  GdipDisposeImage(bitmap);
  GdiplusShutdown(token);
  ApplyGreyFilter(ours.surface());
  // The imaging library fills the X byte; we keep it.
  EXPECT_EQ(Compare(ours.pixels, dib.Copy(), 0x00FFFFFF).differing, 0);
}

}  // namespace
}  // namespace lantern::imaging
