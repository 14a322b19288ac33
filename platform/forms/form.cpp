#include "platform/forms/form.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <numeric>

namespace forms {
namespace {

constexpr wchar_t kClassName[] = L"QuillmereForm";
constexpr int kFirstControlId = 100;
constexpr int kFirstMenuId = 1000;
// Posted when the focus has come to or left a push button.
constexpr UINT kFocusMoved = WM_USER + 0x200;

const wchar_t* W(std::u16string_view s, std::wstring& buffer) {
  buffer.assign(s.begin(), s.end());
  return buffer.c_str();
}

DWORD WindowStyle(const FormDef& def) {
  DWORD style = WS_CAPTION | WS_SYSMENU;
  return def.border == Border::kFixedDialog ? style | WS_POPUP : style | WS_OVERLAPPED;
}

DWORD WindowExStyle(const FormDef& def) {
  DWORD ex = WS_EX_CONTROLPARENT;
  if (def.border == Border::kFixedDialog) ex |= WS_EX_DLGMODALFRAME;
  if (def.in_taskbar) ex |= WS_EX_APPWINDOW;
  return ex;
}

bool HasWindow(Kind kind) {
  return kind != Kind::kLine && kind != Kind::kPanel;
}

void RegisterFormClass(HINSTANCE instance, WNDPROC window_proc) {
  WNDCLASSEXW wc{};
  if (GetClassInfoExW(instance, kClassName, &wc)) return;
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = window_proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);
}

HINSTANCE ThisInstance() {
  return GetModuleHandleW(nullptr);
}

}  // namespace

Form::Form(const FormDef& def) : def_(def), controls_(def.controls.size(), nullptr) {}

Form::~Form() {
  if (hwnd_) DestroyWindow(hwnd_);
  if (font_) DeleteObject(font_);
  for (HFONT f : fitted_fonts_) DeleteObject(f);
}

bool Form::Create(HWND owner, const POINT* client_origin) {
  HINSTANCE instance = ThisInstance();
  RegisterFormClass(instance, &Form::WindowProc);
  BuildMenu();
  dpi_ = owner ? static_cast<int>(GetDpiForWindow(owner)) : static_cast<int>(GetDpiForSystem());

  const DWORD style = WindowStyle(def_), ex_style = WindowExStyle(def_);
  RECT frame{0, 0, TwipsToPixels(def_.client_width, dpi_), TwipsToPixels(def_.client_height, dpi_)};
  AdjustWindowRectExForDpi(&frame, style, menu_ != nullptr, ex_style, static_cast<UINT>(dpi_));
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
  POINT fixed{};
  if (!client_origin && def_.fixed_position) {
    fixed = {MulDiv(def_.first_left, 96, 1440), MulDiv(def_.first_top, 96, 1440)};
    client_origin = &fixed;
  }
  if (client_origin) {
    x = MulDiv(client_origin->x, dpi_, 96) + frame.left;
    y = MulDiv(client_origin->y, dpi_, 96) + frame.top;
  }
  std::wstring caption;
  hwnd_ = CreateWindowExW(ex_style, kClassName, W(def_.caption, caption), style, x, y,
                          frame.right - frame.left, frame.bottom - frame.top, owner, menu_,
                          instance, this);
  if (!hwnd_) return false;
  if (owner && !client_origin) {
    // Centred over the owner, kept on its monitor's work area.
    RECT o, w;
    GetWindowRect(owner, &o);
    GetWindowRect(hwnd_, &w);
    int cx = (o.left + o.right - (w.right - w.left)) / 2;
    int cy = (o.top + o.bottom - (w.bottom - w.top)) / 2;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor);
    cx = std::max<int>(monitor.rcWork.left,
                       std::min<int>(cx, monitor.rcWork.right - (w.right - w.left)));
    cy = std::max<int>(monitor.rcWork.top,
                       std::min<int>(cy, monitor.rcWork.bottom - (w.bottom - w.top)));
    SetWindowPos(hwnd_, nullptr, cx, cy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  Form_Load();
  return true;
}

void Form::Show(int show_command) {
  ShowWindow(hwnd_, show_command);
  UpdateWindow(hwnd_);
  HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
  if (first) SetFocus(first);
}

void Form::ShowModal(HWND owner) {
  // The owner takes no input from before the form loads (its Form_Load may
  // show a message) until the form has gone, and is enabled again before the
  // form is destroyed: the system then hands the activation back to it, not
  // to another program's window.
  if (owner) EnableWindow(owner, FALSE);
  modal_owner_ = owner;
  if (!hwnd_ && !Create(owner)) {
    ReleaseOwner();
    return;
  }
  Show();
  MSG msg;
  bool quit = false;
  while (hwnd_ && IsWindow(hwnd_)) {
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
      quit = true;
      break;
    }
    if (!IsDialogMessageW(hwnd_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  Unload();
  if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
}

// As in a dialog: a push button with the focus is the default button for as
// long as it has it (Enter presses it, and it shows the default's frame);
// otherwise the form's own default button is.
void Form::ShowDefaultButton() {
  HWND focus = GetFocus();
  HWND chosen = Control(def_.default_button);
  for (std::size_t i = 0; i < controls_.size(); ++i)
    if (def_.controls[i].kind == Kind::kButton && controls_[i] && controls_[i] == focus)
      chosen = focus;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    HWND h = controls_[i];
    if (def_.controls[i].kind != Kind::kButton || !h) continue;
    const LONG style = GetWindowLongW(h, GWL_STYLE);
    const LONG wanted = h == chosen ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if ((style & BS_TYPEMASK) != wanted)
      SendMessageW(h, BM_SETSTYLE, static_cast<WPARAM>((style & 0xFFFF & ~BS_TYPEMASK) | wanted),
                   TRUE);
  }
}

void Form::ReleaseOwner() {
  if (!modal_owner_) return;
  EnableWindow(modal_owner_, TRUE);
  // Not every system hands the activation to the owner of a window that is
  // not a pop-up (Wine looks for the next window in z-order): give it back
  // here, while this form still stands above the owner.
  if (hwnd_ && GetActiveWindow() == hwnd_) SetActiveWindow(modal_owner_);
  modal_owner_ = nullptr;
}

void Form::Unload() {
  ReleaseOwner();
  if (hwnd_) DestroyWindow(hwnd_);
}

int Form::IndexOf(std::u16string_view name) const {
  for (std::size_t i = 0; i < def_.controls.size(); ++i)
    if (def_.controls[i].name == name) return static_cast<int>(i);
  return -1;
}

HWND Form::Control(std::u16string_view name) const {
  int i = IndexOf(name);
  return i < 0 ? nullptr : controls_[static_cast<std::size_t>(i)];
}

std::u16string Form::Text(std::u16string_view name) const {
  HWND h = Control(name);
  if (!h) return u"";
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(h, text.data(), static_cast<int>(text.size()))));
  return std::u16string(text.begin(), text.end());
}

