// The studio's HTTP/1.1 request parser and response writer (studio_http.h).
#include "tools/albumpack/studio_http.h"

#include <algorithm>
#include <cctype>

namespace lantern::albumpack::studio {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr size_t kMethodLength = 16;
constexpr size_t kLengthDigits = 19;  // fits in 64 bits

ParseResult Refuse(int status, std::string reason) {
  return {ParseState::kRefused, status, std::move(reason), 0};
}

bool IsTokenChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (std::isalnum(u)) return true;
  return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool IsToken(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), IsTokenChar);
}

bool IsVisible(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u > 0x20 && u < 0x7f;
}

// A header value may hold visible ASCII, spaces, tabs and UTF-8 bytes, no
// other control character.
bool IsFieldValue(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u == '\t' || (u >= 0x20 && u != 0x7f);
  });
}

std::string_view TrimSpace(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return text;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ParseForm(std::string_view query, std::map<std::string, std::string>& out) {
  while (!query.empty()) {
    const size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    if (pair.empty()) continue;
    const size_t eq = pair.find('=');
    const auto name = PercentDecode(pair.substr(0, eq), true);
    const auto value = PercentDecode(
        eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1), true);
    if (!name || !value) return false;
    out[*name] = *value;
  }
  return true;
}

namespace {

ParseResult ParseRequestLine(std::string_view line, Request& request) {
  const size_t first = line.find(' ');
  const size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
  if (second == std::string_view::npos || line.find(' ', second + 1) != std::string_view::npos) {
    return Refuse(400, "a request line is METHOD TARGET HTTP/1.1");
  }
  const std::string_view method = line.substr(0, first);
  const std::string_view target = line.substr(first + 1, second - first - 1);
  const std::string_view version = line.substr(second + 1);
  if (!IsToken(method) || method.size() > kMethodLength) return Refuse(400, "bad method");
  if (version != "HTTP/1.1" && version != "HTTP/1.0") {
    return version.substr(0, 5) == "HTTP/" ? Refuse(505, "only HTTP/1.1 is spoken")
                                           : Refuse(400, "bad protocol version");
  }
  if (target.empty() || target[0] != '/' || !std::all_of(target.begin(), target.end(), IsVisible)) {
    return Refuse(400, "the target must be a path from /");
  }
  const size_t question = target.find('?');
  const auto path = PercentDecode(target.substr(0, question), false);
  if (!path || (question != std::string_view::npos &&
                !ParseForm(target.substr(question + 1), request.query))) {
    return Refuse(400, "bad percent-encoding in the target");
  }
  request.method = method;
  request.target = target;
  request.path = *path;
  return {ParseState::kDone, 0, {}, 0};
}

ParseResult AddHeader(std::string_view line, Request& request) {
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos || !IsToken(line.substr(0, colon))) {
    return Refuse(400, "a header line is NAME: VALUE");
  }
  const std::string_view value = TrimSpace(line.substr(colon + 1));
  if (!IsFieldValue(value)) return Refuse(400, "a control character in a header");
  const std::string name = Lower(line.substr(0, colon));
  const auto [it, added] = request.headers.emplace(name, std::string(value));
  if (!added) {
    if (name == "host" || name == "content-length") return Refuse(400, "a repeated " + name);
    it->second += ", ";
    it->second += value;
  }
  return {ParseState::kDone, 0, {}, 0};
}

ParseResult ParseHeaders(std::string_view lines, const Limits& limits, Request& request) {
  size_t count = 0;
  while (!lines.empty()) {
    const size_t end = lines.find(kLineEnd);
    const std::string_view line = lines.substr(0, end);
    lines = end == std::string_view::npos ? std::string_view() : lines.substr(end + 2);
    if (++count > limits.header_count) return Refuse(431, "too many headers");
    if (line.empty() || line[0] == ' ' || line[0] == '\t') {
      return Refuse(400, "folded or empty header line");
    }
    if (const ParseResult added = AddHeader(line, request); added.state == ParseState::kRefused) {
      return added;
    }
  }
  return {ParseState::kDone, 0, {}, 0};
}

// The body's length from Content-Length (0 without one), or a refusal.
ParseResult BodyLength(const Request& request, const Limits& limits, size_t& length) {
  if (request.headers.count("transfer-encoding") != 0) {
    return Refuse(501, "transfer encodings are not supported; send Content-Length");
  }
  length = 0;
  const auto it = request.headers.find("content-length");
  if (it == request.headers.end()) return {ParseState::kDone, 0, {}, 0};
  const std::string& digits = it->second;
  if (digits.empty() || digits.size() > kLengthDigits ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return Refuse(400, "bad Content-Length");
  }
  const unsigned long long value = std::stoull(digits);
  if (value > limits.body) return Refuse(413, "the body is larger than the studio takes");
  length = static_cast<size_t>(value);
  return {ParseState::kDone, 0, {}, 0};
}

