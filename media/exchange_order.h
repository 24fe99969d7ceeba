// The order the player's exchange sort leaves timed lines in, computed in
// O(n log n). The exchange sort compares each line with every later one and
// swaps them when the later one is earlier; lines of equal time come out in
// an order of their own, not the file's, and that order is kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace lantern::media {

// The permutation the exchange sort applies to `times`: element k of the
// result is the index (into `times`) of the line that ends at position k.
std::vector<size_t> ExchangeSortOrder(std::span<const int32_t> times);

}  // namespace lantern::media
