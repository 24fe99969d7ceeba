// A font's family name from arbitrary bytes: nothing is read outside the
// input, and the name never holds a NUL byte or more bytes than the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "album/font_name.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string name = lantern::album::FontFamilyBytes(std::span<const uint8_t>(data, size));
  if (name.size() > size || name.find('\0') != std::string::npos) std::abort();
  return 0;
}
