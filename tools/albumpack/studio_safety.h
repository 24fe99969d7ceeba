// The studio's safety rules. The server listens on loopback only; beyond
// that a request is answered only when
// - its Host header names the loopback address and the studio's port, so a
//   page from another site whose name was made to point at 127.0.0.1 (DNS
//   rebinding) cannot read answers;
// - it carries the secret token of the printed address: the first page load
//   in the query, which trades it for a SameSite=Strict cookie; API calls in
//   the X-Studio-Token header as well, which other sites' pages cannot send
//   without the token and a preflight the studio never allows; and
// - any album file it names resolves inside the album's folder, through no
//   symbolic link, with no "..", absolute path or drive.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "tools/albumpack/studio_http.h"

namespace lantern::albumpack::studio {

inline constexpr const char* kTokenCookie = "studio_token";
inline constexpr const char* kTokenHeader = "x-studio-token";
inline constexpr const char* kTokenQuery = "token";

// 32 random bytes from the system's generator as 64 hex digits; empty when
// the generator cannot be read.
std::string NewToken();

// Compares in time that depends only on the lengths.
bool SameSecret(std::string_view a, std::string_view b);

// "127.0.0.1:PORT" or "localhost:PORT".
bool IsLoopbackHost(std::string_view host, uint16_t port);

// The value of a cookie in a Cookie header, or empty.
std::string CookieValue(std::string_view cookie_header, std::string_view name);

// Why the request must be refused with 403, or nullopt when it may be
// answered. `first_page` is the one path that takes the token in its query.
std::optional<std::string> Forbidden(const Request& request, std::string_view token, uint16_t port,
                                     std::string_view first_page);

// The file `relative` (UTF-8, '/' between names) names inside `root` (a
// canonical folder), or nullopt with the reason in `why`. Every name on the
// way must exist as a real folder, not a link; the last may be missing (a
// file about to be written) but is refused when it is a link.
std::optional<std::filesystem::path> AlbumPath(const std::filesystem::path& root,
                                               std::string_view relative, std::string& why);

}  // namespace lantern::albumpack::studio
