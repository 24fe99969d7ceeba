// The Windows backend's file system, and the running module's image.
#pragma once

#include "platform/platform.h"

namespace lantern::platform::win32 {

class Win32FileSystem final : public FileSystem {
 public:
  bool Exists(const std::string& path) override;
  bool IsFolder(const std::string& path) override;
  std::optional<uint64_t> FileSize(const std::string& path) override;
  std::optional<std::vector<uint8_t>> ReadFile(const std::string& path) override;
  bool CreateFolder(const std::string& path) override;
  bool DeleteTree(const std::string& path) override;
  std::unique_ptr<FileHold> HoldOpen(const std::string& path) override;
  bool WriteAt(const std::string& path, std::span<const uint8_t> data, uint64_t offset) override;
  bool WriteMapped(const std::string& path, std::span<const uint8_t> data,
                   uint64_t offset) override;
  std::optional<int64_t> ModifiedTime(const std::string& path) override;
  bool CopyFileReplacing(const std::string& from, const std::string& to) override;
  NewFileResult WriteNewFile(const std::string& path, std::span<const uint8_t> data) override;
};

}  // namespace lantern::platform::win32
