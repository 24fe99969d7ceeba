// The album builder's commands: build, list, settings, extract, check.
//
// [SECTION] Files  [SECTION] Reading an album  [SECTION] Commands
#include "tools/albumpack/commands.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <map>
#include <optional>
#include <vector>

#include "album/items.h"
#include "album/pe_image.h"
#include "album/property_bag.h"
#include "base/text.h"
#include "tools/albumpack/album_writer.h"
#include "tools/albumpack/build_intake.h"
#include "tools/albumpack/file_io.h"
#include "tools/albumpack/folder_album.h"
#include "tools/albumpack/item_check.h"
#include "tools/albumpack/manifest.h"
#include "tools/albumpack/manifest_keys.h"
#include "tools/albumpack/paths.h"

namespace lantern::albumpack {

namespace {

namespace fs = std::filesystem;

// [SECTION] Files

std::optional<std::vector<uint8_t>> ReadAll(const std::string& path, std::ostream& err) {
  std::string why;
  auto bytes = ReadRegularFile(PathFromUtf8(path), why);
  if (!bytes) err << path << ": cannot read: " << why << "\n";
  return bytes;
}

// The player beside the builder (an installed pair), or the one the Windows
// build tree holds when the builder runs from the native build tree.
std::string DefaultStub(const std::string& builder_path) {
  const fs::path folder = PathFromUtf8(builder_path).parent_path();
  const fs::path beside = folder / "lantern.exe";
  const fs::path build_tree = folder / ".." / ".." / "win32" / "bin" / "lantern.exe";
  std::error_code ec;
  return Utf8FromPath(fs::exists(beside, ec) || !fs::exists(build_tree, ec) ? beside : build_tree);
}

void DrawProgress(std::ostream& err, size_t done, size_t total) {
  constexpr size_t kWidth = 30;
  const size_t filled = total == 0 ? kWidth : done * kWidth / total;
  err << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, ' ') << "] " << done
      << "/" << total << " items" << std::flush;
  if (done == total) err << "\n";
}

// Refuses an output that is the manifest or a file the album is made from:
// building would replace it with the album. The player named by --stub may be
// the output (an album rebuilt in place): it is read whole before writing.
bool OutputIsAnInput(const BuildOptions& options, const AlbumContent& content, std::ostream& err) {
  const fs::path output = PathFromUtf8(options.output);
  std::error_code ec;
  const auto same = [&](const std::string& input) {
    return fs::equivalent(output, PathFromUtf8(input), ec);
  };
  std::string input;
  if (same(options.manifest)) {
    input = "the manifest";
  } else {
    for (const Item& item : content.items) {
      if (same(item.source)) input = item.source + ", which the album is made from";
    }
  }
  if (input.empty()) return false;
  err << options.output << ": -o names " << input << "; name another output file\n";
  return true;
}

// A folder of photos is read as the manifest `init` writes for it, relative
// to the current folder as that manifest is; what is left out is said first.
ManifestResult FolderManifest(const BuildOptions& options, const ItemIntake& intake,
                              std::ostream& err) {
  std::string error;
  const auto album = ScanFolders(options.manifest, options.music, error);
  if (!album) return {{}, error, {}};
  for (const LeftOut& l : album->left_out)
    err << l.path << ": left out: " << l.why << "\n";
  return ReadManifestText(ManifestText(*album), options.manifest + " (as init prints it)", ".",
                          intake);
}

// The album's content: each item converted, checked and kept or left out by
// `intake` as it is read, which says so on the way.
ManifestResult ReadSource(const BuildOptions& options, const ItemIntake& intake,
                          std::ostream& err) {
  std::error_code ec;
  if (fs::is_directory(PathFromUtf8(options.manifest), ec)) {
    return FolderManifest(options, intake, err);
  }
  if (!options.music.empty()) {
    return {{}, "--music goes with a folder of photos; a manifest names its songs itself", {}};
  }
  return ReadManifest(options.manifest, intake);
}

// [SECTION] Reading an album

struct OpenedAlbum {
  std::vector<uint8_t> bytes;
  std::optional<album::PeImage> image;
  album::PropertyBag settings;
};

// Opens an album: a Windows program with a readable settings blob.
std::optional<OpenedAlbum> Open(const std::string& path, std::ostream& err) {
  auto bytes = ReadAll(path, err);
  if (!bytes) return std::nullopt;
  OpenedAlbum album{std::move(*bytes), std::nullopt, {}};
  std::string why;
  album.image = album::PeImage::Parse(album.bytes, &why);
  if (!album.image) {
    err << path << ": not a 32-bit Windows program: " << why << "\n";
    return std::nullopt;
  }
  const auto blob = album.image->FindData(album::kSettingsItem);
  if (!blob) {
    err << path << ": holds no album (no " << album::kSettingsItem << " resource)\n";
    return std::nullopt;
  }
  if (album.settings.Load(*blob) != album::LoadError::kNone) {
    err << path << ": the album's settings are damaged\n";
    return std::nullopt;
  }
  return album;
}

struct AlbumItem {
  std::string name;  // the resource name (upper case)
  std::string type_word;
  std::span<const uint8_t> stored;
};

// Every DATA resource but the settings, with the type word its companion key gives.
std::vector<AlbumItem> Items(const OpenedAlbum& album) {
  std::vector<AlbumItem> items;
  for (const album::ResourceEntry& r : album.image->Resources()) {
    if (!album::SameResourceKey(r.type, album::DataType()) || !r.name.is_name()) continue;
    const std::string name = base::Utf16ToUtf8(r.name.name());
    if (base::AsciiUpper(name) == album::kSettingsItem) continue;
    const auto stored = album.image->Find(r.type, r.name);
    items.push_back({name, album.settings.ReadText(name + "_Type"),
                     stored.value_or(std::span<const uint8_t>{})});
  }
  return items;
}

std::vector<uint8_t> Unscrambled(std::span<const uint8_t> stored) {
  std::vector<uint8_t> bytes(stored.begin(), stored.end());
  album::ApplyItemKeyStream(bytes);
  return bytes;
}

}  // namespace

