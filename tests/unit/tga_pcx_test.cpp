// The TGA and PCX decoders and the alpha composite: tiny exact files built
// here, then every TGA and PCX file of the shared corpus against the
// reference decoder's pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "corpus_pictures.h"
#include "imaging/tga_pcx.h"

namespace lantern::imaging {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
  return kBlack | r << 16 | g << 8 | b;
}

void Put16(Bytes& b, size_t at, int v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// A TGA header for a width x height picture; the fields tests change are
// public so each test states only what matters to it.
struct TgaHeader {
  int type = 2;
  int depth = 24;
  int width = 1;
  int height = 1;
  int descriptor = 0;
  int x_origin = 0;
  int y_origin = 0;
  int id_length = 0;
  int map_type = 0;
  int map_length = 0;
  int map_bits = 0;

  // The header, an ID field of id_length bytes of 0xEE, then `body`.
  Bytes With(std::initializer_list<uint8_t> body) const {
    Bytes b(18, 0);
    b[0] = static_cast<uint8_t>(id_length);
    b[1] = static_cast<uint8_t>(map_type);
    b[2] = static_cast<uint8_t>(type);
    Put16(b, 5, map_length);
    b[7] = static_cast<uint8_t>(map_bits);
    Put16(b, 8, x_origin);
    Put16(b, 10, y_origin);
    Put16(b, 12, width);
    Put16(b, 14, height);
    b[16] = static_cast<uint8_t>(depth);
    b[17] = static_cast<uint8_t>(descriptor);
    b.insert(b.end(), static_cast<size_t>(id_length), 0xEE);
    b.insert(b.end(), body);
    return b;
  }
};

DecodedImage Tga(const Bytes& file) {
  DecodedImage out;
  EXPECT_TRUE(DecodeTga(file, out));
  return out;
}

// --- TGA ------------------------------------------------------------------------

TEST(Tga, RunPacketsRepeatOnePixelAndRawPacketsCopyTheFollowingPixels) {
  TgaHeader h{.type = 10, .width = 7};
  const DecodedImage image = Tga(h.With({0x83, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  const std::vector<uint32_t> want = {Rgb(3, 2, 1), Rgb(3, 2, 1), Rgb(3, 2, 1),   Rgb(3, 2, 1),
                                      Rgb(6, 5, 4), Rgb(9, 8, 7), Rgb(12, 11, 10)};
  EXPECT_EQ(image.pixels, want);
}

TEST(Tga, PacketsAreClampedToThePictureAndCutShortByTheData) {
  // A run of 128 into a 2 x 2 picture, then more data: four pixels and no more.
  TgaHeader h{.type = 10, .width = 2, .height = 2};
  EXPECT_EQ(Tga(h.With({0xFF, 9, 9, 9, 0x00, 1, 1, 1})).pixels,
            std::vector<uint32_t>(4, Rgb(9, 9, 9)));
  // A raw packet of 4 pixels holding 1 and a half: the whole pixel, the rest black.
  // Bottom row first: the pixel lands bottom left.
  EXPECT_EQ(Tga(h.With({0x03, 1, 2, 3, 4, 5})).pixels,
            (std::vector<uint32_t>{kBlack, kBlack, Rgb(3, 2, 1), kBlack}));
  // A run packet without its pixel.
  EXPECT_EQ(Tga(h.With({0x01, 1, 2, 3, 4, 5, 6, 0x85, 7})).pixels,
            (std::vector<uint32_t>{kBlack, kBlack, Rgb(3, 2, 1), Rgb(6, 5, 4)}));
  // Uncompressed and cut short.
  h.type = 2;
  EXPECT_EQ(Tga(h.With({1, 2, 3, 4, 5, 6, 7, 8, 9, 10})).pixels,
            (std::vector<uint32_t>{Rgb(9, 8, 7), kBlack, Rgb(3, 2, 1), Rgb(6, 5, 4)}));
}

// Stored pixels A B C D. Bottom-up files (the normal case) show C D over A B;
// the top-down bit shows them as stored, the right-to-left bit turns each row
// round.
TEST(Tga, RowOrderFollowsBothOrientationBitsInAllFourOrientations) {
  const uint32_t a = Rgb(1, 0, 0), b = Rgb(2, 0, 0), c = Rgb(3, 0, 0), d = Rgb(4, 0, 0);
  const struct {
    int descriptor;
    std::vector<uint32_t> want;
  } cases[] = {
      {0x00, {c, d, a, b}}, {0x10, {d, c, b, a}}, {0x20, {a, b, c, d}}, {0x30, {b, a, d, c}}};
  for (const auto& [descriptor, want] : cases) {
    for (int type : {2, 10}) {
      TgaHeader h{.type = type, .width = 2, .height = 2, .descriptor = descriptor};
      const Bytes file = type == 2 ? h.With({0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0, 4})
                                   : h.With({0x03, 0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0, 4});
      EXPECT_EQ(Tga(file).pixels, want) << "descriptor " << descriptor << " type " << type;
    }
  }
}

TEST(Tga, ImageIdAndColourMapComeBeforeThePixels) {
  // 24-bit with a 5-byte ID field and an (unused) colour map of two 24-bit entries.
  TgaHeader h{.id_length = 5, .map_type = 1, .map_length = 2, .map_bits = 24};
  EXPECT_EQ(Tga(h.With({50, 50, 50, 60, 60, 60, 1, 2, 3})).pixels,
            (std::vector<uint32_t>{Rgb(3, 2, 1)}));
  // 8-bit: the palette follows the ID field.
  h = {.type = 1,
       .depth = 8,
       .width = 2,
       .id_length = 3,
       .map_type = 1,
       .map_length = 2,
       .map_bits = 24};
  EXPECT_EQ(Tga(h.With({10, 20, 30, 40, 50, 60, 1, 0})).pixels,
            (std::vector<uint32_t>{Rgb(60, 50, 40), Rgb(30, 20, 10)}));
}

TEST(Tga, EightBitPalettesByEntrySize) {
  TgaHeader h{.type = 1, .depth = 8, .width = 3, .map_type = 1, .map_length = 2};
  // 16-bit entries: 5-bit fields shifted left by 2, so full intensity is 124.
  // Index 2 is past the map: black.
  h.map_bits = 16;
  EXPECT_EQ(Tga(h.With({0xFF, 0x7F, 0x1F, 0x7C, 0, 1, 2})).pixels,
            (std::vector<uint32_t>{Rgb(124, 124, 124), Rgb(124, 0, 124), kBlack}));
  h.map_bits = 32;  // blue, green, red, unused
  EXPECT_EQ(Tga(h.With({1, 2, 3, 0, 4, 5, 6, 0, 1, 0, 2})).pixels,
            (std::vector<uint32_t>{Rgb(6, 5, 4), Rgb(3, 2, 1), kBlack}));
  // No colour map: the grey ramp.
  h = {.type = 3, .depth = 8, .width = 3};
  EXPECT_EQ(Tga(h.With({0, 7, 255})).pixels,
            (std::vector<uint32_t>{Rgb(0, 0, 0), Rgb(7, 7, 7), Rgb(255, 255, 255)}));
  // A map whose first entry is colour 2: values 2 and 3 are its entries,
  // values below 2 have no colour.
  h = {.type = 1, .depth = 8, .width = 3, .map_type = 1, .map_length = 2, .map_bits = 24};
  Bytes file = h.With({1, 2, 3, 4, 5, 6, 2, 3, 1});
  Put16(file, 3, 2);
  EXPECT_EQ(Tga(file).pixels, (std::vector<uint32_t>{Rgb(3, 2, 1), Rgb(6, 5, 4), kBlack}));
  // A first index past the table leaves every colour black.
  Put16(file, 3, 300);
  EXPECT_EQ(Tga(file).pixels, std::vector<uint32_t>(3, kBlack));
  // An entry size nobody writes decodes nothing.
  h = {.type = 1, .depth = 8, .map_type = 1, .map_length = 1, .map_bits = 8};
  DecodedImage out;
  EXPECT_FALSE(DecodeTga(h.With({5, 0}), out));
}

TEST(Tga, SixteenBitPixelsAre555AndThirtyTwoBitPixelsKeepTheirAlpha) {
  TgaHeader h{.depth = 16, .width = 5};
  EXPECT_EQ(Tga(h.With({0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x10, 0x42, 0x00, 0x80})).pixels,
            (std::vector<uint32_t>{Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255),
                                   Rgb(132, 132, 132), kBlack}));
  h = {.depth = 32, .width = 2, .descriptor = 8};  // 8 alpha bits
  DecodedImage image = Tga(h.With({1, 2, 3, 128, 4, 5, 6, 255}));
  EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0x80030201u, 0xFF060504u}));
  EXPECT_TRUE(image.has_alpha);
  image = Tga(h.With({1, 2, 3, 255, 4, 5, 6, 255}));
  EXPECT_FALSE(image.has_alpha);  // every pixel opaque: nothing to blend
}

