// The TGA and PCX decoders, and the alpha composite of 32-bit TGA pictures.
//
// Sections: bounds shared by both formats; TGA pixel formats; TGA raw and
// run-length pixel data; TGA header and decoding; PCX rows; PCX decoding;
// compositing.
#include "imaging/tga_pcx.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <vector>

namespace lantern::imaging {
namespace {

// --- Bounds shared by both formats ------------------------------------------

constexpr uint32_t kOpaqueBlack = 0xFF000000u;

// Little-endian header fields; the caller has checked the header's size.
uint16_t U16(std::span<const uint8_t> bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}
int32_t S16(std::span<const uint8_t> bytes, size_t at) {
  return static_cast<int16_t>(U16(bytes, at));
}

// Neither format expands its data more than 128 times (a TGA run packet of
// 1 + p bytes gives at most 128 pixels, a PCX run pair at most 63 bytes), so
// a header that wants more than that from the bytes behind it is lying. It is
// refused before anything is allocated: a few hostile bytes must not cost
// gigabytes.
//
// A picture no larger than an ordinary camera's (kAlwaysDecodedPixels) is
// decoded whatever the data behind it holds: a file cut short shows what it
// has, the rest black. Only larger sizes must be backed by their data.
constexpr uint64_t kMaxExpansion = 128;
constexpr uint64_t kAlwaysDecodedPixels = uint64_t{1} << 22;
bool DataCanHold(uint64_t pixels, uint64_t units, size_t data_bytes) {
  return pixels <= kAlwaysDecodedPixels || units / kMaxExpansion < data_bytes;
}

bool Fail(DecodedImage& out) {
  out.Resize(0, 0);  // empties the picture, keeping its memory for the next one
  return false;
}

// --- TGA pixel formats --------------------------------------------------------
// Each turns the bytes of one stored pixel into a 0xAARRGGBB word. They are
// template arguments of the unpacking loops, so the calls are inlined.

struct Indexed8 {  // a colour-map index, or a grey level through the grey ramp
  static constexpr size_t kBytes = 1;
  const uint32_t* table;
  uint32_t operator()(const uint8_t* p) const { return table[*p]; }
};

// A 5-bit channel of a 16-bit pixel widened to 8 bits the way a 16-bit device
// bitmap is shown: the high bits repeated in the low ones, so 31 is 255.
constexpr uint32_t Widen5(uint32_t v) {
  return v << 3 | v >> 2;
}

struct Rgb555 {  // x-5-5-5, little-endian; the top (attribute) bit is not used
  static constexpr size_t kBytes = 2;
  uint32_t operator()(const uint8_t* p) const {
    const uint32_t w = p[0] | p[1] << 8;
    return kOpaqueBlack | Widen5(w >> 10 & 31) << 16 | Widen5(w >> 5 & 31) << 8 | Widen5(w & 31);
  }
};

struct Bgr24 {
  static constexpr size_t kBytes = 3;
  uint32_t operator()(const uint8_t* p) const {
    return kOpaqueBlack | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
  }
};

struct Bgra32 {
  static constexpr size_t kBytes = 4;
  uint32_t operator()(const uint8_t* p) const {
    return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
  }
};

// A 32-bit pixel whose fourth byte is not alpha (the descriptor declares no
// alpha bits): drawn opaque whatever the byte holds.
struct Bgrx32 {
  static constexpr size_t kBytes = 4;
  uint32_t operator()(const uint8_t* p) const { return Bgr24{}(p); }
};

// --- TGA raw and run-length pixel data --------------------------------------
// Both fill `out` in file order from the front and stop at the end of the data
// or of the picture, whichever comes first; what is not reached keeps its
// colour. Both ask `cancelled` before each `check_every` pixels and return
// false once it says so.

template <class Format>
bool UnpackRaw(std::span<const uint8_t> data, Format format, std::span<uint32_t> out,
               size_t check_every, const platform::DecodeCancelled& cancelled) {
  const size_t count = std::min(out.size(), data.size() / Format::kBytes);
  const uint8_t* src = data.data();
  for (size_t from = 0; from < count; from += check_every) {
    if (cancelled && cancelled()) return false;
    const size_t to = std::min(count, from + check_every);
    for (size_t i = from; i < to; ++i, src += Format::kBytes)
      out[i] = format(src);
  }
  return true;
}

// Packets: a byte c, then for c >= 128 one pixel written c - 127 times, else
// c + 1 pixels. A packet is clamped to what is left of the picture; a packet
// cut short by the end of the data gives the whole pixels it holds.
template <class Format>
bool UnpackRuns(std::span<const uint8_t> data, Format format, std::span<uint32_t> out,
                size_t check_every, const platform::DecodeCancelled& cancelled) {
  constexpr size_t p = Format::kBytes;
  size_t in = 0;
  size_t done = 0;
  size_t next_check = 0;
  while (done < out.size() && in < data.size()) {
    if (done >= next_check) {
      if (cancelled && cancelled()) return false;
      next_check = done + check_every;
    }
    const uint8_t c = data[in++];
    const size_t wanted = std::min<size_t>((c & 0x7F) + 1, out.size() - done);
    const size_t available = (data.size() - in) / p;
    if (c & 0x80) {
      if (available == 0) break;
      std::fill_n(out.begin() + done, wanted, format(data.data() + in));
      in += p;
      done += wanted;
    } else {
      const size_t count = std::min(wanted, available);
      const uint8_t* src = data.data() + in;
      for (size_t i = 0; i < count; ++i, src += p)
        out[done + i] = format(src);
      in += ((c & 0x7F) + 1) * p;  // past the whole packet: the loop ends if that is the end
      done += count;
    }
  }
  return true;
}

// Unpacks the picture a row at a time as far as `cancelled` is concerned.
template <class Format>
bool Unpack(std::span<const uint8_t> data, bool run_length, Format format, DecodedImage& out,
            const platform::DecodeCancelled& cancelled) {
  const auto row = static_cast<size_t>(out.width);
  const std::span<uint32_t> pixels(out.pixels);
  return run_length ? UnpackRuns(data, format, pixels, row, cancelled)
                    : UnpackRaw(data, format, pixels, row, cancelled);
}

// --- TGA header and decoding --------------------------------------------------

constexpr size_t kTgaHeaderSize = 18;

struct TgaHeader {
  uint8_t id_length = 0;
  uint8_t map_type = 0;
  uint8_t image_type = 0;
  uint16_t map_first = 0;
  uint16_t map_length = 0;
  uint8_t map_entry_bits = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint8_t depth = 0;
  uint8_t descriptor = 0;

