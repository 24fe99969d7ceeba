// The draw-scale geometry and our own picture scaling.
#include <gtest/gtest.h>

#include "imaging/placement.h"
#include "imaging/resample.h"

namespace lantern::imaging {
namespace {

Placement Place(int32_t mode, int32_t w, int32_t h, int32_t x = 0, int32_t y = 0) {
  base::Rnd rnd;
  return PlacePicture(mode, w, h, 1024, 768, x, y, rnd, 1000.0);
}

TEST(Placement, ShrinkToFitCentresSmallPicturesAndFitsLargeOnes) {
  const Placement small = Place(kShrinkToFit, 400, 300);
  EXPECT_EQ(small.PixelRect(), (platform::Rect{312, 234, 712, 534}));
  const Placement large = Place(kShrinkToFit, 2048, 1000);
  EXPECT_EQ(large.PixelRect(), (platform::Rect{0, 134, 1024, 634}));
  EXPECT_DOUBLE_EQ(large.width, 1024);
  EXPECT_DOUBLE_EQ(large.height, 500);
  const Placement tall = Place(kShrinkToFit, 600, 1536);  // taller: scaled by height
  EXPECT_EQ(tall.PixelRect(), (platform::Rect{362, 0, 662, 768}));
}

TEST(Placement, FitEnlargesStretchCoversTilesRepeat) {
  EXPECT_EQ(Place(kFit, 400, 300).PixelRect(), (platform::Rect{0, 0, 1024, 768}));
  EXPECT_EQ(Place(kStretch, 10, 500).PixelRect(), (platform::Rect{0, 0, 1024, 768}));
  const Placement tiles = Place(kTiled, 300, 300);
  EXPECT_EQ(tiles.PixelRect(), (platform::Rect{0, 0, 300, 300}));
  EXPECT_EQ(tiles.columns, 4);
  EXPECT_EQ(tiles.rows, 3);
  EXPECT_FALSE(Place(5, 10, 10).visible);
  EXPECT_FALSE(Place(kFit, 0, 10).visible);
}

TEST(Placement, PlacedAtItsPositionOrAtRandomInside) {
  EXPECT_EQ(Place(kPlaced, 100, 50, 7, 0).PixelRect(), (platform::Rect{7, 0, 107, 50}));
  base::Rnd rnd;
  const Placement a = PlacePicture(kPlaced, 100, 50, 1024, 768, 0, 0, rnd, 1000.0);
  const Placement b = PlacePicture(kPlaced, 100, 50, 1024, 768, 0, 0, rnd, 2000.5);
  for (const Placement& p : {a, b}) {
    const platform::Rect r = p.PixelRect();
    EXPECT_GE(r.left, 0);
    EXPECT_GE(r.top, 0);
    EXPECT_LE(r.right, 1024);
    EXPECT_LE(r.bottom, 768);
  }
  EXPECT_NE(a.PixelRect(), b.PixelRect());  // a new position each time it is composed
}

class ResampleTest : public ::testing::Test {
 protected:
  // A 20 x 20 surface inside a sentinel border of 4 pixels.
  ResampleTest() : memory_(28 * 28, kSentinel) {}
  platform::Surface Surface() {
    return {reinterpret_cast<uint8_t*>(&memory_[4 * 28 + 4]), 20, 20, 28 * 4};
  }
  bool BorderIntact() const {
    for (int y = 0; y < 28; ++y) {
      for (int x = 0; x < 28; ++x) {
        const bool inside = x >= 4 && x < 24 && y >= 4 && y < 24;
        if (!inside && memory_[static_cast<size_t>(y * 28 + x)] != kSentinel) return false;
      }
    }
    return true;
  }
  static DecodedImage Picture(int32_t w, int32_t h, uint32_t (*pixel)(int32_t, int32_t)) {
    DecodedImage image;
    image.Resize(w, h);
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x)
        image.pixels[static_cast<size_t>(y * w + x)] = pixel(x, y);
    }
    return image;
  }
  static constexpr uint32_t kSentinel = 0xDEADBEEF;
  std::vector<uint32_t> memory_;
  ResampleScratch scratch_;
};

TEST_F(ResampleTest, SameSizeIsAnExactCopyAndClipsAtEveryEdge) {
  const DecodedImage p = Picture(6, 5, [](int32_t x, int32_t y) {
    return 0xFF000000u | static_cast<uint32_t>(x * 40) << 16 | static_cast<uint32_t>(y * 50);
  });
  const platform::Surface s = Surface();
  for (const platform::Rect& at : {platform::Rect{2, 3, 8, 8}, platform::Rect{-3, -2, 3, 3},
                                   platform::Rect{17, 18, 23, 23}, platform::Rect{30, 0, 36, 5}}) {
    DrawPicture(s, at, p, scratch_);
    const platform::Rect v = platform::Intersect(at, s.bounds());
    for (int32_t y = v.top; y < v.bottom; ++y) {
      for (int32_t x = v.left; x < v.right; ++x) {
        EXPECT_EQ(s.Row(y)[x],
                  p.pixels[static_cast<size_t>((y - at.top) * 6 + x - at.left)] & 0xFFFFFF);
      }
    }
  }
  EXPECT_TRUE(BorderIntact());
}

