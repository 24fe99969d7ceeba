// Picture decoding through the GDI+ flat API.
#include "platform/win32/win32_pictures.h"

#include "platform/win32/gdiplus_headers.h"
// After the GDI+ header, which brings <windows.h>.
#include <shlwapi.h>

#include "platform/win32/win32_util.h"

namespace lantern::platform::win32 {

namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

}  // namespace

GdiplusSession::~GdiplusSession() {
  if (started_) GdiplusShutdown(token_);
}

bool GdiplusSession::Start() {
  if (started_) return true;
  GdiplusStartupInput input;  // version 1, no debug callback, background thread, codecs allowed
  ULONG_PTR token = 0;
  started_ = GdiplusStartup(&token, &input, nullptr) == Ok;
  token_ = token;
  return started_;
}

bool GdiplusPictureDecoder::Read(void* handle, DecodedImage& out) {
  auto* image = static_cast<GpImage*>(handle);
  UINT w = 0;
  UINT h = 0;
  PixelFormat format = 0;
  GdipGetImageWidth(image, &w);
  GdipGetImageHeight(image, &h);
  GdipGetImagePixelFormat(image, &format);
  if (w > 0x7FFFFFFF || h > 0x7FFFFFFF ||
      !out.Resize(static_cast<int32_t>(w), static_cast<int32_t>(h))) {
    return false;
  }
  // Let GDI+ write the converted pixels straight into our buffer.
  BitmapData data{};
  data.Width = w;
  data.Height = h;
  data.Stride = static_cast<INT>(w * 4);
  data.PixelFormat = PixelFormat32bppARGB;
  data.Scan0 = out.pixels.data();
  const GpRect rect(0, 0, static_cast<INT>(w), static_cast<INT>(h));
  auto* bitmap = static_cast<GpBitmap*>(image);
  if (GdipBitmapLockBits(bitmap, &rect, ImageLockModeRead | ImageLockModeUserInputBuf,
                         PixelFormat32bppARGB, &data) != Ok) {
    return false;
  }
  GdipBitmapUnlockBits(bitmap, &data);
  out.has_alpha = false;
  if (format & (PixelFormatAlpha | PixelFormatPAlpha)) {
    out.has_alpha = std::any_of(out.pixels.begin(), out.pixels.end(),
                                [](uint32_t p) { return (p >> 24) != 0xFF; });
  }
  return true;
}

bool GdiplusPictureDecoder::DecodeBytes(std::span<const uint8_t> bytes, DecodedImage& out) {
  if (!session_.Start() || bytes.empty() || bytes.size() > 0x7FFFFFFF) return false;
  IStream* stream = SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size()));
  if (stream == nullptr) return false;
  GpImage* image = nullptr;
  bool ok = GdipLoadImageFromStream(stream, &image) == Ok && image != nullptr;
  if (ok) {
    ok = Read(image, out);
    GdipDisposeImage(image);
  }
  stream->Release();
  return ok;
}

bool GdiplusPictureDecoder::DecodeFile(const std::string& path, DecodedImage& out) {
  if (!session_.Start()) return false;
  GpImage* image = nullptr;
  if (GdipLoadImageFromFile(Wide(path).c_str(), &image) != Ok || image == nullptr) {
    return false;
  }
  const bool ok = Read(image, out);
  GdipDisposeImage(image);
  return ok;
}

}  // namespace lantern::platform::win32
