// Stores album content into a copy of the player: the settings blob and every
// item (scrambled) as DATA resources named by the upper-cased item name. The
// player's own resources (icon, manifest, version) stay; DATA resources of an
// album it held before are replaced.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "album/property_bag.h"
#include "tools/albumpack/album_content.h"

namespace lantern::albumpack {

// The settings as the blob stores them, in the content's order.
std::vector<uint8_t> SettingsBlob(const AlbumContent& content);

// Called with (items done, items in all) while items are scrambled.
using Progress = std::function<void(size_t, size_t)>;

// The album image, or nullopt with a message in `error` (a stub that is not a
// 32-bit Windows program, an album too large to load). The content's item
// bytes are scrambled in place and moved into the image.
std::optional<std::vector<uint8_t>> WriteAlbum(std::span<const uint8_t> stub, AlbumContent& content,
                                               std::string* error, const Progress& progress = {});

}  // namespace lantern::albumpack