// Scaling a large picture down reads every one of its rows: it stops at the
// next row once asked to, says so, and writes nothing past the row it was at.
TEST_F(ResampleTest, ScalingStopsAtTheNextRowOnceCancelled) {
  const DecodedImage p = Picture(40, 400, [](int32_t, int32_t) { return 0xFF00FF00u; });
  const platform::Surface s = Surface();
  int asked = 0;
  EXPECT_FALSE(DrawPicture(s, {0, 0, 20, 20}, p, scratch_, [&] { return ++asked == 100; }));
  EXPECT_EQ(asked, 100);
  EXPECT_EQ(s.Row(0)[0], kSentinel);  // cancelled before any row was written
  asked = 0;
  EXPECT_FALSE(DrawPicture(s, {0, 0, 20, 20}, p, scratch_, [&] { return ++asked == 405; }));
  EXPECT_EQ(s.Row(3)[0], 0x00FF00u);  // 400 rows scaled, then four rows written
  EXPECT_EQ(s.Row(4)[0], kSentinel);
  EXPECT_TRUE(DrawPicture(s, {0, 0, 20, 20}, p, scratch_, [] { return false; }));
  EXPECT_TRUE(BorderIntact());
}

TEST_F(ResampleTest, ShrinkingAveragesAndEnlargingInterpolates) {
  const DecodedImage checker =
      Picture(8, 8, [](int32_t x, int32_t y) { return (x + y) % 2 ? 0xFFFFFFFFu : 0xFF000000u; });
  const platform::Surface s = Surface();
  DrawPicture(s, {0, 0, 4, 4}, checker, scratch_);
  for (int32_t x = 0; x < 4; ++x)
    EXPECT_EQ(s.Row(1)[x], 0x808080u);  // 2 x 2 blocks average to grey
  const DecodedImage ramp =
      Picture(2, 1, [](int32_t x, int32_t) { return x ? 0xFF0000FFu : 0xFF000000u; });
  DrawPicture(s, {0, 10, 20, 11}, ramp, scratch_);
  const uint32_t* row = s.Row(10);
  EXPECT_EQ(row[0], 0u);  // the edges hold the end colours
  EXPECT_EQ(row[19], 0xFFu);
  for (int32_t x = 1; x < 20; ++x)
    EXPECT_GE(row[x], row[x - 1]);  // and blue rises between
  EXPECT_TRUE(BorderIntact());
}

TEST_F(ResampleTest, TransparentPicturesCompositeOverTheSurface) {
  const platform::Surface s = Surface();
  for (int32_t y = 0; y < 20; ++y) {
    for (int32_t x = 0; x < 20; ++x)
      s.Row(y)[x] = 0xC8C8C8;  // 200 grey
  }
  const DecodedImage half = Picture(1, 1, [](int32_t, int32_t) { return 0x80000000u; });
  DecodedImage copy = half;
  copy.has_alpha = true;
  DrawPicture(s, {0, 0, 20, 20}, copy, scratch_);
  EXPECT_EQ(s.Row(5)[5], 0x646464u);  // 200 * 127 / 255 = 99.6 -> 100
}

// Opaque red beside transparent black, enlarged and shrunk over blue: every
// pixel is a mix of red and blue alone, never darkened by the black that the
// transparent pixels hide.
TEST_F(ResampleTest, TransparentEdgesInterpolatePremultipliedWithoutDarkFringes) {
  const platform::Surface s = Surface();
  const DecodedImage edge =
      Picture(8, 2, [](int32_t x, int32_t) { return x % 4 < 2 ? 0xFFFF0000u : 0x00000000u; });
  for (const platform::Rect& at : {platform::Rect{0, 0, 20, 20}, platform::Rect{0, 0, 3, 1}}) {
    for (int32_t y = 0; y < 20; ++y) {
      for (int32_t x = 0; x < 20; ++x)
        s.Row(y)[x] = 0x0000FF;
    }
    DecodedImage picture = edge;
    picture.has_alpha = true;
    DrawPicture(s, at, picture, scratch_);
    int mixed = 0;
    for (int32_t y = at.top; y < at.bottom; ++y) {
      for (int32_t x = at.left; x < at.right; ++x) {
        const uint32_t p = s.Row(y)[x];
        const uint32_t red = p >> 16 & 0xFF, green = p >> 8 & 0xFF, blue = p & 0xFF;
        EXPECT_EQ(green, 0u);
        EXPECT_NEAR(static_cast<int>(red + blue), 255, 1) << x << "," << y << " in " << at.right;
        mixed += red > 10 && blue > 10;
      }
    }
    EXPECT_GT(mixed, 0);
  }
  EXPECT_TRUE(BorderIntact());
}

}  // namespace
}  // namespace lantern::imaging
