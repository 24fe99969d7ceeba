// Tells whether GDI+ knows a font family: exits with 0 when it does, 1 when
// not. The installation test checks with it that an album font became usable.
//   font_probe.exe FAMILY
#include <windows.h>
// After <windows.h>, which it needs.
#include "platform/win32/gdiplus_headers.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>

int CALLBACK Found(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return 3;
  Gdiplus::GpFontFamily* family = nullptr;
  const bool found =
      Gdiplus::DllExports::GdipCreateFontFamilyFromName(argv[1], nullptr, &family) == Gdiplus::Ok;
  if (family != nullptr) Gdiplus::DllExports::GdipDeleteFontFamily(family);
  Gdiplus::GdiplusShutdown(token);
  if (argc == 2 && std::getenv("FONT_PROBE_GDI") != nullptr) {
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(query.lfFaceName, argv[1], LF_FACESIZE - 1);
    bool gdi = false;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExW(dc, &query, &Found, reinterpret_cast<LPARAM>(&gdi), 0);
    std::printf("gdi %d gdiplus %d\n", gdi ? 1 : 0, found ? 1 : 0);
  }
  return found ? 0 : 1;
}
