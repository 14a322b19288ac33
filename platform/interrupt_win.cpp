// Requests to stop on Windows: the console's control events. The handler
// runs on a thread of its own; for the console's close the system ends the
// program as soon as it returns (or after five seconds), so it waits there
// for the program to wind down.
#include <windows.h>

#include <atomic>

#include "platform/interrupt.h"

namespace platform {
namespace {

std::atomic<bool> interrupted{false};
std::atomic<bool> wound_down{false};

BOOL WINAPI OnControl(DWORD event) {
  if (interrupted.exchange(true) && (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT))
    return FALSE;  // the second: the default, which ends the program
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    for (int waited = 0; waited < 4500 && !wound_down.load(); waited += 50) Sleep(50);
  }
  return TRUE;
}

}  // namespace

void CatchInterrupts() {
  SetConsoleCtrlHandler(OnControl, TRUE);
}

bool Interrupted() {
  return interrupted.load();
}

void WoundDown() {
  wound_down.store(true);
}

}  // namespace platform
