// Item loading, the key stream, extraction and the extraction folder.
#include "album/items.h"

#include <algorithm>

#include "base/rnd.h"
#include "base/text.h"

namespace lantern::album {

namespace {
constexpr float kKeySeed = -604160.0f;
constexpr size_t kScrambledBytes = 256;
}  // namespace

void ApplyItemKeyStream(std::span<uint8_t> bytes) {
  base::Rnd rnd;
  rnd.Draw(kKeySeed);
  const size_t n = std::min(bytes.size(), kScrambledBytes);
  for (size_t i = 0; i < n; ++i) {
    bytes[i] ^= static_cast<uint8_t>(static_cast<int>(rnd.Next() * 256.0f));
  }
}

std::optional<std::vector<uint8_t>> AlbumItems::LoadItemBytes(const std::string& item_name) {
  auto bytes = resources_.LoadData(item_name);
  if (bytes) ApplyItemKeyStream(*bytes);
  return bytes;
}

std::optional<std::vector<uint8_t>> AlbumItems::LoadSettingsBlob() {
  return resources_.LoadData(kSettingsItem);
}

bool AlbumItems::ExtractItem(const std::string& item_name, const std::string& destination,
                             WriteMode mode) {
  const auto bytes = LoadItemBytes(item_name);
  if (!bytes) return false;
  loop_.PumpMessages();
  return mode == WriteMode::kMapped ? files_.WriteMapped(destination, *bytes, 0)
                                    : files_.WriteAt(destination, *bytes, 0);
}

std::optional<std::string> MakeExtractionFolder(platform::FileSystem& files,
                                                const std::string& temp_folder) {
  std::string folder = temp_folder + "~Pemo\\";
  if (files.Exists(temp_folder + "~Pemo")) {
    folder = temp_folder + "~Pemo1\\";
    if (files.Exists(folder)) files.DeleteTree(folder);
  }
  if (!files.CreateFolder(folder) && !files.IsFolder(folder)) return std::nullopt;
  return folder;
}

bool DeleteExtractionFolder(platform::FileSystem& files, const std::string& folder) {
  const std::string upper = base::AsciiUpper(folder);
  const auto ends_with = [&](std::string_view tail) {
    return upper.size() >= tail.size() &&
           upper.compare(upper.size() - tail.size(), tail.size(), tail) == 0;
  };
  if (!ends_with("~PEMO\\") && !ends_with("~PEMO1\\")) return false;
  return files.DeleteTree(folder);
}

}  // namespace lantern::album
