// The reduced-size JPEG decoder.
//
// Sections: headers (markers up to the scan); the block transform; the scan
// (blocks, colour, restart intervals).
#include "imaging/jpeg_reduced.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/jpeg_entropy.h"
#include "imaging/jpeg_structure.h"

namespace lantern::imaging {
namespace {

using jpeg::BitReader;
using jpeg::HuffmanTable;

// --- Headers ----------------------------------------------------------------

// The natural (row-major) position of each coefficient in zigzag order.
constexpr std::array<uint8_t, 64> kZigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

struct Component {
  uint8_t id = 0;
  int h = 1;  // sampling factors
  int v = 1;
  int quant = 0;  // table numbers
  int dc = 0;
  int ac = 0;
};

struct Headers {
  bool frame = false;
  int32_t width = 0;
  int32_t height = 0;
  int count = 0;  // components
  std::array<Component, 3> components{};
  std::array<int, 3> scan_order{};  // the frame index of each component of the scan
  int h_max = 1;
  int v_max = 1;
  std::array<std::array<uint16_t, 64>, 4> quant{};  // natural order
  std::array<bool, 4> quant_defined{};
  std::array<HuffmanTable, 4> dc;
  std::array<HuffmanTable, 4> ac;
  int restart_interval = 0;  // in MCUs; 0 for none
  int adobe_transform = -1;  // -1 without an Adobe marker
  size_t scan_start = 0;     // the first byte of the scan's data
};

// A bounded reader over one marker segment's bytes.
class Segment {
 public:
  explicit Segment(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  bool Has(size_t n) const { return bytes_.size() - at_ >= n; }
  bool Done() const { return at_ == bytes_.size(); }
  uint8_t U8() { return bytes_[at_++]; }
  uint16_t U16() {
    const auto v = static_cast<uint16_t>(bytes_[at_] << 8 | bytes_[at_ + 1]);
    at_ += 2;
    return v;
  }
  std::span<const uint8_t> Take(size_t n) {
    const auto part = bytes_.subspan(at_, n);
    at_ += n;
    return part;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
};

bool ReadFrame(Segment s, Headers& h) {
  if (h.frame || !s.Has(6)) return false;
  const int precision = s.U8();
  h.height = s.U16();  // 0: the height comes after the scan (DNL), not read here
  h.width = s.U16();
  h.count = s.U8();
  if (precision != 8 || h.width == 0 || h.height == 0 || (h.count != 1 && h.count != 3) ||
      !s.Has(3 * static_cast<size_t>(h.count))) {
    return false;
  }
  for (int i = 0; i < h.count; ++i) {
    Component& c = h.components[static_cast<size_t>(i)];
    c.id = s.U8();
    const uint8_t factors = s.U8();
    c.quant = s.U8();
    c.h = factors >> 4;
    c.v = factors & 15;
    if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4 || c.quant > 3) return false;
    for (int j = 0; j < i; ++j) {
      if (h.components[static_cast<size_t>(j)].id == c.id) return false;
    }
  }
  // A single component is coded block by block whatever its factors say.
  if (h.count == 1) h.components[0].h = h.components[0].v = 1;
  for (int i = 0; i < h.count; ++i) {
    h.h_max = std::max(h.h_max, h.components[static_cast<size_t>(i)].h);
    h.v_max = std::max(h.v_max, h.components[static_cast<size_t>(i)].v);
  }
  // Each component's samples must widen to the full resolution by a whole
  // number in each direction.
  for (int i = 0; i < h.count; ++i) {
    const Component& c = h.components[static_cast<size_t>(i)];
    if (h.h_max % c.h != 0 || h.v_max % c.v != 0) return false;
  }
  h.frame = true;
  return true;
}

bool ReadHuffman(Segment s, Headers& h) {
  while (!s.Done()) {
    if (!s.Has(17)) return false;
    const uint8_t kind = s.U8();
    if ((kind >> 4) > 1 || (kind & 15) > 3) return false;
    std::array<uint8_t, 16> counts{};
    size_t total = 0;
    for (uint8_t& c : counts) {
      c = s.U8();
      total += c;
    }
    if (!s.Has(total)) return false;
    auto& tables = (kind >> 4) == 0 ? h.dc : h.ac;
    if (!tables[kind & 15].Build(counts, s.Take(total))) return false;
  }
  return true;
}

bool ReadQuant(Segment s, Headers& h) {
  while (!s.Done()) {
    const uint8_t kind = s.U8();
    const bool wide = (kind >> 4) == 1;
    if ((kind >> 4) > 1 || (kind & 15) > 3 || !s.Has(wide ? 128 : 64)) return false;
    auto& table = h.quant[kind & 15];
    for (uint8_t natural : kZigzag)
      table[natural] = wide ? s.U16() : s.U8();
    h.quant_defined[kind & 15] = true;
  }
  return true;
}

bool ReadScan(Segment s, Headers& h) {
  if (!h.frame || !s.Has(1)) return false;
  const int count = s.U8();
  // Every component in the one scan (a scan of some of them is followed by
  // others, which this decoder does not read).
  if (count != h.count || !s.Has(2 * static_cast<size_t>(count) + 3)) return false;
  for (int i = 0; i < count; ++i) {
    const uint8_t id = s.U8();
    const uint8_t tables = s.U8();
    int index = -1;
    for (int j = 0; j < h.count; ++j) {
      if (h.components[static_cast<size_t>(j)].id == id) index = j;
    }
    for (int j = 0; j < i; ++j) {
      if (h.scan_order[static_cast<size_t>(j)] == index) return false;
    }
    if (index < 0) return false;
    Component& c = h.components[static_cast<size_t>(index)];
    c.dc = tables >> 4;
    c.ac = tables & 15;
    if (c.dc > 3 || c.ac > 3 || !h.dc[static_cast<size_t>(c.dc)].defined() ||
        !h.ac[static_cast<size_t>(c.ac)].defined() ||
        !h.quant_defined[static_cast<size_t>(c.quant)]) {
      return false;
    }
    h.scan_order[static_cast<size_t>(i)] = index;
  }
  const uint8_t start = s.U8();
  const uint8_t end = s.U8();
  const uint8_t approximation = s.U8();
  return start == 0 && end == 63 && approximation == 0;
}

// One marker segment of the headers. False when the file is not one this
// decoder reads.
bool ReadSegment(uint8_t marker, Segment s, Headers& h) {
  switch (marker) {
    case 0xC0:  // baseline
    case 0xC1:  // extended sequential, Huffman-coded
      return ReadFrame(s, h);
    case 0xC4:
      return ReadHuffman(s, h);
    case 0xDB:
      return ReadQuant(s, h);
    case 0xDD:
      if (!s.Has(2)) return false;
      h.restart_interval = s.U16();
      return true;
    case 0xEE:  // Adobe: its transform flag says whether three components are YCbCr
      if (s.Has(12) && std::memcmp(s.Take(5).data(), "Adobe", 5) == 0) {
        s.Take(6);
        h.adobe_transform = s.U8();
      }
      return true;
    default:
      // Every other frame kind (progressive, lossless, arithmetic-coded) and
      // arithmetic conditioning are not read here.
      return !((marker >= 0xC2 && marker <= 0xCF) && marker != 0xC4 && marker != 0xC8);
  }
}

// Reads the markers up to the first scan. False for anything this decoder
// does not read.
bool ReadHeaders(std::span<const uint8_t> bytes, Headers& h) {
  bool scan = false;
  const JpegWalkEnd end = WalkJpegSegments(bytes, [&](const JpegSegment& s) {
    if (s.marker != 0xDA) return ReadSegment(s.marker, Segment(s.body), h);
    scan = ReadScan(Segment(s.body), h);
    h.scan_start = s.end;
    return scan;
  });
  return end == JpegWalkEnd::kScan && scan;
}

// Whether three components hold red, green and blue rather than YCbCr: the
// Adobe marker's transform flag says so, or without it the components' names.
bool StoredAsRgb(const Headers& h) {
  if (h.count != 3) return false;
  if (h.adobe_transform >= 0) return h.adobe_transform == 0;
  return h.components[0].id == 'R' && h.components[1].id == 'G' && h.components[2].id == 'B';
}

// --- The block transform -------------------------------------------------------

// The weights that turn one direction of a block's 8 coefficients into n
// samples (n = 1..32): sample x stands for the stretch [x, x + 1) * 8 / n of
// the block's 8 full-size samples, and is their mean weighted by how much of
// each that stretch covers, from the exact 8-point inverse transform.
// Weights[x * 8 + u] is coefficient u's weight in sample x.
std::vector<float> Weights(int n) {
  const double pi = std::acos(-1.0);
  const double span = 8.0 / n;
  std::vector<float> weights(static_cast<size_t>(n) * 8);
  for (int x = 0; x < n; ++x) {
    const double from = x * span;
    const double to = from + span;
    for (int u = 0; u < 8; ++u) {
      double sum = 0;
      for (int j = static_cast<int>(from); j < 8 && j < to; ++j) {
        const double covered = std::min<double>(j + 1, to) - std::max<double>(j, from);
        sum += covered * std::cos((2 * j + 1) * u * pi / 16);
      }
      const double scale = (u == 0 ? std::sqrt(0.5) : 1.0) / 2;
      weights[static_cast<size_t>(x * 8 + u)] = static_cast<float>(scale * sum / span);
    }
  }
  return weights;
}

uint8_t Sample(float value) {
  const float shifted = value + 128.5f;
  if (!(shifted > 0)) return 0;
  return shifted >= 255 ? 255 : static_cast<uint8_t>(shifted);
}

// How one component's blocks become samples: nx by ny of them per block.
struct BlockShape {
  int nx = 8;
  int ny = 8;
  std::vector<float> wx;  // Weights(nx)
  std::vector<float> wy;  // Weights(ny)
};

// The dequantized coefficients of one block, in natural order.
struct Block {
  std::array<float, 64> coef{};
  uint32_t rows = 0;  // bit v: row v holds a non-zero coefficient
  bool dc_only = true;
};

constexpr int kMaxSamples = 32;  // per block and direction: 8 eighths of a 4-times-widened block

void TransformBlock(const Block& b, const BlockShape& shape, uint8_t* out, int stride) {
  if (b.dc_only) {  // every weight of the DC coefficient is 1 / (2 * sqrt 2)
    const uint8_t value = Sample(b.coef[0] / 8);
    for (int y = 0; y < shape.ny; ++y)
      std::memset(out + y * stride, value, static_cast<size_t>(shape.nx));
    return;
  }
  std::array<float, 8 * kMaxSamples> across{};  // [v * kMaxSamples + x]
  for (int v = 0; v < 8; ++v) {
    if ((b.rows >> v & 1) == 0) continue;
    const float* coef = &b.coef[static_cast<size_t>(v * 8)];
    for (int x = 0; x < shape.nx; ++x) {
      const float* w = &shape.wx[static_cast<size_t>(x * 8)];
      float sum = 0;
      for (int u = 0; u < 8; ++u)
        sum += w[u] * coef[u];
      across[static_cast<size_t>(v * kMaxSamples + x)] = sum;
    }
  }
  for (int y = 0; y < shape.ny; ++y) {
    const float* w = &shape.wy[static_cast<size_t>(y * 8)];
    for (int x = 0; x < shape.nx; ++x) {
      float sum = 0;
      for (int v = 0; v < 8; ++v)
        sum += w[v] * across[static_cast<size_t>(v * kMaxSamples + x)];
      out[y * stride + x] = Sample(sum);
    }
  }
}

// --- The scan -------------------------------------------------------------------

uint32_t Pixel(int r, int g, int b) {
  const auto clamp = [](int c) { return static_cast<uint32_t>(std::clamp(c, 0, 255)); };
  return 0xFF000000u | clamp(r) << 16 | clamp(g) << 8 | clamp(b);
}

// JFIF's YCbCr to RGB, in 16-bit fixed point.
uint32_t FromYCbCr(int y, int cb, int cr) {
  cb -= 128;
  cr -= 128;
  constexpr int kHalf = 1 << 15;
  return Pixel(y + ((91881 * cr + kHalf) >> 16), y + ((-22554 * cb - 46802 * cr + kHalf) >> 16),
               y + ((116130 * cb + kHalf) >> 16));
}

class ScanDecoder {
 public:
  ScanDecoder(std::span<const uint8_t> bytes, const Headers& h, int eighths)
      : h_(h), bits_(bytes, h.scan_start), rgb_(StoredAsRgb(h)) {
    mcu_w_ = h.h_max * eighths;
    mcu_h_ = h.v_max * eighths;
    for (int i = 0; i < h.count; ++i) {
      const Component& c = h.components[static_cast<size_t>(i)];
      BlockShape& shape = shapes_[static_cast<size_t>(i)];
      shape.nx = eighths * h.h_max / c.h;
      shape.ny = eighths * h.v_max / c.v;
      shape.wx = Weights(shape.nx);
      shape.wy = Weights(shape.ny);
      planes_[static_cast<size_t>(i)].assign(static_cast<size_t>(mcu_w_ * mcu_h_), 0);
    }
  }

