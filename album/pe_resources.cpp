// Resources served from an image in memory.
#include "album/pe_resources.h"

#include <utility>

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

PeImageResources PeImageResources::OverLoadedImage(std::span<const uint8_t> image,
                                                   FileReader read_file) {
  PeImageResources resources(PeImage::ParseIntactEntries(image, ImageLayout::kLoaded));
  resources.read_file_ = std::move(read_file);
  return resources;
}

std::optional<std::vector<uint8_t>> PeImageResources::LoadData(const std::string& name) {
  if (read_file_) {
    if (const auto place = image_.FindDataInFile(name)) {
      std::vector<uint8_t> bytes(place->size);
      if (read_file_(place->offset, bytes)) return bytes;
    }
  }
  const auto found = image_.FindData(name);
  if (!found) return std::nullopt;
  return std::vector<uint8_t>(found->begin(), found->end());
}

}  // namespace lantern::album
