// Choosing a picture's source and decoder by its type word.
#include "album/picture_source.h"

#include "base/text.h"

namespace lantern::album {

namespace {

bool IsOneOf(const std::string& type, std::initializer_list<const char*> types) {
  for (const char* t : types) {
    if (type == t) return true;
  }
  return false;
}

PictureSource FromFile(const AlbumData& album, const std::string& path) {
  PictureSource source;
  if (path.empty() || !album.files.Exists(path)) return source;
  const std::string type = base::AsciiUpper(path.size() >= 3 ? path.substr(path.size() - 3) : path);
  if (IsOneOf(type, {"BMP", "JPG", "GIF", "PNG", "TIF"})) {
    source.decoder = PictureDecoder::kPictureFile;
  } else if (type == "TGA") {
    source.decoder = PictureDecoder::kTgaFile;
  } else if (type == "PCX") {
    source.decoder = PictureDecoder::kPcxFile;
  } else {
    return source;
  }
  source.path = path;
  return source;
}

// Only JPG, GIF, PNG, TIF and TGA are read from item bytes; other types draw nothing.
PictureSource FromItem(const AlbumData& album, const std::string& item_name) {
  PictureSource source;
  const std::string type = base::AsciiUpper(album.store.ReadText(item_name + "_Type"));
  PictureDecoder decoder = PictureDecoder::kNone;
  if (IsOneOf(type, {"JPG", "GIF", "PNG", "TIF"})) decoder = PictureDecoder::kPictureMemory;
  if (type == "TGA") decoder = PictureDecoder::kTgaMemory;
  if (decoder == PictureDecoder::kNone) return source;
  auto bytes = album.items.LoadItemBytes(item_name);
  if (!bytes) return source;
  source.decoder = decoder;
  source.bytes = std::move(*bytes);
  return source;
}

}  // namespace

PictureSource FindPicture(const AlbumData& album, const std::string& item_name) {
  if (album.settings.PackageMode()) return FromItem(album, item_name);
  const bool is_path = item_name.find(":\\") != std::string::npos;
  return FromFile(album, is_path ? item_name : album.store.ReadText(item_name));
}

PictureSource FindTexture(const AlbumData& album) {
  constexpr char kTexture[] = "TextureImage";
  if (!album.settings.PackageMode()) return FindPicture(album, kTexture);
  PictureSource source;
  auto bytes = album.items.LoadItemBytes(kTexture);
  if (!bytes || bytes->size() < 12) return source;
  const bool tga = base::AsciiUpper(album.store.ReadText(std::string(kTexture) + "_Type")) == "TGA";
  source.decoder = tga ? PictureDecoder::kTgaMemory : PictureDecoder::kPictureMemory;
  source.bytes = std::move(*bytes);
  return source;
}

PictureSource FindPhoto(const AlbumData& album, int n) {
  const AlbumSettings& s = album.settings;
  PictureSource source;
  if (n < 1 || n > s.NowI) return source;
  if (s.PackageMode()) {
    source = FromItem(album, IndexedKey("ImgNames(", n));
  } else if (n <= s.ImgNames.size()) {
    source = FromFile(album, s.ImgNames[n]);
  }
  if (s.ImgDrawScale == 1 && n <= s.ImgPosX.size() && n <= s.ImgPosY.size()) {
    source.x = s.ImgPosX[n];
    source.y = s.ImgPosY[n];
  }
  return source;
}

}  // namespace lantern::album
