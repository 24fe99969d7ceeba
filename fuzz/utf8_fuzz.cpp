// Text conversion on arbitrary bytes: never reads outside the input, and
// whatever it makes of the input converts back and forth unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string wide = lantern::base::Utf8ToUtf16(bytes);
  const std::string clean = lantern::base::Utf16ToUtf8(wide);
  if (lantern::base::Utf8ToUtf16(clean) != wide) std::abort();
  const std::u16string units(reinterpret_cast<const char16_t*>(data), size / 2);
  const std::string narrow = lantern::base::Utf16ToUtf8(units);
  if (lantern::base::Utf16ToUtf8(lantern::base::Utf8ToUtf16(narrow)) != narrow) std::abort();
  return 0;
}