// A descriptor that declares no alpha bits makes the fourth byte padding,
// often written as 0: such a picture is opaque, files and album items alike.
// An item whose header names no depth keeps its alpha.
TEST(Tga, ThirtyTwoBitPixelsWithoutDeclaredAlphaBitsAreOpaque) {
  TgaHeader h{.depth = 32, .width = 2, .descriptor = 0x20};
  const Bytes file = h.With({1, 2, 3, 0, 4, 5, 6, 128});
  const std::vector<uint32_t> opaque = {Rgb(3, 2, 1), Rgb(6, 5, 4)};
  DecodedImage out;
  ASSERT_TRUE(DecodeTga(file, out));
  EXPECT_EQ(out.pixels, opaque);
  EXPECT_FALSE(out.has_alpha);
  ASSERT_TRUE(DecodeTgaItem(file, out));
  EXPECT_EQ(out.pixels, opaque);
  EXPECT_FALSE(out.has_alpha);
  h.depth = 0;
  ASSERT_TRUE(DecodeTgaItem(h.With({1, 2, 3, 0, 4, 5, 6, 128}), out));
  EXPECT_EQ(out.pixels, (std::vector<uint32_t>{0x00030201u, 0x80060504u}));
  EXPECT_TRUE(out.has_alpha);
}

