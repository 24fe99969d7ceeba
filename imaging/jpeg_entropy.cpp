// Huffman tables and the bit reader of JPEG scans.
#include "imaging/jpeg_entropy.h"

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
  defined_ = true;
  return true;
}

void BitReader::Fill() {
  while (count_ <= 56) {
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
    acc_ |= uint64_t{byte} << (56 - count_);
    count_ += 8;
  }
}

int BitReader::Decode(const HuffmanTable& table) {
  EnsureBits(16);
  const uint16_t entry = table.lookup_[Peek(HuffmanTable::kLookupBits)];
  if (entry != 0) {
    Skip(entry >> 8);
    return entry & 0xFF;
  }
  const auto bits = static_cast<int32_t>(Peek(16));
  for (int length = HuffmanTable::kLookupBits + 1; length <= 16; ++length) {
    const int32_t code = bits >> (16 - length);
    if (code <= table.max_code_[static_cast<size_t>(length)]) {
      Skip(length);
      const int32_t index = code + table.value_offset_[static_cast<size_t>(length)];
      return table.values_[static_cast<size_t>(index)];
    }
  }
  return -1;
}

int32_t BitReader::ReceiveExtend(int count) {
  if (count == 0) return 0;
  EnsureBits(count);
  const auto bits = static_cast<int32_t>(Peek(count));
  Skip(count);
  // A leading zero bit means a negative difference.
  return bits < (1 << (count - 1)) ? bits - (1 << count) + 1 : bits;
}

bool BitReader::Restart() {
  acc_ = 0;
  count_ = 0;
  padding_ = 0;
  at_marker_ = false;
  // Whatever the last interval left unread (its padding bits were dropped
  // with acc_) is skipped up to the marker.
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
