// Picture decoding: JPEG through WIC, everything else through the GDI+ flat
// API.
#include "platform/win32/win32_pictures.h"

#include "platform/win32/gdiplus_headers.h"
// After the GDI+ header, which brings <windows.h>.
#include <shlwapi.h>
#include <wincodec.h>

#include "platform/win32/win32_util.h"

namespace lantern::platform::win32 {

namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

// Releases a COM interface when it goes out of scope.
template <typename T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() {
    if (p_ != nullptr) p_->Release();
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T** put() { return &p_; }
  void** put_void() { return reinterpret_cast<void**>(&p_); }

 private:
  T* p_ = nullptr;
};

// COM for the calling thread, for the length of one decode. A thread already
// in an apartment (the worker's, in the multithreaded one; or a thread of
// the single-threaded kind, which makes this call fail with
// RPC_E_CHANGED_MODE) keeps it; the count is undone only when this call
// added to it.
class ComForThisCall {
 public:
  ComForThisCall() : hr_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComForThisCall() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComForThisCall(const ComForThisCall&) = delete;
  ComForThisCall& operator=(const ComForThisCall&) = delete;
  bool usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT hr_;
};

// Rows converted per CopyPixels call. The format converter, asked for a
// rectangle, reads that rectangle from the frame into a buffer of its own
// first; asking for the whole picture at once doubles the peak (36 MB more
// for a 12-megapixel photo under Wine), a band of rows keeps it small.
constexpr UINT kBandRows = 64;

bool IsJpeg(std::span<const uint8_t> bytes) {
  return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

// Decodes a JPEG through WIC straight into `out` as 32-bit BGRA, a band of
// rows at a time. GDI+ would keep its own full-size bitmap beside WIC's
// decoded frame and our copy. Every WIC object is made and released inside
// this call, on the calling thread.
bool DecodeJpegWic(std::span<const uint8_t> bytes, DecodedImage& out) {
  ComForThisCall com;
  if (!com.usable()) return false;
  ComRef<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, factory.put_void()))) {
    return false;
  }
  ComRef<IStream> stream;
  *stream.put() = SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size()));
  if (stream.get() == nullptr) return false;
  ComRef<IWICBitmapDecoder> decoder;
  ComRef<IWICBitmapFrameDecode> frame;
  ComRef<IWICFormatConverter> converter;
  if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.put())) ||
      FAILED(decoder->GetFrame(0, frame.put())) ||
      FAILED(factory->CreateFormatConverter(converter.put())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom))) {
    return false;
  }
  UINT w = 0;
  UINT h = 0;
  if (FAILED(converter->GetSize(&w, &h)) || w == 0 || h == 0 || w > 0x7FFFFFFF / 4 ||
      h > 0x7FFFFFFF || !out.Resize(static_cast<int32_t>(w), static_cast<int32_t>(h))) {
    return false;
  }
  const UINT stride = w * 4;
  for (UINT y = 0; y < h; y += kBandRows) {
    const UINT rows = std::min(kBandRows, h - y);
    const WICRect band{0, static_cast<INT>(y), static_cast<INT>(w), static_cast<INT>(rows)};
    auto* dest = reinterpret_cast<BYTE*>(out.pixels.data() + size_t{y} * w);
    if (FAILED(converter->CopyPixels(&band, stride, stride * rows, dest))) {
      out.Resize(0, 0);
      return false;
    }
  }
  out.has_alpha = false;  // JPEG has no alpha; the converter writes 255
  return true;
}

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
  // A JPEG WIC cannot read (or convert) goes on to GDI+, as every other
  // format does.
  if (IsJpeg(bytes) && DecodeJpegWic(bytes, out)) return true;
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
