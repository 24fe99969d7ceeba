// `albumpack studio`: the album editor in the browser, served on loopback.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "tools/albumpack/studio_app.h"

namespace lantern::albumpack {

struct StudioOptions {
  std::string album;  // a folder or a manifest; empty: the current folder
  uint16_t port = 0;  // 0: a free port
  bool open_browser = true;
};

// The album the studio edits: a manifest, or a folder's album.toml, written
// first from the folder's photos as `init` would when it is missing.
// Nothing, with the reason on `err`, when neither can be had.
std::optional<studio::Album> OpenStudioAlbum(const std::string& folder_or_manifest,
                                             std::ostream& err);

// Serves the studio until the process is stopped; 1 when it cannot start.
int Studio(const StudioOptions& options, std::ostream& out, std::ostream& err);

}  // namespace lantern::albumpack
