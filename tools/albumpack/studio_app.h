// The studio's answers: every request passes the safety rules
// (studio_safety.h) first, then goes to the page's files or the API by its
// method and path.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "tools/albumpack/studio_http.h"

namespace lantern::albumpack::studio {

struct Album {
  std::filesystem::path folder;    // canonical; nothing outside it is read or written
  std::filesystem::path manifest;  // inside the folder
};

class App {
 public:
  App(Album album, std::string token, uint16_t port);
  Response Handle(const Request& request);

 private:
  Response Page(const Request& request) const;
  Response PageFile(const Request& request) const;

  Album album_;
  std::string token_;
  uint16_t port_;
};

}  // namespace lantern::albumpack::studio
