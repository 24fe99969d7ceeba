// The album manifest reader on arbitrary text: an error message or album
// content, never a crash. Files it names do not exist here, so item entries
// end in a clean "cannot read" error.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/albumpack/manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto result =
      lantern::albumpack::ReadManifestText(text, "fuzz.toml", "/nonexistent-lantern-fuzz");
  (void)result;
  return 0;
}
