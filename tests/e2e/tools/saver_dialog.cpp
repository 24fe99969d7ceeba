// A stand-in for the screen-saver page of the Display control panel, for the
// installation test: a dialog titled "屏幕保护程序设置" whose combo box lists
// some savers. It ignores close requests (the installer closes the dialog
// before it copies, and the real control panel opens a new one), and when the
// combo box reports a selection change it writes the selected text to the
// file named on its command line and ends.
//   saver_dialog.exe LOG_FILE SAVER_NAME...
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kComboId = 1101;
const wchar_t* g_log = nullptr;
std::vector<std::wstring> g_items;

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_INITDIALOG: {
      HWND combo = CreateWindowExW(
          0, L"ComboBox", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 20, 20, 300, 200, dialog,
          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kComboId)), nullptr, nullptr);
      for (const std::wstring& item : g_items)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(w) == kComboId && HIWORD(w) == CBN_SELCHANGE) {
        HWND combo = reinterpret_cast<HWND>(l);
        const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        wchar_t text[256] = {};
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(text));
        if (FILE* log = _wfopen(g_log, L"wb")) {
          std::fprintf(log, "selchange %ls\n", text);
          std::fclose(log);
        }
        DestroyWindow(dialog);
        PostQuitMessage(0);
      }
      return TRUE;
    case WM_CLOSE:
      return TRUE;  // stays open
    default:
      return FALSE;
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  g_log = argv[1];
  for (int i = 2; i < argc; ++i)
    g_items.emplace_back(argv[i]);
  // A dialog template in memory: no controls, a title, 300 x 330 dialog units.
  std::vector<WORD> block(64, 0);
  auto* t = reinterpret_cast<DLGTEMPLATE*>(block.data());
  t->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  t->cx = 300;
  t->cy = 330;
  WORD* p = reinterpret_cast<WORD*>(t + 1);
  *p++ = 0;  // no menu
  *p++ = 0;  // the standard dialog class
  for (const wchar_t* c = L"屏幕保护程序设置"; *c != 0; ++c)
    *p++ = static_cast<WORD>(*c);
  *p++ = 0;
  HWND dialog = CreateDialogIndirectParamW(nullptr, t, nullptr, &DialogProc, 0);
  if (dialog == nullptr) return 3;
  ShowWindow(dialog, SW_SHOWNOACTIVATE);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
