// Writing album content into a copy of the player.
#include "tools/albumpack/album_writer.h"

#include "album/items.h"
#include "album/pe_image.h"
#include "base/text.h"

namespace lantern::albumpack {

namespace {

album::Value ToValue(const Setting& s) {
  switch (s.kind) {
    case SettingKind::kFlag:
      return album::Value::Flag(s.flag);
    case SettingKind::kInt:
      return album::Value::Int32(s.number);
    case SettingKind::kSingle:
      return album::Value::Single(s.single);
    case SettingKind::kText:
      break;
  }
  return album::Value::Text(s.text);
}

album::ResourceEntry DataResource(const std::string& name, std::vector<uint8_t> bytes) {
  const std::u16string upper = base::Utf8ToUtf16(base::AsciiUpper(name));
  return {album::DataType(), album::ResourceKey::Name(upper), 0, std::move(bytes)};
}

}  // namespace

std::vector<uint8_t> SettingsBlob(const AlbumContent& content) {
  album::PropertyBagWriter writer;
  for (const Setting& s : content.settings)
    writer.Set(s.key, ToValue(s));
  return writer.Blob();
}

std::optional<std::vector<uint8_t>> WriteAlbum(std::span<const uint8_t> stub, AlbumContent& content,
                                               std::string* error, const Progress& progress) {
  const auto image = album::PeImage::Parse(stub, error);
  if (!image) return std::nullopt;
  std::vector<album::ResourceEntry> resources;
  for (album::ResourceEntry& own : image->Resources()) {
    if (!album::SameResourceKey(own.type, album::DataType())) resources.push_back(std::move(own));
  }
  resources.push_back(DataResource(album::kSettingsItem, SettingsBlob(content)));
  const size_t total = content.items.size();
  for (size_t i = 0; i < total; ++i) {
    Item& item = content.items[i];
    album::ApplyItemKeyStream(item.bytes);
    resources.push_back(DataResource(item.name, std::move(item.bytes)));
    if (progress) progress(i + 1, total);
  }
  return album::WriteResources(stub, resources, error);
}

}  // namespace lantern::albumpack
