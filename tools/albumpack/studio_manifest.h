// The studio's edits of an album's manifest. Each edit reads the manifest,
// changes the TOML table through toml++ (keys the studio does not know are
// kept, and so are their values; comments are not), checks that the result
// is still a manifest the builder reads, and writes it whole at once.
#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace lantern::albumpack::studio {

// The manifest as JSON (toml++'s mapping of TOML to JSON), or nullopt with
// the reason in `why`.
std::optional<std::string> ManifestJson(const std::filesystem::path& manifest, std::string& why);

// Fields from the page, by name; an empty value removes the key.
using Fields = std::map<std::string, std::string>;

// What an edit did: 200 when written, else the status to answer with and why.
struct EditOutcome {
  int status = 200;
  std::string why;
};

// Moves photo `from` (0-based) to position `to`.
EditOutcome MovePhoto(const std::filesystem::path& manifest, size_t from, size_t to);
// Takes photo `index` out of the album (its file stays in the folder).
EditOutcome RemovePhoto(const std::filesystem::path& manifest, size_t index);
// Adds a photo entry for `file` (a name relative to the manifest's folder) at the end.
EditOutcome AddPhoto(const std::filesystem::path& manifest, const std::string& file);
// Sets photo `index`'s caption, headline and duration (seconds) from `fields`.
EditOutcome SetPhotoFields(const std::filesystem::path& manifest, size_t index,
                           const Fields& fields);
// Sets the album's title, author, interval (seconds, TimeInterval) and draw
// mode (0-4, ImgDrawScale) from `fields`.
EditOutcome SetAlbumFields(const std::filesystem::path& manifest, const Fields& fields);

}  // namespace lantern::albumpack::studio
