// The manifest's names and the album items they become.
#include "tools/albumpack/manifest_keys.h"

#include "album/album_settings.h"
#include "base/text.h"

namespace lantern::albumpack {

const std::vector<std::string> kTopLevelKeys = {
    "mode",        "title", "author", "email",    "website", "description", "rights", "title_text",
    "transitions", "fonts", "styles", "pictures", "buttons", "photos",      "songs",  "settings"};

const std::vector<std::string> kPhotoKeys = {
    "file", "duration", "position", "caption", "caption_box", "headline",  "headline_box", "effect",
    "size", "pattern",  "border",   "style",   "start_color", "end_color", "border_color"};

const std::vector<std::string> kSongKeys = {"file", "lyrics"};

const std::array<PictureKey, 6> kPictureKeys = {{{"background", "BackGroundPicture"},
                                                 {"texture", "TextureImage"},
                                                 {"mask", "MaskImage"},
                                                 {"logo", "LogoImage"},
                                                 {"opening", "OpeningImage"},
                                                 {"ending", "EndingImage"}}};

const std::array<const char*, 11> kButtonKeys = {"prev",    "play",     "pause",      "next",
                                                 "mute_on", "mute_off", "music_next", "min",
                                                 "size",    "close",    "scale"};

std::optional<ItemClass> ClassOfItem(std::string_view key) {
  const std::string item = base::AsciiUpper(key);
  for (const PictureKey& picture : kPictureKeys) {
    if (item == base::AsciiUpper(picture.item)) return ItemClass::kPicture;
  }
  for (const char* button : kButtonKeys) {
    if (item == base::AsciiUpper(std::string("btn_") + button)) return ItemClass::kPicture;
  }
  const std::pair<const char*, ItemClass> indexed[] = {{"ImgNames(", ItemClass::kPicture},
                                                       {"MusicNames(", ItemClass::kSong},
                                                       {"MusicLyricFiles(", ItemClass::kLyrics},
                                                       {"ToInstallFont(", ItemClass::kFont}};
  for (const auto& [stem, c] : indexed) {
    const auto index = album::KeyIndex(key, stem);
    if (index && *index >= 1) return c;
  }
  return std::nullopt;
}

bool IsItemKey(std::string_view key) {
  const std::string upper = base::AsciiUpper(key);
  if (upper.ends_with("_TYPE") || upper.ends_with("_SIZE")) key.remove_suffix(5);
  return ClassOfItem(key).has_value();
}

const std::vector<std::string>& TypeWordsOf(ItemClass c) {
  static const std::vector<std::string> words[] = {
      {"JPG", "GIF", "PNG", "TIF", "TGA", "BMP", "PCX"},
      {"MP3", "WMA", "MID", "WAV"},
      {"LRC"},
      {"TTF", "TTC", "OTF", "FON"}};
  return words[static_cast<int>(c)];
}

}  // namespace lantern::albumpack
