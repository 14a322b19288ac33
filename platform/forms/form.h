// A window realised from its FormDef: controls created in tab-index order,
// geometry turned from twips into pixels at the window's DPI (and again when
// the DPI changes), text in the system's message font. A form subclass
// supplies the handlers, named <control>_<event>.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/form_definition.h"

namespace forms {

class Form {
 public:
  explicit Form(const FormDef& def);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // Creates the window, hidden, with all its controls, then runs Form_Load.
  // `client_origin` places the client area's top-left corner (in pixels at
  // 96 DPI, scaled to the window's DPI); by default the system places it.
  bool Create(HWND owner = nullptr, const POINT* client_origin = nullptr);

  // Shows the window and puts the focus on the first control in tab order.
  void Show(int show_command = SW_SHOW);

  // Shows the form as a modal window over `owner`, which is disabled from
  // before the form is created until it is unloaded; returns then.
  void ShowModal(HWND owner);

  // Destroys the window ("unloads" the form), enabling a modal form's owner
  // first.
  void Unload();

  HWND hwnd() const { return hwnd_; }
  HWND Control(std::u16string_view name) const;
  std::u16string Text(std::u16string_view name) const;
  void SetText(std::u16string_view name, std::u16string_view text);
  void SetCaption(std::u16string_view caption);
  bool Checked(std::u16string_view name) const;
  void SetChecked(std::u16string_view name, bool checked);
  bool Enabled(std::u16string_view name) const;
  void SetEnabled(std::u16string_view name, bool enabled);
  int Dpi() const { return dpi_; }
  // The WM_COMMAND identifier of a menu item, by its name (0 for none).
  WPARAM MenuCommand(std::u16string_view item) const;
  const FormDef& Definition() const { return def_; }

  // Pixel rectangle of a control in the client area at the current DPI.
  RECT ControlRect(const ControlDef& control) const;

 protected:
  virtual void Form_Load() {}
  // A button, check box or option button was clicked.
  virtual void OnClick(std::u16string_view /*control*/) {}
  // A menu item was chosen.
  virtual void OnMenu(std::u16string_view /*item*/) {}
  // Messages the runtime does not handle itself.
  virtual LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void CreateControls();
  void BuildMenu();
  void ReleaseOwner();
  void ShowDefaultButton();
  void ApplyDpi(int dpi, const RECT* suggested);
  void SetIcons();
  void FitLabel(HWND label, const RECT& rect, LOGFONTW font);
  RECT VisiblePart(std::size_t label, RECT rect) const;
  void Paint(HDC dc) const;
  int IndexOf(std::u16string_view name) const;
  POINT OriginTwips(const ControlDef& control) const;

  const FormDef& def_;
  HWND hwnd_ = nullptr;
  HMENU menu_ = nullptr;
  HWND tool_tip_ = nullptr;
  HFONT font_ = nullptr;
  std::vector<HFONT> fitted_fonts_;  // smaller fonts of labels whose text needed them
  int dpi_ = 96;
  std::vector<HWND> controls_;  // by index in the definition; null for lines and panels
  HWND saved_focus_ = nullptr;
  HWND modal_owner_ = nullptr;  // disabled while this form is shown modally
  bool frames_lowered_ = false;
};

}  // namespace forms
