// The studio page's files (HTML, CSS, JavaScript modules), built into
// albumpack by cmake/embed_files.cmake from tools/albumpack/studio_page.
#pragma once

#include <cstddef>
#include <string_view>

namespace lantern::albumpack::studio {

struct EmbeddedFile {
  const char* name;  // the file name: "index.html"
  const unsigned char* bytes;
  size_t size;
};

extern const EmbeddedFile kEmbeddedFiles[];
extern const size_t kEmbeddedFileCount;

// The page file of that name, or nullptr.
const EmbeddedFile* FindEmbeddedFile(std::string_view name);

// The Content-Type of a file by its extension ("text/javascript" for .js,
// "image/jpeg" for .jpg ...; "application/octet-stream" when unknown).
const char* ContentTypeOf(std::string_view file_name);

}  // namespace lantern::albumpack::studio
