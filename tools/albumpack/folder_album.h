// An album made from a folder of photos and, optionally, a folder of songs:
// which files go in and in which order, which are left out and why, and the
// commented manifest that says so. `init` prints that manifest; `build` of a
// folder reads the same text as if it were a manifest file, so both make the
// same album.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lantern::albumpack {

struct FolderPhoto {
  std::string path;   // the folder as given, then the file name; '/' between them
  std::string taken;  // the EXIF date taken ("YYYY:MM:DD HH:MM:SS"), or empty
};

struct FolderSong {
  std::string path;
  std::string lyrics;  // the LRC file of the same name, or empty
};

struct LeftOut {
  std::string path;
  std::string why;
};

struct FolderAlbum {
  std::string title;  // the photo folder's name
  std::string photo_folder;
  std::string music_folder;  // empty without songs
  std::vector<FolderPhoto> photos;
  std::vector<FolderSong> songs;
  std::vector<LeftOut> left_out;  // by path
};

// Every picture in `photo_folder` the player can show or `build` converts
// into one (HEIC, WebP, AVIF), in the order taken (EXIF) and then, for
// pictures without a date, by name (subfolders are not searched; names
// starting with '.' are ignored); every song in
// `music_folder` (when not empty) by name, each with its same-named LRC
// file. Nothing, with the reason in `error`, when a folder cannot be read or
// holds no picture to show.
std::optional<FolderAlbum> ScanFolders(const std::string& photo_folder,
                                       const std::string& music_folder, std::string& error);

// The manifest of the album: TOML with comments on what can be changed.
// Paths are as ScanFolders wrote them, so the manifest reads them relative
// to the folder it was made in.
std::string ManifestText(const FolderAlbum& album);

// The order of file names a person expects: letters regardless of case,
// runs of digits by their value ("img9" before "img10").
bool NameBefore(const std::string& a, const std::string& b);

}  // namespace lantern::albumpack