  bool run_length() const { return image_type > 8; }
  bool top_down() const { return (descriptor & 0x20) != 0; }
  bool right_to_left() const { return (descriptor & 0x10) != 0; }
  bool declares_alpha() const { return (descriptor & 0x0F) != 0; }
};

// A side of the picture: the size field less the origin field, both signed
// 16-bit numbers as the player holds them. Many writers set the Y origin of a
// picture to its height (the corner where drawing starts, on a screen whose
// y runs up): that origin moves nothing, and the side is the whole size, as
// every other reader takes it (the X origin likewise). A difference that is
// otherwise not positive, or that overflows 16 bits, leaves no picture.
int32_t TgaSide(int32_t size, int32_t origin) {
  const int32_t side = origin == size ? size : size - origin;
  return side > 0 && side <= INT16_MAX ? side : 0;
}

bool ReadTgaHeader(std::span<const uint8_t> file, TgaHeader& h) {
  if (file.size() < kTgaHeaderSize) return false;
  h.id_length = file[0];
  h.map_type = file[1];
  h.image_type = file[2];
  h.map_first = U16(file, 3);
  h.map_length = U16(file, 5);
  h.map_entry_bits = file[7];
  h.width = TgaSide(S16(file, 12), S16(file, 8));
  h.height = TgaSide(S16(file, 14), S16(file, 10));
  h.depth = file[16];
  h.descriptor = file[17];
  return h.width > 0 && h.height > 0;
}

// The palette of an 8-bit picture from its colour map: 16-bit entries are
// 5-5-5 fields each shifted left by 2 (0..124, as the player has always built
// them; 15 is the same two-byte entry), 24 and 32-bit entries are blue, green,
// red (and an unused byte). The map's first entry is colour number `first`,
// so a pixel value v is map entry v - first. Without a colour map (entry size
// 0) the palette is the grey ramp. Colours the map does not give (before its
// first entry, past its end, or past a file cut short) are black. Other entry
// sizes are not supported.
bool ReadTgaPalette(std::span<const uint8_t> map, int entry_bits, size_t first,
                    std::array<uint32_t, 256>& table) {
  table.fill(kOpaqueBlack);
  if (entry_bits == 0) {
    for (uint32_t i = 0; i < 256; ++i)
      table[i] = kOpaqueBlack | i << 16 | i << 8 | i;
    return true;
  }
  if (entry_bits != 15 && entry_bits != 16 && entry_bits != 24 && entry_bits != 32) return false;
  const size_t entry = (entry_bits + 7) / 8;
  const size_t count = first < 256 ? std::min<size_t>(256 - first, map.size() / entry) : 0;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = map.data() + i * entry;
    if (entry == 2) {
      const uint32_t w = e[0] | e[1] << 8;
      table[first + i] = kOpaqueBlack | (w >> 10 & 31) << 18 | (w >> 5 & 31) << 10 | (w & 31) << 2;
    } else {
      table[first + i] = Bgr24{}(e);
    }
  }
  return true;
}

bool HasAlpha(const std::vector<uint32_t>& pixels) {
  return std::any_of(pixels.begin(), pixels.end(), [](uint32_t p) { return p < kOpaqueBlack; });
}

// TGA rows are stored bottom row first unless the descriptor says otherwise.
void FlipRows(DecodedImage& image) {
  const size_t w = static_cast<size_t>(image.width);
  uint32_t* top = image.pixels.data();
  uint32_t* bottom = top + (static_cast<size_t>(image.height) - 1) * w;
  for (; top < bottom; top += w, bottom -= w)
    std::swap_ranges(top, top + w, bottom);
}

// Rows stored right to left (the descriptor's bit 4) are turned round.
void MirrorRows(DecodedImage& image) {
  const size_t w = static_cast<size_t>(image.width);
  for (auto row = image.pixels.begin(); row != image.pixels.end(); row += static_cast<ptrdiff_t>(w))
    std::reverse(row, row + static_cast<ptrdiff_t>(w));
}

// The part of the file from `offset` on, at most `size` bytes of it: empty
// when the file ends before `offset`.
std::span<const uint8_t> Part(std::span<const uint8_t> file, size_t offset, size_t size) {
  if (offset >= file.size()) return {};
  return file.subspan(offset, std::min(size, file.size() - offset));
}

// Unpacks the pixel data in the stored order. `alpha` says whether the fourth
// byte of a 32-bit pixel is alpha. False when cancelled.
bool UnpackTga(std::span<const uint8_t> data, const TgaHeader& h, int depth, bool alpha,
               const std::array<uint32_t, 256>& palette, DecodedImage& out,
               const platform::DecodeCancelled& cancelled) {
  switch (depth) {
    case 8:
      return Unpack(data, h.run_length(), Indexed8{palette.data()}, out, cancelled);
    case 16:
      return Unpack(data, h.run_length(), Rgb555{}, out, cancelled);
    case 24:
      return Unpack(data, h.run_length(), Bgr24{}, out, cancelled);
    default:
      return alpha ? Unpack(data, h.run_length(), Bgra32{}, out, cancelled)
                   : Unpack(data, h.run_length(), Bgrx32{}, out, cancelled);
  }
}

// Decodes the pixels of a picture of the given depth. The file is laid out as
// the header, the image ID field, the colour map, the pixels; rows run bottom
// to top and left to right unless the descriptor says otherwise. A file cut
// short anywhere after the header decodes what it holds.
bool DecodeTgaDepth(std::span<const uint8_t> file, const TgaHeader& h, int depth, bool alpha,
                    DecodedImage& out, const platform::DecodeCancelled& cancelled) {
  if (depth != 8 && depth != 16 && depth != 24 && depth != 32) return Fail(out);
  // The 8-bit rule reads its palette by entry size whatever the map type says.
  const bool has_map = h.map_type == 1 || depth == 8;
  const size_t map_offset = kTgaHeaderSize + h.id_length;
  const size_t map_size = has_map ? size_t{h.map_length} * ((h.map_entry_bits + 7) / 8) : 0;
  const std::span<const uint8_t> data = Part(file, map_offset + map_size, file.size());
  std::array<uint32_t, 256> palette{};
  if (depth == 8 &&
      !ReadTgaPalette(Part(file, map_offset, map_size), h.map_entry_bits, h.map_first, palette)) {
    return Fail(out);
  }
  const uint64_t pixels = static_cast<uint64_t>(h.width) * static_cast<uint64_t>(h.height);
  if (!DataCanHold(pixels, pixels, data.size()) || !out.Resize(h.width, h.height)) return Fail(out);
  if (!UnpackTga(data, h, depth, alpha, palette, out, cancelled)) return Fail(out);
  if (!h.top_down()) FlipRows(out);
  if (h.right_to_left()) MirrorRows(out);
  out.has_alpha = depth == 32 && alpha && HasAlpha(out.pixels);
  return true;
}

}  // namespace

