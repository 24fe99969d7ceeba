// The studio's manifest edits (studio_manifest.h).
#include "tools/albumpack/studio_manifest.h"

#include "tools/albumpack/toml_checked.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <span>
#include <sstream>

#include "tools/albumpack/file_io.h"
#include "tools/albumpack/manifest.h"
#include "tools/albumpack/paths.h"

namespace lantern::albumpack::studio {

namespace {

struct Refusal {
  int status;
  std::string why;
};

toml::table ReadTable(const std::filesystem::path& manifest) {
  std::string why;
  const auto bytes = ReadRegularFile(manifest, why);
  if (!bytes) throw Refusal{500, "cannot read the manifest: " + why};
  std::string ascii;
  if (!ManifestAscii(std::string(bytes->begin(), bytes->end()), ascii, why)) {
    throw Refusal{409, "the manifest cannot be edited here: " + why};
  }
  try {
    return toml::parse(ascii, Utf8FromPath(manifest));
  } catch (const toml::parse_error& e) {
    throw Refusal{409, "the manifest is not valid TOML: " + std::string(e.description())};
  } catch (const TomlCheckFailed&) {
    throw Refusal{409, "the manifest is not valid TOML"};
  }
}

// Writes the table when the builder reads the result without an error.
void WriteTable(const std::filesystem::path& manifest, const toml::table& table) {
  std::ostringstream text;
  // Double-quoted strings with \u escapes: the builder hands toml++ only ASCII.
  constexpr auto flags =
      toml::toml_formatter::default_flags &
      ~(toml::format_flags::allow_literal_strings | toml::format_flags::allow_unicode_strings);
  text << toml::toml_formatter(table, flags) << "\n";
  const std::string written = text.str();
  const ManifestResult check =
      ReadManifestText(written, "manifest", Utf8FromPath(manifest.parent_path()));
  if (!check.error.empty()) throw Refusal{400, check.error};
  std::string why;
  const auto bytes = std::span(reinterpret_cast<const uint8_t*>(written.data()), written.size());
  if (WriteWholeFile(manifest, bytes, why) != WriteOutcome::kWritten) {
    throw Refusal{500, "cannot write the manifest: " + why};
  }
}

EditOutcome Edit(const std::filesystem::path& manifest,
                 const std::function<void(toml::table&)>& change) {
  try {
    toml::table table = ReadTable(manifest);
    change(table);
    WriteTable(manifest, table);
    return {};
  } catch (const Refusal& r) {
    return {r.status, r.why};
  }
}

toml::array& Photos(toml::table& table) {
  if (!table.contains("photos")) table.insert("photos", toml::array());
  toml::array* photos = table["photos"].as_array();
  if (photos == nullptr) throw Refusal{409, "photos is not a list in the manifest"};
  return *photos;
}

toml::table& Photo(toml::table& table, size_t index) {
  toml::array& photos = Photos(table);
  toml::table* photo = index < photos.size() ? photos[index].as_table() : nullptr;
  if (photo == nullptr) throw Refusal{404, "no photo " + std::to_string(index + 1)};
  return *photo;
}

double Number(const std::string& name, const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0') throw Refusal{400, name + " must be a number"};
  return value;
}

enum class Kind { kText, kNumber, kWholeNumber };

// Sets or (for an empty value) removes `key`.
void SetField(toml::table& table, const std::string& key, const std::string& value, Kind kind) {
  if (value.empty()) {
    table.erase(key);
  } else if (kind == Kind::kText) {
    table.insert_or_assign(key, value);
  } else if (kind == Kind::kNumber) {
    table.insert_or_assign(key, Number(key, value));
  } else {
    const double number = Number(key, value);
    if (number != static_cast<double>(static_cast<int64_t>(number))) {
      throw Refusal{400, key + " must be a whole number"};
    }
    table.insert_or_assign(key, static_cast<int64_t>(number));
  }
}

void SetKnownFields(toml::table& table, const Fields& fields,
                    std::initializer_list<std::pair<const char*, Kind>> known) {
  for (const auto& field : fields) {
    const auto* it = std::find_if(known.begin(), known.end(),
                                  [&](const auto& k) { return field.first == k.first; });
    if (it == known.end()) throw Refusal{400, "unknown field " + field.first};
    SetField(table, field.first, field.second, it->second);
  }
}

toml::table& Settings(toml::table& table) {
  if (!table.contains("settings")) table.insert("settings", toml::table());
  toml::table* settings = table["settings"].as_table();
  if (settings == nullptr) throw Refusal{409, "settings is not a table in the manifest"};
  return *settings;
}

}  // namespace

std::optional<std::string> ManifestJson(const std::filesystem::path& manifest, std::string& why) {
  try {
    std::ostringstream json;
    json << toml::json_formatter(ReadTable(manifest));
    return json.str();
  } catch (const Refusal& r) {
    why = r.why;
    return std::nullopt;
  }
}

EditOutcome MovePhoto(const std::filesystem::path& manifest, size_t from, size_t to) {
  return Edit(manifest, [&](toml::table& table) {
    toml::array& photos = Photos(table);
    if (from >= photos.size() || to >= photos.size()) throw Refusal{404, "no such photo"};
    toml::array moved;
    for (size_t i = 0; i < photos.size(); ++i) {
      if (i != from) moved.push_back(std::move(photos[i]));
    }
    moved.insert(moved.cbegin() + static_cast<ptrdiff_t>(to), std::move(photos[from]));
    photos = std::move(moved);
  });
}

EditOutcome RemovePhoto(const std::filesystem::path& manifest, size_t index) {
  return Edit(manifest, [&](toml::table& table) {
    Photo(table, index);
    toml::array& photos = Photos(table);
    photos.erase(photos.cbegin() + static_cast<ptrdiff_t>(index));
  });
}

EditOutcome AddPhoto(const std::filesystem::path& manifest, const std::string& file) {
  return Edit(manifest, [&](toml::table& table) {
    Photos(table).push_back(toml::table{{"file", file}});
  });
}

EditOutcome SetPhotoFields(const std::filesystem::path& manifest, size_t index,
                           const Fields& fields) {
  return Edit(manifest, [&](toml::table& table) {
    SetKnownFields(
        Photo(table, index), fields,
        {{"caption", Kind::kText}, {"headline", Kind::kText}, {"duration", Kind::kNumber}});
  });
}

EditOutcome SetAlbumFields(const std::filesystem::path& manifest, const Fields& fields) {
  return Edit(manifest, [&](toml::table& table) {
    Fields top;
    Fields settings;
    for (const auto& [name, value] : fields) {
      if (name == "interval") {
        settings["TimeInterval"] = value;
      } else if (name == "draw") {
        settings["ImgDrawScale"] = value;
      } else {
        top[name] = value;
      }
    }
    SetKnownFields(table, top, {{"title", Kind::kText}, {"author", Kind::kText}});
    SetKnownFields(Settings(table), settings,
                   {{"TimeInterval", Kind::kNumber}, {"ImgDrawScale", Kind::kWholeNumber}});
  });
}

}  // namespace lantern::albumpack::studio
