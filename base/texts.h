// The program's own names and user-visible texts, kept in one place.
#pragma once

namespace lantern::texts {

inline constexpr char kProductName[] = "Lantern";
// The built-in application title, used when the album names none.
inline constexpr char kApplicationTitle[] = "Lantern 电子相册";

}  // namespace lantern::texts
