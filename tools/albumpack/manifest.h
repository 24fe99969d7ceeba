// Reads an album manifest (TOML) into album content: the settings with
// defaults for everything the manifest leaves out, and the items read from
// the files it names (paths relative to the manifest's folder).
#pragma once

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

ManifestResult ReadManifest(const std::string& path);
// The same from text already in memory; base_folder resolves relative paths.
ManifestResult ReadManifestText(const std::string& text, const std::string& source_name,
                                const std::string& base_folder);

// The type word of a file name: its extension upper-cased ("JPEG" -> "JPG",
// "TIFF" -> "TIF", "MIDI" -> "MID"); empty when the name has none.
std::string TypeWord(const std::string& file_name);

// Whether an album holds files of the type word as pictures (photos,
// background, buttons ...) or as songs.
bool IsPictureType(const std::string& type_word);
bool IsSongType(const std::string& type_word);

}  // namespace lantern::albumpack
