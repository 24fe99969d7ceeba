// Where a picture of the album comes from and which decoder reads it: album
// items in PackageMode, files named by the settings in file mode. The type
// word decides the decoder; the bytes are never sniffed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "album/album_settings.h"
#include "album/items.h"
#include "platform/platform.h"

namespace lantern::album {

enum class PictureDecoder {
  kNone,           // nothing to draw: no such item, no such file, or a type that is not read
  kPictureFile,    // BMP, JPG, GIF, PNG, TIF from a file
  kPictureMemory,  // JPG, GIF, PNG, TIF from item bytes
  kTgaFile,
  kPcxFile,
  kTgaMemory,
};

struct PictureSource {
  PictureDecoder decoder = PictureDecoder::kNone;
  std::string path;            // for the file decoders
  std::vector<uint8_t> bytes;  // for the memory decoders
  int32_t x = 0;               // the stored position, used when photos are placed (draw mode 1)
  int32_t y = 0;
};

// The album's data a picture lookup reads.
struct AlbumData {
  const AlbumSettings& settings;
  const PropertyBag& store;
  AlbumItems& items;
  platform::FileSystem& files;
};

// A named picture: "BackGroundPicture", "TextureImage", "MaskImage", "LogoImage",
// "OpeningImage", "EndingImage" or a control-bar button. In file mode the name
// itself is the path when it contains ":\", else the setting of that name is.
PictureSource FindPicture(const AlbumData& album, const std::string& item_name);
// The text texture "TextureImage". A packed texture is its bytes whatever the
// type word says (empty, BMP and PCX included): the platform's decoder reads
// them by their content, a TGA by ours. Fewer than 12 bytes are no texture.
// In file mode it is found like any named picture.
PictureSource FindTexture(const AlbumData& album);
// Photo n (1-based), with its stored position when photos are placed.
PictureSource FindPhoto(const AlbumData& album, int n);

}  // namespace lantern::album