  bool Run(DecodedImage& out, const platform::DecodeCancelled& cancelled) {
    const int32_t mcus_x = Ceil(h_.width, 8 * h_.h_max);
    const int32_t mcus_y = Ceil(h_.height, 8 * h_.v_max);
    int64_t mcu = 0;
    for (int32_t my = 0; my < mcus_y; ++my) {
      if (cancelled && cancelled()) return false;
      for (int32_t mx = 0; mx < mcus_x; ++mx, ++mcu) {
        if (h_.restart_interval > 0 && mcu > 0 && mcu % h_.restart_interval == 0) {
          if (bits_.Overrun() || !bits_.Restart()) return false;
          predictions_.fill(0);
        }
        if (!DecodeMcu()) return false;
        PutMcu(out, mx * mcu_w_, my * mcu_h_);
      }
      if (bits_.Overrun()) return false;  // the data ended inside this row
    }
    return true;
  }

  static int32_t Ceil(int32_t a, int32_t b) { return (a + b - 1) / b; }

 private:
  bool DecodeMcu() {
    for (int i = 0; i < h_.count; ++i) {
      const int index = h_.scan_order[static_cast<size_t>(i)];
      const Component& c = h_.components[static_cast<size_t>(index)];
      const BlockShape& shape = shapes_[static_cast<size_t>(index)];
      uint8_t* plane = planes_[static_cast<size_t>(index)].data();
      for (int by = 0; by < c.v; ++by) {
        for (int bx = 0; bx < c.h; ++bx) {
          if (!DecodeBlock(c, predictions_[static_cast<size_t>(index)])) return false;
          TransformBlock(block_, shape, plane + by * shape.ny * mcu_w_ + bx * shape.nx, mcu_w_);
        }
      }
    }
    return true;
  }

