// TIFF through libtiff: the first page, read from memory through libtiff's
// RGBA interface and given back as stored (the page's orientation tag is
// asked for, so libtiff flips nothing). libtiff hands alpha premultiplied;
// it is divided out again, as the system's decoder gives it. Its messages go
// nowhere.
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/native/native_formats.h"

namespace lantern::platform::native {

namespace {

// The most libtiff may allocate at once for one picture (a strip, a tile, a
// table): a lying size fails there rather than allocate beyond it.
constexpr tmsize_t kLargestAllocation = tmsize_t{512} << 20;

struct Source {
  std::span<const uint8_t> bytes;
  toff_t at = 0;
};

Source& From(thandle_t handle) {
  return *static_cast<Source*>(handle);
}

tmsize_t ReadBytes(thandle_t handle, void* data, tmsize_t length) {
  Source& source = From(handle);
  if (length < 0 || source.at > source.bytes.size()) return 0;
  const size_t n = std::min(static_cast<size_t>(length), source.bytes.size() - source.at);
  std::memcpy(data, source.bytes.data() + source.at, n);
  source.at += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t WriteNothing(thandle_t, void*, tmsize_t) {
  return 0;
}

toff_t Seek(thandle_t handle, toff_t offset, int whence) {
  Source& source = From(handle);
  const toff_t base = whence == SEEK_CUR ? source.at : whence == SEEK_END ? source.bytes.size() : 0;
  if (offset > ~toff_t{0} - base) return static_cast<toff_t>(-1);
  source.at = base + offset;  // beyond the end reads nothing
  return source.at;
}

int Close(thandle_t) {
  return 0;
}
toff_t Size(thandle_t handle) {
  return From(handle).bytes.size();
}
int MapNothing(thandle_t, void**, toff_t*) {
  return 0;
}
void Unmap(thandle_t, void*, toff_t) {}

int Quiet(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

struct CloseTiff {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
struct FreeOptions {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

TIFF* Open(Source& source) {
  const std::unique_ptr<TIFFOpenOptions, FreeOptions> options(TIFFOpenOptionsAlloc());
  if (!options) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), kLargestAllocation);
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), Quiet, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), Quiet, nullptr);
  return TIFFClientOpenExt("picture", "rm", &source, ReadBytes, WriteNothing, Seek, Close, Size,
                           MapNothing, Unmap, options.get());
}

// libtiff's 0xAABBGGRR with premultiplied colour to our 0xAARRGGBB.
uint32_t Straight(uint32_t abgr) {
  const uint32_t a = TIFFGetA(abgr);
  const auto channel = [a](uint32_t c) {
    return a == 0 ? 0 : std::min(255u, (c * 255 + a / 2) / a);
  };
  return a << 24 | channel(TIFFGetR(abgr)) << 16 | channel(TIFFGetG(abgr)) << 8 |
         channel(TIFFGetB(abgr));
}

}  // namespace

bool DecodeTiff(std::span<const uint8_t> bytes, DecodedImage& out) {
  Source source{bytes};
  const std::unique_ptr<TIFF, CloseTiff> tiff(Open(source));
  if (!tiff) return false;
  char message[1024];
  uint32_t w = 0;
  uint32_t h = 0;
  uint16_t orientation = ORIENTATION_TOPLEFT;
  if (!TIFFRGBAImageOK(tiff.get(), message) ||
      TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &w) != 1 ||
      TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &h) != 1 || w > 0x7FFFFFFF || h > 0x7FFFFFFF ||
      !out.Resize(static_cast<int32_t>(w), static_cast<int32_t>(h))) {
    return false;
  }
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_ORIENTATION, &orientation);
  if (TIFFReadRGBAImageOriented(tiff.get(), w, h, out.pixels.data(), orientation, 1) != 1) {
    return false;
  }
  for (uint32_t& p : out.pixels)
    p = Straight(p);
  FindAlpha(out);
  return true;
}

}  // namespace lantern::platform::native
