// A minimal valid 32-bit Windows image (headers and one .text section, no
// resources) for tests that need a program to write an album into.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace lantern::testing {

inline std::vector<uint8_t> MinimalPe() {
  std::vector<uint8_t> image(0x400, 0);
  const auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&image[at], &v, 2); };
  const auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&image[at], &v, 4); };
  image[0] = 'M';
  image[1] = 'Z';
  put32(0x3C, 0x40);  // e_lfanew
  std::memcpy(&image[0x40], "PE\0\0", 4);
  const size_t coff = 0x44;
  put16(coff + 0, 0x14C);    // i386
  put16(coff + 2, 1);        // one section
  put16(coff + 16, 224);     // size of the optional header
  put16(coff + 18, 0x0102);  // executable, 32-bit
  const size_t opt = coff + 20;
  put16(opt + 0, 0x10B);      // PE32
  put32(opt + 16, 0x1000);    // entry point
  put32(opt + 28, 0x400000);  // image base
  put32(opt + 32, 0x1000);    // section alignment
  put32(opt + 36, 0x200);     // file alignment
  put16(opt + 40, 4);         // OS version
  put16(opt + 48, 4);         // subsystem version
  put32(opt + 56, 0x2000);    // size of image
  put32(opt + 60, 0x200);     // size of headers
  put16(opt + 68, 2);         // GUI subsystem
  put32(opt + 92, 16);        // number of data directories
  const size_t section = opt + 224;
  std::memcpy(&image[section], ".text", 5);
  put32(section + 8, 0x200);        // virtual size
  put32(section + 12, 0x1000);      // virtual address
  put32(section + 16, 0x200);       // raw size
  put32(section + 20, 0x200);       // raw pointer
  put32(section + 36, 0x60000020);  // code, execute, read
  image[0x200] = 0xC3;              // ret
  return image;
}

}  // namespace lantern::testing
