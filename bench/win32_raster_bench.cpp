// Raster operation figures on Windows (under Wine): each operation at
// 1920x1080 and 3840x2160, ours and the system's own equivalent (GDI, DrawDib,
// GDI+) on the same DIB sections. pixman is not packaged for this target, so
// the system is the reference here. Prints medians (and quartiles) in
// milliseconds and the ratio ours / system.
#include <windows.h>
// GDI+ and DrawDib headers need parts that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>
#include <vfw.h>

#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "imaging/raster.h"
#include "tests/win32/dib.h"

namespace {

namespace raster = lantern::imaging;

// The benchmark's DIB sections stretch in COLORONCOLOR mode, as ours do.
struct Dib : lantern::testing::Dib {
  Dib(int32_t width, int32_t height) : lantern::testing::Dib(width, height, 12345) {
    SetStretchBltMode(dc(), COLORONCOLOR);
  }
};

double Now() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / frequency;
}

struct Figures {
  double q1, median, q3;
};

// Runs ours and the system's in alternating blocks of five, so that each
// runs in the steady state of repeated frames (the first run of a block, which
// inherits the other's cache state, is not counted), until both have about
// half a second of samples (at least 8, at most 64 each).
std::pair<Figures, Figures> Measure(const std::function<void()>& ours,
                                    const std::function<void()>& system) {
  std::vector<double> a, b;
  double spent = 0;
  const auto block = [&](const std::function<void()>& run, std::vector<double>& times) {
    for (int i = 0; i < 5; ++i) {
      const double start = Now();
      run();
      GdiFlush();
      const double took = Now() - start;
      spent += took;
      if (i > 0) times.push_back(took);
    }
  };
  while (a.size() < 64 && (a.size() < 8 || spent < 1000)) {
    block(ours, a);
    block(system, b);
  }
  const auto quartiles = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const auto at = [&](double f) {
      return v[static_cast<size_t>(f * static_cast<double>(v.size() - 1))];
    };
    return Figures{at(0.25), at(0.5), at(0.75)};
  };
  return {quartiles(a), quartiles(b)};
}

void Report(const char* name, int32_t w, int32_t h, const char* system_name,
            const std::pair<Figures, Figures>& f) {
  std::printf(
      "%-16s %4dx%-4d  ours %8.3f ms (%.3f..%.3f)  %-12s %8.3f ms (%.3f..%.3f)  ratio %.2f\n", name,
      w, h, f.first.median, f.first.q1, f.first.q3, system_name, f.second.median, f.second.q1,
      f.second.q3, f.first.median / f.second.median);
  std::fflush(stdout);
}

void BlockOperations(int32_t w, int32_t h) {
  Dib src(w, h), dst(w, h);
  Report("copy", w, h, "BitBlt",
         Measure([&] { raster::Copy(dst.surface(), 0, 0, w, h, src.surface(), 0, 0); },
                 [&] { BitBlt(dst.dc(), 0, 0, w, h, src.dc(), 0, 0, SRCCOPY); }));
  Report("copy inverted", w, h, "BitBlt",
         Measure([&] { raster::CopyInverted(dst.surface(), 0, 0, w, h, src.surface(), 0, 0); },
                 [&] { BitBlt(dst.dc(), 0, 0, w, h, src.dc(), 0, 0, NOTSRCCOPY); }));
  Report("fill white", w, h, "BitBlt",
         Measure([&] { raster::FillWhite(dst.surface(), 0, 0, w, h); },
                 [&] { BitBlt(dst.dc(), 0, 0, w, h, nullptr, 0, 0, WHITENESS); }));
  Report("mirror", w, h, "StretchBlt",
         Measure(
             [&] {
               raster::StretchNearest(dst.surface(), 0, 0, w, h, src.surface(), w - 1, 0, -w, h);
             },
             [&] { StretchBlt(dst.dc(), 0, 0, w, h, src.dc(), w - 1, 0, -w, h, SRCCOPY); }));
  const BLENDFUNCTION half{AC_SRC_OVER, 0, 128, 0};
  Report(
      "blend", w, h, "AlphaBlend",
      Measure(
          [&] { raster::BlendConstant(dst.surface(), 0, 0, w, h, src.surface(), 0, 0, w, h, 128); },
          [&] { AlphaBlend(dst.dc(), 0, 0, w, h, src.dc(), 0, 0, w, h, half); }));
  Report("wide lines", w, h, "LineTo",
         Measure(
             [&] {
               for (int32_t y = h - 1; y >= 0; y -= 4)
                 raster::DrawLine(dst.surface(), w, y, 0, y, 4, 0x00336699);
             },
             [&] {
               HPEN pen = CreatePen(PS_SOLID, 4, 0x00336699);
               HGDIOBJ old = SelectObject(dst.dc(), pen);
               for (int32_t y = h - 1; y >= 0; y -= 4) {
                 MoveToEx(dst.dc(), w, y, nullptr);
                 LineTo(dst.dc(), 0, y);
               }
               SelectObject(dst.dc(), old);
               DeleteObject(pen);
             }));
}

