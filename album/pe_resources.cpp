// Resources served from an image in memory.
#include "album/pe_resources.h"

namespace lantern::album {

std::optional<PeImageResources> PeImageResources::Open(std::vector<uint8_t> image,
                                                       std::string* error) {
  PeImageResources resources;
  resources.bytes_ = std::make_unique<std::vector<uint8_t>>(std::move(image));
  resources.image_ = PeImage::Parse(*resources.bytes_, error);
  if (!resources.image_) return std::nullopt;
  return resources;
}

std::optional<std::vector<uint8_t>> PeImageResources::LoadData(const std::string& name) {
  const auto found = image_->FindData(name);
  if (!found) return std::nullopt;
  return std::vector<uint8_t>(found->begin(), found->end());
}

}  // namespace lantern::album
