// Reading and writing the builder's files. An input must be a regular file:
// a folder or a pipe named by mistake gives a clear error, never a hang or a
// huge allocation. An output is written whole or not at all: into a temporary
// file beside it whose name no other write shares ("ALBUM.scr.PID-N.partial",
// so two builds of the same album never write into one file), renamed over it
// at the end; an interruption (Ctrl-C, a termination request) while writing
// removes the temporary file and leaves an existing output as it was. The
// partial files a killed build left are removed by the next write of the same
// output (partial_file.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace lantern::albumpack {

// The whole file, or nullopt with the reason in `why`: "a folder, not a
// file", "not a regular file", a file too large for an album, or the
// system's message ("No such file or directory", "Permission denied").
std::optional<std::vector<uint8_t>> ReadRegularFile(const std::filesystem::path& path,
                                                    std::string& why);

// The size of a regular file, checked as ReadRegularFile checks it, without
// reading it.
std::optional<uint64_t> RegularFileSize(const std::filesystem::path& path, std::string& why);

// A file read piece by piece.
class InputFile {
 public:
  // nullopt with the reason in `why` (as ReadRegularFile gives it).
  static std::optional<InputFile> Open(const std::filesystem::path& path, std::string& why);
  // Fills `buffer` as far as the file goes and returns the count (less than
  // the buffer's size only at the end); nullopt with the reason on an error.
  std::optional<size_t> Read(std::span<uint8_t> buffer, std::string& why);

 private:
  struct Close {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  explicit InputFile(std::FILE* file) : file_(file) {}
  std::unique_ptr<std::FILE, Close> file_;
};

// At most the first `limit` bytes of a regular file.
std::optional<std::vector<uint8_t>> ReadFileStart(const std::filesystem::path& path, size_t limit,
                                                  std::string& why);

// kReadFailed: an input the output is made from could not be read (or
// changed while it was read); `why` names it and says why.
enum class WriteOutcome { kWritten, kFailed, kReadFailed, kInterrupted };

// Where a streamed output goes: bytes appended in order, and bytes already
// appended overwritten in place (a header filled in once the rest is known).
// Both give kInterrupted once Ctrl-C or a termination request has arrived,
// kFailed with the system's reason in `why`.
class OutputStream {
 public:
  virtual ~OutputStream() = default;
  virtual WriteOutcome Append(std::span<const uint8_t> bytes, std::string& why) = 0;
  virtual WriteOutcome Overwrite(uint64_t offset, std::span<const uint8_t> bytes,
                                 std::string& why) = 0;
  // The file the bytes go to, for a writer that reads back what it wrote
  // (an MP4 muxer moving its index to the front); empty when not a file.
  virtual std::filesystem::path File() const { return {}; }
};

// Produces an output by appending all of it to the stream it is given; its
// outcome is the first one other than kWritten, with its reason in `why`.
using OutputProducer = std::function<WriteOutcome(OutputStream& out, std::string& why)>;

// Writes the file `path` from what `produce` appends, whole or not at all (see above).
WriteOutcome WriteStreamedFile(const std::filesystem::path& path, const OutputProducer& produce,
                               std::string& why);

// Called after each chunk with the bytes written so far and in all.
using WriteProgress = std::function<void(size_t written, size_t total)>;

// Writes `bytes` as the file `path` (see above). On kFailed `why` holds the
// system's reason ("No space left on device").
WriteOutcome WriteWholeFile(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                            std::string& why, const WriteProgress& progress = {});

// The exit code of a command interrupted while writing (128 + SIGINT, as shells report it).
inline constexpr int kInterruptedExitCode = 130;

// WriteWholeFile for a command: 0 when written, else the exit code (1, or
// kInterruptedExitCode) with "PATH: cannot write: reason" on `err` (for an
// input that could not be read, what `why` says and that PATH was not written).
int WriteOutputFile(const std::string& path, std::span<const uint8_t> bytes, std::ostream& err,
                    const WriteProgress& progress = {});
// The same for an output produced as a stream.
int WriteOutputFile(const std::string& path, const OutputProducer& produce, std::ostream& err);

}  // namespace lantern::albumpack
