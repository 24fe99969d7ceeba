// Asks a window of another program to close, the way the system's task list
// does: the end-to-end tests end a running player with it.
//   close_window.exe CLASS TITLE
// Finds the top-level window of that class and title and sends it WM_CLOSE
// (with a time-out, so a hung program cannot hang the test). Exits with 0 when
// the window was found, 1 when there is none, 2 on wrong arguments.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  HWND window = FindWindowExW(nullptr, nullptr, argv[1], argv[2]);
  if (window == nullptr) return 1;
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_NORMAL, 10'000, &result);
  return 0;
}
