// Album content helpers.
#include "tools/albumpack/album_content.h"

#include "base/text.h"

namespace lantern::albumpack {

void AlbumContent::Set(const Setting& setting) {
  const auto [it, added] = index_.emplace(base::AsciiUpper(setting.key), settings.size());
  if (added) {
    settings.push_back(setting);
  } else {
    settings[it->second] = setting;
  }
}

const Setting* AlbumContent::Find(const std::string& key) const {
  const auto it = index_.find(base::AsciiUpper(key));
  return it == index_.end() ? nullptr : &settings[it->second];
}

Setting Flag(const std::string& key, bool value) {
  Setting s;
  s.key = key;
  s.kind = SettingKind::kFlag;
  s.flag = value;
  return s;
}

Setting Int(const std::string& key, int32_t value) {
  Setting s;
  s.key = key;
  s.kind = SettingKind::kInt;
  s.number = value;
  return s;
}

Setting Single(const std::string& key, float value) {
  Setting s;
  s.key = key;
  s.kind = SettingKind::kSingle;
  s.single = value;
  return s;
}

Setting Text(const std::string& key, const std::string& value) {
  Setting s;
  s.key = key;
  s.kind = SettingKind::kText;
  s.text = value;
  return s;
}

}  // namespace lantern::albumpack
