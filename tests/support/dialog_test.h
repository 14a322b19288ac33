// What the settings dialogs' tests share: a folder standing for the program's
// own (MyPath), holding or not a Brackwen.ini, and a dialog opened over it
// as the Tool menu opens it.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "tests/support/settings_file.h"
#include "tests/support/temp_dir.h"
#include "tests/support/window_driver.h"

namespace testing_support {

template <class Dialog>
class DialogTest : public testing::Test {
 protected:
  std::u16string MyPath() const { return dir_.path() + u"\\"; }
  // Opens the dialog up to the point where it shows.
  std::unique_ptr<Dialog> Open() {
    path_ = MyPath();
    auto dialog = std::make_unique<Dialog>(path_);
    EXPECT_TRUE(dialog->Create());
    dialog->Show();
    PumpMessages(dialog->hwnd());
    return dialog;
  }
  void Click(Dialog& dialog, std::u16string_view name) {
    SendMessageW(dialog.Control(name), BM_CLICK, 0, 0);
    PumpMessages(dialog.hwnd());
  }
  std::optional<std::string> Settings() const { return dir_.Read(u"Brackwen.ini"); }

  TempDir dir_;
  std::u16string path_;  // the dialog keeps a reference to it
};

}  // namespace testing_support
