// Album items: loading an item's bytes from the program's resources,
// unscrambling them, and writing them out to files; the per-run extraction
// folder for songs and lyric files.
#pragma once

#include <cstdint>
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

enum class WriteMode {
  kPlain,   // a binary write at the start of the file (a longer file keeps its tail)
  kMapped,  // one copy through a mapped view of the file (songs for playback)
};

class AlbumItems {
 public:
  AlbumItems(platform::Resources& resources, platform::FileSystem& files,
             platform::MessageLoop& loop)
      : resources_(resources), files_(files), loop_(loop) {}

  // The item's bytes, unscrambled; nullopt when the album has no such item.
  std::optional<std::vector<uint8_t>> LoadItemBytes(const std::string& item_name);
  // The settings blob, as stored.
  std::optional<std::vector<uint8_t>> LoadSettingsBlob();
  // Writes the item's bytes to a file. Pending window messages run once
  // between loading and writing, so a long extraction does not freeze the
  // window. False when the item is missing or the file cannot be written.
  bool ExtractItem(const std::string& item_name, const std::string& destination, WriteMode mode);

 private:
  platform::Resources& resources_;
  platform::FileSystem& files_;
  platform::MessageLoop& loop_;
};

// Makes the per-run folder under the temporary folder (which ends in "\"):
// "~Pemo\" normally, "~Pemo1\" when an entry named "~Pemo" already exists (a
// stale "~Pemo1\" is deleted first). Returns the folder with its trailing
// backslash, or nullopt when it could not be made.
std::optional<std::string> MakeExtractionFolder(platform::FileSystem& files,
                                                const std::string& temp_folder);
// Deletes the folder with everything in it, but only when its path ends in
// "~Pemo\" or "~Pemo1\" (without regard to case), so a wrong value can never
// delete anything else.
bool DeleteExtractionFolder(platform::FileSystem& files, const std::string& folder);

}  // namespace lantern::album
