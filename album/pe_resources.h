// The resources of a program image, served through the platform's Resources
// interface the way the player reads its own: the image as the loader maps
// it, every entry held to the bounds of the one rule in pe_image, a damaged
// entry found as a missing item. The player serves its running image through
// it; tests and tools read an album written by the builder the same way.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "album/pe_image.h"
#include "platform/platform.h"

namespace lantern::album {

class PeImageResources final : public platform::Resources {
 public:
  // A file's resources, laid out as the loader would map it; nullopt (with
  // a message in `error`) when the bytes are not a loadable image.
  static std::optional<PeImageResources> Open(std::vector<uint8_t> file, std::string* error);
  // The resources of an image already mapped by the loader (the running
  // program's own), which must outlive this object.
  static PeImageResources OverLoadedImage(std::span<const uint8_t> image);

  std::optional<std::vector<uint8_t>> LoadData(const std::string& name) override;

  PeImageResources(PeImageResources&&) = default;
  PeImageResources& operator=(PeImageResources&&) = default;

 private:
  explicit PeImageResources(PeImage image) : image_(std::move(image)) {}

  // An image Open laid out, on the heap so that moving this object keeps
  // the parsed image's view valid.
  std::unique_ptr<std::vector<uint8_t>> bytes_;
  PeImage image_;
};

}  // namespace lantern::album
