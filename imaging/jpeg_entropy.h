// The entropy-coded data of a sequential JPEG scan: the bit reader (with its
// byte stuffing, restart markers and the end of the data), the Huffman
// tables, and one block's coefficients read from them. Used by the
// reduced-size JPEG decoder only.
//
// A symbol is found from the next kLookupBits bits in one table look-up; an AC
// coefficient whose code and value bits fit in those bits together is read
// whole from a second table. Longer codes are searched by length.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace lantern::imaging::jpeg {

// The natural (row-major) position of each coefficient in zigzag order.
inline constexpr std::array<uint8_t, 64> kZigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

struct HeldBits;

// One Huffman table as a DHT segment defines it: the number of codes of each
// length 1..16 and the values in code order.
class HuffmanTable {
 public:
  static constexpr int kLookupBits = 9;

  // False for a table whose counts overfill the code space (or use the code
  // of all ones) or that holds more than 256 values.
  bool Build(std::span<const uint8_t, 16> counts, std::span<const uint8_t> values);
  bool defined() const { return defined_; }

 private:
  friend class BitReader;
  friend struct HeldBits;
  void BuildCoefficientLookup();
  // For a code longer than kLookupBits, from the next 16 bits: (code length
  // << 8) | value, or 0 for a code the table does not hold.
  uint16_t LongCode(uint32_t next16) const;

  bool defined_ = false;
  // For the next kLookupBits bits: (code length << 8) | value, or 0 where the
  // code is longer.
  std::array<uint16_t, 1 << kLookupBits> lookup_{};
  // For the next kLookupBits bits, when they hold an AC code with a non-zero
  // coefficient and its value bits: (coefficient << 16) | (zero run << 8) |
  // bits used; 0 otherwise.
  std::array<int32_t, 1 << kLookupBits> coefficient_{};
  std::array<int32_t, 17> max_code_{};      // by length; -1 where none
  std::array<int32_t, 17> value_offset_{};  // value index = code + offset
  std::array<uint8_t, 256> values_{};
};

// The non-zero coefficients of one block (the DC one always first, whatever
// its value), as natural positions and quantized values.
struct BlockCoefficients {
  int count = 0;
  std::array<uint8_t, 64> position{};
  std::array<int32_t, 64> value{};
};

// The bits read ahead, the next one highest. Block decoding works on a copy
// of them held in registers.
struct HeldBits {
  uint64_t acc = 0;
  int count = 0;

  uint32_t Peek(int n) const { return static_cast<uint32_t>(acc >> (64 - n)); }
  void Skip(int n) {
    acc <<= n;
    count -= n;
  }
  // `n` (0..16) bits as a signed coefficient difference (JPEG's EXTEND).
  int32_t ReceiveExtend(int n) {
    if (n == 0) return 0;
    const auto bits = static_cast<int32_t>(Peek(n));
    Skip(n);
    // A leading zero bit means a negative difference.
    return bits < (1 << (n - 1)) ? bits - (1 << n) + 1 : bits;
  }
  // The next Huffman-coded value; -1 for a code the table does not hold.
  int DecodeSymbol(const HuffmanTable& table) {
    uint16_t entry = table.lookup_[Peek(HuffmanTable::kLookupBits)];
    if (entry == 0) entry = table.LongCode(Peek(16));
    if (entry == 0) return -1;
    Skip(entry >> 8);
    return entry & 0xFF;
  }
};

// Reads the bits of a scan's data. Past a marker or the end of the bytes it
// reads zero bits, and counts them: a scan that needed them is damaged.
class BitReader {
 public:
  BitReader(std::span<const uint8_t> bytes, size_t start) : bytes_(bytes), pos_(start) {}

  // One block's coefficients, its DC difference added to `prediction`.
  // False for a code no table holds or coefficients past the block's end.
  bool DecodeBlock(const HuffmanTable& dc, const HuffmanTable& ac, int32_t& prediction,
                   BlockCoefficients& out);
  // Skips the bits and bytes left before the restart marker that must follow
  // and the marker itself. False when a marker of another kind comes first.
  bool Restart();
  // Whether bits past the scan's data were used.
  bool Overrun() const { return held_.count < padding_ * 8; }

 private:
  // At least 32 bits held in `bits` (a code and its value bits) from here on.
  void EnsureCodeAndValue(HeldBits& bits) {
    if (bits.count >= 32) return;
    held_ = bits;
    Fill();
    bits = held_;
  }
  // After it at least 57 bits are held.
  [[gnu::noinline]] void Fill();
  // The bytes up to the next 0xFF, as many as fit, from eight read at once.
  void FillWhole();
  bool DecodeAc(const HuffmanTable& ac, BlockCoefficients& out);

  std::span<const uint8_t> bytes_;
  size_t pos_;
  HeldBits held_;
  int padding_ = 0;  // of the bytes held, how many are zeros put in past the data
  bool at_marker_ = false;
};

}  // namespace lantern::imaging::jpeg
