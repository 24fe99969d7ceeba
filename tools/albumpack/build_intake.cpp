// Converting, checking and leaving out items as the album is read.
#include "tools/albumpack/build_intake.h"

#include <random>

#include "base/text.h"
#include "tools/albumpack/file_io.h"
#include "tools/albumpack/item_check.h"
#include "tools/albumpack/manifest_keys.h"
#include "tools/albumpack/paths.h"
#include "tools/albumpack/photo_convert.h"

namespace lantern::albumpack {

namespace fs = std::filesystem;

BuildIntake::BuildIntake(const std::string& output, platform::PictureDecoder& decoder,
                         std::ostream& out, std::ostream& err)
    : output_(PathFromUtf8(output)), decoder_(decoder), out_(out), err_(err) {}

BuildIntake::~BuildIntake() {
  std::error_code ec;
  if (!folder_.empty()) fs::remove_all(folder_, ec);
}

// A photo is left out when it does not decode, with the most telling reason:
// what ItemProblem found, else the decoder's refusal. A fault ItemProblem
// finds in a photo that decodes all the same (a JPEG without its end marker,
// which decoders forgive) is only a warning, as for any other item.
bool BuildIntake::Take(Item& item) {
  if (IsConvertedType(item.type_word) && !Convert(item)) return false;
  std::string why = ItemProblem(item);
  if (ClassOfItem(item.name) == ItemClass::kPicture) {
    const std::string refused = DecodeProblem(item, decoder_);
    if (!refused.empty() && base::AsciiUpper(item.name).starts_with("IMGNAMES(")) {
      err_ << item.source << ": left out: " << (why.empty() ? refused : why) << "\n";
      return false;
    }
    if (why.empty()) why = refused;
  }
  if (!why.empty()) err_ << item.source << ": warning: " << why << "\n";
  return true;
}

// A new folder beside the album: "ALBUM.scr.converted-NNNNNN".
bool BuildIntake::MakeFolder(std::string& why) {
  if (!folder_.empty()) return true;
  std::random_device random;
  for (int attempt = 0; attempt < 16; ++attempt) {
    fs::path folder = output_;
    folder += ".converted-" + std::to_string(random() % 1000000);
    std::error_code ec;
    if (fs::create_directory(folder, ec)) {
      folder_ = folder;
      return true;
    }
    why = ec ? ec.message() : "it exists";
  }
  why =
      "cannot make a folder for the converted photos beside " + Utf8FromPath(output_) + ": " + why;
  return false;
}

bool BuildIntake::WriteConverted(Item& item, std::string& why) {
  const auto bytes = ReadRegularFile(item.file, why);
  if (!bytes) {
    why = "cannot read it: " + why;
    return false;
  }
  const auto jpeg = ConvertToJpeg(*bytes, item.type_word, why);
  if (!jpeg || !MakeFolder(why)) return false;
  const fs::path file = folder_ / (std::to_string(++converted_) + ".jpg");
  if (WriteWholeFile(file, *jpeg, why) != WriteOutcome::kWritten) {
    why = "cannot write it as a JPEG: " + why;
    return false;
  }
  item.type_word = "JPG";
  item.file = file;
  item.file_size = jpeg->size();
  return true;
}

bool BuildIntake::Convert(Item& item) {
  std::string why;
  if (!WriteConverted(item, why)) {
    err_ << item.source << ": left out: " << why << "\n";
    return false;
  }
  out_ << item.source << ": converted to JPEG\n";
  return true;
}

}  // namespace lantern::albumpack
