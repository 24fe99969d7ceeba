// Reading inputs and writing outputs of the album builder.
//
// [SECTION] Files  [SECTION] Interruptions  [SECTION] Writing  [SECTION] Reading
// [SECTION] Writing, the entry points
#include "tools/albumpack/file_io.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <memory>
#include <system_error>

#include "album/pe_image.h"
#include "tools/albumpack/paths.h"

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace lantern::albumpack {

namespace {

namespace fs = std::filesystem;

// [SECTION] Files

struct CloseFile {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, CloseFile>;

// Opened unbuffered for writing, or for reading: every failure then carries
// its errno, and a write reports a full disk at the call that hits it.
File Open(const fs::path& path, bool write) {
#ifdef _WIN32
  File file(_wfopen(path.c_str(), write ? L"wb" : L"rb"));
#else
  File file(std::fopen(path.c_str(), write ? "wb" : "rb"));
#endif
  if (file) std::setvbuf(file.get(), nullptr, _IONBF, 0);
  return file;
}

std::string SystemReason() {
  return errno != 0 ? std::generic_category().message(errno) : "an input or output error";
}

int ProcessId() {
#ifdef _WIN32
  return _getpid();
#else
  return static_cast<int>(::getpid());
#endif
}

// [SECTION] Interruptions

std::atomic<int> g_interrupted{0};
std::atomic<int> g_guards{0};  // InterruptGuards alive: a write inside a write shares the flag
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free flag");

extern "C" void OnInterrupt(int signal_number) {
  g_interrupted = signal_number;
#ifdef _WIN32
  // Windows resets the handler before calling it.
  if (g_guards > 0) std::signal(signal_number, OnInterrupt);
#endif
}

// While it lives, Ctrl-C and termination requests only raise a flag that the
// writer checks between chunks. A signal the process was told to ignore
// stays ignored.
class InterruptGuard {
 public:
  InterruptGuard() {
    if (g_guards++ == 0) g_interrupted = 0;
    for (size_t i = 0; i < kSignals.size(); ++i) {
      previous_[i] = std::signal(kSignals[i], OnInterrupt);
      if (previous_[i] == SIG_IGN) std::signal(kSignals[i], SIG_IGN);
    }
  }
  ~InterruptGuard() {
    --g_guards;
    for (size_t i = 0; i < kSignals.size(); ++i) {
      if (previous_[i] != SIG_ERR) std::signal(kSignals[i], previous_[i]);
    }
  }
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

  bool interrupted() const { return g_interrupted != 0; }

 private:
  using Handler = void (*)(int);
#if defined(SIGHUP)
  static constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};
#elif defined(SIGBREAK)
  static constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGBREAK};
#else
  static constexpr std::array<int, 2> kSignals{SIGINT, SIGTERM};
#endif
  std::array<Handler, kSignals.size()> previous_{};
};

// [SECTION] Writing

constexpr size_t kChunk = size_t{1} << 20;

WriteOutcome WriteChunks(std::FILE* file, std::span<const uint8_t> bytes,
                         const InterruptGuard& guard, std::string& why,
                         const WriteProgress& progress) {
  for (size_t done = 0; done < bytes.size();) {
    if (guard.interrupted()) return WriteOutcome::kInterrupted;
    const size_t n = std::min(kChunk, bytes.size() - done);
    errno = 0;
    if (std::fwrite(bytes.data() + done, 1, n, file) != n) {
      why = SystemReason();
      return WriteOutcome::kFailed;
    }
    done += n;
    if (progress) progress(done, bytes.size());
  }
  return WriteOutcome::kWritten;
}

// Writes the temporary file and closes it; kWritten when every byte is in it.
WriteOutcome WriteTemporary(const fs::path& temporary, std::span<const uint8_t> bytes,
                            const InterruptGuard& guard, std::string& why,
                            const WriteProgress& progress) {
  errno = 0;
  File file = Open(temporary, true);
  if (!file) {
    why = SystemReason();
    return WriteOutcome::kFailed;
  }
  const WriteOutcome outcome = WriteChunks(file.get(), bytes, guard, why, progress);
  errno = 0;
  if (std::fclose(file.release()) != 0 && outcome == WriteOutcome::kWritten) {
    why = SystemReason();
    return WriteOutcome::kFailed;
  }
  return outcome;
}

// A name beside `path` that no other write uses: the process id tells
// processes apart, the count the writes of one process.
fs::path PartialPath(const fs::path& path) {
  static std::atomic<unsigned> count{0};
  fs::path temporary = path;
  temporary += "." + std::to_string(ProcessId()) + "-" + std::to_string(++count) + ".partial";
  return temporary;
}

}  // namespace

// [SECTION] Reading

std::optional<std::vector<uint8_t>> ReadRegularFile(const fs::path& path, std::string& why,
                                                    uintmax_t first) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (ec) {
    why = ec.message();
    return std::nullopt;
  }
  if (status.type() == fs::file_type::directory) {
    why = "a folder, not a file";
    return std::nullopt;
  }
  if (status.type() != fs::file_type::regular) {
    why = "not a regular file (a device, pipe or socket)";
    return std::nullopt;
  }
  const uintmax_t size = fs::file_size(path, ec);
  if (ec || size > album::kMaxImageSize) {
    why = ec ? ec.message() : "larger than an album can be (1.5 GB)";
    return std::nullopt;
  }
  errno = 0;
  const File file = Open(path, false);
  if (!file) {
    why = SystemReason();
    return std::nullopt;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(std::min(size, first)));
  if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
    why = std::ferror(file.get()) ? SystemReason() : "the file changed while it was read";
    return std::nullopt;
  }
  return bytes;
}

// [SECTION] Writing, the entry points

WriteOutcome WriteWholeFile(const fs::path& path, std::span<const uint8_t> bytes, std::string& why,
                            const WriteProgress& progress) {
  const fs::path temporary = PartialPath(path);
  const InterruptGuard guard;
  WriteOutcome outcome = WriteTemporary(temporary, bytes, guard, why, progress);
  if (outcome == WriteOutcome::kWritten && guard.interrupted())
    outcome = WriteOutcome::kInterrupted;
  std::error_code ec;
  if (outcome == WriteOutcome::kWritten) {
    fs::rename(temporary, path, ec);
    if (!ec) return outcome;
    why = ec.message();
    outcome = WriteOutcome::kFailed;
  }
  fs::remove(temporary, ec);
  return outcome;
}

int WriteOutputFile(const std::string& path, std::span<const uint8_t> bytes, std::ostream& err,
                    const WriteProgress& progress) {
  std::string why;
  switch (WriteWholeFile(PathFromUtf8(path), bytes, why, progress)) {
    case WriteOutcome::kWritten:
      return 0;
    case WriteOutcome::kInterrupted:
      err << path << ": interrupted; nothing was written\n";
      return kInterruptedExitCode;
    case WriteOutcome::kFailed:
      break;
  }
  err << path << ": cannot write: " << why << "\n";
  return 1;
}

}  // namespace lantern::albumpack
