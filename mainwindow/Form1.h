// The main window: two path boxes, Start and Close, and the menus.
#pragma once

#include <memory>
#include <string>

#include "platform/forms/file_drop_target.h"
#include "platform/forms/form.h"

class Form1 : public forms::Form {
 public:
  Form1();
  ~Form1() override;

  // The program's folder, ending in "\"; the settings file lives there.
  std::u16string MyPath;

  void Btn_Start_Click();
  void Btn_Close_Click();
  void mnuExit_Click();
  void mnuOption_Click();
  void mnuText_Click();
  void mnuAbout_Click();
  void Btn_Open_Click();
  void Btn_Save_Click();
  void Form_OLEDragDrop(IDataObject* data);
  void txtInput_OLEDragDrop(IDataObject* data);

  // The drop targets of the window surface and of txtInput.
  IDropTarget* FormDropTarget() const;
  IDropTarget* InputDropTarget() const;

 protected:
  void Form_Load() override;
  void OnClick(std::u16string_view control) override;
  void OnMenu(std::u16string_view item) override;
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  // The conversion behind Start; returns the message to show and its style.
  std::pair<std::u16string, unsigned> Convert();
  void ShowMessage(std::u16string_view text, unsigned style);
  // The first dropped path, in its long form, put into txtInput; nothing
  // when the data holds no file list or its first entry is a folder.
  std::optional<std::u16string> TakeDroppedInput(IDataObject* data);
  bool SurfaceAcceptsDrop(POINTL screen_point) const;

  bool ole_ = false;
  std::unique_ptr<forms::DropRegistration> form_drop_, input_drop_;
};

// The program's folder as Form_Load sets MyPath: the folder of the program
// file, with one trailing "\".
std::u16string ProgramFolderWithSeparator();
