// An album from folders: scanning the photo and music folders, and writing
// the manifest.
//
// [SECTION] Names  [SECTION] Photos  [SECTION] Songs  [SECTION] The manifest
#include "tools/albumpack/folder_album.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include "base/text.h"
#include "imaging/exif.h"
#include "media/lyrics.h"
#include "tools/albumpack/file_io.h"
#include "tools/albumpack/item_check.h"
#include "tools/albumpack/manifest.h"
#include "tools/albumpack/paths.h"
#include "tools/albumpack/photo_convert.h"

namespace lantern::albumpack {

namespace {

namespace fs = std::filesystem;

// The start of a picture holds its type's signature and, in a JPEG, the EXIF
// segment (at most 64 KiB, right after the start marker or a JFIF segment).
constexpr size_t kPictureStart = 128 * 1024;
constexpr size_t kSongStart = 64;
constexpr char kPictureTypes[] = "JPG, PNG, GIF, TIF, TGA, or HEIC, WebP or AVIF to convert";

// [SECTION] Names

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Compares the runs of digits at a[i] and b[j] by value and moves past them.
int CompareNumbers(const std::string& a, size_t& i, const std::string& b, size_t& j) {
  const auto run = [](const std::string& s, size_t& k) {
    while (k < s.size() && s[k] == '0' && k + 1 < s.size() && IsDigit(s[k + 1]))
      ++k;
    const size_t start = k;
    while (k < s.size() && IsDigit(s[k]))
      ++k;
    return std::string_view(s).substr(start, k - start);
  };
  const std::string_view x = run(a, i);
  const std::string_view y = run(b, j);
  if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
  return x.compare(y);
}

struct Entry {
  std::string name;  // the file name, UTF-8
  std::string path;  // as the album names it
  std::string type;  // the type word
};

// The files of a folder as the album would name them, and what is left out
// before their type is looked at. Hidden files and subfolders are passed
// over without a word.
std::optional<std::vector<Entry>> ListFolder(const std::string& folder,
                                             std::vector<LeftOut>& left_out, std::string& error) {
  const fs::path base = PathFromUtf8(folder);
  std::error_code ec;
  if (!fs::is_directory(base, ec)) {
    error = folder + ": not a folder";
    return std::nullopt;
  }
  std::vector<Entry> entries;
  for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = Utf8FromPath(it->path().filename());
    std::error_code type_ec;
    if (name.starts_with(".") || it->is_directory(type_ec)) continue;
    const std::u8string generic =
        (base / it->path().filename()).lexically_normal().generic_u8string();
    const std::string shown(generic.begin(), generic.end());
    if (!base::IsWellFormedUtf8(name)) {
      left_out.push_back({shown, "its name is not UTF-8 text; rename it"});
    } else if (!it->is_regular_file(type_ec)) {
      left_out.push_back({shown, "not a regular file"});
    } else {
      entries.push_back({name, shown, TypeWord(name)});
    }
  }
  if (ec) {
    error = folder + ": cannot read the folder: " + ec.message();
    return std::nullopt;
  }
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return NameBefore(a.name, b.name); });
  return entries;
}

// Why the player could not use the file as the named item, or empty when it can.
std::string Problem(const Entry& e, const char* item, size_t first) {
  std::string why;
  const auto bytes = ReadFileStart(PathFromUtf8(e.path), first, why);
  if (!bytes) return "cannot read it: " + why;
  return ItemProblem(item, e.type, *bytes, bytes->size() < first);
}

// [SECTION] Photos

bool IsSongOrLyrics(const std::string& type) {
  return IsSongType(type) || type == "LRC";
}

// When the photo was taken: a JPEG or TIFF says so in its start, a photo
// that is converted anywhere in its file (HEIF keeps its metadata where it
// likes), so that the converted photo takes the place its original would.
std::string DateTaken(const Entry& e, std::span<const uint8_t> start, bool whole) {
  if (e.type == "JPG" || e.type == "TIF") return imaging::ExifDateTaken(start).value_or("");
  if (!IsConvertedType(e.type)) return "";
  if (whole) return ConvertedPhotoDate(start).value_or("");
  std::string why;
  const auto bytes = ReadRegularFile(PathFromUtf8(e.path), why);
  return bytes ? ConvertedPhotoDate(*bytes).value_or("") : "";
}

