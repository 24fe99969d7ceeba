// PE resources on arbitrary bytes: parsing never reads outside the input, and
// an image that parses can be rewritten with its own resources, giving an
// image that parses to the same resources.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "album/pe_image.h"
#include "base/text.h"

namespace {

using lantern::album::ResourceEntry;

bool EntryLess(const ResourceEntry& a, const ResourceEntry& b) {
  using lantern::album::ResourceKeyLess;
  if (!(a.type == b.type)) return ResourceKeyLess(a.type, b.type);
  if (!(a.name == b.name)) return ResourceKeyLess(a.name, b.name);
  return a.language < b.language;
}

bool SameEntries(std::vector<ResourceEntry> a, std::vector<ResourceEntry> b) {
  std::sort(a.begin(), a.end(), EntryLess);
  std::sort(b.begin(), b.end(), EntryLess);
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
    return x.type == y.type && x.name == y.name && x.language == y.language && x.data == y.data;
  });
}

void CheckLookups(const lantern::album::PeImage& image, const std::vector<ResourceEntry>& entries) {
  for (const ResourceEntry& entry : entries) {
    if (!image.Find(entry.type, entry.name)) std::abort();
    if (entry.type == lantern::album::DataType() && entry.name.is_name() &&
        !image.FindData(lantern::base::AsciiUpper(entry.name.ToString()))) {
      // Names that are not valid UTF-16 do not survive the trip through UTF-8.
      if (lantern::base::Utf8ToUtf16(entry.name.ToString()) == entry.name.name()) std::abort();
    }
  }
  image.FindData("DATA");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  std::string error;
  const auto image = lantern::album::PeImage::Parse(bytes, &error);
  if (!image) {
    if (error.empty()) std::abort();
    return 0;
  }
  const std::vector<ResourceEntry> entries = image->Resources();
  CheckLookups(*image, entries);
  const auto written = lantern::album::WriteResources(bytes, entries, &error);
  if (!written) {
    if (error.empty()) std::abort();
    return 0;
  }
  const auto reread = lantern::album::PeImage::Parse(*written, &error);
  if (!reread || !SameEntries(reread->Resources(), entries)) std::abort();
  return 0;
}
