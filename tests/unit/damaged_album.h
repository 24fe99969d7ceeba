// Damaging one item's resource entries in an album image, for the tests and
// fuzz seeds of the player's reading. An item is found by its stored bytes
// (the test makes them unique), then its data entry and the language entry
// that points to it, the way the builder lays a resource section out.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace lantern::testing {

struct ItemEntries {
  size_t data_entry = 0;      // file offset of the 16-byte data entry (RVA, size, ...)
  size_t language_entry = 0;  // file offset of the language table's entry (ID, offset)
};

inline uint32_t Read32(std::span<const uint8_t> b, size_t at) {
  uint32_t v = 0;
  std::memcpy(&v, &b[at], 4);
  return v;
}

inline void Write32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  std::memcpy(&b[at], &v, 4);
}

namespace detail {

// The first 4-aligned offset from `from` where `pattern` starts.
inline std::optional<size_t> FindAligned(std::span<const uint8_t> image, size_t from,
                                         std::span<const uint8_t> pattern) {
  for (size_t at = from & ~size_t{3}; at + pattern.size() <= image.size(); at += 4) {
    if (std::equal(pattern.begin(), pattern.end(), image.begin() + static_cast<ptrdiff_t>(at))) {
      return at;
    }
  }
  return std::nullopt;
}

}  // namespace detail

// Where the entries of the resource whose data is `stored` lie in `image`.
inline std::optional<ItemEntries> FindItemEntries(std::span<const uint8_t> image,
                                                  std::span<const uint8_t> stored) {
  const auto data = std::search(image.begin(), image.end(), stored.begin(), stored.end());
  if (data == image.end()) return std::nullopt;
  const auto data_at = static_cast<uint32_t>(data - image.begin());
  const uint32_t pe = Read32(image, 0x3C);
  const uint32_t sections = image[pe + 6] | image[pe + 7] << 8;
  const uint32_t optional = pe + 24;
  const uint32_t table = optional + (image[pe + 20] | image[pe + 21] << 8);
  const uint32_t root = Read32(image, optional + 96 + 16);
  for (uint32_t i = 0; i < sections; ++i) {
    const uint32_t rva = Read32(image, table + 40 * i + 12);
    const uint32_t raw = Read32(image, table + 40 * i + 20);
    const uint32_t raw_size = Read32(image, table + 40 * i + 16);
    if (data_at < raw || data_at >= raw + raw_size) continue;
    uint8_t entry[8];
    const uint32_t fields[] = {data_at - raw + rva, static_cast<uint32_t>(stored.size())};
    std::memcpy(entry, fields, 8);
    const auto data_entry = detail::FindAligned(image, raw, entry);
    if (!data_entry) return std::nullopt;
    const uint32_t offset = static_cast<uint32_t>(*data_entry) - raw + rva - root;
    uint8_t offset_bytes[4];
    std::memcpy(offset_bytes, &offset, 4);
    // The language entry is the ID followed by this offset.
    const auto after_id = detail::FindAligned(image, raw, offset_bytes);
    if (!after_id || *after_id < 4) return std::nullopt;
    return ItemEntries{*data_entry, *after_id - 4};
  }
  return std::nullopt;
}

}  // namespace lantern::testing
