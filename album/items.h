// Album items: loading an item's bytes from the program's resources,
// unscrambling them, and writing them out to files; the per-run extraction
// folder for songs and lyric files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace lantern::album {

// The name of the resource that holds the settings blob; the only item stored
// without scrambling.
inline constexpr char kSettingsItem[] = "ALLDATASETTINGS";

// XORs the first 256 bytes (all of a shorter item) with the album key
// stream: the generator reseeded by a draw with -604160, then one draw per
// byte, the integer part of draw * 256. XOR is its own inverse, so this both
// scrambles (the album builder) and unscrambles (the player). The stream
// restarts for every item.
void ApplyItemKeyStream(std::span<uint8_t> bytes);
// How many bytes at the start of an item the key stream covers.
inline constexpr size_t kScrambledItemBytes = 256;

enum class WriteMode {
  kPlain,   // a binary write at the start of the file (a longer file keeps its tail)
  kMapped,  // one copy through a mapped view of the file (songs for playback)
};

class AlbumItems {
 public:
  AlbumItems(platform::Resources& resources, platform::FileSystem& files,
             platform::MessageLoop& loop)
      : resources_(resources), files_(files), loop_(&loop) {}
  // Items read by a tool without windows: nothing to pump while extracting.
  AlbumItems(platform::Resources& resources, platform::FileSystem& files)
      : resources_(resources), files_(files), loop_(nullptr) {}

  // The item's bytes, unscrambled; nullopt when the album has no such item.
  std::optional<std::vector<uint8_t>> LoadItemBytes(const std::string& item_name);
  // The settings blob, as stored.
  std::optional<std::vector<uint8_t>> LoadSettingsBlob();
  // Writes the item's bytes to a file, a few megabytes at a time. Pending
  // window messages run after the load and after every piece, so a long
  // extraction neither freezes the window nor holds up a close: once
  // `stopped` says so the extraction ends there, the file left partial.
  // False when the item is missing, the file cannot be written or the
  // extraction was stopped.
  bool ExtractItem(const std::string& item_name, const std::string& destination, WriteMode mode,
                   const std::function<bool()>& stopped = {});
  // The bytes written between two dispatches of an extraction.
  static constexpr size_t kExtractPieceBytes = size_t{4} << 20;

 private:
  platform::Resources& resources_;
  platform::FileSystem& files_;
  platform::MessageLoop* loop_;
};

// The per-run folder for songs and lyric files, held by this run: a file in
// it stays open without delete sharing for as long as the folder is held, so
// no other copy of the program deletes or reuses it meanwhile.
struct ExtractionFolder {
  std::string path;  // with its trailing backslash
  std::unique_ptr<platform::FileHold> hold;
};

// Makes and holds the per-run folder under the temporary folder (which ends
// in "\"): the first of "~Pemo\", "~Pemo1\", "~Pemo2\", ... that no running
// copy holds. A folder left by a run that ended without deleting it is
// emptied and reused. nullopt when no such folder can be made (then nothing
// may be extracted).
std::optional<ExtractionFolder> MakeExtractionFolder(platform::FileSystem& files,
                                                     const std::string& temp_folder);
// Releases the folder and deletes it with everything in it, but only when
// its path ends in "~Pemo\" or "~Pemo" and a number and "\" (without regard
// to case), so a wrong value can never delete anything else.
bool DeleteExtractionFolder(platform::FileSystem& files, ExtractionFolder& folder);
bool DeleteExtractionFolder(platform::FileSystem& files, const std::string& folder);

}  // namespace lantern::album
