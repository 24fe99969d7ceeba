// The native backend's files: the POSIX file system. The portable code's
// paths are Windows paths; here a backslash is a folder separator as a slash
// is, so "C:\" style drive letters are the one thing it does not read.
#pragma once

#include "platform/platform.h"

namespace lantern::platform::native {

// A path of the portable code as this system names it: backslashes become
// slashes.
std::string SystemPath(const std::string& path);

class NativeFileSystem final : public FileSystem {
 public:
  // Held with an exclusive advisory lock (flock): another process asking for
  // the same hold is refused while this one lives.
  std::unique_ptr<FileHold> HoldOpen(const std::string& path) override;
  bool Exists(const std::string& path) override;
  bool IsFolder(const std::string& path) override;
  std::optional<uint64_t> FileSize(const std::string& path) override;
  std::optional<std::vector<uint8_t>> ReadFile(const std::string& path) override;
  bool CreateFolder(const std::string& path) override;
  bool DeleteTree(const std::string& path) override;
  bool WriteAt(const std::string& path, std::span<const uint8_t> data, uint64_t offset) override;
  // The same as WriteAt: a mapped view buys nothing here.
  bool WriteMapped(const std::string& path, std::span<const uint8_t> data,
                   uint64_t offset) override;
  // Nanoseconds since 1970.
  std::optional<int64_t> ModifiedTime(const std::string& path) override;
  bool CopyFileReplacing(const std::string& from, const std::string& to) override;
  NewFileResult WriteNewFile(const std::string& path, std::span<const uint8_t> data) override;
};

}  // namespace lantern::platform::native