// Refuses a head that is already longer than allowed while it is incomplete.
ParseResult CheckIncompleteHead(std::string_view received, const Limits& limits) {
  const size_t line_end = received.find(kLineEnd);
  if (line_end == std::string_view::npos ? received.size() > limits.request_line
                                         : line_end > limits.request_line) {
    return Refuse(414, "the request line is too long");
  }
  if (received.size() > limits.head) return Refuse(431, "the request headers are too large");
  return {};
}

}  // namespace

std::string Request::Header(const std::string& lower_case_name) const {
  const auto it = headers.find(lower_case_name);
  return it == headers.end() ? std::string() : it->second;
}

std::optional<std::string> PercentDecode(std::string_view text, bool plus_is_space) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%') {
      if (i + 2 >= text.size()) return std::nullopt;
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      c = static_cast<char>(high * 16 + low);
      i += 2;
    } else if (c == '+' && plus_is_space) {
      c = ' ';
    }
    if (c == '\0') return std::nullopt;
    out += c;
  }
  return out;
}

ParseResult ParseRequest(std::string_view received, const Limits& limits, Request& request) {
  const size_t head_end = received.find("\r\n\r\n");
  if (head_end == std::string_view::npos) return CheckIncompleteHead(received, limits);
  if (head_end + 4 > limits.head) return Refuse(431, "the request headers are too large");
  const std::string_view head = received.substr(0, head_end);
  const size_t line_end = head.find(kLineEnd);
  const std::string_view line = head.substr(0, line_end);
  if (line.size() > limits.request_line) return Refuse(414, "the request line is too long");
  request = Request();
  if (ParseResult r = ParseRequestLine(line, request); r.state == ParseState::kRefused) return r;
  if (line_end != std::string_view::npos) {
    const ParseResult r = ParseHeaders(head.substr(line_end + 2), limits, request);
    if (r.state == ParseState::kRefused) return r;
  }
  if (request.headers.count("host") == 0) return Refuse(400, "no Host header");
  size_t length = 0;
  if (ParseResult r = BodyLength(request, limits, length); r.state == ParseState::kRefused) {
    return r;
  }
  const size_t body_start = head_end + 4;
  if (received.size() - body_start < length) return {};
  request.body = received.substr(body_start, length);
  return {ParseState::kDone, 0, {}, body_start + length};
}

const char* StatusText(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 201:
      return "Created";
    case 204:
      return "No Content";
    case 303:
      return "See Other";
    case 400:
      return "Bad Request";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 408:
      return "Request Timeout";
    case 409:
      return "Conflict";
    case 413:
      return "Content Too Large";
    case 414:
      return "URI Too Long";
    case 431:
      return "Request Header Fields Too Large";
    case 500:
      return "Internal Server Error";
    case 501:
      return "Not Implemented";
    case 503:
      return "Service Unavailable";
    case 505:
      return "HTTP Version Not Supported";
    default:
      return "Unknown";
  }
}

Response TextResponse(int status, std::string text) {
  Response response;
  response.status = status;
  response.body = std::move(text);
  if (!response.body.empty() && response.body.back() != '\n') response.body += '\n';
  return response;
}

std::string SerializeResponse(const Response& response) {
  std::string out =
      "HTTP/1.1 " + std::to_string(response.status) + " " + StatusText(response.status) + "\r\n";
  const auto add = [&](std::string_view name, std::string_view value) {
    out.append(name).append(": ").append(value).append("\r\n");
  };
  add("Content-Type", response.content_type);
  add("Content-Length", std::to_string(response.body.size()));
  add("Connection", "close");
  // Nothing is cached, sniffed, framed by another page, or told where the
  // page (whose address holds the token) was.
  add("Cache-Control", "no-store");
  add("X-Content-Type-Options", "nosniff");
  add("Referrer-Policy", "no-referrer");
  add("Content-Security-Policy",
      "default-src 'self'; img-src 'self' blob: data:; media-src 'self' blob:; "
      "frame-ancestors 'none'; base-uri 'none'; form-action 'none'");
  for (const auto& [name, value] : response.headers)
    add(name, value);
  out += "\r\n";
  return out + response.body;
}

}  // namespace lantern::albumpack::studio
