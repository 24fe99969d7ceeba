// Small helpers shared by the Windows backend's files (and its Windows-only
// tests): UTF-8 to wide strings and back at the API boundary, and the header of the
// 32-bit top-down bitmaps our surfaces are. Includes <windows.h>.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "base/text.h"

namespace lantern::platform::win32 {

inline std::wstring Wide(const std::string& utf8) {
  const std::u16string w = base::Utf8ToUtf16(utf8);
  return std::wstring(w.begin(), w.end());
}

inline std::string Narrow(std::wstring_view wide) {
  return base::Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

// A 32-bit, top-down, uncompressed bitmap of width x height pixels.
inline BITMAPINFO TopDown32(int32_t width, int32_t height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

}  // namespace lantern::platform::win32
