// What `build` does with each item a manifest names before the album holds
// it (as the manifest reader's ItemIntake): a photo of a type the player cannot
// show (HEIC, WebP ...) is converted to JPEG, and says so on the output; a
// photo the player would not show (it does not decode as the player decodes
// it) is left out with the reason; anything else the player could not use,
// or might not (a fault ItemProblem names), is kept with a warning, as
// `check` reports it afterwards.
//
// Converted photos are written into a folder beside the album, so that the
// album is written from files as any other and no build holds its photos in
// memory; the folder is removed when the intake ends.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "platform/platform.h"
#include "tools/albumpack/album_content.h"

namespace lantern::albumpack {

class BuildIntake {
 public:
  // `output` is the album to be written; `decoder` stands for the system's
  // picture decoder; messages go to `out` (conversions) and `err`.
  BuildIntake(const std::string& output, platform::PictureDecoder& decoder, std::ostream& out,
              std::ostream& err);
  ~BuildIntake();
  BuildIntake(const BuildIntake&) = delete;
  BuildIntake& operator=(const BuildIntake&) = delete;

  // False when the item is left out; a converted photo comes from its JPEG
  // file afterwards, with the type word JPG.
  bool Take(Item& item);

 private:
  bool Convert(Item& item);
  // The photo converted into a JPEG file of the folder; false with the reason.
  bool WriteConverted(Item& item, std::string& why);
  bool MakeFolder(std::string& why);

  std::filesystem::path output_;
  platform::PictureDecoder& decoder_;
  std::ostream& out_;
  std::ostream& err_;
  std::filesystem::path folder_;  // made at the first conversion
  int converted_ = 0;
};

}  // namespace lantern::albumpack
