// Reading and writing the builder's files. An input must be a regular file:
// a folder or a pipe named by mistake gives a clear error, never a hang or a
// huge allocation. An output is written whole or not at all: into a temporary
// file beside it whose name no other write shares ("ALBUM.scr.PID-N.partial",
// so two builds of the same album never write into one file), renamed over it
// at the end; an interruption (Ctrl-C, a termination request) while writing
// removes the temporary file and leaves an existing output as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace lantern::albumpack {

// The whole file, or nullopt with the reason in `why`: "a folder, not a
// file", "not a regular file", a file too large for an album, or the
// system's message ("No such file or directory", "Permission denied").
// With `first`, only that many bytes from its start (fewer when it is shorter).
std::optional<std::vector<uint8_t>> ReadRegularFile(const std::filesystem::path& path,
                                                    std::string& why,
                                                    uintmax_t first = UINTMAX_MAX);

enum class WriteOutcome { kWritten, kFailed, kInterrupted };

// Called after each chunk with the bytes written so far and in all.
using WriteProgress = std::function<void(size_t written, size_t total)>;

// Writes `bytes` as the file `path` (see above). On kFailed `why` holds the
// system's reason ("No space left on device").
WriteOutcome WriteWholeFile(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                            std::string& why, const WriteProgress& progress = {});

// The exit code of a command interrupted while writing (128 + SIGINT, as shells report it).
inline constexpr int kInterruptedExitCode = 130;

// WriteWholeFile for a command: 0 when written, else the exit code (1, or
// kInterruptedExitCode) with "PATH: cannot write: reason" on `err`.
int WriteOutputFile(const std::string& path, std::span<const uint8_t> bytes, std::ostream& err,
                    const WriteProgress& progress = {});

}  // namespace lantern::albumpack
