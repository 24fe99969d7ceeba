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

bool IsItemKey(std::string_view key) {
  const std::string upper = base::AsciiUpper(key);
  if (upper.ends_with("_TYPE") || upper.ends_with("_SIZE")) key.remove_suffix(5);
  const std::string item = base::AsciiUpper(key);
  for (const PictureKey& picture : kPictureKeys) {
    if (item == base::AsciiUpper(picture.item)) return true;
  }
  for (const char* button : kButtonKeys) {
    if (item == base::AsciiUpper(std::string("btn_") + button)) return true;
  }
  for (const char* stem : {"ImgNames(", "MusicNames(", "MusicLyricFiles(", "ToInstallFont("}) {
    const auto index = album::KeyIndex(key, stem);
    if (index && *index >= 1) return true;
  }
  return false;
}

}  // namespace lantern::albumpack
