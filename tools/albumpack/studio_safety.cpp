// The studio's safety rules (studio_safety.h).
#include "tools/albumpack/studio_safety.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <system_error>

#include "tools/albumpack/paths.h"

namespace lantern::albumpack::studio {

namespace {

constexpr size_t kTokenBytes = 32;
constexpr size_t kMaxRelativePath = 1024;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool FromStudioOrigin(const Request& request, uint16_t port) {
  const std::string origin = request.Header("origin");
  if (origin.empty()) return true;
  const std::string_view scheme = "http://";
  return origin.compare(0, scheme.size(), scheme) == 0 &&
         IsLoopbackHost(std::string_view(origin).substr(scheme.size()), port);
}

// A name that is safe on Linux and Windows alike: no separators, drive
// colons, control characters, "." or "..", and no trailing dot or space
// (which Windows drops, so two names would mean one file).
bool IsPlainName(std::string_view name) {
  if (name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ') {
    return false;
  }
  return std::none_of(name.begin(), name.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7f || c == '\\' || c == ':' || c == '/';
  });
}

}  // namespace

std::string NewToken() {
  std::array<unsigned char, kTokenBytes> bytes{};
  std::FILE* random = std::fopen("/dev/urandom", "rb");
  if (random == nullptr) return {};
  const size_t got = std::fread(bytes.data(), 1, bytes.size(), random);
  std::fclose(random);
  if (got != bytes.size()) return {};
  std::string hex;
  for (const unsigned char b : bytes) {
    hex += "0123456789abcdef"[b >> 4];
    hex += "0123456789abcdef"[b & 15];
  }
  return hex;
}

bool SameSecret(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  unsigned char difference = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    difference |= static_cast<unsigned char>(a[i] ^ b[i]);
  }
  return difference == 0;
}

bool IsLoopbackHost(std::string_view host, uint16_t port) {
  const size_t colon = host.rfind(':');
  if (colon == std::string_view::npos || host.substr(colon + 1) != std::to_string(port)) {
    return false;
  }
  const std::string_view name = host.substr(0, colon);
  return name == "127.0.0.1" || EqualsIgnoringCase(name, "localhost");
}

std::string CookieValue(std::string_view cookie_header, std::string_view name) {
  while (!cookie_header.empty()) {
    const size_t end = cookie_header.find(';');
    std::string_view pair = cookie_header.substr(0, end);
    cookie_header =
        end == std::string_view::npos ? std::string_view() : cookie_header.substr(end + 1);
    while (!pair.empty() && pair.front() == ' ')
      pair.remove_prefix(1);
    const size_t eq = pair.find('=');
    if (eq != std::string_view::npos && pair.substr(0, eq) == name) {
      return std::string(pair.substr(eq + 1));
    }
  }
  return {};
}

std::optional<std::string> Forbidden(const Request& request, std::string_view token, uint16_t port,
                                     std::string_view first_page) {
  if (!IsLoopbackHost(request.Header("host"), port)) {
    return "the Host header must be 127.0.0.1:" + std::to_string(port);
  }
  if (!FromStudioOrigin(request, port)) return std::string("another site's page");
  if (token.empty()) return std::string("no token");
  if (request.path.compare(0, 5, "/api/") == 0) {
    if (SameSecret(request.Header(kTokenHeader), token)) return std::nullopt;
    return std::string("the API needs the studio's token in X-Studio-Token");
  }
  if (SameSecret(CookieValue(request.Header("cookie"), kTokenCookie), token)) return std::nullopt;
  const auto query = request.query.find(kTokenQuery);
  if (request.path == first_page && query != request.query.end() &&
      SameSecret(query->second, token)) {
    return std::nullopt;
  }
  return std::string("open the studio with the address albumpack printed, token included");
}

std::optional<std::filesystem::path> AlbumPath(const std::filesystem::path& root,
                                               std::string_view relative, std::string& why) {
  if (relative.empty() || relative.size() > kMaxRelativePath) {
    why = "no file named, or a name too long";
    return std::nullopt;
  }
  std::filesystem::path path = root;
  std::string_view rest = relative;
  while (true) {
    const size_t slash = rest.find('/');
    const std::string_view name = rest.substr(0, slash);
    if (!IsPlainName(name)) {
      why = "only plain names inside the album's folder (no \"..\", absolute paths or drives)";
      return std::nullopt;
    }
    path /= PathFromUtf8(std::string(name));
    std::error_code error;
    const auto status = std::filesystem::symlink_status(path, error);
    if (std::filesystem::is_symlink(status)) {
      why = "a symbolic link is not followed";
      return std::nullopt;
    }
    if (slash == std::string_view::npos) return path;
    if (!std::filesystem::is_directory(status)) {
      why = "no such folder in the album's folder";
      return std::nullopt;
    }
    rest = rest.substr(slash + 1);
  }
}

}  // namespace lantern::albumpack::studio