void Stretches(int32_t w, int32_t h) {
  Dib dst(w, h);
  {
    Dib big(2 * w, 2 * h);
    Report("stretch halve", w, h, "StretchBlt",
           Measure(
               [&] {
                 raster::StretchNearest(dst.surface(), 0, 0, w, h, big.surface(), 0, 0, 2 * w,
                                        2 * h);
               },
               [&] { StretchBlt(dst.dc(), 0, 0, w, h, big.dc(), 0, 0, 2 * w, 2 * h, SRCCOPY); }));
  }
  Dib small(w / 2, h / 2);
  Report("stretch double", w, h, "StretchBlt",
         Measure(
             [&] {
               raster::StretchNearest(dst.surface(), 0, 0, w, h, small.surface(), 0, 0, w / 2,
                                      h / 2);
             },
             [&] { StretchBlt(dst.dc(), 0, 0, w, h, small.dc(), 0, 0, w / 2, h / 2, SRCCOPY); }));
}

// The 24-bit bottom-up array the program hands DrawDib.
std::vector<uint8_t> BottomUp24(const raster::PixelArray& array) {
  const size_t row = (static_cast<size_t>(array.width) * 3 + 3) / 4 * 4;
  std::vector<uint8_t> bits(row * static_cast<size_t>(array.height));
  for (int32_t y = 0; y < array.height; ++y) {
    uint8_t* out = bits.data() + row * static_cast<size_t>(array.height - 1 - y);
    for (int32_t x = 0; x < array.width; ++x) {
      const uint32_t p = array.pixels[static_cast<size_t>(y) * static_cast<size_t>(array.width) +
                                      static_cast<size_t>(x)];
      out[3 * x] = static_cast<uint8_t>(p);
      out[3 * x + 1] = static_cast<uint8_t>(p >> 8);
      out[3 * x + 2] = static_cast<uint8_t>(p >> 16);
    }
  }
  return bits;
}

void PixelArrayZoom(int32_t w, int32_t h) {
  Dib src(w, h), dst(w, h);
  const raster::PixelArray array = raster::Capture(src.surface(), 0, 0, w, h);
  std::vector<uint8_t> bits = BottomUp24(array);
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = w;
  header.biHeight = h;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  HDRAWDIB draw_dib = DrawDibOpen();
  const int32_t x0 = w / 20, y0 = h / 20;
  Report("pixel array zoom", w, h, "DrawDibDraw",
         Measure(
             [&] {
               raster::DrawPixelArray(dst.surface(), 0, 0, w, h, array, x0, y0, w - 2 * x0,
                                      h - 2 * y0);
             },
             [&] {
               DrawDibDraw(draw_dib, dst.dc(), 0, 0, w, h, &header, bits.data(), x0, y0, w - 2 * x0,
                           h - 2 * y0, 512);
             }));
  DrawDibClose(draw_dib);
}

void GreyFilter(int32_t w, int32_t h) {
  using namespace Gdiplus;
  using namespace Gdiplus::DllExports;
  Dib dst(w, h);
  std::vector<uint32_t> picture(static_cast<size_t>(w) * static_cast<size_t>(h), 0x00808080);
  GpBitmap* bitmap = nullptr;
  GdipCreateBitmapFromScan0(w, h, w * 4, PixelFormat32bppRGB,
                            reinterpret_cast<BYTE*>(picture.data()), &bitmap);
  GpImageAttributes* attributes = nullptr;
  GdipCreateImageAttributes(&attributes);
  ColorMatrix matrix{};
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column)
      matrix.m[row][column] = 0.35f;
  }
  matrix.m[3][3] = 1;
  matrix.m[4][4] = 1;
  GdipSetImageAttributesColorMatrix(attributes, ColorAdjustTypeDefault, TRUE, &matrix, nullptr,
                                    ColorMatrixFlagsDefault);
  Report("grey filter", w, h, "GDI+ matrix",
         Measure([&] { raster::ApplyGreyFilter(dst.surface()); },
                 [&] {
                   GpGraphics* graphics = nullptr;
                   GdipCreateFromHDC(dst.dc(), &graphics);
                   GdipDrawImageRectRectI(graphics, bitmap, 0, 0, w, h, 0, 0, w, h, UnitPixel,
                                          attributes, nullptr, nullptr);
                   GdipDeleteGraphics(graphics);
                 }));
  GdipDisposeImageAttributes(attributes);
  GdipDisposeImage(bitmap);
}

}  // namespace

int main() {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{3840, 2160}}) {
    BlockOperations(w, h);
    Stretches(w, h);
    PixelArrayZoom(w, h);
    GreyFilter(w, h);
  }
  Gdiplus::GdiplusShutdown(token);
  return 0;
}
