// Whether the player can use an item of a packed album.
#include "tools/albumpack/item_check.h"

#include <algorithm>
#include <initializer_list>

#include "base/text.h"
#include "imaging/jpeg_structure.h"
#include "imaging/picture.h"
#include "imaging/tga_pcx.h"
#include "media/lyrics.h"
#include "tools/albumpack/file_io.h"

namespace lantern::albumpack {

namespace {

// Whether the bytes look like a file of the type word; an empty string when
// they do, else what is wrong.
std::string Plausible(std::span<const uint8_t> b, std::string_view type) {
  const auto starts = [&](std::initializer_list<int> magic, size_t at = 0) {
    if (b.size() < at + magic.size()) return false;
    size_t i = at;
    for (int m : magic) {
      if (b[i++] != static_cast<uint8_t>(m)) return false;
    }
    return true;
  };
  bool ok = true;
  if (type == "JPG")
    ok = starts({0xFF, 0xD8});
  else if (type == "PNG")
    ok = starts({0x89, 'P', 'N', 'G'});
  else if (type == "GIF")
    ok = starts({'G', 'I', 'F', '8'});
  else if (type == "BMP")
    ok = starts({'B', 'M'});
  else if (type == "TIF")
    ok = starts({'I', 'I', 42, 0}) || starts({'M', 'M', 0, 42});
  else if (type == "PCX")
    ok = starts({0x0A});
  else if (type == "TGA")
    ok = b.size() >= 18;
  else if (type == "HEIC" || type == "HEIF" || type == "AVIF")
    ok = starts({'f', 't', 'y', 'p'}, 4);
  else if (type == "WEBP")
    ok = starts({'R', 'I', 'F', 'F'}) && starts({'W', 'E', 'B', 'P'}, 8);
  else if (type == "WAV")
    ok = starts({'R', 'I', 'F', 'F'}) && starts({'W', 'A', 'V', 'E'}, 8);
  else if (type == "MID")
    ok = starts({'M', 'T', 'h', 'd'});
  else if (type == "WMA")
    ok = starts({0x30, 0x26, 0xB2, 0x75});
  else if (type == "MP3")
    ok = starts({'I', 'D', '3'}) || (b.size() > 1 && b[0] == 0xFF && (b[1] & 0xE0) == 0xE0);
  else if (type == "TTF")
    ok = starts({0, 1, 0, 0}) || starts({'t', 'r', 'u', 'e'}) || starts({'O', 'T', 'T', 'O'});
  else if (type == "OTF")
    ok = starts({'O', 'T', 'T', 'O'}) || starts({0, 1, 0, 0});
  else if (type == "TTC")
    ok = starts({'t', 't', 'c', 'f'});
  else if (type == "FON")
    ok = starts({'M', 'Z'});
  else if (type == "LRC")
    ok = std::find(b.begin(), b.end(), uint8_t{0}) == b.end() || starts({0xFF, 0xFE}) ||
         starts({0xFE, 0xFF});
  return ok ? "" : "its bytes are not a " + std::string(type) + " file";
}

// The picture types the player draws from a packed album. Photos, the
// background, logo, opening and ending go through the album's picture
// loader, which decodes JPG, GIF, PNG, TIF and TGA from memory; the texture,
// the mask and the buttons are decoded from their bytes by the system's
// picture decoder, which reads BMP too. No PCX is drawn from memory.
bool Draws(std::string_view item_name, std::string_view type) {
  const std::string item = base::AsciiUpper(item_name);
  const bool system_decoded =
      item == "TEXTUREIMAGE" || item == "MASKIMAGE" || item.starts_with("BTN_");
  for (const char* drawn : {"JPG", "GIF", "PNG", "TIF", "TGA"}) {
    if (type == drawn) return true;
  }
  return system_decoded && type == "BMP";
}

// What the JPEG's headers show to be wrong with it; empty when nothing.
std::string JpegProblem(std::span<const uint8_t> bytes, bool whole_file) {
  using imaging::JpegFault;
  switch (imaging::FindJpegFault(bytes, whole_file)) {
    case JpegFault::kNone:
    case JpegFault::kNotJpeg:  // said already
      break;
    case JpegFault::kCutShort:
      return "the JPEG ends before its image data: the file is cut short";
    case JpegFault::kDamagedHeader:
      return "a header of the JPEG is damaged (a segment length shorter than itself)";
    case JpegFault::kNoFrame:
      return "the JPEG has image data but no frame header before it";
    case JpegFault::kBadFrame:
      return "the JPEG's frame header is damaged (no size, or odd precision or components)";
    case JpegFault::kBadScanHeader:
      return "the JPEG's scan header is damaged";
    case JpegFault::kNoEndMarker:
      return "the JPEG's image data runs to the end of the file without its end marker: the "
             "file is cut short";
  }
  return "";
}

// A lyric file the player refuses for its size.
std::string LyricsProblem(std::span<const uint8_t> bytes) {
  if (bytes.size() <= media::kMaxLyricFileBytes) return "";
  return "it is larger than the player reads (1 MiB); its song will play without lyrics";
}

bool IsPicture(std::string_view type) {
  for (const char* picture : {"JPG", "GIF", "PNG", "TIF", "TGA", "BMP", "PCX"}) {
    if (type == picture) return true;
  }
  return false;
}

// Decodes the item as the player does: a button by the system's picture
// decoder whatever its type, a TGA picture by our own decoder, the texture
// and JPG, GIF, PNG and TIF pictures by the system's decoder, turned
// upright; pictures of other types are not read at all.
bool Decodes(std::string_view item_name, std::string_view type_word, std::span<const uint8_t> bytes,
             platform::PictureDecoder& decoder) {
  platform::DecodedImage image;
  const std::string item = base::AsciiUpper(item_name);
  if (item.starts_with("BTN_")) return decoder.DecodeBytes(bytes, image);
  if (type_word == "TGA") return imaging::DecodeTgaItem(bytes, image);
  const bool read = item == "TEXTUREIMAGE" || type_word == "JPG" || type_word == "GIF" ||
                    type_word == "PNG" || type_word == "TIF";
  std::vector<uint32_t> scratch;
  return read && imaging::DecodeUpright(decoder, bytes, image, scratch);
}

}  // namespace

std::string DecodeProblem(std::string_view item_name, std::string_view type_word,
                          std::span<const uint8_t> bytes, platform::PictureDecoder& decoder) {
  if (Decodes(item_name, type_word, bytes, decoder)) return "";
  return "it does not decode as a " + std::string(type_word) +
         " picture: it is damaged, cut short or larger than the player decodes";
}

std::string DecodeProblem(const Item& item, platform::PictureDecoder& decoder) {
  if (!item.file.empty()) {
    std::string why;
    const auto bytes = ReadRegularFile(item.file, why);
    if (!bytes) return "it cannot be read: " + why;
    return DecodeProblem(item.name, item.type_word, *bytes, decoder);
  }
  return DecodeProblem(item.name, item.type_word, item.bytes, decoder);
}

std::string ItemProblem(std::string_view item_name, std::string_view type_word,
                        std::span<const uint8_t> bytes, bool whole_file) {
  if (bytes.empty()) return "it is empty";
  if (std::string why = Plausible(bytes, type_word); !why.empty()) return why;
  if (IsPicture(type_word) && !Draws(item_name, type_word)) {
    return "the player does not draw " + std::string(type_word) +
           " pictures from a packed album; convert it to PNG or JPG";
  }
  if (type_word == "JPG") return JpegProblem(bytes, whole_file);
  if (type_word == "LRC") return LyricsProblem(bytes);
  return "";
}

std::string ItemProblem(const Item& item) {
  if (item.file.empty()) return ItemProblem(item.name, item.type_word, item.bytes, true);
  // The start of a file tells its type; a lyric file is read whole, as any
  // zero byte in it matters, up to one byte past what the player reads.
  constexpr size_t kTypeBytes = size_t{64} << 10;
  constexpr size_t kLyricBytes = media::kMaxLyricFileBytes + 1;
  std::string why;
  const auto start =
      ReadFileStart(item.file, item.type_word == "LRC" ? kLyricBytes : kTypeBytes, why);
  if (!start) return "it cannot be read: " + why;
  return ItemProblem(item.name, item.type_word, *start, start->size() == item.file_size);
}

}  // namespace lantern::albumpack
