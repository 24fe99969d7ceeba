// POSIX files for the native backend.
#include "platform/native/native_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace lantern::platform::native {

namespace {

namespace fs = std::filesystem;

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

class LockHold final : public FileHold {
 public:
  explicit LockHold(int fd) : fd_(fd) {}
  ~LockHold() override { close(fd_); }

 private:
  int fd_;
};

std::optional<struct stat> Status(const std::string& path) {
  struct stat st {};
  if (stat(SystemPath(path).c_str(), &st) != 0) return std::nullopt;
  return st;
}

// Writes all of `data` at `offset`, through short writes and interruptions.
bool WriteAll(int fd, std::span<const uint8_t> data, uint64_t offset) {
  while (!data.empty()) {
    const ssize_t n = pwrite(fd, data.data(), data.size(), static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data = data.subspan(static_cast<size_t>(n));
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

}  // namespace

std::string SystemPath(const std::string& path) {
  std::string out = path;
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

std::unique_ptr<FileHold> NativeFileSystem::HoldOpen(const std::string& path) {
  const int fd = open(SystemPath(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<LockHold>(fd);
}

bool NativeFileSystem::Exists(const std::string& path) {
  return Status(path).has_value();
}

bool NativeFileSystem::IsFolder(const std::string& path) {
  const auto st = Status(path);
  return st && S_ISDIR(st->st_mode);
}

std::optional<uint64_t> NativeFileSystem::FileSize(const std::string& path) {
  const auto st = Status(path);
  if (!st || !S_ISREG(st->st_mode)) return std::nullopt;
  return static_cast<uint64_t>(st->st_size);
}

std::optional<std::vector<uint8_t>> NativeFileSystem::ReadFile(const std::string& path) {
  const Descriptor fd(open(SystemPath(path).c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (fd.get() < 0 || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  std::vector<uint8_t> bytes;
  bytes.reserve(static_cast<size_t>(st.st_size));
  uint8_t chunk[1 << 16];
  for (;;) {
    const ssize_t n = read(fd.get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) return bytes;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
}

bool NativeFileSystem::CreateFolder(const std::string& path) {
  return mkdir(SystemPath(path).c_str(), 0755) == 0 || (errno == EEXIST && IsFolder(path));
}

// std::filesystem::remove_all removes a symbolic link itself, never what it
// points to; a failure part-way leaves the rest.
bool NativeFileSystem::DeleteTree(const std::string& path) {
  std::error_code error;
  fs::remove_all(fs::path(SystemPath(path)), error);
  return !error && !Exists(path);
}

bool NativeFileSystem::WriteAt(const std::string& path, std::span<const uint8_t> data,
                               uint64_t offset) {
  const Descriptor fd(open(SystemPath(path).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
  return fd.get() >= 0 && WriteAll(fd.get(), data, offset);
}

bool NativeFileSystem::WriteMapped(const std::string& path, std::span<const uint8_t> data,
                                   uint64_t offset) {
  return WriteAt(path, data, offset);
}

std::optional<int64_t> NativeFileSystem::ModifiedTime(const std::string& path) {
  const auto st = Status(path);
  if (!st) return std::nullopt;
  return int64_t{st->st_mtim.tv_sec} * 1000000000 + st->st_mtim.tv_nsec;
}

bool NativeFileSystem::CopyFileReplacing(const std::string& from, const std::string& to) {
  std::error_code error;
  return fs::copy_file(SystemPath(from), SystemPath(to), fs::copy_options::overwrite_existing,
                       error) &&
         !error;
}

FileSystem::NewFileResult NativeFileSystem::WriteNewFile(const std::string& path,
                                                         std::span<const uint8_t> data) {
  const std::string name = SystemPath(path);
  const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (errno == EEXIST) return {NewFile::kExists, {}};
    return {NewFile::kFailed, std::strerror(errno)};
  }
  const bool written = WriteAll(fd, data, 0);
  const int write_error = errno;
  if (close(fd) != 0 || !written) {
    unlink(name.c_str());
    return {NewFile::kFailed, std::strerror(written ? errno : write_error)};
  }
  return {NewFile::kWritten, {}};
}

}  // namespace lantern::platform::native
