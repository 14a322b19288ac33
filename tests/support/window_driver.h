// Driving real windows from a test: watching the message boxes they show,
// pumping their messages and pressing keys as the user would.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// Watches the real message boxes a test provokes: a CBT hook on this thread
// notes each box's title, text, icon and buttons as it opens, then presses OK.
struct ObservedBox {
  std::u16string title, text;
  unsigned style;               // MB_ICONERROR or MB_ICONWARNING by the icon it shows, plus MB_OK
  int buttons;                  // visible push buttons
  bool watched_enabled = true;  // whether the watcher's `watched` window took input meanwhile
};

class MessageBoxWatcher {
 public:
  explicit MessageBoxWatcher(HWND watched = nullptr);
  ~MessageBoxWatcher();
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

  const std::vector<ObservedBox>& boxes() const { return boxes_; }
  void clear() { boxes_.clear(); }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam);
  HWND watched_;
  HHOOK hook_;
  std::vector<ObservedBox> boxes_;
};

// What a modal window showed while a menu command ran it: opened, its
// caption, and whether `owner` was disabled meanwhile. The window is closed
// as soon as it is seen, by `close` (given the window; by default a WM_CLOSE,
// as from its close box).
struct ModalSeen {
  bool opened = false, owner_enabled = true;
  std::u16string caption;
};

// Runs `act` and watches meanwhile for a window whose caption starts with
// `caption_prefix`, closing it once seen.
ModalSeen WatchForModal(HWND owner, std::u16string_view caption_prefix,
                        const std::function<void()>& act, void (*close)(HWND modal) = nullptr);

// Sends `command` to `owner` and watches for a window whose caption starts
// with `caption_prefix`, closing it once seen.
ModalSeen RunModalCommand(HWND owner, WPARAM command, std::u16string_view caption_prefix,
                          void (*close)(HWND modal) = nullptr);

// The ways a user closes a window: its OK or Cancel button, Enter, Escape,
// its close box. `close` is given the window.
struct CloseWay {
  const char* name;
  void (*close)(HWND window);
};
extern const CloseWay kClickOk, kClickCancel, kPressEnter, kPressEscape, kCloseBox;

// Brings `owner` to the front, runs the modal command as RunModalCommand
// does, closing the window the way given, and tells what was in front then.
struct AfterClosing {
  bool opened;
  HWND foreground, active;
};
AfterClosing RunAndClose(HWND owner, WPARAM command, std::u16string_view caption_prefix,
                         const CloseWay& way);

// A visible, enabled top-level window of another thread, as another
// program's window would be, for as long as it lives: the system may hand
// the activation to it.
class OtherProgramWindow {
 public:
  OtherProgramWindow();
  ~OtherProgramWindow();
  OtherProgramWindow(const OtherProgramWindow&) = delete;
  OtherProgramWindow& operator=(const OtherProgramWindow&) = delete;
  HWND hwnd() const { return hwnd_; }

 private:
  HANDLE thread_ = nullptr;
  HANDLE ready_ = nullptr;
  DWORD thread_id_ = 0;
  HWND hwnd_ = nullptr;
};

// Runs the thread's messages through the dialog manager, as the program's
// main loop does, until none are left.
void PumpMessages(HWND dialog);

// One key press on the focused control, through the dialog manager as the
// main loop passes it; with `shift`, Shift is held down.
void PressKey(HWND dialog, WPARAM key, bool shift = false);

std::u16string WindowText(HWND window);

}  // namespace testing_support