bool DecodeTga(std::span<const uint8_t> file, DecodedImage& out,
               const platform::DecodeCancelled& cancelled) {
  TgaHeader h;
  if (!ReadTgaHeader(file, h)) return Fail(out);
  return DecodeTgaDepth(file, h, h.depth, h.declares_alpha(), out, cancelled);
}

// The player reads every packed TGA item as 32-bit pixels, trusting only the
// type and size fields. An item whose header names another depth would come
// out as noise that way, so it is decoded as the depth it names (and refused
// when that depth is unsupported), with alpha when its descriptor declares
// alpha bits; only a header that names no depth at all is taken at the
// player's word, 32-bit with alpha.
bool DecodeTgaItem(std::span<const uint8_t> bytes, DecodedImage& out,
                   const platform::DecodeCancelled& cancelled) {
  TgaHeader h;
  if (!ReadTgaHeader(bytes, h)) return Fail(out);
  if (h.depth == 0) return DecodeTgaDepth(bytes, h, 32, true, out, cancelled);
  return DecodeTgaDepth(bytes, h, h.depth, h.declares_alpha(), out, cancelled);
}

namespace {

// --- PCX rows -----------------------------------------------------------------

constexpr size_t kPcxHeaderSize = 128;

// The pixel data after the header, one row of all planes at a time. Run-length
// data: a byte c >= 192 repeats the next byte c - 192 times, any other byte is
// itself; a run may carry on into the next row. A packet never starts on the
// file's last byte (the player never looks at it), so a run always has its
// value byte. Past the end of the data, rows are zero.
class PcxRows {
 public:
  PcxRows(std::span<const uint8_t> data, bool run_length) : data_(data), run_length_(run_length) {
    packet_end_ = run_length && !data.empty() ? data.size() - 1 : data.size();
  }

