// Start in the real main window on a large file, timed: the program's own
// Form1 in this process, its Start button clicked, the message box it shows
// at the end answered. Also reports the peak memory of the process, whether
// the wait cursor was up while it worked, and whether the window paints
// again afterwards.
//   start_bench INPUT OUTPUT        (Windows paths; settings: the defaults)
#include <windows.h>
// after windows.h
#include <psapi.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "mainwindow/Form1.h"
#include "tests/support/temp_dir.h"
#include "tests/support/window_driver.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputs("usage: start_bench INPUT OUTPUT\n", stderr);
    return 1;
  }
  testing_support::TempDir settings;
  settings.Write(u"Brackwen.ini", "");
  Form1 form;
  if (!form.Create()) return 1;
  form.Show();
  form.MyPath = settings.path() + u"\\";
  const std::wstring input = argv[1], output = argv[2];
  form.SetText(u"txtInput", std::u16string(input.begin(), input.end()));
  form.SetText(u"txtOutput", std::u16string(output.begin(), output.end()));
  testing_support::PumpMessages(form.hwnd());

  // A second thread shares the window's input state and looks at its cursor.
  const DWORD ui_thread = GetCurrentThreadId();
  const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
  std::atomic<bool> running{true}, saw_wait{false};
  std::thread watcher([&] {
    AttachThreadInput(GetCurrentThreadId(), ui_thread, TRUE);
    while (running) {
      if (GetCursor() == wait) saw_wait = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });

  testing_support::MessageBoxWatcher boxes;
  HWND start = GetDlgItem(form.hwnd(), 0);
  for (HWND child = GetWindow(form.hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (testing_support::WindowText(child) == u"Start") start = child;
  const auto begin = std::chrono::steady_clock::now();
  SendMessageW(start, BM_CLICK, 0, 0);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  running = false;
  watcher.join();

  // Painting goes on: an invalidated window is painted when messages run.
  InvalidateRect(form.hwnd(), nullptr, TRUE);
  testing_support::PumpMessages(form.hwnd());
  RECT left{};
  const bool repainted = !GetUpdateRect(form.hwnd(), &left, FALSE);

  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  const std::u16string message = boxes.boxes().empty() ? u"(none)" : boxes.boxes().front().text;
  std::printf("start %.2f s, peak working set %.1f MiB, wait cursor %s, repainted %s, box %s\n",
              seconds, static_cast<double>(memory.PeakWorkingSetSize) / 1048576.0,
              saw_wait ? "seen" : "not seen", repainted ? "yes" : "no",
              message == u"完了！" ? "done" : "other");
  return message == u"完了！" ? 0 : 1;
}
