// The resources of a program image held in memory, served through the
// platform's Resources interface: tests and tools read an album written by
// the builder exactly the way the player reads its own file.
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
  // nullopt (with a message in `error`) when the bytes are not a readable image.
  static std::optional<PeImageResources> Open(std::vector<uint8_t> image, std::string* error);

  std::optional<std::vector<uint8_t>> LoadData(const std::string& name) override;

  PeImageResources(PeImageResources&&) = default;
  PeImageResources& operator=(PeImageResources&&) = default;

 private:
  PeImageResources() = default;

  // The parsed image views the bytes; both live on the heap so that moving
  // this object keeps the view valid.
  std::unique_ptr<std::vector<uint8_t>> bytes_;
  std::optional<PeImage> image_;
};

}  // namespace lantern::album
