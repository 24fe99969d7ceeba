// BMP, read here: the OS/2 1.x core header and the Windows headers (INFO,
// the 52- and 56-byte ones with masks, V4, V5; the OS/2 2.x header as far as
// it agrees with INFO), 1, 2, 4, 8, 16, 24 and 32 bits a pixel, uncompressed,
// RLE4, RLE8 and bit fields, bottom-up and top-down, palettes shorter than
// the depth allows (an index past the palette is black).
//
// Alpha comes only from an alpha mask of a bit-field picture; the fourth byte
// of a plain 32-bit pixel is not alpha. A picture whose alpha bits are all 0
// is opaque (writers leave them 0). Pixels an RLE picture skips (deltas, early
// ends of line or picture) take the palette's first colour. The sizes in the
// file header and the image size field are not trusted or needed; a file
// whose pixels are cut short (or an RLE stream without its end) is refused.
#include <algorithm>
#include <array>
#include <bit>
#include <optional>

#include "platform/native/native_formats.h"

namespace lantern::platform::native {

namespace {

constexpr size_t kFileHeader = 14;
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;
constexpr int kBandRows = 16;

uint32_t Le16(std::span<const uint8_t> b, size_t at) {
  return b[at] | uint32_t{b[at + 1]} << 8;
}
uint32_t Le32(std::span<const uint8_t> b, size_t at) {
  return Le16(b, at) | Le16(b, at + 2) << 16;
}

// One channel of a bit-field pixel, widened to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  static std::optional<Channel> Of(uint32_t mask) {
    Channel c{mask, std::countr_zero(mask), std::popcount(mask)};
    if (mask != 0 && (mask >> c.shift) != (uint32_t{0xFFFFFFFF} >> (32 - c.bits))) {
      return std::nullopt;  // not one run of bits
    }
    return c;
  }
  uint32_t Get(uint32_t pixel, uint32_t absent) const {
    if (bits == 0) return absent;
    const uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return v >> (bits - 8);
    const uint32_t most = (uint32_t{1} << bits) - 1;
    return (v * 255 + most / 2) / most;
  }
};

struct Bmp {
  int32_t width = 0;
  int32_t height = 0;
  bool top_down = false;
  uint32_t depth = 0;
  uint32_t compression = kRgb;
  std::array<Channel, 4> channels{};  // red, green, blue, alpha
  std::array<uint32_t, 256> palette{};
  size_t pixels_at = 0;

  size_t RowOf(int64_t y) const { return static_cast<size_t>(top_down ? y : height - 1 - y); }
};

// The masks' place and the palette's entry size for each header size.
bool ReadSizes(std::span<const uint8_t> b, size_t header, Bmp& bmp) {
  const bool core = header == 12;
  const bool os2 = header == 16 || header == 64;
  if (!core && !os2 && header != 40 && header != 52 && header != 56 && header != 108 &&
      header != 124) {
    return false;
  }
  const int64_t w = core ? int64_t{Le16(b, 18)} : int64_t{static_cast<int32_t>(Le32(b, 18))};
  int64_t h = core ? int64_t{Le16(b, 20)} : int64_t{static_cast<int32_t>(Le32(b, 22))};
  bmp.depth = Le16(b, core ? 24 : 28);
  bmp.compression = header >= 20 ? Le32(b, 30) : kRgb;
  if (os2 && bmp.compression > kRle4) return false;  // OS/2's own Huffman and RLE24
  bmp.top_down = h < 0;
  h = h < 0 ? -h : h;
  if (w <= 0 || h <= 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF) return false;
  bmp.width = static_cast<int32_t>(w);
  bmp.height = static_cast<int32_t>(h);
  return true;
}

bool DepthFits(const Bmp& bmp) {
  switch (bmp.compression) {
    case kRgb:
      return bmp.depth == 1 || bmp.depth == 2 || bmp.depth == 4 || bmp.depth == 8 ||
             bmp.depth == 16 || bmp.depth == 24 || bmp.depth == 32;
    case kRle8:
      return bmp.depth == 8;
    case kRle4:
      return bmp.depth == 4;
    case kBitFields:
    case kAlphaBitFields:
      return bmp.depth == 16 || bmp.depth == 32;
    default:
      return false;  // JPEG and PNG inside a BMP are for printers
  }
}

