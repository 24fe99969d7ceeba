// The studio's API handlers, each given a request that passed the safety
// rules. Edits come as form fields ("index=2&caption=Hello") in the body and
// are saved to the manifest at once; the answer to an edit is the manifest
// as JSON, as GET /api/album gives it.
#pragma once

#include "tools/albumpack/studio_app.h"
#include "tools/albumpack/studio_http.h"

namespace lantern::albumpack::studio {

// GET /api/manifest: the manifest's TOML text.
Response GetManifest(const Album& album, const Request& request);
// GET /api/album: the manifest as JSON.
Response GetAlbum(const Album& album, const Request& request);
// POST /api/album: title, author, interval, draw.
Response PostAlbum(const Album& album, const Request& request);
// POST /api/photo: index and caption, headline, duration.
Response PostPhoto(const Album& album, const Request& request);
// POST /api/photo/move: from, to.
Response MovePhoto(const Album& album, const Request& request);
// POST /api/photo/remove: index.
Response RemovePhoto(const Album& album, const Request& request);
// POST /api/photo/add?name=NAME with the file's bytes as the body: the file
// is written into the album's folder (never over one that is there) and
// added at the end of the photos.
Response AddPhoto(const Album& album, const Request& request);
// GET /album/NAME: a file of the album's folder.
Response GetAlbumFile(const Album& album, const std::string& name);

}  // namespace lantern::albumpack::studio
