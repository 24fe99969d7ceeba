// The temporary file an output is written into before it is renamed over the
// output: "ALBUM.scr.PID-N.partial" beside it, a name no other write uses.
// While a write lives, its partial file is held so that nobody removes it (an
// advisory lock on Linux; on Windows a file open without delete sharing
// cannot be removed). A build killed outright leaves its partial file behind;
// the next write of the same output removes every such file nobody holds.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace lantern::albumpack {

struct CloseFile {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, CloseFile>;

struct PartialFile {
  std::filesystem::path path;
  File file;  // unbuffered, for writing; closing it lets the file go
};

// Makes a new partial file for `output`, held until it is closed; nullopt
// with the system's reason in `why`.
std::optional<PartialFile> CreatePartialFile(const std::filesystem::path& output, std::string& why);

// Removes the partial files of `output` that no living write holds.
void RemoveStalePartialFiles(const std::filesystem::path& output);

}  // namespace lantern::albumpack
