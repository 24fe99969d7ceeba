// Opening a packed album for the commands that show it (render, video): its
// resources, its settings, and the fonts it packs.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "album/album_settings.h"
#include "album/pe_resources.h"
#include "album/property_bag.h"
#include "platform/platform.h"

namespace lantern::albumpack {

struct OpenedAlbum {
  album::PeImageResources resources;
  album::PropertyBag store;
  album::AlbumSettings settings;
};

// Nullopt, with the reason on `err`, when the file cannot be read, is no
// 32-bit Windows program or holds no readable album settings.
std::optional<OpenedAlbum> OpenAlbum(const std::string& path, platform::FileSystem& files,
                                     std::ostream& err);

// Hands each font the album packs to `add_font`, as the player installs them.
void AddAlbumFonts(OpenedAlbum& album, platform::FileSystem& files,
                   const std::function<void(std::vector<uint8_t>)>& add_font);

}  // namespace lantern::albumpack
