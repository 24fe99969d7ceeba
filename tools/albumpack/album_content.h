// What an album holds, independent of how it is stored: typed settings in the
// order they are written, and items with their type words and bytes. The
// manifest reader fills it; the album writer stores it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

namespace lantern::albumpack {

enum class SettingKind { kFlag, kInt, kSingle, kText };

struct Setting {
  std::string key;
  SettingKind kind = SettingKind::kText;
  bool flag = false;
  int32_t number = 0;
  float single = 0.0f;
  std::string text;  // UTF-8
};

struct Item {
  std::string name;       // the item name, e.g. "ImgNames(3)"; the resource is its upper-case form
  std::string type_word;  // "JPG", "MP3", "LRC", "TTF", ...
  std::string source;     // the file it comes from, for messages
  std::vector<uint8_t> bytes;  // the bytes, when held in memory (scrambled only when written)
  // An item left in its file until the album is written, so that no album
  // needs its items in memory: the file and the size it had when read.
  std::filesystem::path file;
  uint64_t file_size = 0;

  uint64_t size() const { return file.empty() ? bytes.size() : file_size; }
};

struct AlbumContent {
  std::vector<Setting> settings;
  std::vector<Item> items;
  bool package_mode = true;

  // Sets a value, replacing an earlier one with the same key (any case).
  void Set(const Setting& setting);
  const Setting* Find(const std::string& key) const;

 private:
  std::unordered_map<std::string, size_t> index_;  // upper-cased key -> position in settings
};

Setting Flag(const std::string& key, bool value);
Setting Int(const std::string& key, int32_t value);
Setting Single(const std::string& key, float value);
Setting Text(const std::string& key, const std::string& value);

}  // namespace lantern::albumpack
