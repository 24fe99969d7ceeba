// Huffman tables, the bit reader of JPEG scans and one block's coefficients.
#include "imaging/jpeg_entropy.h"

#include <algorithm>
#include <bit>

namespace lantern::imaging::jpeg {

bool HuffmanTable::Build(std::span<const uint8_t, 16> counts, std::span<const uint8_t> values) {
  defined_ = false;
  size_t total = 0;
  for (uint8_t c : counts)
    total += c;
  if (total > values_.size() || total > values.size()) return false;
  lookup_.fill(0);
  int32_t code = 0;
  int32_t index = 0;
  for (int length = 1; length <= 16; ++length) {
    const int count = counts[static_cast<size_t>(length - 1)];
    value_offset_[static_cast<size_t>(length)] = index - code;
    for (int i = 0; i < count; ++i, ++code, ++index) {
      // The code space must not overflow, and the code of all ones is never
      // assigned: a run of one bits must not decode as a value.
      if (code >= (1 << length) - 1) return false;
      values_[static_cast<size_t>(index)] = values[static_cast<size_t>(index)];
      if (length > kLookupBits) continue;
      const int spare = kLookupBits - length;
      const auto entry = static_cast<uint16_t>(length << 8 | values[static_cast<size_t>(index)]);
      const int32_t first = code << spare;
      for (int32_t k = 0; k < (1 << spare); ++k)
        lookup_[static_cast<size_t>(first + k)] = entry;
    }
    max_code_[static_cast<size_t>(length)] = count > 0 ? code - 1 : -1;
    code <<= 1;
  }
  BuildCoefficientLookup();
  defined_ = true;
  return true;
}

void HuffmanTable::BuildCoefficientLookup() {
  coefficient_.fill(0);
  for (int32_t bits = 0; bits < (1 << kLookupBits); ++bits) {
    const uint16_t entry = lookup_[static_cast<size_t>(bits)];
    const int length = entry >> 8;
    const int run = (entry >> 4) & 15;
    const int size = entry & 15;
    if (length == 0 || size == 0 || length + size > kLookupBits) continue;
    // The value bits follow the code; a leading zero bit means a negative value.
    const int32_t raw = (bits >> (kLookupBits - length - size)) & ((1 << size) - 1);
    const int32_t value = raw < (1 << (size - 1)) ? raw - (1 << size) + 1 : raw;
    coefficient_[static_cast<size_t>(bits)] =
        static_cast<int32_t>(static_cast<uint32_t>(value) << 16) | run << 8 | (length + size);
  }
}

void BitReader::Fill() {
  if (!at_marker_ && bytes_.size() - pos_ >= 8) FillWhole();
  while (held_.count <= 56) {
    uint32_t byte = 0;
    bool data = false;
    if (!at_marker_ && pos_ < bytes_.size()) {
      byte = bytes_[pos_];
      if (byte != 0xFF) {
        ++pos_;
        data = true;
      } else if (pos_ + 1 < bytes_.size() && bytes_[pos_ + 1] == 0x00) {
        pos_ += 2;  // a stuffed 0xFF data byte
        data = true;
      } else {
        at_marker_ = true;  // the data ends here; pos_ stays on the marker
        byte = 0;
      }
    }
    if (!data) ++padding_;
    held_.acc |= uint64_t{byte} << (56 - held_.count);
    held_.count += 8;
  }
}

void BitReader::FillWhole() {
  uint64_t word = 0;  // the next 8 bytes, the first highest
  for (size_t i = 0; i < 8; ++i)
    word = word << 8 | bytes_[pos_ + i];
  // A flag in the top bit of each 0xFF byte. A 0xFE byte just before one may
  // be flagged too, which only stops the fill early.
  constexpr uint64_t kOnes = 0x0101010101010101u;
  const uint64_t inverted = ~word;
  const uint64_t flags = (inverted - kOnes) & ~inverted & (kOnes << 7);
  const int before_ff = std::countl_zero(flags) / 8;
  const int take = std::min((64 - held_.count) / 8, before_ff);
  if (take == 0) return;
  held_.acc |= (word >> (64 - 8 * take)) << (64 - held_.count - 8 * take);
  held_.count += 8 * take;
  pos_ += static_cast<size_t>(take);
}

uint16_t HuffmanTable::LongCode(uint32_t next16) const {
  const auto bits = static_cast<int32_t>(next16);
  for (int length = kLookupBits + 1; length <= 16; ++length) {
    const int32_t code = bits >> (16 - length);
    if (code <= max_code_[static_cast<size_t>(length)]) {
      const int32_t index = code + value_offset_[static_cast<size_t>(length)];
      return static_cast<uint16_t>(length << 8 | values_[static_cast<size_t>(index)]);
    }
  }
  return 0;
}

bool BitReader::DecodeBlock(const HuffmanTable& dc, const HuffmanTable& ac, int32_t& prediction,
                            BlockCoefficients& out) {
  HeldBits bits = held_;
  EnsureCodeAndValue(bits);
  const int size = bits.DecodeSymbol(dc);
  held_ = bits;
  if (size < 0 || size > 11) return false;
  // A valid DC value stays far inside this range; damaged data must not
  // overflow it.
  prediction = std::clamp(prediction + held_.ReceiveExtend(size), -32768, 32767);
  out.position[0] = 0;
  out.value[0] = prediction;
  return DecodeAc(ac, out);
}

bool BitReader::DecodeAc(const HuffmanTable& ac, BlockCoefficients& out) {
  HeldBits bits = held_;  // in registers: `out` is not read while the block is
  int count = 1;
  for (int k = 1; k < 64;) {
    EnsureCodeAndValue(bits);
    const int32_t whole = ac.coefficient_[bits.Peek(HuffmanTable::kLookupBits)];
    if (whole != 0) {  // code and value in one look-up
      bits.Skip(whole & 0xFF);
      k += (whole >> 8) & 0xFF;
      if (k > 63) return false;
      out.position[static_cast<size_t>(count)] = kZigzag[static_cast<size_t>(k++)];
      out.value[static_cast<size_t>(count++)] = whole >> 16;
      continue;
    }
    const int symbol = bits.DecodeSymbol(ac);
    if (symbol < 0) return false;
    const int run = symbol >> 4;
    const int size = symbol & 15;
    if (size == 0) {
      if (run != 15) break;  // end of block
      k += 16;
      continue;
    }
    k += run;
    if (k > 63 || size > 10) return false;
    out.position[static_cast<size_t>(count)] = kZigzag[static_cast<size_t>(k++)];
    out.value[static_cast<size_t>(count++)] = bits.ReceiveExtend(size);
  }
  out.count = count;
  held_ = bits;
  return true;
}

bool BitReader::Restart() {
  held_ = {};
  padding_ = 0;
  at_marker_ = false;
  // Whatever the last interval left unread (its padding bits were dropped
  // with held_.acc) is skipped up to the marker.
  while (pos_ + 1 < bytes_.size()) {
    if (bytes_[pos_] == 0xFF) {
      const uint8_t next = bytes_[pos_ + 1];
      if (next >= 0xD0 && next <= 0xD7) {
        pos_ += 2;
        return true;
      }
      if (next != 0x00 && next != 0xFF) return false;
    }
    ++pos_;
  }
  return false;
}

}  // namespace lantern::imaging::jpeg
