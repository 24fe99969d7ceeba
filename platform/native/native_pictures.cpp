// Picks the decoder by the bytes' signature, as the system's imaging library
// does (a file's name plays no part).
#include "platform/native/native_pictures.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>

#include "platform/native/native_formats.h"

namespace lantern::platform::native {

namespace {

using namespace std::literals;

bool StartsWith(std::span<const uint8_t> bytes, std::string_view magic) {
  return bytes.size() >= magic.size() && std::memcmp(bytes.data(), magic.data(), magic.size()) == 0;
}

bool Dispatch(std::span<const uint8_t> bytes, const PictureDecoder::LeastSize& least,
              const DecodeCancelled& cancelled, DecodedImage& out) {
  if (IsJpeg(bytes)) return DecodeJpeg(bytes, least, cancelled, out);
  if (StartsWith(bytes, "\x89PNG\r\n\x1A\n"sv)) return DecodePng(bytes, cancelled, out);
  if (Stopped(cancelled)) return false;
  if (StartsWith(bytes, "GIF87a"sv) || StartsWith(bytes, "GIF89a"sv)) return DecodeGif(bytes, out);
  if (StartsWith(bytes, "II*"sv) || StartsWith(bytes, "MM\0*"sv) || StartsWith(bytes, "II+"sv) ||
      StartsWith(bytes, "MM\0+"sv)) {
    return DecodeTiff(bytes, out);
  }
  if (StartsWith(bytes, "BM"sv)) return DecodeBmp(bytes, cancelled, out);
  return false;
}

}  // namespace

void FindAlpha(DecodedImage& image) {
  image.has_alpha = std::any_of(image.pixels.begin(), image.pixels.end(),
                                [](uint32_t p) { return (p >> 24) != 0xFF; });
}

bool NativePictureDecoder::DecodeBytes(std::span<const uint8_t> bytes, DecodedImage& out) {
  return DecodeBytesAtLeast(bytes, {}, {}, out);
}

bool NativePictureDecoder::DecodeBytesAtLeast(std::span<const uint8_t> bytes,
                                              const LeastSize& least,
                                              const DecodeCancelled& cancelled, DecodedImage& out) {
  // The Windows decoder takes no more than 2 GB of bytes; neither does this one.
  if (bytes.empty() || bytes.size() > 0x7FFFFFFF || !Dispatch(bytes, least, cancelled, out)) {
    out.Resize(0, 0);
    return false;
  }
  return true;
}

bool NativePictureDecoder::DecodeFile(const std::string& path, DecodedImage& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    out.Resize(0, 0);
    return false;
  }
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>()};
  return DecodeBytes(bytes, out);
}

}  // namespace lantern::platform::native
