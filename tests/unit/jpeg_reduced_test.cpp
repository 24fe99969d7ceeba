// The reduced-size JPEG decoder against libjpeg's full-size decode averaged
// down (pictures encoded here in every sampling, with and without restart
// intervals, grey and RGB), the corpus against the reference decoder's
// pictures, what it refuses, damaged scans, and a photo made ready for a
// slide through it.
#include <gtest/gtest.h>

// jpeglib.h needs FILE and size_t declared first.
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "album/picture_source.h"
#include "bench/libjpeg_decode.h"
#include "corpus_pictures.h"
#include "imaging/jpeg_reduced.h"
#include "imaging/placement.h"
#include "imaging/ready_photo.h"
#include "imaging/resample.h"
#include "platform/fake/fake_platform.h"
#include "tests/unit/libjpeg_reference.h"

namespace lantern::imaging {
namespace {

using Bytes = std::vector<uint8_t>;
using reference::DecodeFull;

// --- libjpeg, as the reference ----------------------------------------------

struct Encoding {
  J_COLOR_SPACE space = JCS_YCbCr;
  int h0 = 2, v0 = 2;  // the first component's sampling factors; the others 1 x 1
  int quality = 90;
  int restart = 0;  // MCUs per interval
  bool progressive = false;
  bool arithmetic = false;
  int orientation = 0;  // an EXIF orientation to write; 0 for none
};

// An APP1 segment's body holding nothing but an EXIF orientation.
std::vector<uint8_t> ExifOrientation(int orientation) {
  return {'E',
          'x',
          'i',
          'f',
          0,
          0,  // the EXIF name
          'I',
          'I',
          42,
          0,
          8,
          0,
          0,
          0,  // TIFF header, directory at 8
          1,
          0,  // one entry:
          0x12,
          0x01,
          3,
          0,
          1,
          0,
          0,
          0,  // orientation, SHORT, one
          static_cast<uint8_t>(orientation),
          0,
          0,
          0,  // its value
          0,
          0,
          0,
          0};  // no next directory
}

Bytes Encode(const DecodedImage& image, const Encoding& e) {
  jpeg_compress_struct c{};
  jpeg_error_mgr error{};
  c.err = jpeg_std_error(&error);
  jpeg_create_compress(&c);
  unsigned char* memory = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &memory, &size);
  c.image_width = static_cast<JDIMENSION>(image.width);
  c.image_height = static_cast<JDIMENSION>(image.height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_colorspace(&c, e.space);
  c.comp_info[0].h_samp_factor = e.h0;
  c.comp_info[0].v_samp_factor = e.v0;
  for (int i = 1; i < c.num_components; ++i)
    c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
  jpeg_set_quality(&c, e.quality, TRUE);
  c.restart_interval = static_cast<unsigned>(e.restart);
  if (e.progressive) jpeg_simple_progression(&c);
  c.arith_code = e.arithmetic ? TRUE : FALSE;
  jpeg_start_compress(&c, TRUE);
  if (e.orientation != 0) {
    const std::vector<uint8_t> exif = ExifOrientation(e.orientation);
    jpeg_write_marker(&c, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
  }
  std::vector<uint8_t> row(static_cast<size_t>(image.width) * 3);
  while (c.next_scanline < c.image_height) {
    const uint32_t* in = &image.pixels[c.next_scanline * static_cast<size_t>(image.width)];
    for (int32_t x = 0; x < image.width; ++x) {
      row[static_cast<size_t>(x) * 3] = static_cast<uint8_t>(in[x] >> 16);
      row[static_cast<size_t>(x) * 3 + 1] = static_cast<uint8_t>(in[x] >> 8);
      row[static_cast<size_t>(x) * 3 + 2] = static_cast<uint8_t>(in[x]);
    }
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&c, rows, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  Bytes out(memory, memory + size);
  std::free(memory);
  return out;
}

// The picture at `eighths` eighths of its size (rounded up): each pixel the
// mean of the full-size pixels inside the picture that its square covers,
// weighted by how much of each it covers.
DecodedImage Averaged(const DecodedImage& full, int eighths) {
  DecodedImage out;
  out.Resize((full.width * eighths + 7) / 8, (full.height * eighths + 7) / 8);
  const double span = 8.0 / eighths;
  const auto covered = [&](int32_t out_at, int32_t at) {
    return std::max(0.0,
                    std::min(at + 1.0, (out_at + 1) * span) - std::max<double>(at, out_at * span));
  };
  for (int32_t y = 0; y < out.height; ++y) {
    for (int32_t x = 0; x < out.width; ++x) {
      double sum[3] = {0, 0, 0};
      double area = 0;
      for (auto fy = static_cast<int32_t>(y * span);
           fy < std::min<double>(full.height, (y + 1) * span); ++fy) {
        for (auto fx = static_cast<int32_t>(x * span);
             fx < std::min<double>(full.width, (x + 1) * span); ++fx) {
          const double weight = covered(y, fy) * covered(x, fx);
          const uint32_t p = full.pixels[static_cast<size_t>(fy * full.width + fx)];
          for (int c = 0; c < 3; ++c)
            sum[c] += weight * (p >> (8 * c) & 0xFF);
          area += weight;
        }
      }
      uint32_t mean = 0xFF000000u;
      for (int c = 0; c < 3; ++c)
        mean |= static_cast<uint32_t>(std::lround(sum[c] / area)) << (8 * c);
      out.pixels[static_cast<size_t>(y * out.width + x)] = mean;
    }
  }
  return out;
}

struct Difference {
  int most = -1;  // -1: the sizes differ
  double mean = 0;
};

// Over the top-left `w` x `h` pixels (all of them by default).
Difference Compare(const DecodedImage& a, const DecodedImage& b, int32_t w = -1, int32_t h = -1) {
  Difference d;
  if (a.width != b.width || a.height != b.height || a.pixels.empty()) return d;
  w = w < 0 ? a.width : w;
  h = h < 0 ? a.height : h;
  d.most = 0;
  double total = 0;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      const size_t i = static_cast<size_t>(y * a.width + x);
      for (int c = 0; c < 3; ++c) {
        const int diff = std::abs(static_cast<int>(a.pixels[i] >> (8 * c) & 0xFF) -
                                  static_cast<int>(b.pixels[i] >> (8 * c) & 0xFF));
        d.most = std::max(d.most, diff);
        total += diff;
      }
    }
  }
  d.mean = w * h > 0 ? total / (3.0 * w * h) : 0;
  return d;
}

// Smooth colours with a few sharp edges, kept clear of black and white (where
// clipping before or after averaging would differ).
DecodedImage TestPicture(int32_t w, int32_t h) {
  DecodedImage image;
  image.Resize(w, h);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      const bool inside = x > w / 3 && x < w * 2 / 3 && y > h / 4 && y < h / 2;
      const auto channel = [&](double phase) {
        const double v = 128 + 50 * std::sin(x / 7.0 + phase) + 30 * std::cos(y / 5.0 - phase);
        return static_cast<uint32_t>(inside ? 255 - v : v);
      };
      image.pixels[static_cast<size_t>(y * w + x)] =
          0xFF000000u | channel(0) << 16 | channel(1) << 8 | channel(2);
    }
  }
  return image;
}

