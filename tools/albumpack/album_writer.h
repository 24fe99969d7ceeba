// Stores album content into a copy of the player: the settings blob and every
// item (scrambled) as DATA resources named by the upper-cased item name. The
// player's own resources (icon, manifest, version) stay; DATA resources of an
// album it held before are replaced.
//
// The album is laid out first, from the items' sizes alone, and then written
// as a stream: the player and the resource directory, then each item read from
// its file a chunk at a time and scrambled as it passes, then the checksum
// filled in. Memory stays bounded however large the album is.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "album/pe_image.h"
#include "album/property_bag.h"
#include "tools/albumpack/album_content.h"
#include "tools/albumpack/file_io.h"

namespace lantern::albumpack {

// The settings as the blob stores them, in the content's order.
std::vector<uint8_t> SettingsBlob(const AlbumContent& content);

// Called with (items done, items in all) while items are written.
using Progress = std::function<void(size_t, size_t)>;

// An album laid out over the player, ready to be written. It refers to the
// content it was laid out from, which must outlive it and stay unchanged.
class AlbumImage {
 public:
  // nullopt with a message in `error` when the stub is not a 32-bit Windows
  // program or the album would be too large to load.
  static std::optional<AlbumImage> LayOut(std::span<const uint8_t> stub,
                                          const AlbumContent& content, std::string* error);

  uint64_t size() const { return layout_.file_size; }

  // Appends the whole album to `out`. An item file that can no longer be
  // read, or whose size changed since the content was read, fails the write
  // with kReadFailed, the file and the reason in `why`.
  WriteOutcome Write(OutputStream& out, std::string& why, const Progress& progress = {}) const;

 private:
  // Where a resource's bytes come from.
  struct Source {
    enum class Kind { kOwn, kSettings, kItem } kind;
    size_t index;  // into own_ or the content's items
  };
  class Writer;

  const AlbumContent* content_ = nullptr;
  std::vector<album::ResourceEntry> own_;  // the player's own resources, kept
  std::vector<uint8_t> settings_;
  std::vector<Source> sources_;  // one per slot laid out
  album::ResourceLayout layout_;
};

// The album image in memory, or nullopt with a message in `error` (as
// AlbumImage::LayOut gives it, or an item file that cannot be read).
std::optional<std::vector<uint8_t>> WriteAlbum(std::span<const uint8_t> stub,
                                               const AlbumContent& content, std::string* error,
                                               const Progress& progress = {});

}  // namespace lantern::albumpack
