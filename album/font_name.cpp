// Reading a font's family name from its 'name' table. Numbers in the file are
// big-endian.
#include "album/font_name.h"

#include <optional>

#include "base/text.h"

namespace lantern::album {

namespace {

class BigEndianReader {
 public:
  explicit BigEndianReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  std::optional<uint16_t> U16(uint64_t at) const {
    if (at + 2 > bytes_.size()) return std::nullopt;
    return static_cast<uint16_t>(bytes_[at] << 8 | bytes_[at + 1]);
  }
  std::optional<uint32_t> U32(uint64_t at) const {
    const auto hi = U16(at), lo = U16(at + 2);
    if (!hi || !lo) return std::nullopt;
    return uint32_t{*hi} << 16 | *lo;
  }
  // The bytes [at, at + length), cut at the end of the file.
  std::span<const uint8_t> Bytes(uint64_t at, uint64_t length) const {
    if (at >= bytes_.size()) return {};
    return bytes_.subspan(static_cast<size_t>(at),
                          static_cast<size_t>(std::min<uint64_t>(length, bytes_.size() - at)));
  }

 private:
  std::span<const uint8_t> bytes_;
};

constexpr uint16_t kFamilyNameId = 1;

// The offset of the 'name' table (its tag compared without regard to case), or 0.
uint32_t NameTableOffset(const BigEndianReader& font) {
  const auto major = font.U16(0), minor = font.U16(2), tables = font.U16(4);
  if (!major || !minor || !tables || *major != 1 || *minor != 0) return 0;
  for (uint32_t i = 0; i < *tables; ++i) {
    const uint64_t record = 12 + uint64_t{16} * i;
    const std::span<const uint8_t> tag = font.Bytes(record, 4);
    const auto offset = font.U32(record + 8);
    if (tag.size() < 4 || !offset) return 0;
    const std::string name(tag.begin(), tag.end());
    if (base::AsciiLower(name) == "name" && *offset != 0) return *offset;
  }
  return 0;
}

}  // namespace

std::string FontFamilyBytes(std::span<const uint8_t> file) {
  const BigEndianReader font(file);
  const uint32_t table = NameTableOffset(font);
  if (table == 0) return {};
  const auto count = font.U16(uint64_t{table} + 2);
  const auto strings = font.U16(uint64_t{table} + 4);
  if (!count || !strings) return {};
  for (uint32_t i = 0; i < *count; ++i) {
    const uint64_t record = uint64_t{table} + 6 + uint64_t{12} * i;
    const auto name_id = font.U16(record + 6);
    const auto length = font.U16(record + 8);
    const auto offset = font.U16(record + 10);
    if (!name_id || !length || !offset) return {};
    if (*name_id != kFamilyNameId || *length == 0) continue;
    std::string text;
    for (const uint8_t b : font.Bytes(uint64_t{table} + *strings + *offset, *length)) {
      if (b != 0) text += static_cast<char>(b);
    }
    if (!text.empty()) return text;
  }
  return {};
}

}  // namespace lantern::album