std::string ExtractedName(const std::string& item_name, const std::string& type_word) {
  const std::string upper = base::AsciiUpper(item_name);
  const std::string extension = base::AsciiLower(type_word);
  const std::pair<const char*, const char*> indexed[] = {{"IMGNAMES(", "photo-"},
                                                         {"MUSICNAMES(", "song-"},
                                                         {"MUSICLYRICFILES(", "lyrics-"},
                                                         {"TOINSTALLFONT(", "font-"}};
  for (const auto& [stem, prefix] : indexed) {
    const std::string s(stem);
    if (upper.rfind(s, 0) == 0 && upper.back() == ')') {
      return prefix + upper.substr(s.size(), upper.size() - s.size() - 1) + "." + extension;
    }
  }
  return item_name + "." + extension;
}

// [SECTION] Commands

int Build(const BuildOptions& options, platform::PictureDecoder& pictures, std::ostream& out,
          std::ostream& err) {
  BuildIntake intake(options.output, pictures, out, err);
  ManifestResult manifest = ReadSource(
      options, [&](Item& item) { return intake.Take(item); }, err);
  if (!manifest.error.empty()) {
    err << manifest.error << "\n";
    return 1;
  }
  if (OutputIsAnInput(options, manifest.content, err)) return 1;
  const std::string stub_path =
      options.stub.empty() ? DefaultStub(options.builder_path) : options.stub;
  const auto stub = ReadAll(stub_path, err);
  if (!stub) {
    if (options.stub.empty()) err << "no player beside albumpack; name one with --stub\n";
    return 1;
  }
  for (const std::string& warning : manifest.warnings)
    err << warning << "\n";
  std::string error;
  const Progress progress = [&](size_t done, size_t total) {
    if (options.progress) DrawProgress(err, done, total);
  };
  const auto album = AlbumImage::LayOut(*stub, manifest.content, &error);
  if (!album) {
    err << stub_path << ": " << error << "\n";
    return 1;
  }
  const auto produce = [&](OutputStream& o, std::string& why) {
    return album->Write(o, why, progress);
  };
  if (const int code = WriteOutputFile(options.output, produce, err); code != 0) return code;
  out << options.output << ": " << manifest.content.items.size() << " items, "
      << manifest.content.settings.size() << " settings, " << album->size() << " bytes\n";
  return 0;
}

int Init(const std::string& photo_folder, const std::string& music_folder, std::ostream& out,
         std::ostream& err) {
  std::string error;
  const auto album = ScanFolders(photo_folder, music_folder, error);
  if (!album) {
    err << error << "\n";
    return 1;
  }
  for (const LeftOut& l : album->left_out)
    err << l.path << ": left out: " << l.why << "\n";
  out << ManifestText(*album);
  return 0;
}

