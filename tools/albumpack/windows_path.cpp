// Absolute Windows paths as text.
#include "tools/albumpack/windows_path.h"

#include <algorithm>
#include <vector>

namespace lantern::albumpack {

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The length of the root: "C:\" or "\\server\share\" (separators already backslashes).
size_t RootLength(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':') return 3;
  const size_t server_end = path.find('\\', 2);
  if (server_end == std::string::npos) return path.size();
  const size_t share_end = path.find('\\', server_end + 1);
  return share_end == std::string::npos ? path.size() : share_end + 1;
}

}  // namespace

bool IsAbsoluteWindowsPath(std::string_view path) {
  if (path.size() >= 3 && IsLetter(path[0]) && path[1] == ':' && IsSeparator(path[2])) return true;
  return path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]);
}

std::string ResolveWindowsPath(std::string_view base, std::string_view path) {
  std::string full(path);
  if (!IsAbsoluteWindowsPath(path)) full = std::string(base) + "\\" + full;
  std::replace(full.begin(), full.end(), '/', '\\');
  const size_t root = RootLength(full);
  std::vector<std::string> segments;
  for (size_t at = root; at < full.size();) {
    size_t end = full.find('\\', at);
    if (end == std::string::npos) end = full.size();
    const std::string segment = full.substr(at, end - at);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    at = end + 1;
  }
  std::string out = full.substr(0, root);
  for (size_t i = 0; i < segments.size(); ++i)
    out += (i == 0 ? "" : "\\") + segments[i];
  return out;
}

}  // namespace lantern::albumpack