// --- Pictures encoded here ------------------------------------------------------

TEST(JpegReduced, EachPixelIsTheMeanOfTheFullSizePixelsItStandsFor) {
  struct Case {
    const char* name;
    Encoding e;
  };
  const Case cases[] = {
      {"4:2:0", {}},
      {"4:4:4", {.h0 = 1, .v0 = 1}},
      {"4:2:2", {.h0 = 2, .v0 = 1}},
      {"4:4:0", {.h0 = 1, .v0 = 2}},
      {"4:1:1", {.h0 = 4, .v0 = 1}},
      {"4:1:0 tall", {.h0 = 2, .v0 = 4}},
      {"chroma a third across", {.h0 = 3, .v0 = 1}},
      {"grey", {.space = JCS_GRAYSCALE, .h0 = 1, .v0 = 1}},
      {"grey, factors 2 x 2", {.space = JCS_GRAYSCALE}},
      {"RGB", {.space = JCS_RGB, .h0 = 1, .v0 = 1}},
      {"restart every MCU", {.restart = 1}},
      {"restart every 7 MCUs, 4:2:2", {.h0 = 2, .v0 = 1, .restart = 7}},
      {"quality 40", {.quality = 40}},
      {"quality 100", {.h0 = 1, .v0 = 1, .quality = 100}},
  };
  const std::pair<int32_t, int32_t> sizes[] = {{128, 96}, {37, 23}, {250, 171}, {1, 1}, {9, 70}};
  for (const Case& c : cases) {
    for (auto [w, h] : sizes) {
      const Bytes file = Encode(TestPicture(w, h), c.e);
      const DecodedImage full = DecodeFull(file);
      const std::optional<JpegSize> size = ReducibleJpegSize(file);
      ASSERT_TRUE(size) << c.name;
      EXPECT_EQ(size->width, w);
      EXPECT_EQ(size->height, h);
      for (int eighths = 1; eighths <= 8; ++eighths) {
        SCOPED_TRACE(testing::Message()
                     << c.name << ", " << w << " x " << h << ", " << eighths << "/8");
        DecodedImage ours;
        ASSERT_TRUE(DecodeJpegReduced(file, eighths, ours));
        const DecodedImage want = Averaged(full, eighths);
        const Difference d = Compare(ours, want);
        const Difference inner = Compare(ours, want, w * eighths / 8, h * eighths / 8);
        // Inside, only rounding; at the right and bottom edges a square
        // reaches past the picture into the blocks' padding.
        EXPECT_LE(inner.most, 3);
        EXPECT_LE(inner.mean, 0.6);
        EXPECT_GE(d.most, 0);
        EXPECT_LE(d.most, 12);
        EXPECT_LE(d.mean, 3.0);  // the narrowest pictures are mostly edge
        EXPECT_FALSE(ours.has_alpha);
      }
    }
  }
}

