// The entropy-coded data of a sequential JPEG scan: the bit reader (with its
// byte stuffing, restart markers and the end of the data) and the Huffman
// tables. Used by the reduced-size JPEG decoder only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace lantern::imaging::jpeg {

// One Huffman table as a DHT segment defines it: the number of codes of each
// length 1..16 and the values in code order.
class HuffmanTable {
 public:
  // False for a table whose counts overfill the code space (or use the code
  // of all ones) or that holds more than 256 values.
  bool Build(std::span<const uint8_t, 16> counts, std::span<const uint8_t> values);
  bool defined() const { return defined_; }

 private:
  friend class BitReader;
  static constexpr int kLookupBits = 9;
  bool defined_ = false;
  // For the next kLookupBits bits: (code length << 8) | value, or 0 where the
  // code is longer.
  std::array<uint16_t, 1 << kLookupBits> lookup_{};
  std::array<int32_t, 17> max_code_{};      // by length; -1 where none
  std::array<int32_t, 17> value_offset_{};  // value index = code + offset
  std::array<uint8_t, 256> values_{};
};

// Reads the bits of a scan's data. Past a marker or the end of the bytes it
// reads zero bits, and counts them: a scan that needed them is damaged.
class BitReader {
 public:
  BitReader(std::span<const uint8_t> bytes, size_t start) : bytes_(bytes), pos_(start) {}

  // The next Huffman-coded value; -1 for a code the table does not hold.
  int Decode(const HuffmanTable& table);
  // `count` (0..16) bits as a signed coefficient difference (JPEG's EXTEND).
  int32_t ReceiveExtend(int count);
  // Skips the bits and bytes left before the restart marker that must follow
  // and the marker itself. False when a marker of another kind comes first.
  bool Restart();
  // Whether bits past the scan's data were used.
  bool Overrun() const { return count_ < padding_ * 8; }

 private:
  void Fill();
  void EnsureBits(int n) {
    if (count_ < n) Fill();
  }
  uint32_t Peek(int n) const { return static_cast<uint32_t>(acc_ >> (64 - n)); }
  void Skip(int n) {
    acc_ <<= n;
    count_ -= n;
  }

  std::span<const uint8_t> bytes_;
  size_t pos_;
  uint64_t acc_ = 0;  // the next bits, first bit highest
  int count_ = 0;     // bits held in acc_
  int padding_ = 0;   // of the bytes held, how many are zeros put in past the data
  bool at_marker_ = false;
};

}  // namespace lantern::imaging::jpeg