void AddPhoto(const Entry& e, FolderAlbum& album) {
  std::string why;
  const auto start = ReadFileStart(PathFromUtf8(e.path), kPictureStart, why);
  const bool whole = start && start->size() < kPictureStart;
  if (!start) {
    album.left_out.push_back({e.path, "cannot read it: " + why});
  } else if (why = ItemProblem("ImgNames(1)", e.type, *start, whole); !why.empty()) {
    album.left_out.push_back({e.path, why});
  } else {
    album.photos.push_back({e.path, DateTaken(e, *start, whole)});
  }
}

// Dated photos first, oldest first; then the rest by name (the list is already
// in name order, and the sort keeps it among equals).
void SortPhotos(std::vector<FolderPhoto>& photos) {
  std::stable_sort(photos.begin(), photos.end(), [](const FolderPhoto& a, const FolderPhoto& b) {
    if (a.taken.empty() != b.taken.empty()) return b.taken.empty();
    return a.taken < b.taken;
  });
}

bool ScanPhotos(FolderAlbum& album, bool songs_beside, std::string& error) {
  const auto entries = ListFolder(album.photo_folder, album.left_out, error);
  if (!entries) return false;
  for (const Entry& e : *entries) {
    if (songs_beside && IsSongOrLyrics(e.type)) continue;  // the music scan takes them
    if (IsPictureType(e.type)) {
      AddPhoto(e, album);
    } else {
      album.left_out.push_back(
          {e.path,
           std::string("not a picture (") + kPictureTypes + ")" +
               (IsSongOrLyrics(e.type) ? "; songs and lyrics come from the --music folder" : "")});
    }
  }
  SortPhotos(album.photos);
  return true;
}

// [SECTION] Songs

bool ScanSongs(FolderAlbum& album, bool photos_beside, std::string& error) {
  const auto entries = ListFolder(album.music_folder, album.left_out, error);
  if (!entries) return false;
  std::map<std::string, const Entry*> lyrics;  // by upper-cased name without the extension
  const auto stem = [](const Entry& e) {
    return base::AsciiUpper(Utf8FromPath(PathFromUtf8(e.name).stem()));
  };
  for (const Entry& e : *entries) {
    if (e.type == "LRC" && !lyrics.emplace(stem(e), &e).second)
      album.left_out.push_back({e.path, "another LRC file has the same name"});
  }
  for (const Entry& e : *entries) {
    if (e.type == "LRC") continue;
    if (!IsSongType(e.type)) {
      if (!photos_beside) album.left_out.push_back({e.path, "not a song (MP3, WMA, MID or WAV)"});
      continue;
    }
    if (std::string why = Problem(e, "MusicNames(1)", kSongStart); !why.empty()) {
      album.left_out.push_back({e.path, why});
      continue;
    }
    FolderSong song{e.path, ""};
    if (const auto found = lyrics.find(stem(e)); found != lyrics.end()) {
      const Entry& lrc = *found->second;
      lyrics.erase(found);
      if (std::string why = Problem(lrc, "MusicLyricFiles(1)", media::kMaxLyricFileBytes + 1);
          !why.empty()) {
        album.left_out.push_back({lrc.path, why});
      } else {
        song.lyrics = lrc.path;
      }
    }
    album.songs.push_back(song);
  }
  for (const auto& [name, lrc] : lyrics)
    album.left_out.push_back({lrc->path, "no song of the same name"});
  return true;
}

std::string FolderTitle(const std::string& folder) {
  std::error_code ec;
  fs::path path = fs::absolute(PathFromUtf8(folder), ec).lexically_normal();
  if (!path.has_filename()) path = path.parent_path();
  const std::string name = Utf8FromPath(path.filename());
  return base::IsWellFormedUtf8(name) && !name.empty() ? name : "Album";
}

// [SECTION] The manifest

// A TOML basic string: quotes and backslashes escaped, control characters as
// \u escapes, so that no name can end the string or the line.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", u);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

