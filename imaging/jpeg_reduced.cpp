// The reduced-size JPEG decoder.
//
// Sections: headers (markers up to the scan); the scan (rows of MCUs,
// restart intervals). The blocks' coefficients come from jpeg_entropy, their
// samples from jpeg_transform, the pixels from jpeg_colour.
#include "imaging/jpeg_reduced.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "imaging/jpeg_colour.h"
#include "imaging/jpeg_entropy.h"
#include "imaging/jpeg_structure.h"
#include "imaging/jpeg_transform.h"

namespace lantern::imaging {
namespace {

using jpeg::BitReader;
using jpeg::BlockCoefficients;
using jpeg::HuffmanTable;
using jpeg::kZigzag;
using jpeg::ReducedTransform;

// --- Headers ----------------------------------------------------------------

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

// --- The scan -------------------------------------------------------------------

// One row of MCUs, each component's samples at the output's resolution in a
// plane of its own, then turned into pixels a row at a time.
class ScanDecoder {
 public:
  ScanDecoder(std::span<const uint8_t> bytes, const Headers& h, int eighths)
      : h_(h), bits_(bytes, h.scan_start), rgb_(StoredAsRgb(h)) {
    mcu_w_ = h.h_max * eighths;
    mcu_h_ = h.v_max * eighths;
    mcus_x_ = Ceil(h_.width, 8 * h_.h_max);
    // Room for a block's last store past the row's end.
    stride_ = static_cast<ptrdiff_t>(mcus_x_) * mcu_w_ + 4;
    for (int i = 0; i < h.count; ++i) {
      const Component& c = h.components[static_cast<size_t>(i)];
      transforms_.emplace_back(eighths * h.h_max / c.h, eighths * h.v_max / c.v,
                               h.quant[static_cast<size_t>(c.quant)]);
      planes_[static_cast<size_t>(i)].assign(static_cast<size_t>(stride_ * mcu_h_), 0);
    }
  }

  bool Run(DecodedImage& out, const platform::DecodeCancelled& cancelled) {
    const int32_t mcus_y = Ceil(h_.height, 8 * h_.v_max);
    int64_t mcu = 0;
    for (int32_t my = 0; my < mcus_y; ++my) {
      if (cancelled && cancelled()) return false;
      for (int32_t mx = 0; mx < mcus_x_; ++mx, ++mcu) {
        if (h_.restart_interval > 0 && mcu > 0 && mcu % h_.restart_interval == 0) {
          if (bits_.Overrun() || !bits_.Restart()) return false;
          predictions_.fill(0);
        }
        if (!DecodeMcu(mx * mcu_w_)) return false;
      }
      if (bits_.Overrun()) return false;  // the data ended inside this row
      PutRows(out, my * mcu_h_);
    }
    return true;
  }

  static int32_t Ceil(int32_t a, int32_t b) { return (a + b - 1) / b; }

 private:
  bool DecodeMcu(int32_t x0) {
    for (int i = 0; i < h_.count; ++i) {
      const auto index = static_cast<size_t>(h_.scan_order[static_cast<size_t>(i)]);
      const Component& c = h_.components[index];
      const ReducedTransform& transform = transforms_[index];
      const HuffmanTable& dc = h_.dc[static_cast<size_t>(c.dc)];
      const HuffmanTable& ac = h_.ac[static_cast<size_t>(c.ac)];
      uint8_t* plane = planes_[index].data() + x0;
      for (int by = 0; by < c.v; ++by) {
        for (int bx = 0; bx < c.h; ++bx) {
          if (!bits_.DecodeBlock(dc, ac, predictions_[index], block_)) return false;
          transform.Run(block_, plane + by * transform.down() * stride_ + bx * transform.across(),
                        stride_);
        }
      }
    }
    return true;
  }

  void PutRows(DecodedImage& out, int32_t y0) {
    const int rows = std::min<int32_t>(mcu_h_, out.height - y0);
    for (int y = 0; y < rows; ++y) {
      uint32_t* row = &out.pixels[static_cast<size_t>(y0 + y) * static_cast<size_t>(out.width)];
      const uint8_t* p0 = planes_[0].data() + y * stride_;
      if (h_.count == 1) {
        jpeg::GreyRow(p0, row, out.width);
        continue;
      }
      const uint8_t* p1 = planes_[1].data() + y * stride_;
      const uint8_t* p2 = planes_[2].data() + y * stride_;
      if (rgb_) {
        jpeg::RgbRow(p0, p1, p2, row, out.width);
      } else {
        jpeg::YCbCrRow(p0, p1, p2, row, out.width);
      }
    }
  }

  const Headers& h_;
  BitReader bits_;
  const bool rgb_;
  int mcu_w_ = 0;  // output samples across and down one MCU
  int mcu_h_ = 0;
  int32_t mcus_x_ = 0;
  ptrdiff_t stride_ = 0;  // of the planes
  std::vector<ReducedTransform> transforms_;
  std::array<std::vector<uint8_t>, 3> planes_;  // one row of MCUs of output samples
  std::array<int32_t, 3> predictions_{};
  BlockCoefficients block_;
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
