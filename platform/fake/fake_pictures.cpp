// The fake picture decoder and its test format.
#include "platform/fake/fake_pictures.h"

#include <cstring>

namespace lantern::platform::fake {

namespace {
constexpr char kMagic[4] = {'L', 'T', 'P', 'X'};
constexpr size_t kHeader = 12;

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
}  // namespace

bool FakePictureDecoder::DecodeBytes(std::span<const uint8_t> bytes, DecodedImage& out) {
  return Decode(bytes, {}, out);
}

bool FakePictureDecoder::Decode(std::span<const uint8_t> bytes, const DecodeCancelled& cancelled,
                                DecodedImage& out) {
  ++decodes_;
  if (bytes.size() >= kHeader && std::memcmp(bytes.data(), kMagic, 4) == 0) {
    const uint32_t w = Le32(bytes.data() + 4);
    const uint32_t h = Le32(bytes.data() + 8);
    if (w == 0 || h == 0 || w > 0x7FFF || h > 0x7FFF || (bytes.size() - kHeader) / 4 / w < h ||
        !out.Resize(static_cast<int32_t>(w), static_cast<int32_t>(h))) {
      return false;
    }
    for (size_t y = 0; y < h; ++y) {
      if (row_hook_) row_hook_();
      if (cancelled && cancelled()) {
        out.Resize(0, 0);
        return false;
      }
      std::memcpy(&out.pixels[y * w], bytes.data() + kHeader + y * w * 4, size_t{w} * 4);
    }
    out.has_alpha = false;
    for (uint32_t p : out.pixels)
      out.has_alpha |= (p >> 24) != 0xFF;
    return true;
  }
  return extra_ && extra_(bytes, out);
}

bool FakePictureDecoder::StopsPartWay(std::span<const uint8_t> bytes) const {
  return bytes.size() >= kHeader && std::memcmp(bytes.data(), kMagic, 4) == 0;
}

bool FakePictureDecoder::DecodeBytesAtLeast(std::span<const uint8_t> bytes, const LeastSize& least,
                                            const DecodeCancelled& cancelled, DecodedImage& out) {
  if (!Decode(bytes, cancelled, out)) return false;
  if (!least) return true;
  last_least_ = least(out.width, out.height);
  if (!offer_smaller_) return true;
  const auto [least_w, least_h] = last_least_;
  for (const int32_t d : {8, 4, 2}) {
    const int32_t w = (out.width + d - 1) / d;
    const int32_t h = (out.height + d - 1) / d;
    if (w < least_w || h < least_h) continue;
    DecodedImage smaller;
    smaller.Resize(w, h);
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        smaller.pixels[static_cast<size_t>(y) * w + x] =
            out.pixels[static_cast<size_t>(y) * d * out.width + static_cast<size_t>(x) * d];
      }
    }
    smaller.has_alpha = out.has_alpha;
    out = std::move(smaller);
    break;
  }
  return true;
}

bool FakePictureDecoder::DecodeFile(const std::string& path, DecodedImage& out) {
  const auto bytes = files_.ReadFile(path);
  return bytes && DecodeBytes(*bytes, out);
}

std::vector<uint8_t> FakePictureDecoder::Encode(const DecodedImage& image) {
  std::vector<uint8_t> bytes(kHeader + image.pixels.size() * 4);
  std::memcpy(bytes.data(), kMagic, 4);
  const uint32_t size[2] = {static_cast<uint32_t>(image.width),
                            static_cast<uint32_t>(image.height)};
  std::memcpy(bytes.data() + 4, size, 8);
  std::memcpy(bytes.data() + kHeader, image.pixels.data(), image.pixels.size() * 4);
  return bytes;
}

}  // namespace lantern::platform::fake