// A file cut short draws what it holds, the rest black, however little that
// is: in the pixels, in the colour map, or right after the header.
TEST(Tga, ATruncatedFileDecodesWhatItHolds) {
  TgaHeader h{.width = 640, .height = 480, .descriptor = 0x20};
  DecodedImage image = Tga(h.With({1, 2, 3, 4, 5, 6}));
  ASSERT_EQ(image.pixels.size(), 640u * 480u);
  EXPECT_EQ(image.pixels[0], Rgb(3, 2, 1));
  EXPECT_EQ(image.pixels[1], Rgb(6, 5, 4));
  EXPECT_TRUE(std::all_of(image.pixels.begin() + 2, image.pixels.end(),
                          [](uint32_t p) { return p == kBlack; }));
  h.type = 10;
  image = Tga(h.With({0x81, 9, 8, 7}));
  EXPECT_EQ(image.pixels[1], Rgb(7, 8, 9));
  EXPECT_EQ(image.pixels[2], kBlack);
  EXPECT_EQ(Tga(h.With({})).pixels, std::vector<uint32_t>(640u * 480u, kBlack));
  // Cut inside the colour map: the entries it holds, no pixels.
  h = {.type = 1, .depth = 8, .width = 300, .map_type = 1, .map_length = 256, .map_bits = 24};
  EXPECT_EQ(Tga(h.With({1, 2, 3})).pixels, std::vector<uint32_t>(300, kBlack));
}

TEST(Tga, SizeIsTheSizeLessTheOriginAndRowsAreThatWide) {
  // Width 100, X origin 10: 90-pixel rows, read as such from the file.
  TgaHeader h{.type = 3, .depth = 8, .width = 100, .height = 2, .x_origin = 10};
  Bytes file = h.With({});
  for (int i = 0; i < 200; ++i)
    file.push_back(static_cast<uint8_t>(i));
  const DecodedImage image = Tga(file);
  ASSERT_EQ(image.width, 90);
  ASSERT_EQ(image.height, 2);
  EXPECT_EQ(image.pixels[0], Rgb(90, 90, 90));  // top row: the second stored row
  EXPECT_EQ(image.pixels[90], Rgb(0, 0, 0));
  // An origin larger than the size: nothing.
  DecodedImage out;
  h = {.width = 4, .height = 4, .y_origin = 5};
  EXPECT_FALSE(DecodeTga(h.With({1, 2, 3}), out));
  h = {.width = 4, .height = 1, .x_origin = 0x9000};  // a negative 16-bit origin: 4 + 28672
  file = h.With({});
  file.resize(file.size() + 3 * 300);
  EXPECT_EQ(Tga(file).width, 4 + 0x7000);
}

// Writers set the Y origin of a bottom-left picture to its height: the
// picture is drawn whole, bottom row first, as from an origin of 0; so is
// one whose X origin is its width. Top-down rows keep their own order.
TEST(Tga, AnOriginEqualToTheSideDrawsTheWholePicture) {
  const std::initializer_list<uint8_t> rows = {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4};
  const std::vector<uint32_t> bottom_up = {Rgb(3, 3, 3), Rgb(4, 4, 4), Rgb(1, 1, 1), Rgb(2, 2, 2)};
  for (const TgaHeader h : {TgaHeader{.width = 2, .height = 2, .y_origin = 2},
                            TgaHeader{.width = 2, .height = 2, .x_origin = 2},
                            TgaHeader{.width = 2, .height = 2, .x_origin = 2, .y_origin = 2}}) {
    SCOPED_TRACE(testing::Message() << "origin " << h.x_origin << ", " << h.y_origin);
    const DecodedImage image = Tga(h.With(rows));
    ASSERT_EQ(image.width, 2);
    ASSERT_EQ(image.height, 2);
    EXPECT_EQ(image.pixels, bottom_up);
  }
  TgaHeader top_down{.width = 2, .height = 2, .descriptor = 0x20, .y_origin = 2};
  EXPECT_EQ(Tga(top_down.With(rows)).pixels,
            (std::vector<uint32_t>{Rgb(1, 1, 1), Rgb(2, 2, 2), Rgb(3, 3, 3), Rgb(4, 4, 4)}));
  // An origin short of the side still narrows the picture.
  TgaHeader moved{.width = 2, .height = 2, .y_origin = 1};
  EXPECT_EQ(Tga(moved.With(rows)).pixels, (std::vector<uint32_t>{Rgb(1, 1, 1), Rgb(2, 2, 2)}));
}

