// Reads an album manifest (TOML) into album content: the settings with
// defaults for everything the manifest leaves out, and the items read from
// the files it names (paths relative to the manifest's folder).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/albumpack/album_content.h"

namespace lantern::albumpack {

struct ManifestResult {
  AlbumContent content;
  std::string error;  // empty on success; names the file, and line and column where known
  std::vector<std::string>
      warnings;  // "FILE:LINE:COLUMN: warning: ...", the album is made all the same
};

// Given each item of a package-mode album as it is read, before its
// companion settings are made: it may change the item (a photo converted
// into a file of another type) and returns false to leave a picture out (a
// photo then takes no place in the album: the next photo takes its number).
// Songs, lyrics and fonts are always kept.
using ItemIntake = std::function<bool(Item& item)>;

// With an intake the manifest is read twice: first without it, so that no
// item is taken in (a photo converted, say) from a manifest that is then
// refused for an error further down.
ManifestResult ReadManifest(const std::string& path, const ItemIntake& intake = {});
// The same from text already in memory; base_folder resolves relative paths.
ManifestResult ReadManifestText(const std::string& text, const std::string& source_name,
                                const std::string& base_folder, const ItemIntake& intake = {});

// The manifest text as the TOML library is given it: without a byte-order
// mark, non-ASCII text as \u escapes in strings and spaces in comments; false
// with "line:column: reason" in `error` for non-ASCII text anywhere else.
bool ManifestAscii(const std::string& text, std::string& ascii, std::string& error);

// The type word of a file name: its extension upper-cased ("JPEG" -> "JPG",
// "TIFF" -> "TIF", "MIDI" -> "MID"); empty when the name has none.
std::string TypeWord(const std::string& file_name);

// Whether an album takes files of the type word as pictures (photos,
// background, buttons ...; HEIC and the other types converted to JPEG
// included) or as songs.
bool IsPictureType(const std::string& type_word);
bool IsSongType(const std::string& type_word);

}  // namespace lantern::albumpack