  void Next(std::span<uint8_t> row) {
    const size_t filled = run_length_ ? NextRuns(row) : NextRaw(row);
    std::fill(row.begin() + filled, row.end(), uint8_t{0});
  }
  // Every further row is zero.
  bool Exhausted() const { return run_ == 0 && pos_ >= (run_length_ ? packet_end_ : data_.size()); }

 private:
  size_t NextRaw(std::span<uint8_t> row) {
    const size_t count = std::min(row.size(), data_.size() - pos_);
    std::copy_n(data_.begin() + pos_, count, row.begin());
    pos_ += count;
    return count;
  }

  size_t NextRuns(std::span<uint8_t> row) {
    size_t i = 0;
    while (i < row.size()) {
      if (run_ > 0) {
        const size_t count = std::min(run_, row.size() - i);
        std::fill_n(row.begin() + i, count, value_);
        run_ -= count;
        i += count;
        continue;
      }
      if (pos_ >= packet_end_) break;
      const uint8_t c = data_[pos_++];
      if (c >= 192) {
        run_ = c - 192u;
        value_ = data_[pos_++];  // in bounds: a packet starts before the last byte
      } else {
        row[i++] = c;
      }
    }
    return i;
  }

  std::span<const uint8_t> data_;
  bool run_length_;
  size_t packet_end_ = 0;
  size_t pos_ = 0;
  size_t run_ = 0;
  uint8_t value_ = 0;
};

// --- PCX decoding ---------------------------------------------------------------

struct PcxHeader {
  bool run_length = false;
  int bits = 0;
  int planes = 0;
  int32_t width = 0;
  int32_t height = 0;
  size_t line_bytes = 0;  // per plane

