// Opening a packed album for the commands that show it.
#include "tools/albumpack/album_open.h"

#include "album/items.h"
#include "tools/albumpack/file_io.h"
#include "tools/albumpack/paths.h"

namespace lantern::albumpack {

std::optional<OpenedAlbum> OpenAlbum(const std::string& path, platform::FileSystem& files,
                                     std::ostream& err) {
  std::string why;
  auto bytes = ReadRegularFile(PathFromUtf8(path), why);
  if (!bytes) {
    err << path << ": cannot read: " << why << "\n";
    return std::nullopt;
  }
  auto resources = album::PeImageResources::Open(std::move(*bytes), &why);
  if (!resources) {
    err << path << ": not a 32-bit Windows program: " << why << "\n";
    return std::nullopt;
  }
  OpenedAlbum opened{std::move(*resources), {}, {}};
  album::AlbumItems items(opened.resources, files);
  const auto blob = items.LoadSettingsBlob();
  try {
    if (!blob || opened.store.Load(*blob) != album::LoadError::kNone)
      throw album::SettingsError("");
    album::ReadAllSettings(opened.store, opened.settings);
  } catch (const album::SettingsError& e) {
    err << path << ": holds no readable album settings " << e.what() << "\n";
    return std::nullopt;
  }
  return opened;
}

void AddAlbumFonts(OpenedAlbum& album, platform::FileSystem& files,
                   const std::function<void(std::vector<uint8_t>)>& add_font) {
  if (!add_font) return;
  album::AlbumItems items(album.resources, files);
  for (int n = 1; n <= album.settings.ToInstallFontCount; ++n) {
    if (auto font = items.LoadItemBytes(album::IndexedKey("ToInstallFont(", n)))
      add_font(std::move(*font));
  }
}

}  // namespace lantern::albumpack
