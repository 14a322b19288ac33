// The text settings dialog: shows section TEXT of the settings file (the
// readable text's switches, the width lines wrap at, the output's encoding
// and how ruby is written) and writes it back on OK; Cancel, Escape and the
// close box write nothing. OK with a width that is none stays, and says so.
#pragma once

#include <string>

#include "platform/forms/form.h"

class frmTextSetting : public forms::Form {
 public:
  // `my_path` is the main window's MyPath: the program folder with its "\".
  explicit frmTextSetting(const std::u16string& my_path);

  void Btn_OK_Click();
  void Btn_Cancel_Click();
  void chkWIDTH_Click();

 protected:
  void Form_Load() override;
  void OnClick(std::u16string_view control) override;

 private:
  void LoadControls(const std::u16string& path);
  bool StoreControls(const std::u16string& path, int width);

  const std::u16string& my_path_;
  std::u16string loaded_output_;  // OUTPUT as the file held it
};
