// The native picture decoder over the shared corpus: every picture the
// reference decoder read decodes within a small difference of its picture
// (or is listed with how and why it differs); a file cut short anywhere is
// refused or decodes whole; JPEGs decode at the fewest eighths that cover
// the size asked for; a decode stops once cancelled; sizes beyond the bound
// are refused before anything is allocated.
#include "platform/native/native_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "corpus_pictures.h"

namespace lantern::platform::native {
namespace {

namespace corpus = imaging::corpus;
using Bytes = std::vector<uint8_t>;

struct Entry {
  std::string path;
  bool reference_decoded = false;
  int orientation = 1;
  bool alpha = false;
};

// The index rows of the formats this decoder reads.
std::vector<Entry> Entries() {
  std::vector<Entry> entries;
  for (const std::vector<std::string>& f : corpus::IndexRows()) {
    if (f.size() < 10) continue;
    for (const char* folder :
         {"images/jpeg/", "images/png/", "images/gif/", "images/tiff/", "images/bmp/"}) {
      if (!f[0].starts_with(folder)) continue;
      const int orientation = f[8].empty() ? 1 : std::stoi(f[8]);
      entries.push_back({f[0], f[1] == "yes", orientation, f[9] == "yes"});
    }
  }
  return entries;
}

Bytes Read(const std::string& path) {
  return corpus::ReadFile(corpus::kCorpus + "/" + path);
}

DecodedImage Reference(const Entry& e, bool over_grey) {
  return corpus::ReadPng(corpus::kCorpus + "/reference/" + e.path +
                         (over_grey ? ".over-grey.png" : ".png"));
}

struct Difference {
  int most = -1;  // -1: the sizes differ
  double mean = 0;
};

// Colour channels only.
Difference Compare(const DecodedImage& a, const DecodedImage& b) {
  Difference d;
  if (a.width != b.width || a.height != b.height || a.empty()) return d;
  d.most = 0;
  double sum = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    for (int shift : {0, 8, 16}) {
      const int e = std::abs(static_cast<int>(a.pixels[i] >> shift & 0xFF) -
                             static_cast<int>(b.pixels[i] >> shift & 0xFF));
      d.most = std::max(d.most, e);
      sum += e;
    }
  }
  d.mean = sum / (3.0 * static_cast<double>(a.pixels.size()));
  return d;
}

// 16-bit samples, 5- and 6-bit channels and alpha over grey are rounded
// differently by the two decoders: one level, two where alpha was divided out.
constexpr int kMostDifference = 2;
constexpr double kMeanDifference = 0.5;

// --- The corpus against the reference ------------------------------------------

enum class Differs {
  kNothing,      // ours decodes nothing
  kStored,       // ours is as stored; the reference turned it by the orientation tag
  kOpaque,       // ours is opaque; colours as the reference's without alpha
  kColoursOnly,  // the reference's transparency is wrong; colours agree
  kScreen,       // ours is the logical screen; the reference grew it to the first frame
  kSameSize,     // other pixels, same size
};
struct Listed {
  Differs kind;
  const char* reason;
};

constexpr const char* kSkipped =
    "RLE: the reference fills pixels the stream skips or misplaces otherwise; ours follows the "
    "format (skipped pixels are the palette's first colour)";
const std::map<std::string, Listed> kDiffering = {
    {"images/tiff/pillow/10ct_32bit_128.tiff",
     {Differs::kNothing, "floating-point samples: libtiff's RGBA reader refuses them"}},
    {"images/tiff/pillow/12bit.cropped.tif",
     {Differs::kNothing, "12-bit samples: libtiff's RGBA reader refuses them"}},
    {"images/png/pngsuite/xcsn0g01.png",
     {Differs::kNothing, "a wrong checksum on the image data: libpng refuses it"}},
    {"images/tiff/pillow/g4_orientation_2.tif", {Differs::kStored, "orientation 2"}},
    {"images/tiff/pillow/g4_orientation_4.tif", {Differs::kStored, "orientation 4"}},
    {"images/tiff/pillow/g4_orientation_5.tif", {Differs::kStored, "orientation 5"}},
    {"images/tiff/pillow/g4_orientation_6.tif", {Differs::kStored, "orientation 6"}},
    {"images/tiff/pillow/g4_orientation_7.tif", {Differs::kStored, "orientation 7"}},
    {"images/tiff/pillow/g4_orientation_8.tif", {Differs::kStored, "orientation 8"}},
    {"images/bmp/pillow/rgb32bf-abgr.bmp",
     {Differs::kOpaque, "every alpha bit is 0: the writer left them unset"}},
    {"images/png/pngsuite/tbbn0g04.png",
     {Differs::kColoursOnly, "the reference takes the 4-bit transparent grey as 8-bit"}},
    {"images/png/pngsuite/tbwn0g16.png",
     {Differs::kColoursOnly, "the reference takes the 16-bit transparent grey as 8-bit"}},
    {"images/gif/image-rs/simple/issue_1455_oversized.gif",
     {Differs::kScreen, "the first frame is larger than the screen"}},
    {"images/gif/image-rs/anim/oob.gif",
     {Differs::kScreen, "the first frame reaches past the screen"}},
    {"images/tiff/pillow/lab.tif", {Differs::kSameSize, "CIE L*a*b*: libtiff's own conversion"}},
    {"images/bmp/pillow-bmpsuite/b/pal8badindex.bmp",
     {Differs::kSameSize, "an index past the palette is black here"}},
    {"images/bmp/image-rs/pal8badindex.bmp",
     {Differs::kSameSize, "an index past the palette is black here"}},
    {"images/bmp/pillow-bmpsuite/q/pal8rletrns.bmp", {Differs::kSameSize, kSkipped}},
    {"images/bmp/image-rs/pal4rlecut.bmp", {Differs::kSameSize, kSkipped}},
    {"images/bmp/image-rs/lenient/badrle.bmp", {Differs::kSameSize, kSkipped}},
};

void CheckListed(const Entry& e, const Listed& d, bool decoded, const DecodedImage& ours) {
  SCOPED_TRACE(d.reason);
  if (d.kind == Differs::kNothing) {
    EXPECT_FALSE(decoded);
    return;
  }
  ASSERT_TRUE(decoded);
  const DecodedImage want = Reference(e, e.alpha);
  switch (d.kind) {
    case Differs::kStored: {
      DecodedImage turned = ours;
      std::vector<uint32_t> scratch;
      Orient(turned, e.orientation, scratch);
      EXPECT_EQ(Compare(turned, want).most, 0);
      break;
    }
    case Differs::kOpaque:
      EXPECT_FALSE(ours.has_alpha);
      EXPECT_EQ(Compare(ours, Reference(e, false)).most, 0);
      break;
    case Differs::kColoursOnly:
      EXPECT_TRUE(ours.has_alpha);
      EXPECT_GE(Compare(ours, Reference(e, false)).most, 0);
      EXPECT_LE(Compare(ours, Reference(e, false)).most, 1);
      break;
    case Differs::kScreen:
      EXPECT_LT(int64_t{ours.width} * ours.height, int64_t{want.width} * want.height);
      break;
    default:
      EXPECT_EQ(ours.width, want.width);
      EXPECT_EQ(ours.height, want.height);
      break;
  }
}

TEST(NativePictures, EveryPictureTheReferenceReadMatchesItOrIsListedAsDiffering) {
  const std::vector<Entry> entries = Entries();
  ASSERT_GE(entries.size(), 250u) << "the corpus index is missing or short: " << corpus::kCorpus;
  NativePictureDecoder decoder;
  DecodedImage ours;  // reused from picture to picture, as the player reuses it
  size_t listed_seen = 0;
  for (const Entry& e : entries) {
    SCOPED_TRACE(e.path);
    const bool decoded = decoder.DecodeBytes(Read(e.path), ours);
    EXPECT_EQ(decoded, !ours.empty());
    if (const auto listed = kDiffering.find(e.path); listed != kDiffering.end()) {
      ++listed_seen;
      CheckListed(e, listed->second, decoded, ours);
    } else if (e.reference_decoded) {
      ASSERT_TRUE(decoded);
      const Difference d = Compare(e.alpha ? corpus::OverGrey(ours) : ours, Reference(e, e.alpha));
      EXPECT_GE(d.most, 0) << "size " << ours.width << "x" << ours.height;
      EXPECT_LE(d.most, kMostDifference);
      EXPECT_LE(d.mean, kMeanDifference);
    }
    if (decoded) {
      const bool translucent = std::any_of(ours.pixels.begin(), ours.pixels.end(),
                                           [](uint32_t p) { return (p >> 24) != 0xFF; });
      EXPECT_EQ(ours.has_alpha, translucent);
    }
    // Files the reference refuses only have to come through safely (the
    // sanitizer build and the fuzzer check every read).
  }
  EXPECT_EQ(listed_seen, kDiffering.size()) << "a listed file is no longer in the index";
}

// A file cut short is refused, unless all the first frame or page needs lies
// before the cut: then it decodes whole. Never a picture with a part missing.
TEST(NativePictures, AFileCutShortIsRefusedOrDecodesWhole) {
  NativePictureDecoder decoder;
  std::map<std::string, int> refused;  // by format folder
  for (const Entry& e : Entries()) {
    SCOPED_TRACE(e.path);
    const Bytes file = Read(e.path);
    DecodedImage whole;
    if (!decoder.DecodeBytes(file, whole)) continue;
    for (const size_t eighths : {1, 2, 3, 4, 5, 6, 7, 8}) {
      const size_t cut = eighths == 8 ? file.size() - 1 : file.size() * eighths / 8;
      SCOPED_TRACE(cut);
      DecodedImage part;
      if (!decoder.DecodeBytes({file.data(), cut}, part)) {
        ASSERT_TRUE(part.empty());
        ++refused[e.path.substr(0, e.path.find('/', 7))];
        continue;
      }
      ASSERT_EQ(part.width, whole.width);
      ASSERT_EQ(part.height, whole.height);
      ASSERT_TRUE(part.pixels == whole.pixels);
    }
  }
  for (const char* format :
       {"images/jpeg", "images/png", "images/gif", "images/tiff", "images/bmp"}) {
    EXPECT_GE(refused[format], 20) << format;
  }
}

// --- JPEG at a smaller scale ---------------------------------------------------

int Covering(int32_t size, int32_t least) {
  for (int n = 1; n < 8; ++n) {
    if ((int64_t{size} * n + 7) / 8 >= least) return n;
  }
  return 8;
}

// For sizes asked in a grid over two photos (one of odd size), the picture
// is the fewest eighths of the stored size, rounded up, that cover the size
// in both directions; `least` is asked once, with the stored size; and the
// smaller picture shows what the whole one does.
TEST(NativePictures, JpegDecodesAtTheFewestEighthsThatCoverTheSizeAsked) {
  NativePictureDecoder decoder;
  for (const char* path :
       {"images/jpeg/pillow/flower.jpg", "images/jpeg/libjpeg-turbo/testimgint.jpg"}) {
    SCOPED_TRACE(path);
    const Bytes file = Read(path);
    DecodedImage whole;
    ASSERT_TRUE(decoder.DecodeBytes(file, whole));
    for (int32_t least_w = 1; least_w <= whole.width + 20; least_w += 23) {
      for (int32_t least_h = 1; least_h <= whole.height + 20; least_h += 31) {
        int asked = 0;
        const auto least = [&](int32_t w, int32_t h) {
          ++asked;
          EXPECT_EQ(w, whole.width);
          EXPECT_EQ(h, whole.height);
          return std::pair{least_w, least_h};
        };
        DecodedImage out;
        ASSERT_TRUE(decoder.DecodeBytesAtLeast(file, least, {}, out));
        EXPECT_EQ(asked, 1);
        const int n = std::max(Covering(whole.width, least_w), Covering(whole.height, least_h));
        ASSERT_EQ(out.width, (whole.width * n + 7) / 8) << least_w << "x" << least_h;
        ASSERT_EQ(out.height, (whole.height * n + 7) / 8) << least_w << "x" << least_h;
      }
    }
  }
  // At half size, each pixel is close to the mean of the four it stands for.
  const Bytes file = Read("images/jpeg/pillow/flower.jpg");
  DecodedImage whole;
  DecodedImage half;
  ASSERT_TRUE(decoder.DecodeBytes(file, whole));
  ASSERT_TRUE(decoder.DecodeBytesAtLeast(
      file,
      [](int32_t w, int32_t h) {
        return std::pair{w / 2, h / 2};
      },
      {}, half));
  ASSERT_EQ(half.width * 2, whole.width);
  DecodedImage averaged = half;
  for (int32_t y = 0; y < half.height; ++y) {
    for (int32_t x = 0; x < half.width; ++x) {
      uint32_t mixed = 0xFF000000u;
      for (int shift : {0, 8, 16}) {
        uint32_t sum = 0;
        for (int k = 0; k < 4; ++k) {
          const size_t at = static_cast<size_t>(2 * y + k / 2) * static_cast<size_t>(whole.width) +
                            static_cast<size_t>(2 * x + k % 2);
          sum += whole.pixels[at] >> shift & 0xFF;
        }
        mixed |= (sum + 2) / 4 << shift;
      }
      averaged.pixels[static_cast<size_t>(y) * static_cast<size_t>(half.width) +
                      static_cast<size_t>(x)] = mixed;
    }
  }
  EXPECT_LE(Compare(half, averaged).mean, 3.0);
}

// --- Cancelling, and sizes beyond the bound -------------------------------------

// The decode asks between bands of rows and fails at the first yes, leaving
// no picture; asked no, it decodes the picture.
TEST(NativePictures, ADecodeStopsAtTheNextBandOnceCancelled) {
  NativePictureDecoder decoder;
  for (const char* path :
       {"images/jpeg/pillow/flower.jpg", "images/jpeg/image-rs/progressive/cat.jpg",
        "images/jpeg/pillow/pil_sample_cmyk.jpg", "images/png/pngsuite/PngSuite.png",
        "images/png/libjpeg-turbo/monkey16.png", "images/bmp/libjpeg-turbo/shira_bird8.bmp",
        "images/bmp/pillow/hopper_rle8.bmp"}) {
    SCOPED_TRACE(path);
    const Bytes file = Read(path);
    DecodedImage out;
    int asked = 0;
    EXPECT_TRUE(decoder.DecodeBytesAtLeast(
        file, {}, [&] { return ++asked < 0; }, out));
    ASSERT_GE(asked, 4) << "too few bands to stop between";
    const int bands = asked;
    asked = 0;
    EXPECT_FALSE(decoder.DecodeBytesAtLeast(
        file, {}, [&] { return ++asked == 3; }, out));
    EXPECT_EQ(asked, 3);
    EXPECT_TRUE(out.empty());
    EXPECT_LT(asked, bands);
  }
}

// A screen, frame or picture size whose pixels pass kMaxPicturePixels is
// refused before the picture is allocated.
TEST(NativePictures, SizesBeyondTheBoundAreRefusedBeforeAllocating) {
  NativePictureDecoder decoder;
  const auto refused = [&](const Bytes& file) {
    DecodedImage out;
    const bool decoded = decoder.DecodeBytes(file, out);
    return !decoded && out.pixels.capacity() == 0;
  };
  Bytes gif = Read("images/gif/pillow/hopper_resized.gif");
  gif[6] = gif[7] = gif[8] = gif[9] = 0xFF;  // a 65535 x 65535 screen
  EXPECT_TRUE(refused(gif));

  Bytes jpeg = Read("images/jpeg/pillow/hopper.jpg");  // no thumbnail with a frame of its own
  constexpr uint8_t kFrame[] = {0xFF, 0xC0};
  const auto sof = std::search(jpeg.begin(), jpeg.end(), std::begin(kFrame), std::end(kFrame));
  ASSERT_NE(sof, jpeg.end());
  std::fill(sof + 5, sof + 9, 0xFF);  // 65535 x 65535
  EXPECT_TRUE(refused(jpeg));

  // An RLE picture may be tiny and large: 8193 x 8193 ends at once, and is
  // still refused; 2048 x 2048 is not.
  Bytes bmp = Read("images/bmp/pillow/hopper_rle8.bmp");
  const size_t pixels_at = bmp[10] | size_t{bmp[11]} << 8;
  bmp.resize(pixels_at + 2);
  bmp[pixels_at] = 0;
  bmp[pixels_at + 1] = 1;  // the end of the picture
  const auto sized = [&](uint32_t side) {
    for (size_t at : {18, 22}) {
      for (int k = 0; k < 4; ++k)
        bmp[at + k] = static_cast<uint8_t>(side >> (8 * k));
    }
    return bmp;
  };
  EXPECT_TRUE(refused(sized(8193)));
  DecodedImage out;
  EXPECT_TRUE(decoder.DecodeBytes(sized(2048), out));
  EXPECT_EQ(out.width, 2048);
}

}  // namespace
}  // namespace lantern::platform::native