void Form::SetText(std::u16string_view name, std::u16string_view text) {
  std::wstring buffer;
  if (HWND h = Control(name)) SetWindowTextW(h, W(text, buffer));
}

void Form::SetCaption(std::u16string_view caption) {
  std::wstring buffer;
  SetWindowTextW(hwnd_, W(caption, buffer));
}

bool Form::Checked(std::u16string_view name) const {
  HWND h = Control(name);
  return h && SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Form::SetChecked(std::u16string_view name, bool checked) {
  if (HWND h = Control(name))
    SendMessageW(h, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Form::Enabled(std::u16string_view name) const {
  HWND h = Control(name);
  return h && IsWindowEnabled(h);
}

void Form::SetEnabled(std::u16string_view name, bool enabled) {
  if (HWND h = Control(name)) EnableWindow(h, enabled);
}

POINT Form::OriginTwips(const ControlDef& control) const {
  POINT origin{control.left, control.top};
  for (std::u16string_view container = control.container; !container.empty();) {
    int i = IndexOf(container);
    if (i < 0) break;
    const ControlDef& parent = def_.controls[static_cast<std::size_t>(i)];
    origin.x += parent.left;
    origin.y += parent.top;
    container = parent.container;
  }
  return origin;
}

RECT Form::ControlRect(const ControlDef& control) const {
  POINT o = OriginTwips(control);
  if (control.kind == Kind::kLine) {
    // End points: (left, top) and (width, height), both in the container.
    POINT base{o.x - control.left, o.y - control.top};
    return {TwipsToPixels(o.x, dpi_), TwipsToPixels(o.y, dpi_),
            TwipsToPixels(base.x + control.width, dpi_),
            TwipsToPixels(base.y + control.height, dpi_)};
  }
  return {TwipsToPixels(o.x, dpi_), TwipsToPixels(o.y, dpi_),
          TwipsToPixels(o.x + control.width, dpi_), TwipsToPixels(o.y + control.height, dpi_)};
}

WPARAM Form::MenuCommand(std::u16string_view item) const {
  for (std::size_t i = 0; i < def_.menu.size(); ++i)
    if (def_.menu[i].name == item) return kFirstMenuId + i;
  return 0;
}

void Form::BuildMenu() {
  if (def_.menu.empty() || menu_) return;
  menu_ = CreateMenu();
  HMENU popup = nullptr;
  std::u16string_view current;
  std::wstring buffer;
  for (std::size_t i = 0; i < def_.menu.size(); ++i) {
    const MenuItemDef& item = def_.menu[i];
    if (!popup || item.menu != current) {
      popup = CreatePopupMenu();
      current = item.menu;
      AppendMenuW(menu_, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup),
                  W(item.menu_caption, buffer));
    }
    AppendMenuW(popup, MF_STRING, kFirstMenuId + i, W(item.caption, buffer));
  }
}

void Form::CreateControls() {
  // Creation order is tab order: the dialog manager tabs in z-order.
  std::vector<std::size_t> order(def_.controls.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return def_.controls[a].tab_index < def_.controls[b].tab_index;
  });

  HINSTANCE instance = ThisInstance();
  Kind previous = Kind::kLine;
  HWND last = nullptr;  // the control created last: a spin's text box
  std::wstring caption;
  for (std::size_t i : order) {
    const ControlDef& c = def_.controls[i];
    if (!HasWindow(c.kind)) continue;
    const wchar_t* window_class = L"BUTTON";
    // Siblings clip each other, so that a label never paints over a control
    // that stands on top of it.
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, ex_style = 0;
    switch (c.kind) {
      case Kind::kLabel:
        window_class = L"STATIC";
        style |= SS_LEFT;
        break;
      case Kind::kTextBox:
        window_class = L"EDIT";
        style |= WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
        ex_style = WS_EX_CLIENTEDGE;
        break;
      case Kind::kButton:
        style |= WS_TABSTOP | (c.name == def_.default_button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        // A form with a default button tells when its buttons take the focus.
        if (!def_.default_button.empty()) style |= BS_NOTIFY;
        break;
      case Kind::kCheckBox:
        style |= WS_TABSTOP | BS_AUTOCHECKBOX;
        break;
      case Kind::kOptionButton:
        style |= BS_AUTORADIOBUTTON;
        break;
      case Kind::kFrame:
        style |= BS_GROUPBOX;
        break;
      case Kind::kPicture:
        window_class = L"STATIC";
        style |= SS_ICON | SS_CENTERIMAGE;
        ex_style = WS_EX_CLIENTEDGE;
        break;
      case Kind::kProgressBar:
        window_class = PROGRESS_CLASSW;
        break;
      case Kind::kSpin: {
        static const bool registered = [] {
          INITCOMMONCONTROLSEX classes{sizeof classes, ICC_UPDOWN_CLASS};
          return InitCommonControlsEx(&classes) != FALSE;
        }();
        (void)registered;
        window_class = UPDOWN_CLASSW;
        style |= UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS | UDS_HOTTRACK;
        break;
      }
      case Kind::kPanel:
      case Kind::kLine:
        break;
    }
    // Option buttons in a row form one group: one tab stop, arrows move within.
    if (c.kind != Kind::kOptionButton || previous != Kind::kOptionButton) {
      style |= WS_GROUP;
      if (c.kind == Kind::kOptionButton) style |= WS_TABSTOP;
    }
    previous = c.kind;
    HWND h = CreateWindowExW(
        ex_style, window_class, W(c.caption, caption), style, 0, 0, 0, 0, hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i)), instance, nullptr);
    if (c.kind == Kind::kTextBox) SendMessageW(h, EM_LIMITTEXT, 0, 0);
    if (c.kind == Kind::kProgressBar) SendMessageW(h, PBM_SETRANGE32, 0, 1000);
    if (c.kind == Kind::kSpin && last) {
      SetWindowLongW(last, GWL_STYLE, GetWindowLongW(last, GWL_STYLE) | ES_NUMBER);
      SendMessageW(h, UDM_SETBUDDY, reinterpret_cast<WPARAM>(last), 0);
      SendMessageW(h, UDM_SETRANGE32, static_cast<WPARAM>(c.minimum),
                   static_cast<LPARAM>(c.maximum));
    }
    last = h;
    controls_[i] = h;
    if (!c.tool_tip.empty()) {
      if (!tool_tip_) {
        tool_tip_ =
            CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                            WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance, nullptr);
      }
      std::wstring tip(c.tool_tip.begin(), c.tool_tip.end());
      TOOLINFOW info{};
      info.cbSize = sizeof info;
      info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      info.hwnd = hwnd_;
      info.uId = reinterpret_cast<UINT_PTR>(h);
      info.lpszText = tip.data();
      SendMessageW(tool_tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
  }
}

void Form::ApplyDpi(int dpi, const RECT* suggested) {
  if (!frames_lowered_) {
    // Frames go behind everything they surround, so that they never hide it.
    // Done once all controls exist: later siblings would go below them.
    // Inner frames come later in a definition; lowering from the last one up
    // leaves every outer frame below the frames inside it.
    for (std::size_t i = controls_.size(); i-- > 0;)
      if (controls_[i] && def_.controls[i].kind == Kind::kFrame)
        SetWindowPos(controls_[i], HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    frames_lowered_ = true;
  }
  dpi_ = dpi;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                             static_cast<UINT>(dpi));
  HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  for (HWND h : controls_)
    if (h) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (tool_tip_) SendMessageW(tool_tip_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (font_) DeleteObject(font_);
  font_ = font;

  const int width = TwipsToPixels(def_.client_width, dpi);
  const int height = TwipsToPixels(def_.client_height, dpi);
  if (suggested) {
    SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // Make the client area exactly the defined size, whatever the frame and a
  // menu bar that may have wrapped take.
  for (int attempt = 0; attempt < 2; ++attempt) {
    RECT client, window;
    GetClientRect(hwnd_, &client);
    GetWindowRect(hwnd_, &window);
    int dw = width - client.right, dh = height - client.bottom;
    if (dw == 0 && dh == 0) break;
    SetWindowPos(hwnd_, nullptr, 0, 0, window.right - window.left + dw,
                 window.bottom - window.top + dh, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  for (HFONT f : fitted_fonts_) DeleteObject(f);
  fitted_fonts_.clear();
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (!controls_[i]) continue;
    RECT r = ControlRect(def_.controls[i]);
    MoveWindow(controls_[i], r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
    if (def_.controls[i].kind == Kind::kLabel)
      FitLabel(controls_[i], VisiblePart(i, r), metrics.lfMessageFont);
    if (def_.controls[i].kind == Kind::kTextBox) {
      // Narrow margins: the font-derived ones of East Asian fonts would leave
      // a small box (the dash count) no room for its text.
      const int margin = MulDiv(2, dpi, 96);
      SendMessageW(controls_[i], EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                   MAKELPARAM(margin, margin));
    }
  }
  InvalidateRect(hwnd_, nullptr, TRUE);
}

// The part of a label that no other control covers: a control standing on
// the label's lines, starting inside it, hides the label from there on.
RECT Form::VisiblePart(std::size_t label, RECT r) const {
  for (std::size_t j = 0; j < controls_.size(); ++j) {
    const Kind kind = def_.controls[j].kind;
    if (j == label || !controls_[j] || kind == Kind::kLabel || kind == Kind::kFrame) continue;
    RECT other = ControlRect(def_.controls[j]);
    if (other.top < r.bottom && other.bottom > r.top && other.left > r.left && other.left < r.right)
      r.right = other.left;
  }
  return r;
}

// A label whose wrapped text is taller than its rectangle in this font (the
// platform's fonts differ in width) gets the largest smaller size that fits,
// down to three quarters: the text stays whole and the layout stays as defined.
void Form::FitLabel(HWND label, const RECT& rect, LOGFONTW font) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(label)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(label, text.data(), static_cast<int>(text.size()))));
  if (text.empty()) return;
  HDC dc = GetDC(label);
  const LONG original = font.lfHeight;
  for (LONG height = original; std::abs(height) * 4 >= std::abs(original) * 3;
       height += original < 0 ? 1 : -1) {
    font.lfHeight = height;
    HFONT candidate = CreateFontIndirectW(&font);
    HGDIOBJ old = SelectObject(dc, candidate);
    RECT need{0, 0, rect.right - rect.left, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &need,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    if (need.bottom <= rect.bottom - rect.top) {
      if (height == original) {
        DeleteObject(candidate);
      } else {
        SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(candidate), FALSE);
        fitted_fonts_.push_back(candidate);
      }
      break;
    }
    DeleteObject(candidate);
  }
  ReleaseDC(label, dc);
}

void Form::SetIcons() {
  if (def_.icon == 0) return;
  for (auto [which, metric] :
       {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
    int size = GetSystemMetricsForDpi(metric, static_cast<UINT>(dpi_));
    HANDLE icon =
        LoadImageW(ThisInstance(), MAKEINTRESOURCEW(def_.icon), IMAGE_ICON, size, size, LR_SHARED);
    if (icon) SendMessageW(hwnd_, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
  }
}

void Form::Paint(HDC dc) const {
  for (const ControlDef& c : def_.controls) {
    if (c.kind != Kind::kLine) continue;
    COLORREF color = (c.line_color & kRgbColor) ? (c.line_color & 0xFFFFFF)
                                                : GetSysColor(static_cast<int>(c.line_color));
    HPEN pen = CreatePen(PS_SOLID, std::max(1, MulDiv(c.line_width, dpi_, 96)), color);
    HGDIOBJ old = SelectObject(dc, pen);
    RECT r = ControlRect(c);
    MoveToEx(dc, r.left, r.top, nullptr);
    LineTo(dc, r.right, r.bottom);
    SelectObject(dc, old);
    DeleteObject(pen);
  }
}

LRESULT Form::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    form->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!form) return DefWindowProcW(hwnd, message, wparam, lparam);
  LRESULT result = 0;
  try {
    result = form->Handle(message, wparam, lparam);
  } catch (...) {
    // Nothing may unwind through the window procedure; handlers report their
    // own errors, so this is a fault of the program itself.
    MessageBoxW(hwnd, L"予期しないエラーが発生しました。", L"Sanvelle", MB_ICONERROR | MB_OK);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    form->hwnd_ = nullptr;
    form->tool_tip_ = nullptr;
    std::fill(form->controls_.begin(), form->controls_.end(), nullptr);
  }
  return result;
}

LRESULT Form::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      CreateControls();
      ApplyDpi(static_cast<int>(GetDpiForWindow(hwnd_)), nullptr);
      SetIcons();
      return 0;
    case WM_DPICHANGED:
      ApplyDpi(HIWORD(wparam), reinterpret_cast<const RECT*>(lparam));
      SetIcons();
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      Paint(dc);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wparam));
      return 0;
    case WM_ACTIVATE:
      // Like a dialog: the focus leaves with the window and comes back with it.
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) saved_focus_ = focus;
      } else if (saved_focus_ && IsWindow(saved_focus_)) {
        SetFocus(saved_focus_);
      }
      return 0;
    case WM_CTLCOLORSTATIC: {
      // Labels with a fixed text colour; everything else as the system draws it.
      auto control = reinterpret_cast<HWND>(lparam);
      for (std::size_t i = 0; i < controls_.size(); ++i) {
        if (controls_[i] != control || !(def_.controls[i].text_color & kRgbColor)) continue;
        auto dc = reinterpret_cast<HDC>(wparam);
        SetTextColor(dc, def_.controls[i].text_color & 0xFFFFFF);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    }
    case WM_CLOSE:
      // The close box does what Escape does, as in a dialog.
      if (!def_.cancel_button.empty()) {
        OnClick(def_.cancel_button);
        return 0;
      }
      if (!modal_owner_) break;
      Unload();  // the owner first, as OK and Cancel have it
      return 0;
    case DM_GETDEFID: {
      HWND h = def_.default_button.empty() ? nullptr : Control(def_.default_button);
      return h ? MAKELRESULT(GetDlgCtrlID(h), DC_HASDEFID) : 0;
    }
    case kFocusMoved:
      ShowDefaultButton();
      return 0;
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      if (lparam != 0 && (HIWORD(wparam) == BN_SETFOCUS || HIWORD(wparam) == BN_KILLFOCUS)) {
        // Once the focus has settled where it goes.
        PostMessageW(hwnd_, kFocusMoved, 0, 0);
        return 0;
      }
      if (lparam == 0 && HIWORD(wparam) == 0 && id >= kFirstMenuId &&
          id < kFirstMenuId + static_cast<int>(def_.menu.size())) {
        OnMenu(def_.menu[static_cast<std::size_t>(id - kFirstMenuId)].name);
        return 0;
      }
      // Enter and Escape as the dialog manager reports them.
      if (id == IDOK || id == IDCANCEL) {
        std::u16string_view button = id == IDOK ? def_.default_button : def_.cancel_button;
        if (!button.empty()) OnClick(button);
        return 0;
      }
      const int index = id - kFirstControlId;
      if (HIWORD(wparam) == BN_CLICKED && index >= 0 &&
          index < static_cast<int>(def_.controls.size())) {
        OnClick(def_.controls[static_cast<std::size_t>(index)].name);
        return 0;
      }
      break;
    }
    default:
      break;
  }
  return OnMessage(message, wparam, lparam);
}

}  // namespace forms
