// Exporting the album's songs, lyric files and photos into a folder the user
// chooses: which files (named by number and type word), writing them without
// ever replacing a file, and the export action with its folder picker,
// optional password and messages.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "album/album_settings.h"
#include "album/items.h"
#include "album/property_bag.h"
#include "platform/platform.h"

namespace lantern::dialogs {

struct ExportFile {
  std::string item;       // "MusicNames(1)", "MusicLyricFiles(1)", "ImgNames(3)"
  std::string file_name;  // "1.MP3", "1.LRC", "3.JPG"
};

// A file the export could not make, and why.
struct LeftOutFile {
  enum class Why { kOddType, kUnreadable };
  std::string item;
  Why why;
};

struct ExportPlan {
  std::vector<ExportFile> files;
  std::vector<LeftOutFile> left_out;  // items whose type word cannot name a file
};

// The files of an export in order: each song and its lyric file, then the
// photos. An item whose type word is not a plain word of letters and digits
// is left out (and listed): the word becomes part of a path, and a damaged
// album must not name a file outside the chosen folder.
ExportPlan PlanExport(const album::AlbumSettings& settings, const album::PropertyBag& store);

struct ExportOutcome {
  int32_t written = 0;
  int32_t skipped = 0;                // already in the folder
  std::vector<LeftOutFile> left_out;  // items the album could not give
  std::string failed_path;            // empty unless a write failed
  std::string reason;
  bool ok() const { return failed_path.empty() && left_out.empty(); }
};

// Writes the planned files into `folder` (which ends in "\"). A file that
// exists is left as it is; an item the album cannot give is left out and
// listed, and the export goes on; the first file that cannot be written ends
// the export, leaving the files already written. `between` runs after every
// file (the caller keeps the window's messages flowing there).
ExportOutcome ExportAlbum(album::AlbumItems& items, platform::FileSystem& files,
                          const std::string& folder, const std::vector<ExportFile>& plan,
                          const std::function<void()>& between);

// The closing message: the completion message and the folder when every
// file is there; otherwise what failed, the folder that holds what was
// written, and each file left out (the first few of a long list).
std::string ExportMessage(const std::string& folder, const ExportPlan& plan,
                          const ExportOutcome& outcome);

// No password protects the export: the setting is empty or a single space.
bool NoExportPassword(const std::string& password);

// The export button's action, from asking for the folder to the closing
// message. `owner` is the dialog that asks.
class ExportAction {
 public:
  ExportAction(platform::Platform& platform, album::AlbumItems& items,
               const album::AlbumSettings& settings, const album::PropertyBag& store)
      : platform_(platform), items_(items), settings_(settings), store_(store) {}

  void Run(platform::WindowId owner);

 private:
  void ExportTo(platform::WindowId owner, const std::string& folder);

  platform::Platform& platform_;
  album::AlbumItems& items_;
  const album::AlbumSettings& settings_;
  const album::PropertyBag& store_;
};

}  // namespace lantern::dialogs