  size_t row_bytes() const { return static_cast<size_t>(planes) * line_bytes; }
};

// The header, when it describes a layout we draw: (bits, planes) of (1, 1),
// (4, 1), (8, 1) or (8, 3), a positive size, and rows long enough to hold the
// width (a row shorter than the picture is a broken header, and trusting the
// width would let it ask for any amount of memory).
bool ReadPcxHeader(std::span<const uint8_t> file, PcxHeader& h) {
  if (file.size() < kPcxHeaderSize) return false;
  h.run_length = file[2] == 1;
  h.bits = file[3];
  h.planes = file[65];
  h.width = int32_t{U16(file, 8)} - U16(file, 4) + 1;
  h.height = int32_t{U16(file, 10)} - U16(file, 6) + 1;
  h.line_bytes = U16(file, 66);
  const bool layout = (h.planes == 1 && (h.bits == 1 || h.bits == 4 || h.bits == 8)) ||
                      (h.planes == 3 && h.bits == 8);
  return layout && h.width > 0 && h.height > 0 &&
         static_cast<uint64_t>(h.width) * static_cast<uint64_t>(h.bits) <= h.line_bytes * 8u;
}

// The palette of the picture: black and white, the header's 16 colours, the
// 256 colours at the end of the file when the byte 769 from the end is 12
// (else the grey ramp). Triplets are red, green, blue. 24-bit pictures have
// none.
std::array<uint32_t, 256> PcxPalette(std::span<const uint8_t> file, const PcxHeader& h) {
  std::array<uint32_t, 256> table;
  table.fill(kOpaqueBlack);
  auto rgb = [](const uint8_t* t) {
    return kOpaqueBlack | uint32_t{t[0]} << 16 | uint32_t{t[1]} << 8 | t[2];
  };
  if (h.bits == 1) {
    table[1] = 0xFFFFFFFFu;
  } else if (h.bits == 4) {
    for (size_t i = 0; i < 16; ++i)
      table[i] = rgb(file.data() + 16 + 3 * i);
  } else if (file.size() >= 769 && file[file.size() - 769] == 12) {
    const uint8_t* t = file.data() + file.size() - 768;
    for (size_t i = 0; i < 256; ++i)
      table[i] = rgb(t + 3 * i);
  } else {
    for (uint32_t i = 0; i < 256; ++i)
      table[i] = kOpaqueBlack | i << 16 | i << 8 | i;
  }
  return table;
}

// One row of the picture from one row of plane bytes (the header has checked
// that each plane row holds `width` pixels).
void ConvertPcxRow(const PcxHeader& h, const uint8_t* src, const uint32_t* palette, uint32_t* dst) {
  const size_t w = static_cast<size_t>(h.width);
  if (h.planes == 3) {
    const uint8_t* g = src + h.line_bytes;
    const uint8_t* b = g + h.line_bytes;
    for (size_t x = 0; x < w; ++x) {
      dst[x] = kOpaqueBlack | uint32_t{src[x]} << 16 | uint32_t{g[x]} << 8 | b[x];
    }
  } else if (h.bits == 8) {
    for (size_t x = 0; x < w; ++x)
      dst[x] = palette[src[x]];
  } else if (h.bits == 4) {
    for (size_t x = 0; x < w; ++x)
      dst[x] = palette[(src[x >> 1] >> (x & 1 ? 0 : 4)) & 15];
  } else {
    for (size_t x = 0; x < w; ++x)
      dst[x] = palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
  }
}

}  // namespace