  bool DecodeBlock(const Component& c, int32_t& prediction) {
    block_.coef.fill(0);
    block_.rows = 1;
    block_.dc_only = true;
    const auto& quant = h_.quant[static_cast<size_t>(c.quant)];
    const int size = bits_.Decode(h_.dc[static_cast<size_t>(c.dc)]);
    if (size < 0 || size > 11) return false;
    // A valid DC value stays far inside this range; damaged data must not
    // overflow it.
    prediction = std::clamp(prediction + bits_.ReceiveExtend(size), -32768, 32767);
    block_.coef[0] = static_cast<float>(prediction) * quant[0];
    const HuffmanTable& ac = h_.ac[static_cast<size_t>(c.ac)];
    for (int k = 1; k < 64;) {
      const int symbol = bits_.Decode(ac);
      if (symbol < 0) return false;
      const int run = symbol >> 4;
      const int bits = symbol & 15;
      if (bits == 0) {
        if (run != 15) break;  // end of block
        k += 16;
        continue;
      }
      k += run;
      if (k > 63 || bits > 10) return false;
      const uint8_t natural = kZigzag[static_cast<size_t>(k)];
      block_.coef[natural] = static_cast<float>(bits_.ReceiveExtend(bits)) * quant[natural];
      block_.rows |= 1u << (natural >> 3);
      block_.dc_only = false;
      ++k;
    }
    return true;
  }

