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

// IWICBitmapSourceTransform, which this MinGW's <wincodec.h> does not
// declare: a frame that can decode itself smaller than it is stored (a JPEG
// frame at 1/2, 1/4, 1/8 of its size on Windows; Wine's frames do not offer
// it).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"  // released through IUnknown, as COM is
struct SourceTransform : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height,
                                               WICPixelFormatGUID* format,
                                               WICBitmapTransformOptions options, UINT stride,
                                               UINT size, BYTE* pixels) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
  virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions options,
                                                         BOOL* supported) = 0;
};
#pragma GCC diagnostic pop
constexpr IID kIidSourceTransform = {
    0x3b16811b, 0x6a43, 0x4ec9, {0xb7, 0x13, 0x3d, 0x5a, 0x0c, 0x13, 0xb9, 0x40}};

// Decodes the frame at the smallest size it offers that is smaller than
// w x h and not below `least`, as 32-bit BGRA (JPEG frames give 24-bit
// colour or 8-bit grey, widened here). False, with `out` untouched, when it
// offers no such size or the decode fails; the caller then decodes it whole.
bool DecodeSmaller(IWICBitmapFrameDecode* frame, UINT w, UINT h, std::pair<int32_t, int32_t> least,
                   DecodedImage& out) {
  const UINT least_w = static_cast<UINT>(std::max(least.first, 1));
  const UINT least_h = static_cast<UINT>(std::max(least.second, 1));
  if (least_w >= w && least_h >= h) return false;
  ComRef<SourceTransform> transform;
  if (FAILED(frame->QueryInterface(kIidSourceTransform, transform.put_void()))) return false;
  UINT best_w = w;
  UINT best_h = h;
  for (const UINT d : {8u, 4u, 2u}) {
    UINT cw = (w + d - 1) / d;
    UINT ch = (h + d - 1) / d;
    if (cw < least_w || ch < least_h || FAILED(transform->GetClosestSize(&cw, &ch))) continue;
    if (cw >= least_w && ch >= least_h && cw < w && ch < h) {
      best_w = cw;
      best_h = ch;
      break;
    }
  }
  if (best_w == w || best_w > 0x7FFFFFFF / 4 || best_h > 0x7FFFFFFF) return false;
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  if (FAILED(transform->GetClosestPixelFormat(&format))) return false;
  UINT bytes_per_pixel = 0;
  if (IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA)) {
    bytes_per_pixel = 4;
  } else if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
    bytes_per_pixel = 3;
  } else if (IsEqualGUID(format, GUID_WICPixelFormat8bppGray)) {
    bytes_per_pixel = 1;
  } else {
    return false;
  }
  DecodedImage smaller;
  if (!smaller.Resize(static_cast<int32_t>(best_w), static_cast<int32_t>(best_h))) return false;
  const UINT stride = best_w * bytes_per_pixel;
  std::vector<BYTE> narrow;
  BYTE* pixels = reinterpret_cast<BYTE*>(smaller.pixels.data());
  if (bytes_per_pixel != 4) {
    narrow.resize(size_t{stride} * best_h);
    pixels = narrow.data();
  }
  if (FAILED(transform->CopyPixels(nullptr, best_w, best_h, &format, WICBitmapTransformRotate0,
                                   stride, stride * best_h, pixels))) {
    return false;
  }
  if (bytes_per_pixel == 4) {
    for (uint32_t& p : smaller.pixels)
      p |= 0xFF000000u;
  } else {
    for (size_t i = 0; i < smaller.pixels.size(); ++i) {
      const BYTE* s = narrow.data() + i * bytes_per_pixel;
      const uint32_t b = s[0];
      const uint32_t g = bytes_per_pixel == 3 ? s[1] : b;
      const uint32_t r = bytes_per_pixel == 3 ? s[2] : b;
      smaller.pixels[i] = 0xFF000000u | r << 16 | g << 8 | b;
    }
  }
  out = std::move(smaller);
  return true;
}

// Decodes a JPEG through WIC straight into `out` as 32-bit BGRA, a band of
// rows at a time; smaller, down to what `least` asks, when the frame can
// decode itself smaller. GDI+ would keep its own full-size bitmap beside
// WIC's decoded frame and our copy. `cancelled` is asked between bands.
// Every WIC object is made and released inside this call, on the calling
// thread.
bool DecodeJpegWic(std::span<const uint8_t> bytes, const PictureDecoder::LeastSize* least,
                   const DecodeCancelled* cancelled, DecodedImage& out) {
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
      FAILED(decoder->GetFrame(0, frame.put()))) {
    return false;
  }
  UINT w = 0;
  UINT h = 0;
  if (FAILED(frame->GetSize(&w, &h)) || w == 0 || h == 0 || w > 0x7FFFFFFF / 4 || h > 0x7FFFFFFF) {
    return false;
  }
  if (least != nullptr && *least &&
      DecodeSmaller(frame.get(), w, h, (*least)(static_cast<int32_t>(w), static_cast<int32_t>(h)),
                    out)) {
    return true;
  }
  if (FAILED(factory->CreateFormatConverter(converter.put())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom))) {
    return false;
  }
  if (!out.Resize(static_cast<int32_t>(w), static_cast<int32_t>(h))) return false;
  const UINT stride = w * 4;
  for (UINT y = 0; y < h; y += kBandRows) {
    const UINT rows = std::min(kBandRows, h - y);
    const WICRect band{0, static_cast<INT>(y), static_cast<INT>(w), static_cast<INT>(rows)};
    auto* dest = reinterpret_cast<BYTE*>(out.pixels.data() + size_t{y} * w);
    const bool stop = cancelled != nullptr && *cancelled && (*cancelled)();
    if (stop || FAILED(converter->CopyPixels(&band, stride, stride * rows, dest))) {
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
  return Decode(bytes, nullptr, nullptr, out);
}

bool GdiplusPictureDecoder::DecodeBytesAtLeast(std::span<const uint8_t> bytes,
                                               const LeastSize& least,
                                               const DecodeCancelled& cancelled,
                                               DecodedImage& out) {
  return Decode(bytes, &least, &cancelled, out);
}

// GDI+ decodes a picture in one call that cannot be stopped; only the JPEG
// path through WIC is stopped between bands, and GDI+ is not started on a
// picture once the decode is cancelled.
bool GdiplusPictureDecoder::Decode(std::span<const uint8_t> bytes, const LeastSize* least,
                                   const DecodeCancelled* cancelled, DecodedImage& out) {
  if (!session_.Start() || bytes.empty() || bytes.size() > 0x7FFFFFFF) return false;
  // A JPEG WIC cannot read (or convert) goes on to GDI+, as every other
  // format does.
  if (IsJpeg(bytes) && DecodeJpegWic(bytes, least, cancelled, out)) return true;
  if (cancelled != nullptr && *cancelled && (*cancelled)()) return false;
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
