// The resources of a program image, served through the platform's Resources
// interface the way the player reads its own: the image as the loader maps
// it, every entry held to the bounds of the one rule in pe_image, a damaged
// entry found as a missing item. The player serves its running image through
// it; tests and tools read an album written by the builder the same way.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
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
  // Reads out.size() bytes of the image's file at `offset`; false when it
  // cannot.
  using FileReader = std::function<bool(uint64_t offset, std::span<uint8_t> out)>;
  // The resources of an image already mapped by the loader (the running
  // program's own), which must outlive this object. With `read_file` an
  // entry's bytes are read from the image's file rather than copied out of
  // the mapped image: a mapped page once read stays in the process's memory,
  // so an album read through its mapping would end up resident whole. The
  // mapped copy serves when a read fails.
  static PeImageResources OverLoadedImage(std::span<const uint8_t> image,
                                          FileReader read_file = {});

  std::optional<std::vector<uint8_t>> LoadData(const std::string& name) override;

  PeImageResources(PeImageResources&&) = default;
  PeImageResources& operator=(PeImageResources&&) = default;

 private:
  explicit PeImageResources(PeImage image) : image_(std::move(image)) {}

  // An image Open laid out, on the heap so that moving this object keeps
  // the parsed image's view valid.
  std::unique_ptr<std::vector<uint8_t>> bytes_;
  PeImage image_;
  FileReader read_file_;
};

}  // namespace lantern::album
