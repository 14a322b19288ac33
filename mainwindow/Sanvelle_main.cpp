// Sanvelle.exe: starts into the main window, with the paths its command line
// names, and ends when the window is unloaded.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "mainwindow/Form1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show_command) {
  // Libraries come from the system folder only, never from the program's or
  // the current folder.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  Form1 form;
  if (!form.Create()) return 1;
  // Paths on the command line (Send To, "Open with") fill the boxes as a
  // drop would; nothing is converted until Start.
  int count = 0;
  if (LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count)) {
    std::vector<std::u16string> paths;
    for (int i = 1; i < count; ++i)
      paths.emplace_back(arguments[i], arguments[i] + wcslen(arguments[i]));
    LocalFree(arguments);
    form.OpenPaths(paths);
  }
  form.Show(show_command);
  MSG msg;
  while (IsWindow(form.hwnd()) && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(form.hwnd(), &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return 0;
}
