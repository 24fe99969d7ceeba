// The names a manifest may use, table by table, and the album items they
// become: the manifest reader refuses any other key, naming the nearest.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lantern::albumpack {

extern const std::vector<std::string> kTopLevelKeys;
extern const std::vector<std::string> kPhotoKeys;  // a [[photos]] entry
extern const std::vector<std::string> kSongKeys;   // a [[songs]] entry

// [pictures]: the manifest key and the item it becomes.
struct PictureKey {
  const char* manifest_key;
  const char* item;
};
extern const std::array<PictureKey, 6> kPictureKeys;

// [buttons]: the item is "btn_" and the key ("prev" becomes "btn_prev").
extern const std::array<const char*, 11> kButtonKeys;

// Whether `key` (any case) names an album item or one of its companion
// settings: "BackGroundPicture", "btn_prev_Size", "ImgNames(3)_Type".
bool IsItemKey(std::string_view key);

// What an item holds, which decides the type words it may have.
enum class ItemClass { kPicture, kSong, kLyrics, kFont };

// The class of an item by its name (any case): pictures (photos, background
// ..., buttons), songs, lyric files, fonts; nullopt for any other name.
std::optional<ItemClass> ClassOfItem(std::string_view item);

// The type words of a class: JPG, GIF ... for pictures, MP3 ... for songs.
const std::vector<std::string>& TypeWordsOf(ItemClass c);

}  // namespace lantern::albumpack