// Both decoders stop before the next row once asked to, raw or run-length,
// and leave no picture.
TEST(Tga, ADecodeStopsAtTheNextRowOnceCancelled) {
  const auto stops_at_third_ask = [](auto decode) {
    int asked = 0;
    DecodedImage out;
    EXPECT_FALSE(decode(out, [&] { return ++asked == 3; }));
    EXPECT_EQ(asked, 3);
    EXPECT_TRUE(out.empty());
  };
  TgaHeader raw{.width = 4, .height = 8};
  TgaHeader runs{.type = 10, .width = 4, .height = 8};
  const Bytes raw_file = raw.With({}), runs_file = runs.With({});
  Bytes raw_pixels = raw_file, run_pixels = runs_file;
  raw_pixels.resize(raw_file.size() + 3 * 32, 7);
  for (int i = 0; i < 16; ++i)
    run_pixels.insert(run_pixels.end(), {0x81, 1, 2, 3});
  for (const Bytes* file : {&raw_pixels, &run_pixels}) {
    stops_at_third_ask([&](DecodedImage& out, const platform::DecodeCancelled& c) {
      return DecodeTga(*file, out, c);
    });
    stops_at_third_ask([&](DecodedImage& out, const platform::DecodeCancelled& c) {
      return DecodeTgaItem(*file, out, c);
    });
  }
  Bytes pcx(128, 0);
  pcx[3] = 8;
  pcx[8] = pcx[10] = 7;  // 8 x 8
  pcx[65] = 1;
  pcx[66] = 8;
  pcx.resize(128 + 64, 5);
  stops_at_third_ask([&](DecodedImage& out, const platform::DecodeCancelled& c) {
    return DecodePcx(pcx, out, c);
  });
}

TEST(Tga, BadInputDecodesNothingAndLeavesNoPreviousPicture) {
  DecodedImage out;
  TgaHeader good{.width = 2};
  ASSERT_TRUE(DecodeTga(good.With({1, 2, 3, 4, 5, 6}), out));
  const Bytes short_header(17, 0);
  TgaHeader depth15{.depth = 15};
  TgaHeader depth0{.depth = 0};
  TgaHeader huge{.type = 10, .width = 32767, .height = 32767};  // 4 GiB from a few bytes
  TgaHeader zero{.width = 0};
  for (const Bytes& bad : {short_header, depth15.With({1, 2}), depth0.With({1, 2, 3, 4}),
                           huge.With({0xFF, 1, 2, 3, 0xFF, 1, 2, 3}), zero.With({1, 2, 3})}) {
    EXPECT_FALSE(DecodeTga(bad, out));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(out.pixels.empty());
  }
}

TEST(Tga, AlbumItemsAre32BitUnlessTheHeaderSaysOtherwise) {
  DecodedImage out;
  // No depth in the header: taken as 32-bit, as the player does.
  TgaHeader h{.type = 10, .depth = 0, .width = 3};
  ASSERT_TRUE(DecodeTgaItem(h.With({0x82, 1, 2, 3, 4}), out));
  EXPECT_EQ(out.pixels, std::vector<uint32_t>(3, 0x04030201u));
  EXPECT_FALSE(DecodeTga(h.With({0x82, 1, 2, 3, 4}), out));
  // A 24-bit item is decoded as 24-bit, not misread as 32.
  h.depth = 24;
  ASSERT_TRUE(DecodeTgaItem(h.With({0x82, 1, 2, 3}), out));
  EXPECT_EQ(out.pixels, std::vector<uint32_t>(3, Rgb(3, 2, 1)));
  h.depth = 15;
  EXPECT_FALSE(DecodeTgaItem(h.With({0x82, 1, 2}), out));
}

// --- PCX ------------------------------------------------------------------------

struct PcxHeader {
  int bits = 8;
  int planes = 1;
  int width = 1;
  int height = 1;
  int line_bytes = 0;  // 0: just enough for the width
  int encoding = 1;

