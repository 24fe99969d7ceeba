// Reading inputs and writing outputs of the album builder.
//
// [SECTION] Files  [SECTION] Interruptions  [SECTION] Writing  [SECTION] Reading
// [SECTION] Writing, the entry points
#include "tools/albumpack/file_io.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cassert>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <memory>
#include <system_error>

#include "album/pe_image.h"
#include "tools/albumpack/partial_file.h"
#include "tools/albumpack/paths.h"

namespace lantern::albumpack {

namespace {

namespace fs = std::filesystem;

// [SECTION] Files

// Opened unbuffered for reading: every failure then carries its errno.
File OpenForReading(const fs::path& path) {
#ifdef _WIN32
  File file(_wfopen(path.c_str(), L"rb"));
#else
  File file(std::fopen(path.c_str(), "rb"));
#endif
  if (file) std::setvbuf(file.get(), nullptr, _IONBF, 0);
  return file;
}

std::string SystemReason() {
  return errno != 0 ? std::generic_category().message(errno) : "an input or output error";
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

// The temporary file as an output stream; each write first looks for an
// interruption.
class FileOutput final : public OutputStream {
 public:
  FileOutput(std::FILE* file, std::filesystem::path path, const InterruptGuard& guard)
      : file_(file), path_(std::move(path)), guard_(guard) {}

  std::filesystem::path File() const override { return path_; }

  WriteOutcome Append(std::span<const uint8_t> bytes, std::string& why) override {
    if (guard_.interrupted()) return WriteOutcome::kInterrupted;
    if (!Put(bytes, why)) return WriteOutcome::kFailed;
    end_ += bytes.size();
    return WriteOutcome::kWritten;
  }

  WriteOutcome Overwrite(uint64_t offset, std::span<const uint8_t> bytes,
                         std::string& why) override {
    assert(offset + bytes.size() <= end_ && offset <= LONG_MAX &&
           "only bytes already appended are overwritten");
    if (guard_.interrupted()) return WriteOutcome::kInterrupted;
    errno = 0;
    if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0 || !Put(bytes, why) ||
        std::fseek(file_, 0, SEEK_END) != 0) {
      if (why.empty()) why = SystemReason();
      return WriteOutcome::kFailed;
    }
    return WriteOutcome::kWritten;
  }

 private:
  bool Put(std::span<const uint8_t> bytes, std::string& why) {
    errno = 0;
    if (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size())
      return true;
    why = SystemReason();
    return false;
  }

  std::FILE* file_;
  std::filesystem::path path_;
  const InterruptGuard& guard_;
  uint64_t end_ = 0;
};

// Bytes in memory as an output, a chunk at a time.
OutputProducer InChunks(std::span<const uint8_t> bytes, const WriteProgress& progress) {
  return [bytes, &progress](OutputStream& out, std::string& why) {
    for (size_t done = 0; done < bytes.size();) {
      const size_t n = std::min(kChunk, bytes.size() - done);
      const WriteOutcome outcome = out.Append(bytes.subspan(done, n), why);
      if (outcome != WriteOutcome::kWritten) return outcome;
      done += n;
      if (progress) progress(done, bytes.size());
    }
    return WriteOutcome::kWritten;
  };
}

// Writes the temporary file and closes it; kWritten when every byte is in it.
WriteOutcome WriteTemporary(PartialFile& temporary, const OutputProducer& produce,
                            const InterruptGuard& guard, std::string& why) {
  FileOutput out(temporary.file.get(), temporary.path, guard);
  const WriteOutcome outcome = produce(out, why);
  errno = 0;
  if (std::fclose(temporary.file.release()) != 0 && outcome == WriteOutcome::kWritten) {
    why = SystemReason();
    return WriteOutcome::kFailed;
  }
  return outcome;
}

}  // namespace

// [SECTION] Reading

std::optional<uint64_t> RegularFileSize(const fs::path& path, std::string& why) {
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
  return size;
}

std::optional<InputFile> InputFile::Open(const fs::path& path, std::string& why) {
  errno = 0;
  File file = OpenForReading(path);
  if (!file) {
    why = SystemReason();
    return std::nullopt;
  }
  return InputFile(file.release());
}

std::optional<size_t> InputFile::Read(std::span<uint8_t> buffer, std::string& why) {
  errno = 0;
  const size_t n = std::fread(buffer.data(), 1, buffer.size(), file_.get());
  if (n < buffer.size() && std::ferror(file_.get())) {
    why = SystemReason();
    return std::nullopt;
  }
  return n;
}

std::optional<std::vector<uint8_t>> ReadFileStart(const fs::path& path, size_t limit,
                                                  std::string& why) {
  const std::optional<uint64_t> size = RegularFileSize(path, why);
  if (!size) return std::nullopt;
  std::optional<InputFile> file = InputFile::Open(path, why);
  if (!file) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(std::min<uint64_t>(*size, limit)));
  const std::optional<size_t> read = file->Read(bytes, why);
  if (!read) return std::nullopt;
  bytes.resize(*read);
  return bytes;
}

std::optional<std::vector<uint8_t>> ReadRegularFile(const fs::path& path, std::string& why) {
  const std::optional<uint64_t> size = RegularFileSize(path, why);
  if (!size) return std::nullopt;
  auto bytes = ReadFileStart(path, static_cast<size_t>(*size), why);
  if (bytes && bytes->size() != *size) {
    why = "the file changed while it was read";
    return std::nullopt;
  }
  return bytes;
}

// [SECTION] Writing, the entry points

WriteOutcome WriteStreamedFile(const fs::path& path, const OutputProducer& produce,
                               std::string& why) {
  const InterruptGuard guard;
  RemoveStalePartialFiles(path);
  std::optional<PartialFile> temporary = CreatePartialFile(path, why);
  if (!temporary) return WriteOutcome::kFailed;
  WriteOutcome outcome = WriteTemporary(*temporary, produce, guard, why);
  if (outcome == WriteOutcome::kWritten && guard.interrupted())
    outcome = WriteOutcome::kInterrupted;
  std::error_code ec;
  if (outcome == WriteOutcome::kWritten) {
    fs::rename(temporary->path, path, ec);
    if (!ec) return outcome;
    why = ec.message();
    outcome = WriteOutcome::kFailed;
  }
  fs::remove(temporary->path, ec);
  return outcome;
}

WriteOutcome WriteWholeFile(const fs::path& path, std::span<const uint8_t> bytes, std::string& why,
                            const WriteProgress& progress) {
  return WriteStreamedFile(path, InChunks(bytes, progress), why);
}

int WriteOutputFile(const std::string& path, const OutputProducer& produce, std::ostream& err) {
  std::string why;
  switch (WriteStreamedFile(PathFromUtf8(path), produce, why)) {
    case WriteOutcome::kWritten:
      return 0;
    case WriteOutcome::kInterrupted:
      err << path << ": interrupted; nothing was written\n";
      return kInterruptedExitCode;
    case WriteOutcome::kReadFailed:
      err << why << "; " << path << " was not written\n";
      return 1;
    case WriteOutcome::kFailed:
      break;
  }
  err << path << ": cannot write: " << why << "\n";
  return 1;
}

int WriteOutputFile(const std::string& path, std::span<const uint8_t> bytes, std::ostream& err,
                    const WriteProgress& progress) {
  return WriteOutputFile(path, InChunks(bytes, progress), err);
}

}  // namespace lantern::albumpack
