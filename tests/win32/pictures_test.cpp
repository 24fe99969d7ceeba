// The Windows picture decoder on real files: every BMP, GIF, JPEG, PNG and
// TIFF of the shared corpus that the reference decoder reads must decode to
// its reference pixels (pictures with transparency composited over 50 % grey,
// within 1 per channel), upright by its EXIF orientation; files the reference
// rejects must not crash the decoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include <atomic>
#include <thread>

#include "imaging/picture.h"
#include "platform/win32/win32_pictures.h"
#include "platform/win32/win32_platform.h"
// After the backend's headers, which bring <windows.h>.
#include <objbase.h>

namespace lantern::platform::win32 {
namespace {

const std::string kCorpus = LANTERN_CORPUS_DIR;

struct Entry {
  std::string path;
  bool reference_decodes = false;
  int orientation = 1;
  bool alpha = false;
};

std::vector<Entry> Index() {
  std::ifstream in(kCorpus + "/reference/INDEX.tsv");
  std::vector<Entry> entries;
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::stringstream fields(line);
    for (std::string field; std::getline(fields, field, '\t');)
      f.push_back(field);
    if (f.size() < 10 || f[0].rfind("images/", 0) != 0) continue;
    const std::string format = f[0].substr(7, f[0].find('/', 7) - 7);
    if (format == "tga" || format == "pcx") continue;  // our own decoders, tested natively
    entries.push_back({f[0], f[1] == "yes", f[8].empty() ? 1 : std::stoi(f[8]), f[9] == "yes"});
  }
  return entries;
}

// Files this Wine's decoders cannot read, or read otherwise than the
// reference, with the reason (Windows' own decoders read them).
const std::map<std::string, std::string> kKnownDifferences = {
    {"images/bmp/image-rs/V5_A1_R5_G5_B5.bmp",
     "Wine's BMP decoder cannot read this bit-field layout"},
    {"images/bmp/image-rs/lenient/badrle.bmp",
     "Wine's BMP decoder reads damaged or unusual run-length data otherwise"},
    {"images/bmp/image-rs/pal4rlecut.bmp",
     "Wine's BMP decoder reads damaged or unusual run-length data otherwise"},
    {"images/bmp/image-rs/pal8badindex.bmp",
     "Wine's BMP decoder reads damaged or unusual run-length data otherwise"},
    {"images/bmp/image-rs/rgb16.bmp",
     "Wine widens 5-bit colour fields by shifting, not by scaling"},
    {"images/bmp/pillow-bmpsuite/b/pal8badindex.bmp",
     "Wine's BMP decoder reads damaged or unusual run-length data otherwise"},
    {"images/bmp/pillow-bmpsuite/b/rletopdown.bmp",
     "Wine's BMP decoder reads damaged or unusual run-length data otherwise"},
    {"images/bmp/pillow-bmpsuite/q/pal8rletrns.bmp",
     "Wine's BMP decoder reads damaged or unusual run-length data otherwise"},
    {"images/bmp/pillow-bmpsuite/q/rgb32bf-xbgr.bmp",
     "Wine's BMP decoder cannot read this bit-field layout"},
    {"images/bmp/pillow/rgb32bf-abgr.bmp", "Wine's BMP decoder cannot read this bit-field layout"},
    {"images/gif/image-rs/anim/any-disposal.gif",
     "Wine sizes a GIF by its first frame, not by its logical screen"},
    {"images/gif/image-rs/anim/border_touching_layers.gif",
     "Wine sizes a GIF by its first frame, not by its logical screen"},
    {"images/gif/image-rs/anim/large-gif-anim-combine.gif",
     "Wine sizes a GIF by its first frame, not by its logical screen"},
    {"images/gif/image-rs/anim/mixed-disposal.gif",
     "Wine sizes a GIF by its first frame, not by its logical screen"},
    {"images/gif/image-rs/anim/oob.gif",
     "Wine sizes a GIF by its first frame, not by its logical screen"},
    {"images/gif/pillow/dispose_bgnd_transparency.gif",
     "Wine sizes a GIF by its first frame, not by its logical screen"},
    {"images/gif/pillow/first_frame_transparency.gif",
     "Wine sizes a GIF by its first frame, not by its logical screen"},
    {"images/gif/pillow/test_extents_transparency.gif", "Wine's GIF decoder cannot read it"},
    {"images/png/pngsuite/tbbn0g04.png", "Wine ignores the transparent colour of grey PNGs"},
    {"images/png/pngsuite/tbwn0g16.png", "Wine ignores the transparent colour of grey PNGs"},
    {"images/tiff/pillow/10ct_32bit_128.tiff", "Wine's TIFF decoder cannot read this encoding"},
    {"images/tiff/pillow/12bit.cropped.tif", "Wine's TIFF decoder cannot read this encoding"},
    {"images/tiff/pillow/16bit.MM.cropped.tif",
     "Wine's TIFF decoder reads 16-bit samples otherwise"},
    {"images/tiff/pillow/child_ifd.tiff", "Wine's TIFF decoder cannot read this encoding"},
    {"images/tiff/pillow/g4_orientation_2.tif",
     "Wine's TIFF decoder turns the picture by its orientation tag itself"},
    {"images/tiff/pillow/g4_orientation_4.tif",
     "Wine's TIFF decoder turns the picture by its orientation tag itself"},
    {"images/tiff/pillow/g4_orientation_5.tif",
     "Wine's TIFF decoder turns the picture by its orientation tag itself"},
    {"images/tiff/pillow/g4_orientation_6.tif",
     "Wine's TIFF decoder turns the picture by its orientation tag itself"},
    {"images/tiff/pillow/g4_orientation_7.tif",
     "Wine's TIFF decoder turns the picture by its orientation tag itself"},
    {"images/tiff/pillow/g4_orientation_8.tif",
     "Wine's TIFF decoder turns the picture by its orientation tag itself"},
    {"images/tiff/pillow/hopper_bigtiff.tif", "Wine's TIFF decoder cannot read this encoding"},
    {"images/tiff/pillow/hopper_jpg.tif", "Wine's TIFF decoder cannot read this encoding"},
    {"images/tiff/pillow/hopper_lzma.tif", "Wine's TIFF decoder cannot read this encoding"},
    {"images/tiff/pillow/hopper_webp.tif", "Wine's TIFF decoder cannot read this encoding"},
    {"images/tiff/pillow/lab.tif", "Wine's TIFF decoder cannot read this encoding"},
    {"images/tiff/pillow/pil168.tif", "Wine's TIFF decoder cannot read this encoding"},
    {"images/tiff/pillow/tiff_16bit_RGBa.tiff", "Wine's TIFF decoder cannot read this encoding"},
    {"images/tiff/pillow/tiff_gray_2_4_bpp/hopper2.tif",
     "Wine's TIFF decoder cannot read this encoding"},
    {"images/tiff/pillow/tiff_strip_cmyk_jpeg.tif",
     "Wine's TIFF decoder cannot read this encoding"},
    {"images/tiff/pillow/tiff_strip_ycbcr_jpeg_2x2_sampling.tif",
     "Wine's TIFF decoder cannot read this encoding"},
    {"images/tiff/pillow/tiff_tiled_cmyk_jpeg.tif",
     "Wine's TIFF decoder cannot read this encoding"},
};
// Files this Wine's own decoders crash on (a fault in Wine, not in the file).
const std::map<std::string, std::string> kCrashesWine = {
    {"images/gif/pillow/no_palette.gif", "a GIF without any palette: Wine reads a null palette"},
};

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t OverGrey(uint32_t p) {
  const uint32_t a = p >> 24;
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t t = ((p >> shift) & 0xFF) * a + 128 * (255 - a) + 128;
    out |= (((t + (t >> 8)) >> 8) & 0xFF) << shift;
  }
  return out;
}

