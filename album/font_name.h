// The family name of a TrueType font, read from its 'name' table: the first
// family record with text, its bytes taken as ANSI text with every NUL byte
// removed (so a UTF-16 big-endian name gives its ASCII letters). Every offset
// and length is checked against the file; a damaged font gives what was read
// before the damage, often nothing.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace lantern::album {

// The family name's bytes (not yet decoded from the ANSI code page), NULs
// removed; empty when the file is not a version 1.0 TrueType font or holds no
// family name.
std::string FontFamilyBytes(std::span<const uint8_t> file);

}  // namespace lantern::album
