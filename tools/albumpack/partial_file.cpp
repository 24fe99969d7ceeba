// Partial files: made new and held while written, removed once nobody holds them.
#include "tools/albumpack/partial_file.h"

#include <atomic>
#include <cerrno>
#include <string_view>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace lantern::albumpack {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSuffix = ".partial";
// Names taken by files of earlier writes are passed over; this many in a row
// means something else is wrong.
constexpr int kAttempts = 1000;

int ProcessId() {
#ifdef _WIN32
  return _getpid();
#else
  return static_cast<int>(::getpid());
#endif
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Whether `name` is "OUTPUT.PID-N.partial" for this output's file name.
bool IsPartialName(std::string_view name, std::string_view output) {
  if (name.size() <= output.size() + 1 + kSuffix.size() || !name.starts_with(output) ||
      name[output.size()] != '.' || !name.ends_with(kSuffix)) {
    return false;
  }
  name = name.substr(output.size() + 1, name.size() - output.size() - 1 - kSuffix.size());
  const size_t dash = name.find('-');
  return dash != std::string_view::npos && AllDigits(name.substr(0, dash)) &&
         AllDigits(name.substr(dash + 1));
}

// The next name beside `output`: the process id tells processes apart, the
// count the writes of one process.
fs::path NextName(const fs::path& output) {
  static std::atomic<unsigned> count{0};
  fs::path name = output;
  name += "." + std::to_string(ProcessId()) + "-" + std::to_string(++count) + std::string(kSuffix);
  return name;
}

#ifdef _WIN32

// Created only when no file has the name. The C runtime opens it without
// delete sharing, so nobody removes it while it is open.
int CreateNew(const fs::path& path) {
  int fd = -1;
  _wsopen_s(&fd, path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _SH_DENYNO,
            _S_IREAD | _S_IWRITE);
  return fd;
}

File Stream(int fd) {
  File file(_fdopen(fd, "wb"));
  if (!file) _close(fd);
  return file;
}

void RemoveIfUnheld(const fs::path& path) {
  std::error_code ec;
  fs::remove(path, ec);  // fails while a write has it open
}

#else

bool SameFile(int fd, const fs::path& path) {
  struct stat held {};
  struct stat named {};
  return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 &&
         held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

// Created only when no file has the name, then locked. A remover that took
// the file before the lock has unlinked it; the name is then given up.
int CreateNew(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return fd;
  if (::flock(fd, LOCK_EX) == 0 && SameFile(fd, path)) return fd;
  ::close(fd);
  errno = EEXIST;
  return -1;
}

File Stream(int fd) {
  File file(::fdopen(fd, "wb"));
  if (!file) ::close(fd);
  return file;
}

// A living write holds its lock until it closes the file; the lock of a
// killed one went with its process.
void RemoveIfUnheld(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return;
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && SameFile(fd, path)) ::unlink(path.c_str());
  ::close(fd);
}

#endif

}  // namespace

std::optional<PartialFile> CreatePartialFile(const fs::path& output, std::string& why) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    fs::path path = NextName(output);
    errno = 0;
    const int fd = CreateNew(path);
    if (fd < 0 && errno == EEXIST) continue;
    File file = fd < 0 ? nullptr : Stream(fd);
    if (!file) {
      why = errno != 0 ? std::generic_category().message(errno) : "an input or output error";
      return std::nullopt;
    }
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    return PartialFile{std::move(path), std::move(file)};
  }
  why = "no free name for a temporary file";
  return std::nullopt;
}

void RemoveStalePartialFiles(const fs::path& output) {
  const fs::path folder = output.has_parent_path() ? output.parent_path() : fs::path(".");
  const std::u8string name = output.filename().u8string();
  const std::string_view output_name(reinterpret_cast<const char*>(name.data()), name.size());
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::u8string entry = it->path().filename().u8string();
    const std::string_view entry_name(reinterpret_cast<const char*>(entry.data()), entry.size());
    if (IsPartialName(entry_name, output_name)) RemoveIfUnheld(it->path());
  }
}

}  // namespace lantern::albumpack
