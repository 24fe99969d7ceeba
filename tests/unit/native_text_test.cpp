// The native text renderer, judged by what it draws: where the ink lands for
// each alignment, that lines break where the shared layout says, what the
// outline, fills, layers and styles do to the ink, which faces stand in for
// missing ones, and that added font files are used.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "platform/native/native_text.h"
#include "platform/surface.h"
#include "platform/text_layout.h"

// Fontconfig 2.14 loses a few hundred bytes once, while it parses its
// configuration; the sanitizer build's leak check is told so.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

namespace lantern::platform::native {
namespace {

constexpr uint32_t kBlack = 0xFF000000;
constexpr char kCorpusFonts[] = LANTERN_CORPUS_DIR "/fonts";

NativeTextRenderer& Renderer() {
  static NativeTextRenderer renderer;
  return renderer;
}

// A black surface of its own memory.
struct Canvas {
  HeapSurfaceBuffer buffer;
  Canvas(int32_t width, int32_t height) : buffer(width, height) { Fill(kBlack); }
  const Surface& surface() const { return buffer.surface(); }
  void Fill(uint32_t colour) const {
    for (int32_t y = 0; y < surface().height; ++y)
      std::fill(surface().Row(y), surface().Row(y) + surface().width, colour);
  }
  uint32_t At(int32_t x, int32_t y) const { return surface().Row(y)[x]; }
};

// The pixels that differ from the background (colour channels only).
struct Ink {
  int32_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  int32_t pixels = 0;
  int32_t bands = 0;  // runs of rows holding ink: one per line of text
  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
};

Ink FindInk(const Surface& s, uint32_t background = kBlack) {
  Ink ink{s.width, s.height, 0, 0, 0, 0};
  bool previous = false;
  for (int32_t y = 0; y < s.height; ++y) {
    bool row = false;
    for (int32_t x = 0; x < s.width; ++x) {
      if (((s.Row(y)[x] ^ background) & 0xFFFFFF) == 0) continue;
      row = true;
      ++ink.pixels;
      ink.left = std::min(ink.left, x);
      ink.right = std::max(ink.right, x + 1);
      ink.top = std::min(ink.top, y);
      ink.bottom = std::max(ink.bottom, y + 1);
    }
    if (row && !previous) ++ink.bands;
    previous = row;
  }
  return ink;
}

TextBox Box(const std::string& text, const std::string& font, float size, float left, float top,
            float width, float height) {
  TextBox box;
  box.text = text;
  box.font_name = font;
  box.font_size = size;
  box.left = left;
  box.top = top;
  box.width = width;
  box.height = height;
  box.fill.kind = TextFill::Kind::kSolid;
  box.fill.argb1 = 0xFFFFFFFF;
  return box;
}

Ink Draw(const TextBox& box, int32_t width = 640, int32_t height = 400) {
  Canvas canvas(width, height);
  Renderer().DrawTextBox(canvas.surface(), box);
  return FindInk(canvas.surface());
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Each of the nine alignments puts the ink inside the box, at the side (or in
// the middle) its alignment names. The near and far ends keep the room the
// string measurement leaves there: a centred line moves from the near place
// by half of what the measurement leaves free in the box.
TEST(NativeText, InkLandsInsideTheBoxWhereTheAlignmentPlacesIt) {
  const float left = 100, top = 80, width = 400, height = 220, size = 40;
  const float measured = Renderer().MeasureString("Lantern", "Arial", size, 0, 0, 0);
  std::vector<Ink> inks;
  for (int32_t align = 0; align < 9; ++align) {
    SCOPED_TRACE(align);
    TextBox box = Box("Lantern", "Arial", size, left, top, width, height);
    box.align = align;
    const Ink ink = Draw(box);
    inks.push_back(ink);
    ASSERT_GT(ink.pixels, 100);
    EXPECT_GE(ink.left, left);
    EXPECT_LE(ink.right, left + width);
    EXPECT_GE(ink.top, top);
    EXPECT_LE(ink.bottom, top + height);
    const float gap_top = ink.top - top;
    const float gap_bottom = top + height - ink.bottom;
    EXPECT_NEAR(ink.left - inks[align - align % 3].left, align % 3 * (width - measured) / 2, 1.5)
        << "moved from the near place";
    // A line's ink sits below the top of its line and above its descent.
    switch (align / 3) {
      case 0:
        EXPECT_LT(gap_top, size / 3);
        break;
      case 1:
        EXPECT_NEAR(gap_top, gap_bottom, size / 4);
        break;
      default:
        EXPECT_LT(gap_bottom, size / 2);
        break;
    }
  }
  EXPECT_NEAR(inks[1].left - left, left + width - inks[1].right, 2) << "centred";
}

// A long caption becomes the lines WrapLines makes with the renderer's own
// measurement (the unwrapped string measurement), each drawn as one band of
// ink as wide as that line's outline; explicit breaks are kept.
TEST(NativeText, LinesBreakWhereTheSharedLayoutSays) {
  NativeTextRenderer& r = Renderer();
  const std::string text =
      "The quick brown fox jumps over the lazy dog\nand then it sleeps 电子相册让每一张照片";
  const float width = 300, size = 28;
  const std::vector<std::string> lines = WrapLines(text, width, [&](const std::string& line) {
    return r.MeasureString(line, "Arial", size, 0, 0, 0);
  });
  ASSERT_GE(lines.size(), 4u);
  TextBox box = Box(text, "Arial", size, 20, 10, width, 380);
  Canvas canvas(400, 400);
  r.DrawTextBox(canvas.surface(), box);
  EXPECT_EQ(FindInk(canvas.surface()).bands, static_cast<int32_t>(lines.size()));
  // Each line alone in the same box: the same ink as its part of the block.
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    const Ink alone = Draw(Box(line, "Arial", size, 20, 10, width, 380), 400, 400);
    EXPECT_NEAR(alone.width(), r.MeasureWidth(line, "Arial", size, 0), 3);
    EXPECT_LE(alone.right, 20 + width);
  }
}

// The pen is centred on the outline: the ink grows by about its width. The
// pen is drawn over the fill, and an outline without a fill still draws.
TEST(NativeText, AnOutlineWidensTheInkByAboutItsWidth) {
  TextBox box = Box("Hello", "Arial", 48, 50, 50, 500, 100);
  box.align = 4;
  const Ink plain = Draw(box);
  box.border_width = 8;
  box.border_argb = 0xFFFF0000;
  const Ink outlined = Draw(box);
  EXPECT_NEAR(outlined.width() - plain.width(), 8, 2);
  EXPECT_NEAR(outlined.height() - plain.height(), 8, 2);
  const auto whites = [&](const TextBox& b) {
    Canvas canvas(640, 400);
    Renderer().DrawTextBox(canvas.surface(), b);
    int32_t n = 0;
    for (int32_t y = 0; y < 400; ++y)
      for (int32_t x = 0; x < 640; ++x)
        n += canvas.At(x, y) == 0xFFFFFFFF;
    return n;
  };
  box.border_width = 2;
  EXPECT_GT(whites(box), 200);
  box.fill.kind = TextFill::Kind::kNone;
  EXPECT_EQ(whites(box), 0);
  EXPECT_GT(Draw(box).pixels, 200);
  // A pen under a pixel wide draws nothing, as on Windows.
  box.border_width = 0.5f;
  EXPECT_EQ(Draw(box).pixels, 0);
}

// On a layer the cleared pixels are black of alpha 1 and every pixel drawn
// is premultiplied: no colour channel exceeds its alpha, and a half
// transparent fill keeps about half alpha.
TEST(NativeText, LayersKeepValidPremultipliedPixels) {
  Canvas canvas(300, 80);
  TextBox box = Box("Layer", "Arial", 50, 0, 0, 300, 80);
  box.align = 4;
  box.fill.argb1 = 0x80FF8000;
  box.border_width = 3;
  box.border_argb = 0xAA000000;
  box.clear = true;
  box.premultiplied = true;
  Renderer().DrawTextBox(canvas.surface(), box);
  EXPECT_EQ(canvas.At(0, 0), 0x01000000u);
  int32_t half = 0;
  for (int32_t y = 0; y < 80; ++y) {
    for (int32_t x = 0; x < 300; ++x) {
      const uint32_t p = canvas.At(x, y);
      const uint32_t a = p >> 24;
      ASSERT_LE(p >> 16 & 0xFF, a) << x << "," << y;
      ASSERT_LE(p >> 8 & 0xFF, a);
      ASSERT_LE(p & 0xFF, a);
      if (a >= 0x7E && a <= 0x82 && (p >> 16 & 0xFF) >= 0x7E) ++half;
    }
  }
  EXPECT_GT(half, 20);
  // A slide (not a layer) cleared first is 0x01000000 where no text is.
  box.premultiplied = false;
  canvas.Fill(0xFF123456);
  Renderer().DrawTextBox(canvas.surface(), box);
  EXPECT_EQ(canvas.At(0, 0), 0x01000000u);
}

// A one-line box is never broken: one band of ink, overflowing a narrow box
// on both sides when centred, to the right when near-aligned.
TEST(NativeText, OneLineBoxesNeverWrap) {
  TextBox box = Box("a lyric line far wider than its box", "Arial", 30, 250, 20, 100, 50);
  box.one_line = true;
  box.align = 1;
  const Ink centred = Draw(box);
  EXPECT_EQ(centred.bands, 1);
  EXPECT_LT(centred.left, 250);
  EXPECT_GT(centred.right, 350);
  EXPECT_NEAR(250 - centred.left, centred.right - 350, 4);
  box.align = 0;
  const Ink near = Draw(box);
  EXPECT_EQ(near.bands, 1);
  EXPECT_NEAR(near.left, 250 + 5, 4);
  box.one_line = false;
  EXPECT_GT(Draw(box).bands, 1);
}

// Faces the system lacks still draw, with a face of the same kind: the
// Windows monospaced face stays monospaced, the sans one proportional.
TEST(NativeText, MissingFacesDrawWithAStandIn) {
  NativeTextRenderer& r = Renderer();
  for (const char* face : {"NoSuchFace 123", "", "Tahoma", "Segoe UI", "Times New Roman", "Verdana",
                           "SimSun", "微软雅黑", "MS Gothic", "Malgun Gothic"}) {
    SCOPED_TRACE(face);
    EXPECT_GT(Draw(Box("Hello 123", face, 30, 10, 10, 600, 100)).pixels, 200);
    EXPECT_GT(r.MeasureWidth("Hello", face, 30, 0), 40);
  }
  const float mono_i = r.MeasureString("iiiiiiii", "Courier New", 30, 0, 0, 0);
  const float mono_w = r.MeasureString("WWWWWWWW", "Courier New", 30, 0, 0, 0);
  EXPECT_NEAR(mono_i, mono_w, 1);
  EXPECT_GT(r.MeasureString("WWWWWWWW", "Arial", 30, 0, 0, 0),
            1.5f * r.MeasureString("iiiiiiii", "Arial", 30, 0, 0, 0));
}

// A stand-in for a Windows CJK face spaces its lines as that face does
// (SimSun's lines are one em apart), so a caption keeps its box; a face
// found under its own name keeps its own spacing.
TEST(NativeText, StandInsForWindowsFacesKeepTheirLineSpacing) {
  const auto pitch = [](const char* face) {
    Canvas canvas(200, 400);
    Renderer().DrawTextBox(canvas.surface(), Box("电\n电\n电", face, 40, 0, 0, 200, 400));
    const Ink ink = FindInk(canvas.surface());
    EXPECT_EQ(ink.bands, 3);
    return (ink.height() - 40.0) / 2;  // three glyphs about an em high
  };
  EXPECT_NEAR(pitch("SimSun"), 40, 3);
  EXPECT_NEAR(pitch("宋体"), 40, 3);
  EXPECT_GT(pitch("Noto Sans CJK SC"), 50);
}

// The ink of one character alone, as a bitmap of ink or none.
std::vector<bool> Shape(const std::string& text, const std::string& face) {
  Canvas canvas(80, 80);
  Renderer().DrawTextBox(canvas.surface(), Box(text, face, 48, 0, 0, 80, 80));
  std::vector<bool> ink;
  for (int32_t y = 0; y < 80; ++y)
    for (int32_t x = 0; x < 80; ++x)
      ink.push_back((canvas.At(x, y) & 0xFFFFFF) != 0);
  return ink;
}

int32_t Differences(const std::vector<bool>& a, const std::vector<bool>& b) {
  int32_t n = 0;
  for (size_t i = 0; i < a.size(); ++i)
    n += a[i] != b[i];
  return n;
}

// Chinese, Japanese, Korean and emoji characters draw their own glyphs from
// a face that has them, whatever face was asked for: each differs from the
// others and from the missing-glyph box an unassigned character gets.
TEST(NativeText, CjkAndEmojiDrawRealGlyphs) {
  for (const char* face : {"Arial", "SimSun", "NoSuchFace"}) {
    SCOPED_TRACE(face);
    const std::vector<bool> missing = Shape("\u0378", face);
    std::vector<std::vector<bool>> seen;
    for (const char* c : {"电", "相", "册", "の", "한", "😀", "🌙"}) {
      SCOPED_TRACE(c);
      const std::vector<bool> glyph = Shape(c, face);
      EXPECT_GT(std::count(glyph.begin(), glyph.end(), true), 100);
      EXPECT_GT(Differences(glyph, missing), 100);
      for (const auto& other : seen)
        EXPECT_GT(Differences(glyph, other), 100);
      seen.push_back(glyph);
    }
  }
  // Full-width characters are about an em wide.
  const float chinese = Renderer().MeasureWidth("电子相册", "SimSun", 40, 0);
  EXPECT_GT(chinese, 4 * 30);
  EXPECT_LT(chinese, 4 * 45);
}

// The measured outline grows with the text and with the size, is 0 for no
// text, and is the width of the ink actually drawn.
TEST(NativeText, MeasuredWidthGrowsWithTheTextAndMatchesTheInk) {
  NativeTextRenderer& r = Renderer();
  EXPECT_EQ(r.MeasureWidth("", "Arial", 40, 0), 0);
  EXPECT_EQ(r.MeasureString("", "Arial", 40, 0, 100, 100), 0);
  float previous = 0;
  const std::string word = "Lantern!";
  for (size_t n = 1; n <= word.size(); ++n) {
    const std::string text = word.substr(0, n);
    SCOPED_TRACE(text);
    const float w = r.MeasureWidth(text, "Arial", 40, 0);
    EXPECT_GT(w, previous);
    previous = w;
    EXPECT_NEAR(Draw(Box(text, "Arial", 40, 10, 10, 600, 100)).width(), w, 2);
  }
  EXPECT_NEAR(r.MeasureWidth("WWWW", "Arial", 80, 0) / r.MeasureWidth("WWWW", "Arial", 40, 0), 2.0,
              0.05);
  // The string measurement leaves room at both ends and wraps at its box.
  const float ink = r.MeasureWidth("Lantern", "Arial", 40, 0);
  const float measured = r.MeasureString("Lantern", "Arial", 40, 0, 1000, 60);
  EXPECT_GT(measured, ink);
  EXPECT_LT(measured, ink + 40);
  EXPECT_LE(r.MeasureString("Lantern lyrics here", "Arial", 40, 0, 150, 200), 150);
  // Sizes that make no sense draw and measure nothing.
  for (float size : {0.0f, -5.0f, 1e9f, std::numeric_limits<float>::quiet_NaN()}) {
    EXPECT_EQ(r.MeasureWidth("x", "Arial", size, 0), 0);
    EXPECT_EQ(Draw(Box("x", "Arial", size, 0, 0, 100, 100)).pixels, 0);
  }
}

// Bold and italic are synthesised for a face that has neither; underline
// and strikeout add bars across the line.
TEST(NativeText, StyleBitsChangeTheInk) {
  NativeTextRenderer& r = Renderer();
  ASSERT_FALSE(r.AddFontFile(std::string(kCorpusFonts) + "/pillow/NotoSans-Regular.ttf").empty());
  const float regular = r.MeasureWidth("Lantern", "Noto Sans", 40, 0);
  EXPECT_GT(r.MeasureWidth("Lantern", "Noto Sans", 40, 1), regular + 3);
  const Ink upright = Draw(Box("lll", "Noto Sans", 40, 10, 10, 600, 100));
  TextBox box = Box("lll", "Noto Sans", 40, 10, 10, 600, 100);
  box.font_style = 2;
  const Ink slanted = Draw(box);
  EXPECT_GT(slanted.width(), upright.width() + 5);
  box.font_style = 4;
  EXPECT_GT(Draw(box).bottom, upright.bottom + 2);
  // A strikeout joins letters set apart: one run of ink across the middle row.
  box = Box("l   l", "Noto Sans", 40, 10, 10, 600, 100);
  const Ink apart = Draw(box);
  box.font_style = 8;
  Canvas canvas(640, 400);
  Renderer().DrawTextBox(canvas.surface(), box);
  const Ink struck = FindInk(canvas.surface());
  EXPECT_GT(struck.pixels, apart.pixels + 40);
  int32_t row_ink = 0;
  const int32_t middle = (apart.top + apart.bottom) / 2 + 4;
  for (int32_t y = middle - 8; y < middle + 4; ++y) {
    int32_t run = 0;
    for (int32_t x = apart.left; x < apart.right; ++x)
      run += (canvas.At(x, y) & 0xFFFFFF) != 0;
    row_ink = std::max(row_ink, run);
  }
  EXPECT_GE(row_ink, apart.width() - 2);
}

// Fills: a gradient runs from its first colour to its second across its
// rectangle and back beyond it; a texture is tiled from the surface's origin;
// without smoothing every pixel is the fill or the background.
TEST(NativeText, FillsPaintTheGlyphs) {
  TextBox box = Box(std::string(40, 'I'), "Arial", 60, 0, 0, 600, 100);
  box.one_line = true;
  box.fill.kind = TextFill::Kind::kGradient;
  box.fill.argb1 = 0xFFFF0000;
  box.fill.argb2 = 0xFF0000FF;
  box.fill.gradient_width = 300;
  box.fill.gradient_height = 100;
  Canvas canvas(600, 100);
  Renderer().DrawTextBox(canvas.surface(), box);
  // The share of blue in the ink of 40 columns from `from`.
  const auto blueness = [&](int32_t from) {
    double red = 0, blue = 0;
    for (int32_t y = 0; y < 100; ++y) {
      for (int32_t x = from; x < from + 40; ++x) {
        red += canvas.At(x, y) >> 16 & 0xFF;
        blue += canvas.At(x, y) & 0xFF;
      }
    }
    return red + blue > 0 ? blue / (red + blue) : -1.0;
  };
  EXPECT_LT(blueness(10), 0.2);   // red near the start
  EXPECT_GT(blueness(255), 0.8);  // blue at the rectangle's end
  EXPECT_LT(blueness(550), 0.2);  // red again one rectangle on
  EXPECT_NEAR(blueness(130), 0.5, 0.1);

  DecodedImage stripes;
  stripes.width = 2;
  stripes.height = 1;
  stripes.pixels = {0xFFFF0000, 0xFF00FF00};
  box.fill.kind = TextFill::Kind::kTexture;
  box.fill.texture = &stripes;
  box.left = 1;  // the tiles stay where the surface puts them, not the box
  box.smooth = false;
  canvas.Fill(kBlack);
  Renderer().DrawTextBox(canvas.surface(), box);
  int32_t painted = 0;
  for (int32_t y = 0; y < 100; ++y) {
    for (int32_t x = 0; x < 600; ++x) {
      const uint32_t p = canvas.At(x, y);
      if (p == kBlack) continue;
      ++painted;
      ASSERT_EQ(p & 0xFFFFFF, (x % 2 == 0 ? 0xFF0000u : 0x00FF00u)) << x << "," << y;
    }
  }
  EXPECT_GT(painted, 1000);
}

// Fonts added by file or by bytes are found by their family name (in any
// case) before the system's faces: the same text then measures as that font
// does, not as the stand-in. A file with no font in it adds nothing.
TEST(NativeText, AnAddedFontIsUsedByItsFamilyName) {
  const std::string file = std::string(kCorpusFonts) + "/pillow/ArefRuqaa-Regular.ttf";
  NativeTextRenderer by_file;
  const float before = by_file.MeasureWidth("Lantern", "Aref Ruqaa", 40, 0);
  ASSERT_GT(before, 0);
  EXPECT_EQ(by_file.AddFontFile(file), std::vector<std::string>{"Aref Ruqaa"});
  const float after = by_file.MeasureWidth("Lantern", "Aref Ruqaa", 40, 0);
  EXPECT_GT(std::abs(after - before), 5) << before << " " << after;
  EXPECT_EQ(by_file.MeasureWidth("Lantern", "aref ruqaa", 40, 0), after);
  NativeTextRenderer by_bytes;
  ASSERT_FALSE(by_bytes.AddFontBytes(ReadBytes(file)).empty());
  EXPECT_EQ(by_bytes.MeasureWidth("Lantern", "Aref Ruqaa", 40, 0), after);
  // A collection adds its faces.
  EXPECT_EQ(by_bytes.AddFontFile(std::string(kCorpusFonts) + "/fonttools/TestTTC.ttc"),
            std::vector<std::string>{"Test TTF"});
  EXPECT_TRUE(by_bytes.AddFontFile(std::string(kCorpusFonts) + "/../README.md").empty());
  EXPECT_TRUE(by_bytes.AddFontFile("/no/such/font.ttf").empty());
  EXPECT_TRUE(by_bytes.AddFontBytes({}).empty());
}

}  // namespace
}  // namespace lantern::platform::native
