// Looking up the studio page's built-in files (studio_assets.h).
#include "tools/albumpack/studio_assets.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace lantern::albumpack::studio {

namespace {

struct TypeByExtension {
  const char* extension;
  const char* type;
};

constexpr TypeByExtension kTypes[] = {
    {"html", "text/html; charset=utf-8"},
    {"css", "text/css; charset=utf-8"},
    {"js", "text/javascript; charset=utf-8"},
    {"json", "application/json"},
    {"toml", "text/plain; charset=utf-8"},
    {"lrc", "text/plain; charset=utf-8"},
    {"txt", "text/plain; charset=utf-8"},
    {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"},
    {"png", "image/png"},
    {"gif", "image/gif"},
    {"bmp", "image/bmp"},
    {"webp", "image/webp"},
    {"avif", "image/avif"},
    {"mp3", "audio/mpeg"},
    {"wav", "audio/wav"},
    {"ogg", "audio/ogg"},
};

}  // namespace

const EmbeddedFile* FindEmbeddedFile(std::string_view name) {
  const auto* end = kEmbeddedFiles + kEmbeddedFileCount;
  const auto* it = std::find_if(kEmbeddedFiles, end,
                                [&](const EmbeddedFile& file) { return name == file.name; });
  return it == end ? nullptr : it;
}

const char* ContentTypeOf(std::string_view file_name) {
  const size_t dot = file_name.rfind('.');
  if (dot == std::string_view::npos) return "application/octet-stream";
  std::string extension(file_name.substr(dot + 1));
  for (char& c : extension)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const TypeByExtension& t : kTypes) {
    if (extension == t.extension) return t.type;
  }
  return "application/octet-stream";
}

}  // namespace lantern::albumpack::studio
