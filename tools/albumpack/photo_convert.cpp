// Converting photos to JPEG: the Linux build decodes and compresses them,
// the Windows build, without the libraries, says it cannot.
#include "tools/albumpack/photo_convert.h"

#ifndef _WIN32
#include "imaging/exif.h"
#include "tools/albumpack/jpeg_encoder.h"
#include "tools/albumpack/photo_decode.h"
#endif

namespace lantern::albumpack {

bool IsConvertedType(const std::string& type_word) {
  return type_word == "HEIC" || type_word == "HEIF" || type_word == "AVIF" || type_word == "WEBP";
}

#ifdef _WIN32

std::optional<std::vector<uint8_t>> ConvertToJpeg(std::span<const uint8_t>,
                                                  const std::string& type_word, std::string& why) {
  why = type_word + " photos are converted only by the Linux albumpack; convert it to JPEG first";
  return std::nullopt;
}

std::optional<std::string> ConvertedPhotoDate(std::span<const uint8_t>) {
  return std::nullopt;
}

#else

std::optional<std::vector<uint8_t>> ConvertToJpeg(std::span<const uint8_t> bytes,
                                                  const std::string& type_word, std::string& why) {
  const std::optional<platform::DecodedImage> image = DecodePhoto(bytes, why);
  if (!image) return std::nullopt;
  auto jpeg = EncodeJpeg(*image, kConvertedJpegQuality, ConvertedPhotoDate(bytes).value_or(""));
  if (!jpeg) why = "no memory to write the " + type_word + " photo as a JPEG";
  return jpeg;
}

std::optional<std::string> ConvertedPhotoDate(std::span<const uint8_t> bytes) {
  return imaging::ExifDateTaken(PhotoExif(bytes));
}

#endif

}  // namespace lantern::albumpack
