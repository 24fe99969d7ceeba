// The studio's API handlers (studio_api.h).
#include "tools/albumpack/studio_api.h"

#include <cstdlib>
#include <span>

#include "tools/albumpack/file_io.h"
#include "tools/albumpack/manifest.h"
#include "tools/albumpack/studio_assets.h"
#include "tools/albumpack/studio_manifest.h"
#include "tools/albumpack/studio_safety.h"

namespace lantern::albumpack::studio {

namespace {

Response FileBytes(const std::filesystem::path& path, const std::string& name) {
  std::string why;
  const auto bytes = ReadRegularFile(path, why);
  if (!bytes) return TextResponse(404, name + ": " + why);
  Response response;
  response.content_type = ContentTypeOf(name);
  response.body.assign(bytes->begin(), bytes->end());
  return response;
}

Response AlbumJson(const Album& album) {
  std::string why;
  const auto json = ManifestJson(album.manifest, why);
  if (!json) return TextResponse(409, why);
  Response response;
  response.content_type = "application/json";
  response.body = *json;
  return response;
}

Response AfterEdit(const Album& album, const EditOutcome& outcome) {
  return outcome.status == 200 ? AlbumJson(album) : TextResponse(outcome.status, outcome.why);
}

bool FormFields(const Request& request, Fields& fields) {
  return ParseForm(request.body, fields);
}

// Takes the whole-number field `name` out of `fields`.
bool TakeIndex(Fields& fields, const std::string& name, size_t& index) {
  const auto it = fields.find(name);
  if (it == fields.end() || it->second.empty() || it->second.size() > 9 ||
      it->second.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  index = static_cast<size_t>(std::strtoul(it->second.c_str(), nullptr, 10));
  fields.erase(it);
  return true;
}

Response BadForm(const char* what) {
  return TextResponse(400, std::string("send ") + what + " as form fields");
}

}  // namespace

Response GetManifest(const Album& album, const Request&) {
  return FileBytes(album.manifest, "manifest.toml");
}

Response GetAlbum(const Album& album, const Request&) {
  return AlbumJson(album);
}

Response PostAlbum(const Album& album, const Request& request) {
  Fields fields;
  if (!FormFields(request, fields)) return BadForm("title, author, interval, draw");
  return AfterEdit(album, SetAlbumFields(album.manifest, fields));
}

Response PostPhoto(const Album& album, const Request& request) {
  Fields fields;
  size_t index = 0;
  if (!FormFields(request, fields) || !TakeIndex(fields, "index", index)) {
    return BadForm("index and caption, headline, duration");
  }
  return AfterEdit(album, SetPhotoFields(album.manifest, index, fields));
}

Response MovePhoto(const Album& album, const Request& request) {
  Fields fields;
  size_t from = 0;
  size_t to = 0;
  if (!FormFields(request, fields) || !TakeIndex(fields, "from", from) ||
      !TakeIndex(fields, "to", to)) {
    return BadForm("from and to");
  }
  return AfterEdit(album, MovePhoto(album.manifest, from, to));
}

Response RemovePhoto(const Album& album, const Request& request) {
  Fields fields;
  size_t index = 0;
  if (!FormFields(request, fields) || !TakeIndex(fields, "index", index)) {
    return BadForm("index");
  }
  return AfterEdit(album, RemovePhoto(album.manifest, index));
}

Response AddPhoto(const Album& album, const Request& request) {
  const auto name = request.query.find("name");
  if (name == request.query.end() || name->second.find('/') != std::string::npos) {
    return TextResponse(400, "name the photo with ?name=FILE (a plain file name)");
  }
  if (!IsPictureType(TypeWord(name->second))) {
    return TextResponse(400, name->second + ": not a picture the album can show");
  }
  std::string why;
  const auto path = AlbumPath(album.folder, name->second, why);
  if (!path) return TextResponse(403, name->second + ": " + why);
  std::error_code error;
  if (std::filesystem::exists(*path, error)) {
    return TextResponse(409, name->second + ": a file of that name is already in the folder");
  }
  const auto bytes =
      std::span(reinterpret_cast<const uint8_t*>(request.body.data()), request.body.size());
  if (WriteWholeFile(*path, bytes, why) != WriteOutcome::kWritten) {
    return TextResponse(500, name->second + ": cannot write: " + why);
  }
  const EditOutcome added = studio::AddPhoto(album.manifest, name->second);
  if (added.status != 200) std::filesystem::remove(*path, error);
  return AfterEdit(album, added);
}

Response GetAlbumFile(const Album& album, const std::string& name) {
  std::string why;
  const auto path = AlbumPath(album.folder, name, why);
  if (!path) return TextResponse(403, name + ": " + why);
  return FileBytes(*path, name);
}

}  // namespace lantern::albumpack::studio
