#include "tests/support/window_driver.h"

namespace testing_support {

std::u16string WindowText(HWND window) {
  wchar_t buffer[1024] = {};
  GetWindowTextW(window, buffer, 1024);
  return std::u16string(buffer, buffer + wcslen(buffer));
}

namespace {

MessageBoxWatcher* current = nullptr;

struct Inspection {
  ObservedBox* box;
  HICON error_icon, warning_icon;
};

BOOL CALLBACK InspectChild(HWND child, LPARAM param) {
  auto* inspection = reinterpret_cast<Inspection*>(param);
  // The box itself is not shown yet when it activates: look at the child's own style.
  if (!(GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE)) return TRUE;
  wchar_t cls[32] = {};
  GetClassNameW(child, cls, 32);
  if (_wcsicmp(cls, L"Button") == 0) ++inspection->box->buttons;
  if (_wcsicmp(cls, L"Static") == 0) {
    auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    if (icon && icon == inspection->error_icon) inspection->box->style |= MB_ICONERROR;
    if (icon && icon == inspection->warning_icon) inspection->box->style |= MB_ICONWARNING;
    // The message is the static control that holds text and no icon.
    std::u16string text = WindowText(child);
    if (!icon && text.size() > inspection->box->text.size()) inspection->box->text = text;
  }
  return TRUE;
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher(HWND watched)
    : watched_(watched), hook_(SetWindowsHookExW(WH_CBT, &Hook, nullptr, GetCurrentThreadId())) {
  current = this;
}

MessageBoxWatcher::~MessageBoxWatcher() {
  UnhookWindowsHookEx(hook_);
  current = nullptr;
}

LRESULT CALLBACK MessageBoxWatcher::Hook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE && current) {
    auto hwnd = reinterpret_cast<HWND>(wparam);
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    if (wcscmp(cls, L"#32770") == 0) {
      ObservedBox box{WindowText(hwnd), u"", MB_OK, 0,
                      !current->watched_ || IsWindowEnabled(current->watched_) != FALSE};
      Inspection inspection{&box, LoadIconW(nullptr, IDI_HAND), LoadIconW(nullptr, IDI_WARNING)};
      EnumChildWindows(hwnd, &InspectChild, reinterpret_cast<LPARAM>(&inspection));
      current->boxes_.push_back(box);
      PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

namespace {

struct ModalWatch {
  HWND owner;
  std::u16string_view prefix;
  void (*close)(HWND);
  ModalSeen seen;
};
ModalWatch* modal_watch = nullptr;

LRESULT CALLBACK WatchModal(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE && modal_watch && !modal_watch->seen.opened) {
    auto h = reinterpret_cast<HWND>(wparam);
    std::u16string caption = WindowText(h);
    if (caption.starts_with(modal_watch->prefix)) {
      modal_watch->seen = {true, IsWindowEnabled(modal_watch->owner) != FALSE, caption};
      if (modal_watch->close)
        modal_watch->close(h);
      else
        PostMessageW(h, WM_CLOSE, 0, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

ModalSeen WatchForModal(HWND owner, std::u16string_view caption_prefix,
                        const std::function<void()>& act, void (*close)(HWND)) {
  ModalWatch watch{owner, caption_prefix, close, {}};
  modal_watch = &watch;
  HHOOK hook = SetWindowsHookExW(WH_CBT, &WatchModal, nullptr, GetCurrentThreadId());
  act();
  UnhookWindowsHookEx(hook);
  modal_watch = nullptr;
  return watch.seen;
}

ModalSeen RunModalCommand(HWND owner, WPARAM command, std::u16string_view caption_prefix,
                          void (*close)(HWND)) {
  return WatchForModal(
      owner, caption_prefix, [&] { SendMessageW(owner, WM_COMMAND, command, 0); }, close);
}

namespace {

void ClickButton(HWND window, const wchar_t* caption) {
  PostMessageW(FindWindowExW(window, nullptr, L"Button", caption), BM_CLICK, 0, 0);
}

}  // namespace

const CloseWay kClickOk{"OK", [](HWND h) { ClickButton(h, L"OK"); }};
const CloseWay kClickCancel{"Cancel", [](HWND h) { ClickButton(h, L"Cancel"); }};
const CloseWay kPressEnter{"Enter", [](HWND h) { PostMessageW(h, WM_KEYDOWN, VK_RETURN, 1); }};
const CloseWay kPressEscape{"Escape", [](HWND h) { PostMessageW(h, WM_KEYDOWN, VK_ESCAPE, 1); }};
const CloseWay kCloseBox{"close box", [](HWND h) { PostMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0); }};

AfterClosing RunAndClose(HWND owner, WPARAM command, std::u16string_view caption_prefix,
                         const CloseWay& way) {
  SetForegroundWindow(owner);
  PumpMessages(owner);
  const ModalSeen seen = RunModalCommand(owner, command, caption_prefix, way.close);
  PumpMessages(owner);
  return {seen.opened, GetForegroundWindow(), GetActiveWindow()};
}

OtherProgramWindow::OtherProgramWindow() {
  ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(
      nullptr, 0,
      [](void* param) -> DWORD {
        auto* self = static_cast<OtherProgramWindow*>(param);
        self->hwnd_ = CreateWindowExW(0, L"Static", L"Another program", WS_OVERLAPPEDWINDOW, 500,
                                      400, 300, 200, nullptr, nullptr, nullptr, nullptr);
        ShowWindow(self->hwnd_, SW_SHOWNOACTIVATE);
        SetEvent(self->ready_);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        DestroyWindow(self->hwnd_);
        return 0;
      },
      this, 0, &thread_id_);
  WaitForSingleObject(ready_, 5000);
}

OtherProgramWindow::~OtherProgramWindow() {
  PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
  WaitForSingleObject(thread_, 5000);
  CloseHandle(thread_);
  CloseHandle(ready_);
}

void PumpMessages(HWND dialog) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (!dialog || !IsWindow(dialog) || !IsDialogMessageW(dialog, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

void PressKey(HWND dialog, WPARAM key, bool shift) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
  MSG msg{GetFocus(), WM_KEYDOWN, key, 1, 0, {}};
  if (!IsDialogMessageW(dialog, &msg)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  msg.message = WM_KEYUP;
  msg.lParam = static_cast<LPARAM>(0xC0000001);
  if (IsWindow(dialog) && !IsDialogMessageW(dialog, &msg)) DispatchMessageW(&msg);
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  PumpMessages(dialog);
}

}  // namespace testing_support