void WriteHeader(const FolderAlbum& album, std::ostream& out) {
  out << "# An album made from the pictures in " << Quoted(album.photo_folder);
  if (!album.music_folder.empty()) out << " and the songs in " << Quoted(album.music_folder);
  out << ".\n"
         "# Edit it, then build the album with\n"
         "#   albumpack build album.toml -o album.scr\n"
         "# Paths are relative to the folder this file is in: keep it in the folder\n"
         "# albumpack init ran in. docs/albumpack.md describes every key; what is left\n"
         "# out gets a default.\n\n"
      << "title = " << Quoted(album.title) << "\n"
      << "# author = \"\"\n"
         "# title_text = [\"Opening line 1\\r\\nline 2\", \"Ending\"]  # with EnableOpening, "
         "EnableEnding\n"
         "# transitions = \"all\"          # or a list of transition numbers 0-40\n";
}

void WritePhotos(const FolderAlbum& album, std::ostream& out) {
  out << "\n# The photos in the order they were taken, then those without a date by name.\n"
         "# Each may also have a caption, a headline, a duration: see docs/albumpack.md.\n";
  for (const FolderPhoto& photo : album.photos) {
    out << "[[photos]]\nfile = " << Quoted(photo.path);
    if (!photo.taken.empty()) out << "  # taken " << photo.taken;
    out << "\n";
  }
}

void WriteSongs(const FolderAlbum& album, std::ostream& out) {
  if (album.songs.empty()) return;
  out << "\n# The songs, played in this order; lyrics are an LRC file.\n";
  for (const FolderSong& song : album.songs) {
    out << "[[songs]]\nfile = " << Quoted(song.path) << "\n";
    if (!song.lyrics.empty()) out << "lyrics = " << Quoted(song.lyrics) << "\n";
  }
}

void WriteLeftOut(const FolderAlbum& album, std::ostream& out) {
  if (album.left_out.empty()) return;
  out << "\n# Left out:\n";
  for (const LeftOut& l : album.left_out)
    out << "#   " << Quoted(l.path) << ": " << l.why << "\n";
}

}  // namespace

bool NameBefore(const std::string& a, const std::string& b) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      if (const int c = CompareNumbers(a, i, b, j); c != 0) return c < 0;
      continue;
    }
    const char x = base::AsciiUpper(std::string_view(&a[i], 1))[0];
    const char y = base::AsciiUpper(std::string_view(&b[j], 1))[0];
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    ++i;
    ++j;
  }
  if ((i < a.size()) != (j < b.size())) return j < b.size();
  return a < b;  // equal but for case or leading zeros: any fixed order
}

std::optional<FolderAlbum> ScanFolders(const std::string& photo_folder,
                                       const std::string& music_folder, std::string& error) {
  FolderAlbum album;
  album.title = FolderTitle(photo_folder);
  album.photo_folder = photo_folder;
  album.music_folder = music_folder;
  std::error_code ec;
  const bool same = !music_folder.empty() &&
                    fs::equivalent(PathFromUtf8(photo_folder), PathFromUtf8(music_folder), ec);
  if (!ScanPhotos(album, same, error)) return std::nullopt;
  if (!music_folder.empty() && !ScanSongs(album, same, error)) return std::nullopt;
  std::sort(album.left_out.begin(), album.left_out.end(),
            [](const LeftOut& a, const LeftOut& b) { return a.path < b.path; });
  if (album.photos.empty()) {
    error = photo_folder + ": no picture the player can show (" + kPictureTypes + ")";
    return std::nullopt;
  }
  return album;
}

std::string ManifestText(const FolderAlbum& album) {
  std::ostringstream out;
  WriteHeader(album, out);
  WritePhotos(album, out);
  WriteSongs(album, out);
  WriteLeftOut(album, out);
  out << "\n# Any album setting by its key, for example:\n"
         "# [settings]\n"
         "# TimeInterval = 5.0               # seconds each photo shows\n"
         "# PlayPhotoInRamdomOrder = true    # shuffle the photos\n"
         "# EnableSync = true                # fit the slides to the songs\n";
  return out.str();
}

}  // namespace lantern::albumpack