int List(const std::string& path, std::ostream& out, std::ostream& err) {
  const auto album = Open(path, err);
  if (!album) return 1;
  for (const AlbumItem& item : Items(*album)) {
    out << std::left << std::setw(28) << item.name << std::setw(6)
        << (item.type_word.empty() ? "-" : item.type_word) << std::right << std::setw(12)
        << item.stored.size() << "\n";
  }
  return 0;
}

int Settings(const std::string& path, std::ostream& out, std::ostream& err) {
  const auto album = Open(path, err);
  if (!album) return 1;
  std::map<std::string, const album::Value*> sorted;
  for (const auto& [key, value] : album->settings.values())
    sorted[key] = &value;
  const auto type_name = [](album::ValueType t) {
    switch (t) {
      case album::ValueType::kFlag:
        return "flag";
      case album::ValueType::kInt16:
        return "int16";
      case album::ValueType::kInt32:
        return "int32";
      case album::ValueType::kSingle:
        return "single";
      case album::ValueType::kText:
        break;
    }
    return "text";
  };
  for (const auto& [key, value] : sorted) {
    out << key << "\t" << type_name(value->type()) << "\t" << value->ToText() << "\n";
  }
  return 0;
}

int Extract(const std::string& path, const std::string& folder, std::ostream& out,
            std::ostream& err) {
  const auto album = Open(path, err);
  if (!album) return 1;
  std::error_code ec;
  fs::create_directories(PathFromUtf8(folder), ec);
  int written = 0;
  for (const AlbumItem& item : Items(*album)) {
    const std::string name =
        ExtractedName(item.name, item.type_word.empty() ? "bin" : item.type_word);
    const std::string target = Utf8FromPath(PathFromUtf8(folder) / PathFromUtf8(name));
    const int code = WriteOutputFile(target, Unscrambled(item.stored), err);
    if (code != 0) return code;
    ++written;
  }
  out << written << " items written to " << folder << "\n";
  return 0;
}

int Check(const std::string& path, platform::PictureDecoder& pictures, std::ostream& out,
          std::ostream& err) {
  const auto album = Open(path, err);
  if (!album) return 1;
  int problems = 0;
  const auto report = [&](const std::string& what) {
    out << path << ": " << what << "\n";
    ++problems;
  };
  std::map<std::string, size_t> present;
  for (const AlbumItem& item : Items(*album)) {
    present[base::AsciiUpper(item.name)] = item.stored.size();
    if (item.type_word.empty()) {
      report(item.name + ": stored, but its _Type setting is empty");
      continue;
    }
    if (album->settings.Read(item.name + "_Size").ToInt32() !=
        static_cast<int32_t>(item.stored.size())) {
      report(item.name + ": _Size does not match the stored " + std::to_string(item.stored.size()) +
             " bytes");
    }
    const std::vector<uint8_t> bytes = Unscrambled(item.stored);
    std::string why = ItemProblem(item.name, item.type_word, bytes, true);
    if (why.empty() && ClassOfItem(item.name) == ItemClass::kPicture)
      why = DecodeProblem(item.name, item.type_word, bytes, pictures);
    if (!why.empty()) report(item.name + ": " + why);
  }
  for (const auto& [key, value] : album->settings.values()) {
    const std::string upper = base::AsciiUpper(key);
    if (upper.size() > 5 && upper.compare(upper.size() - 5, 5, "_TYPE") == 0 &&
        !value.IsEmptyText() && present.count(upper.substr(0, upper.size() - 5)) == 0) {
      report(key.substr(0, key.size() - 5) + ": named by its _Type setting, but not stored");
    }
  }
  const std::pair<const char*, const char*> counts[] = {{"NowI", "ImgNames("},
                                                        {"NowM", "MusicNames("}};
  for (const auto& [count_key, stem] : counts) {
    const int32_t n = album->settings.Read(count_key).ToInt32().value_or(0);
    for (int32_t i = 1; i <= n; ++i) {
      const std::string name = std::string(stem) + std::to_string(i) + ")";
      if (present.count(base::AsciiUpper(name)) == 0) report(name + ": missing");
    }
  }
  if (problems == 0) out << path << ": " << present.size() << " items, all consistent\n";
  return problems == 0 ? 0 : 1;
}

}  // namespace lantern::albumpack