bool DecodePcx(std::span<const uint8_t> file, DecodedImage& out,
               const platform::DecodeCancelled& cancelled) {
  PcxHeader h;
  if (!ReadPcxHeader(file, h)) return Fail(out);
  const std::span<const uint8_t> data = file.subspan(kPcxHeaderSize);
  const uint64_t pixels = static_cast<uint64_t>(h.width) * static_cast<uint64_t>(h.height);
  if (!DataCanHold(pixels, static_cast<uint64_t>(h.height) * h.row_bytes(), data.size()) ||
      !out.Resize(h.width, h.height)) {
    return Fail(out);
  }
  const std::array<uint32_t, 256> palette = PcxPalette(file, h);
  std::vector<uint8_t> row(h.row_bytes());
  PcxRows rows(data, h.run_length);
  const size_t w = static_cast<size_t>(h.width);
  bool zero_rows = false;  // past the data: each row is the zero row above it again
  for (int32_t y = 0; y < h.height; ++y) {
    if (cancelled && cancelled()) return Fail(out);
    uint32_t* dst = out.pixels.data() + static_cast<size_t>(y) * w;
    if (zero_rows) {
      std::copy_n(dst - w, w, dst);
      continue;
    }
    zero_rows = rows.Exhausted();
    rows.Next(row);
    ConvertPcxRow(h, row.data(), palette.data(), dst);
  }
  return true;
}

// --- Compositing ----------------------------------------------------------------

namespace {

// One channel (at bit `shift`) of the mix; a is 1..254.
constexpr uint32_t MixChannel(uint32_t picture, uint32_t background, uint32_t a, int shift) {
  const uint32_t p = picture >> shift & 0xFF;
  const uint32_t b = background >> shift & 0xFF;
  return ((255 - a) * b + a * p + 255) / 256 << shift;
}

void MakeOpaque(DecodedImage& picture) {
  for (uint32_t& p : picture.pixels)
    p |= kOpaqueBlack;
  picture.has_alpha = false;
}

}  // namespace

void BlendOverBackground(DecodedImage& picture, const platform::Surface& background) {
  const bool same_size = background.valid() && background.width == picture.width &&
                         background.height == picture.height;
  assert((same_size || picture.empty()) &&
         "copy the slide area under the picture into a surface of the picture's size first");
  if (!same_size) return MakeOpaque(picture);
  const size_t w = static_cast<size_t>(picture.width);
  for (int32_t y = 0; y < picture.height; ++y) {
    const uint32_t* under = background.Row(y);
    uint32_t* row = picture.pixels.data() + static_cast<size_t>(y) * w;
    for (size_t x = 0; x < w; ++x) {
      const uint32_t p = row[x];
      const uint32_t a = p >> 24;
      if (a == 255) continue;
      const uint32_t b = under[x];
      row[x] = a == 0 ? (b | kOpaqueBlack)
                      : kOpaqueBlack | MixChannel(p, b, a, 16) | MixChannel(p, b, a, 8) |
                            MixChannel(p, b, a, 0);
    }
  }
  picture.has_alpha = false;
}

}  // namespace lantern::imaging
