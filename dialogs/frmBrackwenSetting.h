// The settings dialog: shows the options held in the settings file and
// writes them back on OK.
#pragma once

#include <string>

#include "platform/forms/form.h"

class frmBrackwenSetting : public forms::Form {
 public:
  // `my_path` is the main window's MyPath: the program folder with its "\".
  explicit frmBrackwenSetting(const std::u16string& my_path);

  void Btn_OK_Click();
  void Btn_Cancel_Click();

 protected:
  void Form_Load() override;
  void OnClick(std::u16string_view control) override;

 private:
  bool LoadControls(const std::u16string& path);
  bool StoreControls(const std::u16string& path);
  void ShowMessage(std::u16string_view text);
  void RefuseCount();

  const std::u16string& my_path_;
};
