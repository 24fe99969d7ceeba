// The folder picker (SHBrowseForFolderW) and the input box (a dialog built
// from a template in memory, so the program needs no resource script).
#include "platform/win32/win32_dialogs.h"

#include <windows.h>
// After <windows.h>, which they need.
#include <ole2.h>
#include <shlobj.h>

#include <vector>

#include "platform/win32/win32_util.h"

namespace lantern::platform::win32 {

namespace {

// Opens the picker on the start folder, which arrives as the callback's data.
int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data != 0) {
    SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
  }
  return 0;
}

// --- The input box ---------------------------------------------------------

constexpr WORD kPromptId = 100;
constexpr WORD kAnswerId = 101;

// A DLGTEMPLATE and its items, built word by word.
class DialogTemplate {
 public:
  void Header(DWORD style, WORD items, short cx, short cy) {
    Dword(style);
    Dword(0);  // extended style
    words_.push_back(items);
    Short(0), Short(0), Short(cx), Short(cy);
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the standard dialog class
    words_.push_back(0);  // the title is set when the dialog starts
    words_.push_back(9);  // DS_SETFONT: point size, then the face
    Text(L"MS Shell Dlg");
  }
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD class_atom) {
    if (words_.size() % 2 != 0) words_.push_back(0);  // items start on a DWORD boundary
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    Short(x), Short(y), Short(cx), Short(cy);
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(class_atom);
    words_.push_back(0);  // no text: set when the dialog starts
    words_.push_back(0);  // no creation data
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Dword(DWORD v) {
    words_.push_back(LOWORD(v));
    words_.push_back(HIWORD(v));
  }
  void Short(short v) { words_.push_back(static_cast<WORD>(v)); }
  void Text(const wchar_t* text) {
    for (; *text != 0; ++text)
      words_.push_back(static_cast<WORD>(*text));
    words_.push_back(0);
  }
  std::vector<WORD> words_;  // WORD-aligned, as the template must be
};

struct InputBox {
  std::wstring prompt;
  std::wstring title;
  std::wstring answer;
};

INT_PTR CALLBACK InputBoxProc(HWND dialog, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_INITDIALOG) {
    auto* box = reinterpret_cast<InputBox*>(l);
    SetWindowLongPtrW(dialog, DWLP_USER, l);
    SetWindowTextW(dialog, box->title.c_str());
    SetDlgItemTextW(dialog, kPromptId, box->prompt.c_str());
    SetDlgItemTextW(dialog, IDOK, L"OK");
    SetDlgItemTextW(dialog, IDCANCEL, L"Cancel");
    SetFocus(GetDlgItem(dialog, kAnswerId));
    return FALSE;  // the focus is set
  }
  if (message == WM_COMMAND && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL)) {
    auto* box = reinterpret_cast<InputBox*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (LOWORD(w) == IDOK && box != nullptr) {
      HWND field = GetDlgItem(dialog, kAnswerId);
      std::wstring text(static_cast<size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
      text.resize(
          static_cast<size_t>(GetWindowTextW(field, text.data(), static_cast<int>(text.size()))));
      box->answer = text;
    }
    EndDialog(dialog, LOWORD(w));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

std::string Win32CommonDialogs::BrowseForFolder(NativeHandle owner, const std::string& start_folder,
                                                const std::string& prompt, bool allow_new_folder) {
  // The picker's new style needs OLE on this thread.
  const HRESULT ole = OleInitialize(nullptr);
  const std::wstring start = Wide(start_folder);
  const std::wstring title = Wide(prompt);
  BROWSEINFOW info{};
  info.hwndOwner = reinterpret_cast<HWND>(owner);
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  if (!allow_new_folder) info.ulFlags |= BIF_NONEWFOLDERBUTTON;
  info.lpfn = &BrowseCallback;
  info.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
  std::string chosen;
  if (PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info)) {
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(list, path)) chosen = Narrow(path);
    CoTaskMemFree(list);
  }
  if (SUCCEEDED(ole)) OleUninitialize();
  return chosen;
}

std::string Win32CommonDialogs::AskText(NativeHandle owner, const std::string& prompt,
                                        const std::string& title) {
  DialogTemplate t;
  t.Header(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 4, 240, 78);
  t.Item(SS_LEFT, 8, 8, 170, 36, kPromptId, 0x0082);                                   // static
  t.Item(WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 8, 56, 224, 14, kAnswerId, 0x0081);  // edit
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 186, 8, 46, 14, IDOK, 0x0080);                 // button
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 186, 26, 46, 14, IDCANCEL, 0x0080);               // button
  InputBox box{Wide(prompt), Wide(title), {}};
  const INT_PTR result =
      DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), reinterpret_cast<HWND>(owner),
                              &InputBoxProc, reinterpret_cast<LPARAM>(&box));
  return result == IDOK ? Narrow(box.answer) : std::string();
}

}  // namespace lantern::platform::win32
