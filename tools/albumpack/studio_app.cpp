// The studio's routing (studio_app.h).
#include "tools/albumpack/studio_app.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <string_view>
#include <utility>

#include "tools/albumpack/studio_api.h"
#include "tools/albumpack/studio_assets.h"
#include "tools/albumpack/studio_safety.h"

namespace lantern::albumpack::studio {

namespace {

constexpr const char* kFirstPage = "/";
constexpr std::string_view kPageFiles = "/page/";
// The album's own files (the photos' thumbnails), read with the cookie as
// the page's pictures are.
constexpr std::string_view kAlbumFiles = "/album/";

bool Under(const std::string& path, std::string_view prefix) {
  return path.compare(0, prefix.size(), prefix) == 0;
}

struct Route {
  const char* method;
  const char* path;
  Response (*handle)(const Album& album, const Request& request);
};

constexpr Route kRoutes[] = {
    {"GET", "/api/manifest", GetManifest},  {"GET", "/api/album", GetAlbum},
    {"POST", "/api/album", PostAlbum},      {"POST", "/api/photo", PostPhoto},
    {"POST", "/api/photo/move", MovePhoto}, {"POST", "/api/photo/remove", RemovePhoto},
    {"POST", "/api/photo/add", AddPhoto},
};

Response EmbeddedResponse(const EmbeddedFile& file) {
  Response response;
  response.content_type = ContentTypeOf(file.name);
  response.body.assign(reinterpret_cast<const char*>(file.bytes), file.size);
  return response;
}

}  // namespace

App::App(Album album, std::string token, uint16_t port)
    : album_(std::move(album)), token_(std::move(token)), port_(port) {}

Response App::Handle(const Request& request) {
  if (const auto why = Forbidden(request, token_, port_, kFirstPage))
    return TextResponse(403, *why);
  const bool reads = request.method == "GET";
  if (request.path == kFirstPage) {
    return reads ? Page(request) : TextResponse(405, "the page is only read");
  }
  if (Under(request.path, kPageFiles) || Under(request.path, kAlbumFiles)) {
    if (!reads) return TextResponse(405, "files are only read here");
    return Under(request.path, kPageFiles)
               ? PageFile(request)
               : GetAlbumFile(album_, request.path.substr(kAlbumFiles.size()));
  }
  bool path_known = false;
  for (const Route& route : kRoutes) {
    if (request.path != route.path) continue;
    path_known = true;
    if (request.method == route.method) return route.handle(album_, request);
  }
  return path_known ? TextResponse(405, "not with this method") : TextResponse(404, "no such page");
}

// The first load trades the token in the address for a cookie and sends the
// browser to the bare address, so the token leaves the address bar and the
// history. The page itself carries the token for its API calls.
Response App::Page(const Request& request) const {
  if (request.query.count(kTokenQuery) != 0) {
    Response response = TextResponse(303, "to the studio");
    response.headers.emplace_back("Location", kFirstPage);
    response.headers.emplace_back("Set-Cookie", std::string(kTokenCookie) + "=" + token_ +
                                                    "; Path=/; HttpOnly; SameSite=Strict");
    return response;
  }
  const EmbeddedFile* page = FindEmbeddedFile("index.html");
  if (page == nullptr) return TextResponse(500, "the page is not in this build");
  Response response = EmbeddedResponse(*page);
  const std::string marker = "{{TOKEN}}";
  if (const size_t at = response.body.find(marker); at != std::string::npos) {
    response.body.replace(at, marker.size(), token_);
  }
  return response;
}

Response App::PageFile(const Request& request) const {
  const EmbeddedFile* file = FindEmbeddedFile(request.path.substr(kPageFiles.size()));
  return file == nullptr ? TextResponse(404, "no such page file") : EmbeddedResponse(*file);
}

}  // namespace lantern::albumpack::studio
