// Resources served from an image in memory.
#include "album/pe_resources.h"

namespace lantern::album {

std::optional<PeImageResources> PeImageResources::Open(std::vector<uint8_t> file,
                                                       std::string* error) {
  auto loaded = MapLikeLoader(file, kMaxImageSize, error);
  if (!loaded) return std::nullopt;
  auto bytes = std::make_unique<std::vector<uint8_t>>(std::move(*loaded));
  PeImageResources resources(PeImage::ParseIntactEntries(*bytes, ImageLayout::kLoaded));
  resources.bytes_ = std::move(bytes);
  return resources;
}

PeImageResources PeImageResources::OverLoadedImage(std::span<const uint8_t> image) {
  return PeImageResources(PeImage::ParseIntactEntries(image, ImageLayout::kLoaded));
}

std::optional<std::vector<uint8_t>> PeImageResources::LoadData(const std::string& name) {
  const auto found = image_.FindData(name);
  if (!found) return std::nullopt;
  return std::vector<uint8_t>(found->begin(), found->end());
}

}  // namespace lantern::album