// --- The corpus -----------------------------------------------------------------

// Every JPEG of the corpus: sequential 8-bit files of one or three components
// decode at half size close to the reference decoder's picture averaged; the
// others (progressive, arithmetic-coded, CMYK) are refused.
TEST(JpegReduced, CorpusFilesItReadsMatchTheReferenceAndTheOthersAreRefused) {
  int read = 0;
  for (const std::vector<std::string>& row : corpus::IndexRows()) {
    if (row.size() < 11 || row[3] != "JPEG") continue;
    SCOPED_TRACE(row[0]);
    const Bytes file = corpus::ReadFile(corpus::kCorpus + "/" + row[0]);
    const std::string& note = row[10];
    const bool readable =
        (note.starts_with("sof=baseline/8bit/") || note.starts_with("sof=extended/8bit/")) &&
        !note.ends_with("/4comp");
    DecodedImage ours;
    const bool decoded = DecodeJpegReduced(file, 4, ours);
    EXPECT_EQ(decoded, readable);
    EXPECT_EQ(ReducibleJpegSize(file).has_value(), readable);
    if (!decoded) continue;
    ++read;
    // The reference widens chroma smoothly, ours by repeating it: they part
    // at sharp colour edges only. Against libjpeg widening as ours does,
    // only rounding and clipping remain.
    const DecodedImage reference =
        corpus::ReadPng(corpus::kCorpus + "/reference/" + row[0] + ".png");
    const Difference d = Compare(ours, Averaged(reference, 4));
    EXPECT_GE(d.most, 0);
    EXPECT_LE(d.mean, 1.5);
    const Difference e = Compare(ours, Averaged(DecodeFull(file), 4));
    EXPECT_GE(e.most, 0);
    EXPECT_LE(e.most, 24);
    EXPECT_LE(e.mean, 0.5);
  }
  EXPECT_GE(read, 20);
}

// --- Refused and damaged files --------------------------------------------------

