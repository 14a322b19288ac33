// Requests to stop off Windows: the signals a terminal or `kill` sends.
#include <signal.h>

#include <atomic>

#include "platform/interrupt.h"

namespace platform {
namespace {

std::atomic<bool> interrupted{false};

extern "C" void OnSignal(int) {
  interrupted.store(true);
}

}  // namespace

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;  // a second one ends the program
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool Interrupted() {
  return interrupted.load();
}

void WoundDown() {}

}  // namespace platform