// Empty when the pictures agree, else what differs. JPEG decoders legitimately
// differ (inverse transform, chroma upsampling): for JPEG the mean difference
// per channel must stay within 1.5 and no channel may be off by more than 64.
std::string Compare(const DecodedImage& ours, const DecodedImage& reference, bool alpha,
                    bool jpeg) {
  if (ours.width != reference.width || ours.height != reference.height) {
    return "size " + std::to_string(ours.width) + "x" + std::to_string(ours.height) + " vs " +
           std::to_string(reference.width) + "x" + std::to_string(reference.height);
  }
  int64_t off = 0;
  int64_t total = 0;
  int worst = 0;
  for (size_t i = 0; i < ours.pixels.size(); ++i) {
    const uint32_t a = alpha ? OverGrey(ours.pixels[i]) : ours.pixels[i];
    const uint32_t b = reference.pixels[i];
    for (int shift = 0; shift < 24; shift += 8) {
      const int d =
          std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
      if (d > 1) ++off;
      total += d;
      worst = std::max(worst, d);
    }
  }
  const double mean = static_cast<double>(total) / static_cast<double>(ours.pixels.size() * 3);
  if (off == 0 || (jpeg && mean <= 1.5 && worst <= 64)) return "";
  return std::to_string(off) + " of " + std::to_string(ours.pixels.size() * 3) +
         " channels off by more than 1, worst " + std::to_string(worst) + ", mean " +
         std::to_string(mean);
}

