// Naming the input and output files: the real common file dialogs, driven
// from a hook while they are open, and files dropped on the window's real
// drop targets.
#include <gtest/gtest.h>

#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>

#include <functional>

#include "mainwindow/Form1.h"
#include "tests/support/drop_data.h"
#include "tests/support/temp_dir.h"
#include "tests/support/window_driver.h"

namespace {

using testing_support::MakeDropData;
using testing_support::PumpMessages;
using testing_support::Show;
using testing_support::TempDir;

std::u16string U16(const wchar_t* s) {
  return std::u16string(s, s + wcslen(s));
}

// What a file dialog showed, and what the test does with it.
struct DialogSeen {
  bool opened = false;
  std::u16string title, folder;
  std::vector<std::u16string> filters;
  int selected_filter = -1;
  std::u16string file_name;
};

struct Driver {
  DialogSeen seen;
  std::u16string type;  // the file name to choose; empty: cancel
  HWND dialog = nullptr;
  HHOOK hook = nullptr;
};
Driver* driver = nullptr;

void CALLBACK ActOnDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  if (!driver || !driver->dialog) return;
  HWND d = driver->dialog;
  DialogSeen& seen = driver->seen;
  seen.opened = true;
  wchar_t text[MAX_PATH * 4] = {};
  GetWindowTextW(d, text, MAX_PATH);
  seen.title = U16(text);
  SendMessageW(d, CDM_GETFOLDERPATH, MAX_PATH * 4, reinterpret_cast<LPARAM>(text));
  seen.folder = U16(text);
  HWND types = GetDlgItem(d, cmb1);
  for (LRESULT i = 0, n = SendMessageW(types, CB_GETCOUNT, 0, 0); i < n; ++i) {
    SendMessageW(types, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    seen.filters.push_back(U16(text));
  }
  seen.selected_filter = static_cast<int>(SendMessageW(types, CB_GETCURSEL, 0, 0));
  HWND name = GetDlgItem(d, edt1) ? GetDlgItem(d, edt1) : GetDlgItem(d, cmb13);
  GetWindowTextW(name, text, MAX_PATH);
  seen.file_name = U16(text);
  if (driver->type.empty()) {
    PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
  } else {
    std::wstring typed(driver->type.begin(), driver->type.end());
    SetWindowTextW(name, typed.c_str());
    PostMessageW(d, WM_COMMAND, IDOK, 0);
  }
}

LRESULT CALLBACK CatchDialog(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE && driver && !driver->dialog) {
    wchar_t cls[32] = {};
    GetClassNameW(reinterpret_cast<HWND>(wparam), cls, 32);
    if (wcscmp(cls, L"#32770") == 0) {
      driver->dialog = reinterpret_cast<HWND>(wparam);
      SetTimer(nullptr, 0, 300, &ActOnDialog);  // once the dialog has filled itself
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

class FileChoiceTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(form_.Create());
    form_.Show();
    dir_.MakeFolder(u"Site");
    dir_.Write(u"Site\\Page.htm", "x");
    dir_.Write(u"Site\\README", "x");
    dir_.Write(u"Site\\a.b.htm", "x");
    dir_.Write(u"Site\\notes.txt", "x");
    root_ = dir_.path();
    root_[0] = static_cast<char16_t>(root_[0] & ~0x20);  // the drive letter as it comes back
  }

  // Presses a "..." button; the dialog is answered with `type` (or cancelled).
  DialogSeen Press(std::u16string_view button, std::u16string type) {
    Driver d;
    d.type = std::move(type);
    driver = &d;
    d.hook = SetWindowsHookExW(WH_CBT, &CatchDialog, nullptr, GetCurrentThreadId());
    SendMessageW(form_.Control(button), BM_CLICK, 0, 0);
    PumpMessages(form_.hwnd());
    UnhookWindowsHookEx(d.hook);
    driver = nullptr;
    return d.seen;
  }

  void Boxes(std::u16string_view input, std::u16string_view output) {
    form_.SetText(u"txtInput", input);
    form_.SetText(u"txtOutput", output);
  }
  std::string Input() { return Show(form_.Text(u"txtInput")); }
  std::string Output() { return Show(form_.Text(u"txtOutput")); }

  // Drops files through a drop target at a point in the window's client area.
  DWORD Drop(IDropTarget* target, const std::vector<std::u16string>& paths, POINT client,
             bool file_list = true) {
    IDataObject* data = MakeDropData(paths, file_list);
    ClientToScreen(form_.hwnd(), &client);
    POINTL at{client.x, client.y};
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    target->DragEnter(data, MK_LBUTTON, at, &effect);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    target->Drop(data, MK_LBUTTON, at, &effect);
    data->Release();
    return effect;
  }
  DWORD DropOnWindow(const std::vector<std::u16string>& paths, bool file_list = true) {
    return Drop(form_.FormDropTarget(), paths, {200, 8}, file_list);
  }
  DWORD DropOnInput(const std::vector<std::u16string>& paths, bool file_list = true) {
    return Drop(form_.InputDropTarget(), paths, {20, 24}, file_list);
  }

  Form1 form_;
  TempDir dir_;
  std::u16string root_;
};

TEST_F(FileChoiceTest, OpenDialogShowsItsTitleFiltersAndFolder) {
  Boxes(dir_ / u"Site\\Page.htm", u"keep.txt");
  DialogSeen seen = Press(u"Btn_Open", u"");
  ASSERT_TRUE(seen.opened);
  EXPECT_EQ(Show(seen.title), "ファイルを開く");
  ASSERT_EQ(seen.filters.size(), 3u);
  EXPECT_EQ(Show(seen.filters[0]), "HTML Files(*.htm,*.html)");
  EXPECT_EQ(Show(seen.filters[1]), "Web Archive Files(*.mht,*.mhtml)");
  EXPECT_EQ(Show(seen.filters[2]), "ALL Files(*.*)");
  EXPECT_EQ(seen.selected_filter, 0);
  EXPECT_EQ(Show(seen.file_name), "");
  EXPECT_EQ(Show(seen.folder), Show(dir_ / u"Site"));
  // Cancel leaves both boxes.
  EXPECT_EQ(Input(), Show(dir_ / u"Site\\Page.htm"));
  EXPECT_EQ(Output(), "keep.txt");
}

TEST_F(FileChoiceTest, OpenDialogStartsInCWithoutAFolder) {
  for (const std::u16string input : {u"", u"page.htm"}) {
    Boxes(input, u"");
    DialogSeen seen = Press(u"Btn_Open", u"");
    ASSERT_TRUE(seen.opened);
    EXPECT_EQ(Show(seen.folder), "C:\\");
  }
}

TEST_F(FileChoiceTest, OpenDialogPutsTheChosenPathIntoTheInputBoxOnly) {
  Boxes(dir_ / u"Site\\x.htm", u"out.txt");
  Press(u"Btn_Open", u"Page.htm");
  EXPECT_EQ(Input(), Show(dir_ / u"Site\\Page.htm"));
  EXPECT_EQ(Output(), "out.txt");
}

TEST_F(FileChoiceTest, SaveDialogShowsItsTitleFiltersAndFolder) {
  Boxes(dir_ / u"Site\\Page.htm", u"");
  DialogSeen seen = Press(u"Btn_Save", u"");
  ASSERT_TRUE(seen.opened);
  EXPECT_EQ(Show(seen.title), "ファイルを保存");
  ASSERT_EQ(seen.filters.size(), 2u);
  EXPECT_EQ(Show(seen.filters[0]), "TEXT Files(*.txt)");
  EXPECT_EQ(Show(seen.filters[1]), "ALL Files(*.*)");
  EXPECT_EQ(seen.selected_filter, 0);
  EXPECT_EQ(Show(seen.folder), Show(dir_ / u"Site"));
  EXPECT_EQ(Output(), "");
  // The output's own folder comes first.
  dir_.MakeFolder(u"Out");
  Boxes(dir_ / u"Site\\Page.htm", dir_ / u"Out\\old.txt");
  EXPECT_EQ(Show(Press(u"Btn_Save", u"").folder), Show(dir_ / u"Out"));
  Boxes(u"", u"");
  EXPECT_EQ(Show(Press(u"Btn_Save", u"").folder), "C:\\");
}

TEST_F(FileChoiceTest, SaveDialogTakesNewNamesAndAddsTxtOnlyWithoutADot) {
  struct Case {
    std::u16string typed;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"result", u"Site\\result.txt"},
      {u"result.text", u"Site\\result.text"},
      {u".profile", u"Site\\.profile"},
      {u"notes.txt", u"Site\\notes.txt"},
  };
  for (const Case& c : cases) {
    Boxes(dir_ / u"Site\\Page.htm", u"");
    Press(u"Btn_Save", c.typed);
    EXPECT_EQ(Output(), Show(dir_ / c.expected)) << Show(c.typed);
    EXPECT_EQ(Input(), Show(dir_ / u"Site\\Page.htm"));
  }
}