  Bytes With(std::initializer_list<uint8_t> body) const {
    Bytes b(128, 0);
    b[0] = 10;
    b[1] = 5;
    b[2] = static_cast<uint8_t>(encoding);
    b[3] = static_cast<uint8_t>(bits);
    Put16(b, 4, 3);  // a window not at 0, 0
    Put16(b, 6, 5);
    Put16(b, 8, 3 + width - 1);
    Put16(b, 10, 5 + height - 1);
    b[65] = static_cast<uint8_t>(planes);
    Put16(b, 66, line_bytes ? line_bytes : (width * bits + 7) / 8);
    b.insert(b.end(), body);
    return b;
  }
};

DecodedImage Pcx(const Bytes& file) {
  DecodedImage out;
  EXPECT_TRUE(DecodePcx(file, out));
  return out;
}

// The file's last byte is never looked at (the player stops before it), so
// the fixtures end with a spare byte.
TEST(Pcx, RunsRepeatTheNextByteAndMayCrossRows) {
  PcxHeader h{.width = 4, .height = 2};
  // 0xC5 0x07: five bytes of 7 (four in row one, one in row two); 0xC0: a run of none;
  // 0x3F: a literal below 192.
  EXPECT_EQ(
      Pcx(h.With({0xC5, 0x07, 0xC0, 0x99, 0x3F, 0xC1, 0xC8, 0x01, 0x00})).pixels,
      (std::vector<uint32_t>{Rgb(7, 7, 7), Rgb(7, 7, 7), Rgb(7, 7, 7), Rgb(7, 7, 7), Rgb(7, 7, 7),
                             Rgb(63, 63, 63), Rgb(200, 200, 200), Rgb(1, 1, 1)}));
  // A run clamped by the end of the picture, and a literal in the last byte dropped.
  EXPECT_EQ(Pcx(h.With({0xFF, 0x02})).pixels, std::vector<uint32_t>(8, Rgb(2, 2, 2)));
  EXPECT_EQ(Pcx(h.With({0xC7, 0x02, 0x09})).pixels.back(), kBlack);
  // Uncompressed, cut short: the rest is black.
  h.encoding = 0;
  EXPECT_EQ(Pcx(h.With({1, 2, 3, 4, 5})).pixels,
            (std::vector<uint32_t>{Rgb(1, 1, 1), Rgb(2, 2, 2), Rgb(3, 3, 3), Rgb(4, 4, 4),
                                   Rgb(5, 5, 5), kBlack, kBlack, kBlack}));
}

TEST(Pcx, EightBitPicturesUseTheTrailingPaletteOnlyAfterItsMarker) {
  PcxHeader h{.width = 3, .encoding = 0};
  Bytes file = h.With({0, 1, 2});
  file.resize(file.size() + 1 + 768, 0);
  for (size_t i = 0; i < 768; ++i)
    file[file.size() - 768 + i] = static_cast<uint8_t>(255 - i % 256);
  const size_t marker = file.size() - 769;
  file[marker] = 12;
  EXPECT_EQ(Pcx(file).pixels,
            (std::vector<uint32_t>{Rgb(255, 254, 253), Rgb(252, 251, 250), Rgb(249, 248, 247)}));
  file[marker] = 11;
  EXPECT_EQ(Pcx(file).pixels, (std::vector<uint32_t>{Rgb(0, 0, 0), Rgb(1, 1, 1), Rgb(2, 2, 2)}));
}

