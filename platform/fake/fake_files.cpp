// In-memory resources and files.
#include "platform/fake/fake_files.h"

#include <algorithm>
#include <cstring>

#include "base/text.h"

namespace lantern::platform::fake {

void FakeResources::Add(const std::string& name, std::vector<uint8_t> bytes) {
  data_[base::AsciiUpper(name)] = std::move(bytes);
}

std::optional<std::vector<uint8_t>> FakeResources::LoadData(const std::string& name) {
  ++loads_;
  if (on_load) on_load(name);
  const auto it = data_.find(base::AsciiUpper(name));
  if (it == data_.end()) return std::nullopt;
  return it->second;
}

std::string FakeFileSystem::Key(const std::string& path) {
  std::string key = base::AsciiUpper(path);
  while (key.size() > 1 && key.back() == '\\')
    key.pop_back();
  return key;
}

bool FakeFileSystem::ParentExists(const std::string& key) const {
  const size_t slash = key.rfind('\\');
  if (slash == std::string::npos) return false;
  const std::string parent = key.substr(0, slash);
  const bool drive = parent.size() == 2 && parent[1] == ':';
  return drive || folders_.count(parent) != 0;
}

bool FakeFileSystem::Exists(const std::string& path) {
  const std::string key = Key(path);
  return files_.count(key) != 0 || folders_.count(key) != 0;
}

bool FakeFileSystem::IsFolder(const std::string& path) {
  const std::string key = Key(path);
  const bool drive = key.size() == 2 && key[1] == ':';
  return folders_.count(key) != 0 || (drive && missing_drives_.count(key) == 0);
}

std::optional<uint64_t> FakeFileSystem::FileSize(const std::string& path) {
  const auto it = files_.find(Key(path));
  if (it == files_.end()) return std::nullopt;
  return it->second.size();
}

std::optional<std::vector<uint8_t>> FakeFileSystem::ReadFile(const std::string& path) {
  const auto it = files_.find(Key(path));
  if (it == files_.end()) return std::nullopt;
  return it->second;
}

bool FakeFileSystem::CreateFolder(const std::string& path) {
  const std::string key = Key(path);
  if (Exists(key) || !ParentExists(key)) return false;
  folders_.insert(key);
  return true;
}

bool FakeFileSystem::DeleteTree(const std::string& path) {
  const std::string key = Key(path);
  if (!Writable(key)) return false;
  if (files_.count(key) != 0) {
    if (Held(key)) return false;
    files_.erase(key);
    deleted_.push_back(key);
    return true;
  }
  if (folders_.count(key) == 0) return false;
  const std::string prefix = key + "\\";
  // Deepest paths first: a longer path under the folder is never a parent of a shorter one.
  std::vector<std::string> inside;
  for (const auto& [file, bytes] : files_) {
    if (file.rfind(prefix, 0) == 0) inside.push_back(file);
  }
  for (const auto& folder : folders_) {
    if (folder.rfind(prefix, 0) == 0) inside.push_back(folder);
  }
  std::sort(inside.begin(), inside.end(), [](const std::string& a, const std::string& b) {
    return std::count(a.begin(), a.end(), '\\') > std::count(b.begin(), b.end(), '\\');
  });
  inside.push_back(key);
  bool all = true;
  for (const auto& p : inside) {
    if (Held(p)) {
      all = false;
      continue;
    }
    files_.erase(p);
    folders_.erase(p);
    deleted_.push_back(p);
  }
  return all;
}

bool FakeFileSystem::Held(const std::string& key) const {
  const std::string prefix = key + "\\";
  return std::any_of(held_.begin(), held_.end(), [&](const std::string& held) {
    return held == key || held.rfind(prefix, 0) == 0;
  });
}

std::unique_ptr<FileHold> FakeFileSystem::HoldOpen(const std::string& path) {
  const std::string key = Key(path);
  if (held_.count(key) != 0) return nullptr;
  if (files_.count(key) == 0 && !Write(path, {}, 0)) return nullptr;
  class Hold final : public FileHold {
   public:
    Hold(std::set<std::string>& held, std::string key) : held_(held), key_(std::move(key)) {
      held_.insert(key_);
    }
    ~Hold() override { held_.erase(key_); }

   private:
    std::set<std::string>& held_;
    std::string key_;
  };
  return std::make_unique<Hold>(held_, key);
}

bool FakeFileSystem::Write(const std::string& path, std::span<const uint8_t> data,
                           uint64_t offset) {
  const std::string key = Key(path);
  if (folders_.count(key) != 0 || !ParentExists(key) || !Writable(key)) return false;
  modified_[key] = ++write_clock_;
  std::vector<uint8_t>& file = files_[key];
  if (file.size() < offset + data.size()) file.resize(offset + data.size());
  if (!data.empty()) std::memcpy(file.data() + offset, data.data(), data.size());
  return true;
}

bool FakeFileSystem::WriteAt(const std::string& path, std::span<const uint8_t> data,
                             uint64_t offset) {
  ++plain_writes_;
  return Write(path, data, offset);
}

bool FakeFileSystem::WriteMapped(const std::string& path, std::span<const uint8_t> data,
                                 uint64_t offset) {
  ++mapped_writes_;
  return Write(path, data, offset);
}

FileSystem::NewFileResult FakeFileSystem::WriteNewFile(const std::string& path,
                                                       std::span<const uint8_t> data) {
  const std::string key = Key(path);
  if (files_.count(key) != 0 || folders_.count(key) != 0) return {NewFile::kExists, {}};
  if (!ParentExists(key)) return {NewFile::kFailed, "The system cannot find the path specified."};
  if (!Writable(key)) return {NewFile::kFailed, "Access is denied."};
  if (data.size() > free_space_) {
    return {NewFile::kFailed, "There is not enough space on the disk."};
  }
  free_space_ -= data.size();
  ++plain_writes_;
  Write(path, data, 0);
  return {NewFile::kWritten, {}};
}

bool FakeFileSystem::Writable(const std::string& key) const {
  for (const std::string& folder : read_only_) {
    if (key.compare(0, folder.size(), folder) == 0) return false;
  }
  return true;
}

void FakeFileSystem::set_read_only(const std::string& folder) {
  std::string key = Key(folder);
  if (key.empty() || key.back() != '\\') key += '\\';
  read_only_.insert(key);
}

std::optional<int64_t> FakeFileSystem::ModifiedTime(const std::string& path) {
  const auto it = modified_.find(Key(path));
  if (it == modified_.end() || files_.count(it->first) == 0) return std::nullopt;
  return it->second;
}

bool FakeFileSystem::CopyFileReplacing(const std::string& from, const std::string& to) {
  const auto source = files_.find(Key(from));
  if (source == files_.end()) return false;
  const std::vector<uint8_t> bytes = source->second;
  const int64_t when = modified_[source->first];
  if (!Write(to, bytes, 0)) return false;
  files_[Key(to)].resize(bytes.size());
  modified_[Key(to)] = when;
  return true;
}

}  // namespace lantern::platform::fake
