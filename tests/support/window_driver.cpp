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
  HICON error_icon;
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
    // The message is the static control that holds text and no icon.
    std::u16string text = WindowText(child);
    if (!icon && text.size() > inspection->box->text.size()) inspection->box->text = text;
  }
  return TRUE;
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher()
    : hook_(SetWindowsHookExW(WH_CBT, &Hook, nullptr, GetCurrentThreadId())) {
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
      ObservedBox box{WindowText(hwnd), u"", MB_OK, 0};
      Inspection inspection{&box, LoadIconW(nullptr, IDI_HAND)};
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
  ModalSeen seen;
};
ModalWatch* modal_watch = nullptr;

LRESULT CALLBACK WatchModal(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE && modal_watch && !modal_watch->seen.opened) {
    auto h = reinterpret_cast<HWND>(wparam);
    std::u16string caption = WindowText(h);
    if (caption.starts_with(modal_watch->prefix)) {
      modal_watch->seen = {true, IsWindowEnabled(modal_watch->owner) != FALSE, caption};
      PostMessageW(h, WM_CLOSE, 0, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

ModalSeen RunModalCommand(HWND owner, WPARAM command, std::u16string_view caption_prefix) {
  ModalWatch watch{owner, caption_prefix, {}};
  modal_watch = &watch;
  HHOOK hook = SetWindowsHookExW(WH_CBT, &WatchModal, nullptr, GetCurrentThreadId());
  SendMessageW(owner, WM_COMMAND, command, 0);
  UnhookWindowsHookEx(hook);
  modal_watch = nullptr;
  return watch.seen;
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