// Where two bytes first follow each other from `from` on; the size if nowhere.
size_t Find(const Bytes& file, uint8_t first, uint8_t second, size_t from = 0) {
  for (size_t i = from; i + 1 < file.size(); ++i) {
    if (file[i] == first && file[i + 1] == second) return i;
  }
  return file.size();
}

// A file cut short anywhere before its end marker, or whose restart marker
// is gone, is refused (the caller then falls back on the system's decoder)
// rather than shown with a part missing; so is a size the data could never
// hold, before anything is allocated for it.
TEST(JpegReduced, DamagedFilesAreRefusedWhole) {
  DecodedImage out;
  for (const int restart : {0, 3}) {
    SCOPED_TRACE(restart);
    const Bytes file = Encode(TestPicture(96, 64), {.restart = restart});
    ASSERT_EQ(Find(file, 0xFF, 0xD9), file.size() - 2);
    ASSERT_TRUE(DecodeJpegReduced({file.data(), file.size() - 2}, 2, out));
    for (size_t cut = 0; cut + 2 < file.size(); ++cut) {
      ASSERT_FALSE(DecodeJpegReduced({file.data(), cut}, 2, out)) << cut;
      ASSERT_TRUE(out.empty() && out.pixels.empty());
    }
  }
  Bytes file = Encode(TestPicture(96, 64), {.restart = 2});
  const size_t marker = Find(file, 0xFF, 0xD0, Find(file, 0xFF, 0xDA));
  ASSERT_LT(marker, file.size());
  file[marker + 1] = 0xD9;
  EXPECT_FALSE(DecodeJpegReduced(file, 2, out));
  file[marker + 1] = 0xD5;  // another restart number is taken as it comes
  EXPECT_TRUE(DecodeJpegReduced(file, 2, out));

  // The frame header: FF C0, length, precision, then height and width.
  const size_t frame = Find(file, 0xFF, 0xC0);
  ASSERT_LT(frame + 9, file.size());
  for (size_t at = frame + 5; at < frame + 9; ++at)
    file[at] = 0xFF;
  ASSERT_TRUE(ReducibleJpegSize(file));
  EXPECT_EQ(ReducibleJpegSize(file)->width, 65535);
  EXPECT_FALSE(DecodeJpegReduced(file, 1, out));
}

// A grey frame of 65535 x 65535 whose scan is long enough to hold its
// blocks (two bits each) is a valid size, but at 2/8 it would take 1 GiB:
// it is refused before anything is allocated for it.
TEST(JpegReduced, ASizeBeyondTheBoundOfOnePictureIsRefusedBeforeItIsAllocated) {
  Bytes file = Encode(TestPicture(16, 16), {.space = JCS_GRAYSCALE, .h0 = 1, .v0 = 1});
  const size_t frame = Find(file, 0xFF, 0xC0);
  ASSERT_LT(frame + 9, file.size());
  for (size_t at = frame + 5; at < frame + 9; ++at)
    file[at] = 0xFF;
  const size_t blocks = size_t{8192} * 8192;
  file.insert(file.end() - 2, blocks / 4 + 1, 0);
  ASSERT_TRUE(ReducibleJpegSize(file));
  DecodedImage out;
  EXPECT_FALSE(DecodeJpegReduced(file, 2, out));
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(out.pixels.capacity(), 0u);
}

// The decode stops between rows of blocks once asked to, and fails.
TEST(JpegReduced, ADecodeStopsAtTheNextRowOfBlocksOnceCancelled) {
  const Bytes file = Encode(TestPicture(96, 160), {});  // ten rows of 16-pixel MCUs
  DecodedImage out;
  int asked = 0;
  EXPECT_FALSE(DecodeJpegReduced(file, 4, out, [&] { return ++asked == 3; }));
  EXPECT_EQ(asked, 3);
  EXPECT_TRUE(out.empty());
  asked = 0;
  EXPECT_TRUE(DecodeJpegReduced(file, 4, out, [&] { return ++asked > 10; }));
}

