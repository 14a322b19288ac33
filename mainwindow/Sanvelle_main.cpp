// Sanvelle.exe: starts into the main window and ends when it is unloaded.
#include <windows.h>

#include <commctrl.h>

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