TEST(GdiplusPictures, CorpusDecodesToTheReferencePixels) {
  GdiplusSession session;
  GdiplusPictureDecoder decoder(session);
  const std::vector<Entry> entries = Index();
  ASSERT_GT(entries.size(), 200u) << "corpus index not found under " << kCorpus;
  int matched = 0;
  std::vector<uint32_t> scratch;
  for (const Entry& e : entries) {
    if (kCrashesWine.count(e.path) != 0) continue;
    if (std::getenv("LANTERN_VERBOSE")) std::fprintf(stderr, "decoding %s\n", e.path.c_str());
    DecodedImage ours;
    const bool decoded =
        imaging::DecodeUpright(decoder, ReadBytes(kCorpus + "/" + e.path), ours, scratch);
    if (!e.reference_decodes) continue;  // not crashing is all that is asked
    DecodedImage reference;
    const std::string ref =
        kCorpus + "/reference/" + e.path + (e.alpha ? ".over-grey.png" : ".png");
    ASSERT_TRUE(decoder.DecodeFile(ref, reference)) << ref;
    Orient(reference, e.orientation, scratch);
    if (kKnownDifferences.count(e.path) != 0) continue;
    EXPECT_TRUE(decoded) << e.path;
    if (!decoded) continue;
    const std::string diff =
        Compare(ours, reference, e.alpha, e.path.rfind("images/jpeg/", 0) == 0);
    EXPECT_EQ(diff, "") << e.path;
    matched += diff.empty();
  }
  std::printf("%d corpus pictures match their references\n", matched);
}

