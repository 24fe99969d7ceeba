// Item loading, the key stream, extraction and the extraction folder.
#include "album/items.h"

#include <algorithm>

#include "base/rnd.h"
#include "base/text.h"

namespace lantern::album {

namespace {
constexpr float kKeySeed = -604160.0f;
}  // namespace

void ApplyItemKeyStream(std::span<uint8_t> bytes) {
  base::Rnd rnd;
  rnd.Draw(kKeySeed);
  const size_t n = std::min(bytes.size(), kScrambledItemBytes);
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
                             WriteMode mode, const std::function<bool()>& stopped) {
  const auto bytes = LoadItemBytes(item_name);
  if (!bytes) return false;
  const std::span<const uint8_t> all(*bytes);
  size_t at = 0;
  do {
    if (loop_ != nullptr) loop_->PumpMessages();
    if (stopped && stopped()) return false;
    const std::span<const uint8_t> piece =
        all.subspan(at, std::min(kExtractPieceBytes, all.size() - at));
    const bool written = mode == WriteMode::kMapped ? files_.WriteMapped(destination, piece, at)
                                                    : files_.WriteAt(destination, piece, at);
    if (!written) return false;
    at += piece.size();
  } while (at < all.size());
  return true;
}

namespace {

// Candidates beyond "~Pemo" and "~Pemo1": enough for every copy a user runs at once.
constexpr int kExtractionFolders = 100;
// The file each run holds open in its folder.
constexpr char kHoldFile[] = "~Pemo.lck";

bool IsExtractionFolderName(const std::string& folder) {
  const std::string upper = base::AsciiUpper(folder);
  if (upper.size() < 2 || upper.back() != '\\') return false;
  size_t end = upper.size() - 1;
  size_t digits = end;
  while (digits > 0 && upper[digits - 1] >= '0' && upper[digits - 1] <= '9')
    --digits;
  if (end - digits > 2 || (end - digits >= 1 && upper[digits] == '0')) return false;
  return digits >= 6 && upper.compare(digits - 6, 6, "\\~PEMO") == 0;
}

}  // namespace

std::optional<ExtractionFolder> MakeExtractionFolder(platform::FileSystem& files,
                                                     const std::string& temp_folder) {
  for (int n = 0; n < kExtractionFolders; ++n) {
    const std::string folder = temp_folder + "~Pemo" + (n == 0 ? "" : std::to_string(n)) + "\\";
    if (!files.CreateFolder(folder) && !files.IsFolder(folder)) continue;  // a file of that name
    auto hold = files.HoldOpen(folder + kHoldFile);
    if (!hold) continue;  // a running copy's
    // What a run that ended without deleting the folder left there goes;
    // the held file, and with it the folder, stays.
    files.DeleteTree(folder);
    return ExtractionFolder{folder, std::move(hold)};
  }
  return std::nullopt;
}

bool DeleteExtractionFolder(platform::FileSystem& files, ExtractionFolder& folder) {
  folder.hold.reset();
  return DeleteExtractionFolder(files, folder.path);
}

bool DeleteExtractionFolder(platform::FileSystem& files, const std::string& folder) {
  if (!IsExtractionFolderName(folder)) return false;
  return files.DeleteTree(folder);
}

}  // namespace lantern::album
