// In-memory resources and files for the fake backend. Paths compare without
// regard to ASCII case and to a trailing backslash, as on Windows.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace lantern::platform::fake {

class FakeResources final : public Resources {
 public:
  void Add(const std::string& name, std::vector<uint8_t> bytes);
  std::optional<std::vector<uint8_t>> LoadData(const std::string& name) override;
  int loads() const { return loads_; }
  // Runs on every load, with the name asked for: lets a test act at exactly
  // the moment an item is read (script an event for the next pump, say).
  std::function<void(const std::string& name)> on_load;

 private:
  std::map<std::string, std::vector<uint8_t>> data_;  // by upper-cased name
  int loads_ = 0;
};

class FakeFileSystem final : public FileSystem {
 public:
  // Drives ("C:") exist from the start.
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
  // Keeps the source's modification time, as the system's copy does.
  bool CopyFileReplacing(const std::string& from, const std::string& to) override;
  NewFileResult WriteNewFile(const std::string& path, std::span<const uint8_t> data) override;

  // Nothing can be written or deleted inside this folder from now on.
  void set_read_only(const std::string& folder);
  // The drive ("X:") is not there: its root is no folder.
  void set_drive_missing(const std::string& drive) { missing_drives_.insert(Key(drive)); }
  // New files (WriteNewFile) can take only this many more bytes in all: the
  // disk is nearly full.
  void set_free_space(uint64_t bytes) { free_space_ = bytes; }
  int mapped_writes() const { return mapped_writes_; }
  int plain_writes() const { return plain_writes_; }
  // Every path deleted, in the order of deletion (for checking depth-first order).
  const std::vector<std::string>& deleted() const { return deleted_; }

 private:
  static std::string Key(const std::string& path);
  bool ParentExists(const std::string& key) const;
  bool Write(const std::string& path, std::span<const uint8_t> data, uint64_t offset);
  bool Writable(const std::string& key) const;
  // A held file, or a folder with one inside.
  bool Held(const std::string& key) const;

  std::map<std::string, std::vector<uint8_t>> files_;
  std::set<std::string> folders_;
  std::set<std::string> missing_drives_;
  std::set<std::string> read_only_;          // folder keys, with their trailing backslash
  std::map<std::string, int64_t> modified_;  // by key: a count that grows with every write
  int64_t write_clock_ = 1;
  std::vector<std::string> deleted_;
  std::set<std::string> held_;  // keys of files held open
  uint64_t free_space_ = UINT64_MAX;
  int mapped_writes_ = 0;
  int plain_writes_ = 0;
};

}  // namespace lantern::platform::fake