TEST(Pcx, OneAndFourBitPixelsAndThreePlanes) {
  PcxHeader h{.bits = 1, .width = 10, .encoding = 0};  // two bytes per row, first bit leftmost
  EXPECT_EQ(Pcx(h.With({0b10000001, 0b01000000})).pixels,
            (std::vector<uint32_t>{0xFFFFFFFF, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack,
                                   0xFFFFFFFF, kBlack, 0xFFFFFFFF}));
  h = {.bits = 4, .width = 3, .encoding = 0};  // high nibble first, the header's 16 colours
  Bytes file = h.With({0x1F, 0x20});
  for (int i = 0; i < 48; ++i)
    file[16 + static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  EXPECT_EQ(Pcx(file).pixels, (std::vector<uint32_t>{Rgb(3, 4, 5), Rgb(45, 46, 47), Rgb(6, 7, 8)}));
  h = {.bits = 8, .planes = 3, .width = 2, .height = 2, .line_bytes = 3, .encoding = 0};
  EXPECT_EQ(Pcx(h.With({1, 2, 0, 3, 4, 0, 5, 6, 0, 7, 8, 0, 9, 10, 0, 11, 12, 0})).pixels,
            (std::vector<uint32_t>{Rgb(1, 3, 5), Rgb(2, 4, 6), Rgb(7, 9, 11), Rgb(8, 10, 12)}));
}

// Also when the data covers only a sliver of the picture, or none of it.
TEST(Pcx, ATruncatedFileDecodesWhatItHolds) {
  PcxHeader h{.width = 640, .height = 480};
  DecodedImage image = Pcx(h.With({0xC3, 0x05, 0x00}));
  ASSERT_EQ(image.pixels.size(), 640u * 480u);
  EXPECT_EQ(image.pixels[2], Rgb(5, 5, 5));
  EXPECT_TRUE(std::all_of(image.pixels.begin() + 3, image.pixels.end(),
                          [](uint32_t p) { return p == kBlack; }));
  h = {.bits = 8, .planes = 3, .width = 640, .height = 480, .encoding = 0};
  EXPECT_EQ(Pcx(h.With({})).pixels, std::vector<uint32_t>(640u * 480u, kBlack));
  // Rows past the data are zero bytes: colour 0 of the palette.
  h = {.bits = 4, .width = 2, .height = 3, .encoding = 0};
  Bytes file = h.With({0x12});
  file[16] = 7;
  file[19] = 9;
  EXPECT_EQ(Pcx(file).pixels, (std::vector<uint32_t>{Rgb(9, 0, 0), kBlack, Rgb(7, 0, 0),
                                                     Rgb(7, 0, 0), Rgb(7, 0, 0), Rgb(7, 0, 0)}));
}

TEST(Pcx, UnsupportedOrInconsistentHeadersDecodeNothing) {
  DecodedImage out;
  ASSERT_TRUE(DecodePcx(PcxHeader{}.With({0x40, 0}), out));
  PcxHeader four_planes{.bits = 1, .planes = 4};
  PcxHeader two_bits{.bits = 2};
  PcxHeader short_rows{.width = 10, .line_bytes = 4};
  PcxHeader huge{.width = 30000, .height = 30000};
  for (const Bytes& bad : {Bytes(127, 0), four_planes.With({0, 0}), two_bits.With({0, 0}),
                           short_rows.With({0xFF, 1}), huge.With({0xFF, 1, 0xFF, 1, 0})}) {
    EXPECT_FALSE(DecodePcx(bad, out));
    EXPECT_TRUE(out.empty());
  }
}

// --- Compositing ----------------------------------------------------------------

TEST(Blend, AlphaMixesPictureAndBackgroundThePlayersWay) {
  DecodedImage picture;
  ASSERT_TRUE(picture.Resize(4, 2));
  picture.pixels = {0x80000000u, 0xFF102030u, 0x00102030u, 0x01FFFFFFu,
                    0xFE000000u, 0x40C8C8C8u, 0x80FF0000u, 0xC0123456u};
  picture.has_alpha = true;
  // The background has a wider stride: a sentinel column after each row.
  std::vector<uint32_t> memory = {0xC8C8C8, 0x405060, 0x405060, 0x000000, 0xDEAD,
                                  0xFFFFFF, 0xC8C8C8, 0x0000FF, 0x654321, 0xDEAD};
  const platform::Surface background{reinterpret_cast<uint8_t*>(memory.data()), 4, 2, 5 * 4};
  BlendOverBackground(picture, background);
  EXPECT_EQ(
      picture.pixels,
      (std::vector<uint32_t>{Rgb(100, 100, 100),     // alpha 128, picture 0 over 200
                             Rgb(0x10, 0x20, 0x30),  // opaque: the picture
                             Rgb(0x40, 0x50, 0x60),  // transparent: the background
                             Rgb(1, 1, 1),           // alpha 1: (0 + 255 + 255) / 256
                             Rgb(1, 1, 1),           // alpha 254 of black over white
                             Rgb(200, 200, 200), Rgb(128, 0, 127),  // 32895 / 256, 0, 32640 / 256
                             Rgb(39, 56, 73)}));                    // 10074, 14460, 18846 / 256
  EXPECT_FALSE(picture.has_alpha);
  EXPECT_EQ(memory[4], 0xDEADu);
  EXPECT_EQ(memory[9], 0xDEADu);
}

// --- The corpus -----------------------------------------------------------------

using corpus::kCorpus;
using corpus::OverGrey;
using corpus::ReadFile;
using corpus::ReadPng;

// The largest difference in any channel, or -1 when the sizes differ.
int MaxDifference(const DecodedImage& a, const DecodedImage& b) {
  if (a.width != b.width || a.height != b.height) return -1;
  int most = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    for (int shift : {0, 8, 16}) {
      const int d = static_cast<int>(a.pixels[i] >> shift & 0xFF) -
                    static_cast<int>(b.pixels[i] >> shift & 0xFF);
      most = std::max(most, std::abs(d));
    }
  }
  return most;
}