TEST(GdiplusPictures, BytesAndDamagedInput) {
  GdiplusSession session;
  GdiplusPictureDecoder decoder(session);
  std::ifstream in(kCorpus + "/images/png/libjpeg-turbo/testorig.png", std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  ASSERT_FALSE(bytes.empty());
  DecodedImage from_bytes;
  DecodedImage from_file;
  ASSERT_TRUE(decoder.DecodeBytes(bytes, from_bytes));
  ASSERT_TRUE(decoder.DecodeFile(kCorpus + "/images/png/libjpeg-turbo/testorig.png", from_file));
  EXPECT_EQ(from_bytes.pixels, from_file.pixels);
  bytes.resize(bytes.size() / 3);
  DecodedImage cut;
  decoder.DecodeBytes(bytes, cut);  // may fail or decode a part; must not crash
  EXPECT_FALSE(decoder.DecodeBytes(std::vector<uint8_t>(100, 0x42), cut));
  EXPECT_FALSE(decoder.DecodeFile(kCorpus + "/no such file.png", cut));
}

// JPEG bytes are decoded through WIC a band of rows at a time, files
// through GDI+: every corpus JPEG (grey, CMYK, progressive, odd sizes that end
// in a part band, damaged ones) reads the same both ways, or fails both ways.
TEST(GdiplusPictures, JpegBytesDecodeAsGdiplusReadsTheFile) {
  GdiplusSession session;
  GdiplusPictureDecoder decoder(session);
  int compared = 0;
  int tall = 0;
  for (const Entry& e : Index()) {
    if (e.path.rfind("images/jpeg/", 0) != 0 || kCrashesWine.count(e.path) != 0) continue;
    DecodedImage from_bytes;
    DecodedImage from_file;
    const bool by_bytes = decoder.DecodeBytes(ReadBytes(kCorpus + "/" + e.path), from_bytes);
    const bool by_file = decoder.DecodeFile(kCorpus + "/" + e.path, from_file);
    EXPECT_EQ(by_bytes, by_file) << e.path;
    if (!by_bytes || !by_file) continue;
    ASSERT_EQ(from_bytes.width, from_file.width) << e.path;
    ASSERT_EQ(from_bytes.height, from_file.height) << e.path;
    EXPECT_FALSE(from_bytes.has_alpha) << e.path;
    EXPECT_EQ(Compare(from_bytes, from_file, false, false), "") << e.path;
    ++compared;
    tall += from_bytes.height > 64 && from_bytes.height % 64 != 0;
  }
  EXPECT_GT(compared, 10);
  EXPECT_GT(tall, 0);  // some picture ends in a part band
}

// A decode joins COM for itself only when the calling thread has not: a
// thread outside COM is left outside, one in either apartment stays in it.
TEST(GdiplusPictures, JpegDecodesOnAnyThreadAndLeavesItsApartmentAlone) {
  GdiplusSession session;
  GdiplusPictureDecoder decoder(session);
  ASSERT_TRUE(session.Start());
  const std::vector<uint8_t> bytes =
      ReadBytes(kCorpus + "/images/jpeg/libjpeg-turbo/testimgint.jpg");
  DecodedImage reference;
  ASSERT_TRUE(decoder.DecodeBytes(bytes, reference));
  for (const int apartment : {-1, int{COINIT_APARTMENTTHREADED}, int{COINIT_MULTITHREADED}}) {
    DecodedImage here;
    bool decoded = false;
    HRESULT after = E_FAIL;
    std::thread([&] {
      if (apartment >= 0) CoInitializeEx(nullptr, static_cast<DWORD>(apartment));
      decoded = decoder.DecodeBytes(bytes, here);
      // S_OK: the thread was outside COM; S_FALSE: already in this apartment.
      after = CoInitializeEx(nullptr,
                             static_cast<DWORD>(apartment >= 0 ? apartment : COINIT_MULTITHREADED));
      if (SUCCEEDED(after)) CoUninitialize();
      if (apartment >= 0) CoUninitialize();
    }).join();
    EXPECT_TRUE(decoded) << apartment;
    EXPECT_EQ(here.pixels, reference.pixels) << apartment;
    EXPECT_EQ(after, apartment >= 0 ? S_FALSE : S_OK) << apartment;
  }
}

// The show decodes the next photo on its worker thread while the interface
// thread decodes pictures of its own: both get what one thread alone gets.
TEST(GdiplusPictures, TheWorkerThreadDecodesWhileTheInterfaceThreadDoes) {
  auto platform = CreateWin32Platform();
  ASSERT_TRUE(platform->pictures().Start());  // on this thread, before any job
  const std::vector<std::string> files = {
      "images/png/libjpeg-turbo/testorig.png", "images/jpeg/libjpeg-turbo/testimgint.jpg",
      "images/gif/image-rs/anim/large-gif-anim-combine.gif", "images/tiff/pillow/hopper.tif",
      "images/bmp/pillow/hopper_rle8.bmp"};
  std::vector<std::vector<uint8_t>> bytes;
  std::vector<DecodedImage> alone(files.size());
  std::vector<uint32_t> scratch;
  for (size_t i = 0; i < files.size(); ++i) {
    bytes.push_back(ReadBytes(kCorpus + "/" + files[i]));
    ASSERT_TRUE(imaging::DecodeUpright(platform->pictures(), bytes[i], alone[i], scratch))
        << files[i];
  }
  std::vector<DecodedImage> on_worker(files.size());
  std::atomic<int> failures = 0;
  {
    std::unique_ptr<Worker> worker = platform->CreateWorker();
    for (int round = 0; round < 3; ++round) {
      for (size_t i = 0; i < files.size(); ++i) {
        worker->Post([&, i] {
          std::vector<uint32_t> own_scratch;
          if (!imaging::DecodeUpright(platform->pictures(), bytes[i], on_worker[i], own_scratch))
            ++failures;
        });
      }
      for (size_t i = 0; i < files.size(); ++i) {  // meanwhile, here
        DecodedImage here;
        ASSERT_TRUE(imaging::DecodeUpright(platform->pictures(), bytes[i], here, scratch));
        EXPECT_EQ(here.pixels, alone[i].pixels) << files[i];
      }
    }
    worker.reset();  // waits for the job that runs; the queued ones are dropped
  }
  EXPECT_EQ(failures.load(), 0);
  for (size_t i = 0; i < files.size(); ++i) {
    if (on_worker[i].empty()) continue;  // its jobs were dropped
    EXPECT_EQ(on_worker[i].pixels, alone[i].pixels) << files[i];
  }
}

}  // namespace
}  // namespace lantern::platform::win32
