// The studio's request parser on arbitrary bytes, with small limits so that
// every refusal is reached: a request, a refusal or a wish for more bytes,
// never a read out of bounds. What it parses goes through the safety rules.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tools/albumpack/studio_http.h"
#include "tools/albumpack/studio_safety.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lantern::albumpack::studio;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const Limits& limits : {Limits{}, Limits{64, 200, 4, 16}}) {
    Request request;
    const ParseResult result = ParseRequest(bytes, limits, request);
    if (result.state != ParseState::kDone) continue;
    if (result.consumed > bytes.size()) __builtin_trap();
    (void)Forbidden(request, "token", 8080, "/");
    (void)CookieValue(request.Header("cookie"), kTokenCookie);
    std::string why;
    (void)AlbumPath("/nonexistent-lantern-fuzz", request.path, why);
  }
  return 0;
}