// The bit-field masks, from the header or the words after an INFO header.
// Returns where the palette (if any) begins; 0 when the masks do not fit.
size_t ReadMasks(std::span<const uint8_t> b, size_t header, Bmp& bmp) {
  size_t end = kFileHeader + header;
  std::array<uint32_t, 4> masks{};
  if (bmp.compression == kBitFields || bmp.compression == kAlphaBitFields) {
    const size_t count = bmp.compression == kAlphaBitFields ? 4 : 3;
    const size_t at = header >= 52 ? kFileHeader + 40 : end;
    const size_t words = header >= 56 ? 4 : count;
    if (at + words * 4 > b.size()) return 0;
    for (size_t i = 0; i < words; ++i)
      masks[i] = Le32(b, at + i * 4);
    if (header == 40) end += count * 4;
  } else if (bmp.depth == 16) {
    masks = {0x7C00, 0x03E0, 0x001F, 0};
  }
  for (size_t i = 0; i < 4; ++i) {
    const std::optional<Channel> c = Channel::Of(masks[i]);
    if (!c) return 0;
    bmp.channels[i] = *c;
  }
  return end;
}

void ReadPalette(std::span<const uint8_t> b, size_t at, size_t header, Bmp& bmp) {
  if (bmp.depth > 8) return;
  const size_t entry = header == 12 ? 3 : 4;
  const uint32_t used = header >= 36 ? Le32(b, 46) : 0;
  size_t count = used == 0 ? size_t{1} << bmp.depth : std::min<size_t>(used, 256);
  const size_t end = bmp.pixels_at > at ? bmp.pixels_at : b.size();
  count = std::min(count, (end - at) / entry);
  for (size_t i = 0; i < count; ++i) {
    const size_t p = at + i * entry;
    bmp.palette[i] = 0xFF000000u | uint32_t{b[p + 2]} << 16 | uint32_t{b[p + 1]} << 8 | b[p];
  }
  for (size_t i = count; i < bmp.palette.size(); ++i)
    bmp.palette[i] = 0xFF000000u;
}

std::optional<Bmp> ReadHeaders(std::span<const uint8_t> b) {
  if (b.size() < kFileHeader + 4 || b[0] != 'B' || b[1] != 'M') return std::nullopt;
  const size_t header = Le32(b, kFileHeader);
  Bmp bmp;
  if (header > b.size() - kFileHeader || header < 12 || !ReadSizes(b, header, bmp) ||
      !DepthFits(bmp)) {
    return std::nullopt;
  }
  bmp.pixels_at = Le32(b, 10);
  const size_t palette_at = ReadMasks(b, header, bmp);
  if (palette_at == 0 || bmp.pixels_at < kFileHeader + header || bmp.pixels_at >= b.size()) {
    return std::nullopt;
  }
  ReadPalette(b, palette_at, header, bmp);
  return bmp;
}

// --- Uncompressed and bit-field pixels -----------------------------------------

uint32_t FromFields(const Bmp& bmp, uint32_t v) {
  return bmp.channels[3].Get(v, 0xFF) << 24 | bmp.channels[0].Get(v, 0) << 16 |
         bmp.channels[1].Get(v, 0) << 8 | bmp.channels[2].Get(v, 0);
}

void ReadRow(const Bmp& bmp, const uint8_t* src, uint32_t* dest) {
  const uint32_t depth = bmp.depth;
  for (int32_t x = 0; x < bmp.width; ++x) {
    const size_t i = static_cast<size_t>(x);
    if (depth <= 8) {
      const size_t bit = i * depth;
      const uint32_t index = src[bit / 8] >> (8 - depth - bit % 8) & ((1u << depth) - 1);
      dest[i] = bmp.palette[index];
    } else if (depth == 16) {
      dest[i] = FromFields(bmp, src[i * 2] | uint32_t{src[i * 2 + 1]} << 8);
    } else if (depth == 24) {
      const uint8_t* p = src + i * 3;
      dest[i] = 0xFF000000u | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
    } else {
      const uint8_t* p = src + i * 4;
      const uint32_t v = p[0] | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
      dest[i] = bmp.compression == kRgb ? 0xFF000000u | v : FromFields(bmp, v);
    }
  }
}

