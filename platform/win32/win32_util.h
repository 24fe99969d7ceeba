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

// The system's description of an error code, without the line break it ends with.
inline std::string ErrorText(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = length > 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
  if (text != nullptr) LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' '))
    wide.pop_back();
  if (wide.empty()) return "error " + std::to_string(error);
  return Narrow(wide);
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
