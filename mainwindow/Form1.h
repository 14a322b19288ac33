// The main window: two path boxes, Start and Close, and the menus.
#pragma once

#include <string>

#include "platform/forms/form.h"

class Form1 : public forms::Form {
 public:
  Form1();

  // The program's folder, ending in "\"; the settings file lives there.
  std::u16string MyPath;

  void Btn_Start_Click();
  void Btn_Close_Click();
  void mnuExit_Click();
  void mnuOption_Click();

 protected:
  void Form_Load() override;
  void OnClick(std::u16string_view control) override;
  void OnMenu(std::u16string_view item) override;

 private:
  // The conversion behind Start; returns the message to show and its style.
  std::pair<std::u16string, unsigned> Convert();
  void ShowMessage(std::u16string_view text, unsigned style);
};

// The program's folder as Form_Load sets MyPath: the folder of the program
// file, with one trailing "\".
std::u16string ProgramFolderWithSeparator();