bool ReadRows(std::span<const uint8_t> b, const Bmp& bmp, const DecodeCancelled& cancelled,
              DecodedImage& out) {
  const uint64_t stride = (uint64_t{static_cast<uint32_t>(bmp.width)} * bmp.depth + 31) / 32 * 4;
  if (stride * static_cast<uint64_t>(bmp.height) > b.size() - bmp.pixels_at ||
      !out.Resize(bmp.width, bmp.height)) {
    return false;  // cut short, or too large
  }
  for (int32_t y = 0; y < bmp.height; ++y) {
    if (y % kBandRows == 0 && Stopped(cancelled)) return false;
    ReadRow(bmp, b.data() + bmp.pixels_at + static_cast<size_t>(stride) * static_cast<size_t>(y),
            out.pixels.data() + bmp.RowOf(y) * static_cast<size_t>(bmp.width));
  }
  return true;
}

// --- Run-length pictures ----------------------------------------------------------

class RleWriter {
 public:
  RleWriter(const Bmp& bmp, DecodedImage& out) : bmp_(bmp), out_(out) {}
  void Put(uint32_t index) {
    if (x_ < bmp_.width && y_ < bmp_.height) {
      out_.pixels[bmp_.RowOf(y_) * static_cast<size_t>(bmp_.width) + static_cast<size_t>(x_)] =
          bmp_.palette[index];
    }
    ++x_;
  }
  void NextLine() { x_ = 0, ++y_; }
  void Move(uint32_t dx, uint32_t dy) { x_ += dx, y_ += dy; }
  bool Below() const { return y_ >= bmp_.height; }
  int64_t y() const { return y_; }

 private:
  const Bmp& bmp_;
  DecodedImage& out_;
  int64_t x_ = 0;
  int64_t y_ = 0;
};

// The index of pixel k of a run or literal whose bytes start at `p`.
uint32_t Nibbled(const uint8_t* p, uint32_t k, bool four_bit) {
  if (!four_bit) return p[k];
  return (k % 2 == 0) ? p[k / 2] >> 4 : p[k / 2] & 0x0F;
}

bool ReadRle(std::span<const uint8_t> b, const Bmp& bmp, const DecodeCancelled& cancelled,
             DecodedImage& out) {
  if (!out.Resize(bmp.width, bmp.height)) return false;
  std::fill(out.pixels.begin(), out.pixels.end(), bmp.palette[0]);
  const bool four = bmp.compression == kRle4;
  RleWriter w(bmp, out);
  for (size_t at = bmp.pixels_at; !w.Below();) {
    if (b.size() - at < 2) return false;  // the stream ends before its end code
    const uint32_t count = b[at], code = b[at + 1];
    at += 2;
    if (count > 0) {
      const uint8_t pair[2] = {static_cast<uint8_t>(code), static_cast<uint8_t>(code)};
      for (uint32_t k = 0; k < count; ++k)
        w.Put(Nibbled(pair, k % 2, four));
    } else if (code == 0) {
      w.NextLine();
      if (w.y() % kBandRows == 0 && Stopped(cancelled)) return false;
    } else if (code == 1) {
      return true;
    } else if (code == 2) {
      if (b.size() - at < 2) return false;
      w.Move(b[at], b[at + 1]);
      at += 2;
    } else {
      const size_t bytes = ((four ? (code + 1) / 2 : code) + 1) / 2 * 2;  // padded to a word
      if (b.size() - at < bytes) return false;
      for (uint32_t k = 0; k < code; ++k)
        w.Put(Nibbled(b.data() + at, k, four));
      at += bytes;
    }
  }
  return true;  // past the last row: the rest is not needed
}

// Alpha bits all 0 mean the writer did not fill them: the picture is opaque.
void SettleAlpha(const Bmp& bmp, DecodedImage& out) {
  out.has_alpha = false;
  if (bmp.channels[3].bits == 0 || bmp.compression == kRgb) return;
  const bool unset =
      std::all_of(out.pixels.begin(), out.pixels.end(), [](uint32_t p) { return (p >> 24) == 0; });
  if (unset) {
    for (uint32_t& p : out.pixels)
      p |= 0xFF000000u;
  }
  FindAlpha(out);
}

}  // namespace

bool DecodeBmp(std::span<const uint8_t> bytes, const DecodeCancelled& cancelled,
               DecodedImage& out) {
  const std::optional<Bmp> bmp = ReadHeaders(bytes);
  if (!bmp) return false;
  const bool rle = bmp->compression == kRle4 || bmp->compression == kRle8;
  if (!(rle ? ReadRle(bytes, *bmp, cancelled, out) : ReadRows(bytes, *bmp, cancelled, out))) {
    return false;
  }
  SettleAlpha(*bmp, out);
  return true;
}

}  // namespace lantern::platform::native
