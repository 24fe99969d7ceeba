// Text conversions. Text inside the program is UTF-8; the Windows backend
// converts to UTF-16 at its boundary.
#pragma once

#include <string>
#include <string_view>

namespace lantern::base {

// Decodes the code point at utf8[i] and advances i past it; ill-formed input
// yields U+FFFD and consumes one byte, so decoding always makes progress.
char32_t DecodeUtf8(std::string_view utf8, size_t& i);
// UTF-8 to UTF-16. Ill-formed sequences become U+FFFD, never an error.
std::u16string Utf8ToUtf16(std::string_view utf8);
// UTF-16 to UTF-8. Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);
// The bytes are well-formed UTF-8: no stray continuation bytes, truncated or
// overlong sequences, surrogates or code points above U+10FFFF.
bool IsWellFormedUtf8(std::string_view bytes);
// Upper-cases ASCII letters only (command lines, extensions, settings keys).
std::string AsciiUpper(std::string_view text);
// Lower-cases ASCII letters only (settings keys as the blob stores them).
std::string AsciiLower(std::string_view text);
// The first / last `count` characters (UTF-16 units, as the system counts them).
std::string FirstChars(std::string_view utf8, size_t count);
std::string LastChars(std::string_view utf8, size_t count);

}  // namespace lantern::base