struct IndexRow {
  std::string path;
  bool reference_decoded = false;
  bool alpha = false;
};

std::vector<IndexRow> TgaAndPcxRows() {
  std::vector<IndexRow> rows;
  for (const std::vector<std::string>& f : corpus::IndexRows()) {
    if (f.size() < 10 || !(f[0].starts_with("images/tga/") || f[0].starts_with("images/pcx/")))
      continue;
    rows.push_back({f[0], f[1] == "yes", f[9] == "yes"});
  }
  return rows;
}

// Where the player's rules and the reference decoder part ways, and what ours
// must do instead.
enum class Differs {
  kNothing,         // ours decodes nothing
  kOriginShear,     // the X origin narrows the rows: the same stream, read in shorter rows
  kShiftedPalette,  // 16-bit palette entries shifted left by 2: ours = (5-bit value) << 2
  kOpaque,          // no alpha bits declared: ours is the reference's colours, opaque
  kSameAs,          // the reference is wrong; ours is the reference picture of `other`
  kOtherColours,    // same size, other colours
};
struct Difference {
  Differs kind;
  const char* reason;
  const char* other = nullptr;
};

constexpr const char* kNoAlphaBits =
    "32-bit, but the descriptor declares no alpha bits: the fourth byte is not alpha";
const std::map<std::string, Difference> kDiffering = {
    {"images/tga/pillow/200x32_p_bl_raw_origin.tga",
     {Differs::kOriginShear, "X origin 1: 199-pixel rows read from 200-pixel rows"}},
    {"images/tga/pillow/p_16.tga",
     {Differs::kShiftedPalette, "16-bit palette entries are shifted left by 2 (0..124)"}},
    {"images/tga/pillow/rgb32rle.tga", {Differs::kOpaque, kNoAlphaBits}},
    {"images/tga/pillow/rgb32rle_bottom_right.tga", {Differs::kOpaque, kNoAlphaBits}},
    {"images/tga/pillow/la.tga",
     {Differs::kOtherColours, "16-bit pixels are 5-5-5 colour; these are grey and alpha"}},
    {"images/tga/pillow/tga/common/200x32_la_tl_raw.tga",
     {Differs::kOtherColours, "16-bit pixels are 5-5-5 colour; these are grey and alpha"}},
    {"images/tga/pillow/tga/common/200x32_la_tl_rle.tga",
     {Differs::kOtherColours, "16-bit pixels are 5-5-5 colour; these are grey and alpha"}},
    {"images/tga/pillow/tga/common/200x32_la_bl_raw.tga",
     {Differs::kOtherColours, "16-bit pixels are 5-5-5 colour; these are grey and alpha"}},
    {"images/tga/pillow/tga/common/200x32_la_bl_rle.tga",
     {Differs::kOtherColours, "16-bit pixels are 5-5-5 colour; these are grey and alpha"}},
    {"images/tga/image-rs/b5-unused-cmap.tga",
     {Differs::kSameAs, "the reference reads the unused 15-bit colour map as pixels",
      "images/tga/image-rs/b5-noattrib.tga"}},
    {"images/pcx/pillow/p_4_planes.pcx",
     {Differs::kNothing, "1 bit in 4 planes is not a layout the player draws"}},
};

// Pixel k of a bottom-up picture in the order it is stored.
uint32_t Stored(const DecodedImage& image, size_t k) {
  const size_t w = static_cast<size_t>(image.width);
  return image.pixels[(static_cast<size_t>(image.height) - 1 - k / w) * w + k % w];
}

DecodedImage Mirrored(DecodedImage image) {
  const size_t w = static_cast<size_t>(image.width);
  for (size_t row = 0; row < image.pixels.size(); row += w) {
    std::reverse(image.pixels.begin() + static_cast<std::ptrdiff_t>(row),
                 image.pixels.begin() + static_cast<std::ptrdiff_t>(row + w));
  }
  return image;
}

std::string Reference(const IndexRow& row, bool alpha) {
  return kCorpus + "/reference/" + row.path + (alpha ? ".over-grey.png" : ".png");
}
std::string Reference(const IndexRow& row) {
  return Reference(row, row.alpha);
}

