// The album builder's commands. Each returns the process exit code and writes
// what it has to say to `out`, problems to `err`.
#pragma once

#include <ostream>
#include <string>

#include "platform/platform.h"

namespace lantern::albumpack {

struct BuildOptions {
  std::string manifest;  // a manifest file, or a folder of photos
  std::string output;
  std::string stub;          // the player to copy; found beside the builder when empty
  std::string builder_path;  // argv[0], for finding the player beside it
  bool progress = false;     // draw a progress bar on err
  std::string music = "";    // with a folder of photos: the folder of songs, or empty
};

// `pictures` stands for the system's picture decoder in the decode checks of
// build and check: a photo it cannot decode is left out of a build, and
// check names every picture item that does not decode.
int Build(const BuildOptions& options, platform::PictureDecoder& pictures, std::ostream& out,
          std::ostream& err);
// Prints the manifest that `build` of the photo folder uses, to edit and build.
int Init(const std::string& photo_folder, const std::string& music_folder, std::ostream& out,
         std::ostream& err);
int List(const std::string& album, std::ostream& out, std::ostream& err);
int Settings(const std::string& album, std::ostream& out, std::ostream& err);
int Extract(const std::string& album, const std::string& folder, std::ostream& out,
            std::ostream& err);
int Check(const std::string& album, platform::PictureDecoder& pictures, std::ostream& out,
          std::ostream& err);

// The file name an extracted item gets: "photo-3.jpg", "song-1.mp3",
// "lyrics-1.lrc", "font-2.ttf", or the item name and its type ("btn_prev.png").
std::string ExtractedName(const std::string& item_name, const std::string& type_word);

}  // namespace lantern::albumpack
