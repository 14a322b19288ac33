// The About box: the program's title, its version as the version record
// holds it, and its icon.
#pragma once

#include <windows.h>

#include "platform/forms/form.h"

class frmAbout : public forms::Form {
 public:
  // `main_window` lends the box its icon.
  explicit frmAbout(HWND main_window);

  void cmdOK_Click();

 protected:
  void Form_Load() override;
  void OnClick(std::u16string_view control) override;

 private:
  HWND main_window_;
};

struct ProgramVersion {
  int major = 0, minor = 0, revision = 0;
};

// The version numbers of the running program, read from its version record.
ProgramVersion ReadProgramVersion();