void CheckDifference(const IndexRow& row, const Difference& d, bool decoded,
                     const DecodedImage& ours) {
  SCOPED_TRACE(d.reason);
  if (d.kind == Differs::kNothing) {
    EXPECT_FALSE(decoded);
    EXPECT_TRUE(ours.empty());
    return;
  }
  ASSERT_TRUE(decoded);
  const DecodedImage want = ReadPng(Reference(row));
  ASSERT_FALSE(want.empty());
  const DecodedImage seen = row.alpha ? OverGrey(ours) : ours;
  switch (d.kind) {
    case Differs::kOriginShear:
      ASSERT_EQ(ours.width, want.width - 1);
      ASSERT_EQ(ours.height, want.height);
      for (size_t k = 0; k < ours.pixels.size(); ++k)
        ASSERT_EQ(Stored(ours, k), Stored(want, k)) << k;
      break;
    case Differs::kShiftedPalette:
      ASSERT_EQ(ours.pixels.size(), want.pixels.size());
      for (size_t i = 0; i < ours.pixels.size(); ++i) {
        ASSERT_EQ(ours.pixels[i], kBlack | (want.pixels[i] >> 3 & 0x1F1F1F) << 2) << i;
      }
      break;
    case Differs::kOpaque:
      EXPECT_FALSE(ours.has_alpha);
      EXPECT_EQ(MaxDifference(ours, ReadPng(Reference(row, false))), 0);
      break;
    case Differs::kSameAs: {
      const DecodedImage other = ReadPng(kCorpus + "/reference/" + d.other + ".png");
      EXPECT_GE(MaxDifference(seen, other), 0);
      EXPECT_LE(MaxDifference(seen, other), 1);  // 5-bit channels, widened differently
      break;
    }
    default:
      EXPECT_EQ(ours.width, want.width);
      EXPECT_EQ(ours.height, want.height);
      break;
  }
}

// The reference widens 5-bit channels by 255 / 31, truncated; ours repeats the
// high bits as a 16-bit device bitmap does. They differ by at most 1. Pictures
// with alpha are compared over grey, where rounding may differ by 1 too.
constexpr int kTolerance16 = 1;
int Tolerance(const IndexRow& row, const Bytes& file) {
  const bool sixteen = row.path.ends_with(".tga") && file.size() > 16 && file[16] == 16;
  return sixteen || row.alpha ? kTolerance16 : 0;
}

TEST(Corpus, EveryTgaAndPcxFileMatchesTheReferenceOrIsListedAsDiffering) {
  const std::vector<IndexRow> rows = TgaAndPcxRows();
  ASSERT_GE(rows.size(), 50u) << "the corpus index is missing or short: " << kCorpus;
  size_t listed_seen = 0;
  for (const IndexRow& row : rows) {
    SCOPED_TRACE(row.path);
    const Bytes file = ReadFile(kCorpus + "/" + row.path);
    ASSERT_FALSE(file.empty());
    DecodedImage ours;
    const bool decoded = row.path.ends_with(".pcx") ? DecodePcx(file, ours) : DecodeTga(file, ours);
    if (const auto listed = kDiffering.find(row.path); listed != kDiffering.end()) {
      ++listed_seen;
      CheckDifference(row, listed->second, decoded, ours);
    } else if (row.reference_decoded) {
      ASSERT_TRUE(decoded);
      const DecodedImage want = ReadPng(Reference(row));
      ASSERT_FALSE(want.empty());
      const int difference = MaxDifference(row.alpha ? OverGrey(ours) : ours, want);
      EXPECT_GE(difference, 0) << "size " << ours.width << "x" << ours.height;
      EXPECT_LE(difference, Tolerance(row, file));
    }
    // Files the reference rejects only have to come through safely (the
    // sanitizer build checks every read).
  }
  EXPECT_EQ(listed_seen, kDiffering.size()) << "a listed file is no longer in the index";
}

// The same stored data under three descriptors (the reference cannot read
// these): the top-down bit turns the picture over, the right-to-left bit
// turns each row round.
TEST(Corpus, OrientationBitsOnTheSameData) {
  const auto decode = [](const char* name) {
    DecodedImage out;
    EXPECT_TRUE(DecodeTga(ReadFile(kCorpus + "/images/tga/image-rs/" + name), out)) << name;
    return out;
  };
  const DecodedImage bottom_left = decode("bottom_left.tga");
  const DecodedImage top_left = decode("top_left.tga");
  EXPECT_EQ(decode("bottom_right.tga").pixels, Mirrored(bottom_left).pixels);
  ASSERT_EQ(top_left.pixels.size(), bottom_left.pixels.size());
  ASSERT_EQ(bottom_left.width, 75);
  for (size_t k = 0; k < top_left.pixels.size(); ++k) {
    ASSERT_EQ(top_left.pixels[k], Stored(bottom_left, k)) << k;
  }
  EXPECT_TRUE(top_left.has_alpha);
}

}  // namespace
}  // namespace lantern::imaging