  void PutMcu(DecodedImage& out, int32_t x0, int32_t y0) {
    const int w = std::min<int32_t>(mcu_w_, out.width - x0);
    const int hgt = std::min<int32_t>(mcu_h_, out.height - y0);
    for (int y = 0; y < hgt; ++y) {
      uint32_t* row = &out.pixels[static_cast<size_t>(y0 + y) * static_cast<size_t>(out.width) +
                                  static_cast<size_t>(x0)];
      const size_t at = static_cast<size_t>(y * mcu_w_);
      const uint8_t* p0 = planes_[0].data() + at;
      if (h_.count == 1) {
        for (int x = 0; x < w; ++x)
          row[x] = Pixel(p0[x], p0[x], p0[x]);
        continue;
      }
      const uint8_t* p1 = planes_[1].data() + at;
      const uint8_t* p2 = planes_[2].data() + at;
      for (int x = 0; x < w; ++x)
        row[x] = rgb_ ? Pixel(p0[x], p1[x], p2[x]) : FromYCbCr(p0[x], p1[x], p2[x]);
    }
  }

  const Headers& h_;
  BitReader bits_;
  const bool rgb_;
  int mcu_w_ = 0;  // output samples across and down one MCU
  int mcu_h_ = 0;
  std::array<BlockShape, 3> shapes_{};
  std::array<std::vector<uint8_t>, 3> planes_;  // one MCU of output samples
  std::array<int32_t, 3> predictions_{};
  Block block_;
};

bool Fail(DecodedImage& out) {
  out.Resize(0, 0);
  return false;
}

}  // namespace

std::optional<JpegSize> ReducibleJpegSize(std::span<const uint8_t> bytes) {
  Headers h;
  if (!ReadHeaders(bytes, h)) return std::nullopt;
  return JpegSize{h.width, h.height};
}

int JpegEighths(JpegSize stored, int32_t least_width, int32_t least_height) {
  for (int eighths = 1; eighths < 8; ++eighths) {
    if (ScanDecoder::Ceil(stored.width * eighths, 8) >= least_width &&
        ScanDecoder::Ceil(stored.height * eighths, 8) >= least_height) {
      return eighths;
    }
  }
  return 8;
}

bool DecodeJpegReduced(std::span<const uint8_t> bytes, int eighths, DecodedImage& out,
                       const platform::DecodeCancelled& cancelled) {
  Headers h;
  if (eighths < 1 || eighths > 8 || !ReadHeaders(bytes, h)) return Fail(out);
  // Every block takes at least two bits (a DC and an end-of-block code), so
  // a size the data cannot hold is refused before the picture is allocated.
  int64_t blocks_per_mcu = 0;
  for (int i = 0; i < h.count; ++i) {
    const Component& c = h.components[static_cast<size_t>(i)];
    blocks_per_mcu += c.h * c.v;
  }
  const int64_t mcus =
      int64_t{ScanDecoder::Ceil(h.width, 8 * h.h_max)} * ScanDecoder::Ceil(h.height, 8 * h.v_max);
  if (mcus * blocks_per_mcu > 4 * static_cast<int64_t>(bytes.size() - h.scan_start) ||
      !out.Resize(ScanDecoder::Ceil(h.width * eighths, 8),
                  ScanDecoder::Ceil(h.height * eighths, 8))) {
    return Fail(out);
  }
  ScanDecoder scan(bytes, h, eighths);
  return scan.Run(out, cancelled) || Fail(out);
}

}  // namespace lantern::imaging