TEST_F(FileChoiceTest, DropOnTheWindowProposesTheOutputBesideTheInput) {
  struct Case {
    std::u16string dropped, input, output;
  };
  const Case cases[] = {
      {u"site\\page.htm", u"\\Site\\Page.htm", u"\\Site\\Page.txt"},
      {u"SITE\\README", u"\\Site\\README", u"\\Site\\README.txt"},
      {u"site\\A.B.HTM", u"\\Site\\a.b.htm", u"\\Site\\a.b.txt"},
      {u"site\\notes.txt", u"\\Site\\notes.txt", u"\\Site\\notes.txt"},
  };
  for (const Case& c : cases) {
    Boxes(u"", u"D:\\out\\old.txt");
    EXPECT_EQ(DropOnWindow({dir_ / c.dropped}), static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(Input(), Show(root_ + c.input));
    EXPECT_EQ(Output(), Show(root_ + c.output));
  }
}

TEST_F(FileChoiceTest, DropOnTheInputBoxKeepsTheOutputFolder) {
  struct Case {
    std::u16string output_before, output_after;
  };
  const Case cases[] = {
      {u"D:\\out\\old.txt", u"D:\\out\\Page.txt"},
      {u"", root_ + u"\\Site\\Page.txt"},
      {u"out.txt", u"c:\\\\Page.txt"},
  };
  for (const Case& c : cases) {
    Boxes(u"", c.output_before);
    DropOnInput({dir_ / u"site\\page.htm"});
    EXPECT_EQ(Input(), Show(root_ + u"\\Site\\Page.htm"));
    EXPECT_EQ(Output(), Show(c.output_after));
  }
}

// Several files, or a folder, are listed as the open-file dialog lists
// several chosen files, each long path in quotes; the outputs go into the
// first one's folder (a folder's own), on either drop target.
TEST_F(FileChoiceTest, SeveralDroppedFilesOrAFolderAreListedInQuotes) {
  const std::string site = Show(root_ + u"\\Site");
  struct Case {
    std::vector<std::u16string> dropped;
    bool onto_input;
    std::string input, output;
  };
  const Case cases[] = {
      {{dir_ / u"site\\README", dir_ / u"Site\\page.htm", dir_ / u"Site\\notes.txt"},
       false,
       "\"" + site + "\\README\" \"" + site + "\\Page.htm\" \"" + site + "\\notes.txt\"",
       site + "\\"},
      {{dir_ / u"Site\\Page.htm", dir_ / u"Site\\README"},
       true,
       "\"" + site + "\\Page.htm\" \"" + site + "\\README\"",
       site + "\\"},
      {{dir_ / u"site"}, false, "\"" + site + "\"", site + "\\"},
      {{dir_ / u"site", dir_ / u"Site\\Page.htm"},
       true,
       "\"" + site + "\" \"" + site + "\\Page.htm\"",
       site + "\\"},
  };
  for (const Case& c : cases) {
    Boxes(u"in", u"out");
    if (c.onto_input)
      DropOnInput(c.dropped);
    else
      DropOnWindow(c.dropped);
    EXPECT_EQ(Input(), c.input);
    EXPECT_EQ(Output(), c.output);
  }
}

TEST_F(FileChoiceTest, DataWithoutFilesChangesNothing) {
  Boxes(u"in", u"out");
  DropOnWindow({dir_ / u"Site\\Page.htm"}, false);
  DropOnInput({dir_ / u"Site\\Page.htm"}, false);
  EXPECT_EQ(Input(), "in");
  EXPECT_EQ(Output(), "out");
}

TEST_F(FileChoiceTest, AWildcardInADroppedPathNamesAnExistingFileOrNothing) {
  Boxes(u"", u"");
  DropOnWindow({dir_ / u"site\\*.htm"});
  std::u16string input = form_.Text(u"txtInput");
  if (!input.empty()) {
    std::wstring wide(input.begin(), input.end());
    EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES) << Show(input);
    EXPECT_EQ(input.find(u'*'), std::u16string::npos);
  }
}

TEST_F(FileChoiceTest, TheOutputBoxAndTheButtonsTakeNoDrops) {
  Boxes(u"in", u"out");
  for (POINT over : {POINT{20, 64}, POINT{60, 110}, POINT{262, 24}}) {  // txtOutput, Start, "..."
    EXPECT_EQ(Drop(form_.FormDropTarget(), {dir_ / u"Site\\Page.htm"}, over),
              static_cast<DWORD>(DROPEFFECT_NONE));
  }
  EXPECT_EQ(Input(), "in");
  EXPECT_EQ(Output(), "out");
  // Registered with the system: the window and the input box, not the output box.
  IDropTarget* probe = form_.FormDropTarget();
  EXPECT_EQ(RegisterDragDrop(form_.hwnd(), probe), DRAGDROP_E_ALREADYREGISTERED);
  EXPECT_EQ(RegisterDragDrop(form_.Control(u"txtInput"), probe), DRAGDROP_E_ALREADYREGISTERED);
  ASSERT_EQ(RegisterDragDrop(form_.Control(u"txtOutput"), probe), S_OK);
  RevokeDragDrop(form_.Control(u"txtOutput"));
}

}  // namespace