// Files of kinds it does not read are left to the system's decoder.
TEST(JpegReduced, OtherKindsOfJpegAreRefused) {
  const DecodedImage picture = TestPicture(40, 30);
  for (const Encoding& e : {Encoding{.progressive = true}, Encoding{.arithmetic = true}}) {
    const Bytes file = Encode(picture, e);
    DecodedImage out;
    EXPECT_FALSE(ReducibleJpegSize(file));
    EXPECT_FALSE(DecodeJpegReduced(file, 2, out));
  }
  const Bytes file = Encode(picture, {});
  EXPECT_TRUE(ReducibleJpegSize(file));
  DecodedImage out;
  EXPECT_FALSE(DecodeJpegReduced(file, 0, out));
  EXPECT_FALSE(DecodeJpegReduced(file, 9, out));
  EXPECT_FALSE(ReducibleJpegSize(Bytes{0xFF, 0xD8, 0xFF, 0xD9}));
}

TEST(JpegReduced, TheSizeIsTheSmallestThatStillCoversWhatIsWanted) {
  EXPECT_EQ(JpegEighths({4000, 3000}, 1440, 1080), 3);  // 1500 x 1125
  EXPECT_EQ(JpegEighths({4000, 3000}, 1500, 1126), 4);
  EXPECT_EQ(JpegEighths({4000, 3000}, 500, 375), 1);
  EXPECT_EQ(JpegEighths({4000, 3000}, 501, 375), 2);
  EXPECT_EQ(JpegEighths({4001, 3000}, 501, 375), 1);  // 4001 / 8 rounds up to 501
  EXPECT_EQ(JpegEighths({4000, 3000}, 3501, 10), 8);
  EXPECT_EQ(JpegEighths({4000, 3000}, 4000, 3000), 8);
}

// --- A photo made ready for its slide -------------------------------------------

// A photo much larger than its place on the slide is decoded reduced, and
// turned upright, by our decoder instead of the system's; it lands where the
// system's full decode would put it, with nearly the same pixels. The same
// picture coded progressively (the same coefficients, which ours does not
// read) shows what the system's decoder makes of it.
TEST(JpegReduced, APhotoMuchLargerThanItsPlaceIsMadeReadyFromTheReducedDecode) {
  platform::fake::FakePlatform fake;
  platform::fake::FakePictureDecoder& decoder = fake.fake_pictures();
  decoder.set_extra([](std::span<const uint8_t> bytes, DecodedImage& out) {
    out = DecodeFull(Bytes(bytes.begin(), bytes.end()));
    return !out.empty();
  });
  const DecodedImage picture = TestPicture(800, 600);
  for (const int orientation : {1, 6}) {
    for (const int32_t mode : {kShrinkToFit, kFit, kStretch}) {
      SCOPED_TRACE(testing::Message() << "orientation " << orientation << ", mode " << mode);
      const PhotoKey key{1, 160, 120, mode};
      album::PictureSource source;
      source.decoder = album::PictureDecoder::kPictureMemory;
      source.bytes = Encode(picture, {.progressive = true, .orientation = orientation});
      const int before = decoder.decodes();
      ReadyPhoto system;
      MakeReadyPhoto(decoder, source, key, system);
      ASSERT_EQ(decoder.decodes(), before + 1);
      source.bytes = Encode(picture, {.orientation = orientation});
      ReadyPhoto ours;
      MakeReadyPhoto(decoder, source, key, ours);
      EXPECT_EQ(decoder.decodes(), before + 1);
      ASSERT_TRUE(ours.decoded && system.decoded && ours.scaled && system.scaled);
      EXPECT_EQ(ours.scaled_to, system.scaled_to);
      // Scaled twice, the photo is a little softer: a pixel of the smaller
      // picture that a slide pixel covers in part adds all of itself.
      const Difference d = Compare(ours.image, system.image);
      EXPECT_GE(d.most, 0);
      EXPECT_LE(d.mean, 2.0);
    }
  }
}

}  // namespace
}  // namespace lantern::imaging
