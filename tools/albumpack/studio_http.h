// The studio's HTTP/1.1 messages: a request parser that works on the bytes
// received so far and bounds every part of a request, and responses
// serialised for a connection that closes after one exchange.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lantern::albumpack::studio {

struct Limits {
  size_t request_line = 8 * 1024;  // longer: 414
  size_t head = 32 * 1024;         // request line and headers together; longer: 431
  size_t header_count = 100;       // more: 431
  size_t body = 64 * 1024 * 1024;  // larger: 413
};

struct Request {
  std::string method;                          // "GET", "POST", ...
  std::string target;                          // as sent: "/api/file?path=a.jpg"
  std::string path;                            // the target's path, percent-decoded: "/api/file"
  std::map<std::string, std::string> query;    // decoded; the last of repeated names wins
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;

  // The header's value, or empty.
  std::string Header(const std::string& lower_case_name) const;
};

enum class ParseState { kNeedMore, kDone, kRefused };

struct ParseResult {
  ParseState state = ParseState::kNeedMore;
  int status = 0;       // kRefused: the status to answer with (400, 413, 414, 431, 501, 505)
  std::string reason;   // kRefused: what was wrong, for the answer's text
  size_t consumed = 0;  // kDone: the bytes the request took
};

// Parses the request at the start of `received`. kNeedMore until the head and
// the whole body (Content-Length) are there; a request that cannot become
// valid with more bytes, or grows past `limits`, is refused at once.
ParseResult ParseRequest(std::string_view received, const Limits& limits, Request& request);

// Percent-decoding of a path or query part ('+' is a space only in a query);
// nullopt for a broken escape or a NUL byte.
std::optional<std::string> PercentDecode(std::string_view text, bool plus_is_space);

// Decodes "a=1&b=x+y" (a query, or a form's body) into `out`; false for a
// broken escape or a NUL byte.
bool ParseForm(std::string_view text, std::map<std::string, std::string>& out);

struct Response {
  int status = 200;
  std::string content_type = "text/plain; charset=utf-8";
  std::vector<std::pair<std::string, std::string>> headers;  // added as they are
  std::string body;
};

Response TextResponse(int status, std::string text);

// The status line, headers (Content-Length, Connection: close, and the
// safety headers every answer carries) and body.
std::string SerializeResponse(const Response& response);

// "OK", "Not Found" ...
const char* StatusText(int status);

}  // namespace lantern::albumpack::studio
