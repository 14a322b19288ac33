// The settings dialog, created for real in this process and driven with real
// messages; its message boxes are observed through a hook.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "dialogs/frmBrackwenSetting.h"
#include "mainwindow/Form1.h"
#include "tests/support/dialog_test.h"
#include "tests/support/temp_dir.h"
#include "tests/support/window_driver.h"

namespace {

using testing_support::MessageBoxWatcher;
using testing_support::PressKey;
using testing_support::PumpMessages;
using testing_support::Show;
using testing_support::TempDir;
using testing_support::WindowText;

const std::string& kAllOnes = testing_support::kTenOptionsOn;

using SettingsDialogTest = testing_support::DialogTest<frmBrackwenSetting>;

TEST_F(SettingsDialogTest, WindowHasItsCaptionSizeAndIcon) {
  dir_.Write(u"Brackwen.ini", kAllOnes);
  auto dialog = Open();
  HWND h = dialog->hwnd();
  EXPECT_EQ(Show(WindowText(h)), "Sanvelle - Quillmere Setting -");
  RECT client;
  GetClientRect(h, &client);
  EXPECT_EQ(client.right, 312);
  EXPECT_EQ(client.bottom, 367);
  LONG style = GetWindowLongW(h, GWL_STYLE);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX));
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_NE(SendMessageW(h, WM_GETICON, ICON_BIG, 0), 0);
  // With no window manager on the virtual display, another window can hold
  // the activation for a moment; the focus comes back with it.
  if (GetActiveWindow() != h) {
    SetActiveWindow(h);
    PumpMessages(h);
  }
  EXPECT_EQ(GetFocus(), dialog->Control(u"Btn_OK"));
}

TEST_F(SettingsDialogTest, ControlsHaveTheirCaptionsKindsAndPlaces) {
  dir_.Write(u"Brackwen.ini", kAllOnes);
  auto dialog = Open();
  struct Expected {
    std::u16string name, caption;
    LONG type;  // button type, or -1 for other classes
    RECT rect;  // in the dialog's client area, pixels at 96 DPI
  };
  const Expected controls[] = {
      {u"Label1",
       u"変換して表示するタグにチェックをつけてください。チェックをはずしたタグは、削除されます。",
       -1,
       {24, 8, 281, 33}},
      {u"Frame1", u"", BS_GROUPBOX, {8, 32, 305, 313}},
      {u"chkHR", u"HR", BS_AUTOCHECKBOX, {24, 56, 121, 73}},
      {u"Label2", u"\u300C-\u300Dの数", -1, {40, 80, 97, 97}},
      {u"txtHR_NUM", u"5", -1, {88, 77, 121, 95}},
      {u"chkBR", u"BR", BS_AUTOCHECKBOX, {24, 104, 113, 121}},
      {u"chkAHREFSharp", u"A HREF #", BS_AUTOCHECKBOX, {168, 104, 281, 121}},
      {u"chkENTER", u"複数の改行を単一の改行に変換", BS_AUTOCHECKBOX, {24, 184, 281, 201}},
      {u"Frame2", u"リンクタグ", BS_GROUPBOX, {24, 208, 289, 297}},
      {u"opt_A_LINK_TAG_TYPE0", u"タグを残す", BS_AUTORADIOBUTTON, {40, 232, 137, 249}},
      {u"opt_A_LINK_TAG_TYPE1",
       u"リンク文字の前に\uFF3Bリンク\uFF1AURL\uFF3D",
       BS_AUTORADIOBUTTON,
       {40, 248, 249, 265}},
      {u"opt_A_LINK_TAG_TYPE2", u"リンク文字の後に(URL)", BS_AUTORADIOBUTTON, {40, 264, 265, 281}},
      {u"Btn_OK", u"OK", BS_PUSHBUTTON, {8, 320, 153, 361}},
      {u"Btn_Cancel", u"Cancel", BS_PUSHBUTTON, {160, 320, 305, 361}},
  };
  for (const Expected& e : controls) {
    HWND h = dialog->Control(e.name);
    ASSERT_NE(h, nullptr) << Show(e.name);
    EXPECT_EQ(Show(WindowText(h)), Show(e.caption)) << Show(e.name);
    if (e.type >= 0) {
      EXPECT_EQ(GetWindowLongW(h, GWL_STYLE) & BS_TYPEMASK, e.type) << Show(e.name);
    }
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, dialog->hwnd(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, e.rect.left) << Show(e.name);
    EXPECT_EQ(r.top, e.rect.top) << Show(e.name);
    EXPECT_EQ(r.right, e.rect.right) << Show(e.name);
    EXPECT_EQ(r.bottom, e.rect.bottom) << Show(e.name);
  }
}

TEST_F(SettingsDialogTest, TheDashCountIsVisibleInItsSmallBox) {
  dir_.Write(u"Brackwen.ini", kAllOnes);
  auto dialog = Open();
  HWND box = dialog->Control(u"txtHR_NUM");
  RECT client, format;
  GetClientRect(box, &client);
  SendMessageW(box, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
  LRESULT first = SendMessageW(box, EM_POSFROMCHAR, 0, 0);
  int x = static_cast<short>(LOWORD(first)), y = static_cast<short>(HIWORD(first));
  EXPECT_GE(x, 0);
  EXPECT_GE(y, 0);
  EXPECT_LT(x, client.right / 2) << "format rect " << format.left << "," << format.top << ","
                                 << format.right << "," << format.bottom;
  EXPECT_LT(y, client.bottom / 2);
}

TEST_F(SettingsDialogTest, TabFollowsTheTabIndexesNotTheScreenOrder) {
  dir_.Write(u"Brackwen.ini", kAllOnes);
  auto dialog = Open();
  const std::u16string order[] = {u"Btn_Cancel",
                                  u"chkBR",
                                  u"chkHR",
                                  u"chkP",
                                  u"chkIMG",
                                  u"chkANAME",
                                  u"chkAHREF",
                                  u"chkAHREFSharp",
                                  u"txtHR_NUM",
                                  u"chkENTER",
                                  u"opt_A_LINK_TAG_TYPE1",
                                  u"Btn_OK"};
  for (const auto& name : order) {
    PressKey(dialog->hwnd(), VK_TAB);
    EXPECT_EQ(GetFocus(), dialog->Control(name)) << "Tab to " << Show(name);
  }
  PressKey(dialog->hwnd(), VK_TAB, true);
  EXPECT_EQ(GetFocus(), dialog->Control(u"opt_A_LINK_TAG_TYPE1"));
  // Arrows move within the option group.
  PressKey(dialog->hwnd(), VK_DOWN);
  EXPECT_EQ(GetFocus(), dialog->Control(u"opt_A_LINK_TAG_TYPE2"));
}

TEST_F(SettingsDialogTest, OptionButtonsFormOneGroup) {
  dir_.Write(u"Brackwen.ini", kAllOnes);
  auto dialog = Open();
  for (int chosen = 0; chosen < 3; ++chosen) {
    std::u16string name = u"opt_A_LINK_TAG_TYPE";
    name += static_cast<char16_t>(u'0' + chosen);
    Click(*dialog, name);
    for (int i = 0; i < 3; ++i) {
      std::u16string other = u"opt_A_LINK_TAG_TYPE";
      other += static_cast<char16_t>(u'0' + i);
      EXPECT_EQ(dialog->Checked(other), i == chosen);
    }
  }
}

TEST_F(SettingsDialogTest, OnlyTheSameInPageLinkBoxHasATooltip) {
  dir_.Write(u"Brackwen.ini", kAllOnes);
  auto dialog = Open();
  HWND tip = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM found) {
        wchar_t cls[64] = {};
        GetClassNameW(h, cls, 64);
        if (_wcsicmp(cls, TOOLTIPS_CLASSW) == 0) *reinterpret_cast<HWND*>(found) = h;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&tip));
  ASSERT_NE(tip, nullptr);
  ASSERT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
  wchar_t text[80] = {};
  TOOLINFOW info{};
  info.cbSize = sizeof info;
  info.lpszText = text;
  ASSERT_TRUE(SendMessageW(tip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&info)));
  EXPECT_EQ(reinterpret_cast<HWND>(info.uId), dialog->Control(u"chkAHREFSharp"));
  EXPECT_STREQ(text, L"同ページ内リンク");
}

TEST_F(SettingsDialogTest, EnterAndEscapePressNeitherButton) {
  dir_.Write(u"Brackwen.ini", "[HTML]\r\nBR=1\r\n");
  auto dialog = Open();
  SetFocus(dialog->Control(u"chkBR"));
  PressKey(dialog->hwnd(), VK_RETURN);
  PressKey(dialog->hwnd(), VK_ESCAPE);
  EXPECT_TRUE(IsWindow(dialog->hwnd()));
  EXPECT_EQ(Settings(), "[HTML]\r\nBR=1\r\n");
}

TEST_F(SettingsDialogTest, LinkTypeOneRoundTrips) {
  dir_.Write(u"Brackwen.ini", kAllOnes);
  auto dialog = Open();
  EXPECT_FALSE(dialog->Checked(u"opt_A_LINK_TAG_TYPE0"));
  EXPECT_TRUE(dialog->Checked(u"opt_A_LINK_TAG_TYPE1"));
  EXPECT_FALSE(dialog->Checked(u"opt_A_LINK_TAG_TYPE2"));
  Click(*dialog, u"Btn_OK");
  EXPECT_FALSE(IsWindow(dialog->hwnd()));
  // OK with nothing changed writes the same ten values.
  EXPECT_EQ(Settings(), kAllOnes);
}

// The readable-text keys are not the dialog's: OK writes its ten values and
// leaves the section "TEXT", wherever it stands, as the user wrote it.
TEST_F(SettingsDialogTest, OkLeavesTheReadableTextSectionAsItWas) {
  const std::string text = "[TEXT]\r\n; mine\r\nSCRIPT=1\r\nspace=1\r\n";
  dir_.Write(u"Brackwen.ini", text + kAllOnes);
  auto dialog = Open();
  Click(*dialog, u"chkBR");
  Click(*dialog, u"Btn_OK");
  EXPECT_FALSE(IsWindow(dialog->hwnd()));
  const std::string expected = text + "[HTML]\r\nHR=1\r\nBR=0\r\nP=1\r\nIMG=1\r\nANAME=1\r\n" +
                               kAllOnes.substr(kAllOnes.find("AHREF=1"));
  EXPECT_EQ(Settings(), expected);
}

TEST_F(SettingsDialogTest, UnknownLinkTypeSelectsNothingAndWritesZero) {
  dir_.Write(u"Brackwen.ini", "[GENERAL]\r\nA_LINK_TAG_TYPE=7\r\n");
  MessageBoxWatcher boxes;
  auto dialog = Open();
  EXPECT_TRUE(boxes.boxes().empty());
  for (auto name : {u"opt_A_LINK_TAG_TYPE0", u"opt_A_LINK_TAG_TYPE1", u"opt_A_LINK_TAG_TYPE2"})
    EXPECT_FALSE(dialog->Checked(name));
  Click(*dialog, u"Btn_OK");
  EXPECT_NE(Settings()->find("A_LINK_TAG_TYPE=0\r\n"), std::string::npos) << *Settings();
}

TEST_F(SettingsDialogTest, NoSettingsFileIsReportedAndCancelCreatesNone) {
  MessageBoxWatcher boxes;
  auto dialog = Open();
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(Show(boxes.boxes()[0].text), "設定ファイルの読み込みに失敗しました。");
  EXPECT_EQ(Show(boxes.boxes()[0].title), "Sanvelle");
  EXPECT_EQ(boxes.boxes()[0].style, 16u);
  // The controls keep their initial states.
  EXPECT_FALSE(dialog->Checked(u"chkHR"));
  EXPECT_EQ(Show(dialog->Text(u"txtHR_NUM")), "");
  Click(*dialog, u"Btn_Cancel");
  EXPECT_FALSE(IsWindow(dialog->hwnd()));
  EXPECT_FALSE(dir_.Exists(u"Brackwen.ini"));
}

TEST_F(SettingsDialogTest, CancelAndTheCloseBoxLeaveTheFileByteForByte) {
  const std::string before = "; mine\r\n[HTML]\r\n  BR = 1  \r\n";
  dir_.Write(u"Brackwen.ini", before);
  for (bool close_box : {false, true}) {
    auto dialog = Open();
    Click(*dialog, u"chkBR");
    EXPECT_FALSE(dialog->Checked(u"chkBR"));
    if (close_box) {
      SendMessageW(dialog->hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
      Click(*dialog, u"Btn_Cancel");
    }
    EXPECT_FALSE(IsWindow(dialog->hwnd()));
    EXPECT_EQ(Settings(), before);
  }
  EXPECT_TRUE(Open()->Checked(u"chkBR"));
}

TEST_F(SettingsDialogTest, CountWithLeadingZerosIsStoredAsTheNumber) {
  dir_.Write(u"Brackwen.ini", kAllOnes);
  auto dialog = Open();
  dialog->SetText(u"txtHR_NUM", u"007");
  Click(*dialog, u"Btn_OK");
  EXPECT_NE(Settings()->find("NUM=7\r\n"), std::string::npos);
  EXPECT_EQ(Show(Open()->Text(u"txtHR_NUM")), "7");
}

// A Japanese input method types digits and signs full-width: they are the
// same numbers. Typed into the box as the input method hands them over.
TEST_F(SettingsDialogTest, FullWidthCountsAreTheSameNumbers) {
  struct Case {
    std::u16string typed;
    std::string stored;
  };
  const Case cases[] = {{u"５", "NUM=5\r\n"},        {u"１２", "NUM=12\r\n"},
                        {u"－１", "NUM=-1\r\n"},     {u"＋３", "NUM=3\r\n"},
                        {u"\u2212２", "NUM=-2\r\n"}, {u"　７　", "NUM=7\r\n"},
                        {u"２．５", "NUM=2\r\n"}};
  for (const Case& c : cases) {
    dir_.Write(u"Brackwen.ini", kAllOnes);
    auto dialog = Open();
    HWND box = dialog->Control(u"txtHR_NUM");
    SendMessageW(box, EM_SETSEL, 0, -1);
    SendMessageW(box, WM_CLEAR, 0, 0);
    for (const char16_t ch : c.typed) SendMessageW(box, WM_CHAR, ch, 1);
    ASSERT_EQ(Show(dialog->Text(u"txtHR_NUM")), Show(c.typed));
    MessageBoxWatcher boxes;
    Click(*dialog, u"Btn_OK");
    EXPECT_TRUE(boxes.boxes().empty()) << Show(c.typed);
    EXPECT_NE(Settings()->find(c.stored), std::string::npos) << Show(c.typed);
  }
}

TEST_F(SettingsDialogTest, CountThatIsNoNumberKeepsTheDialogOpen) {
  dir_.Write(u"Brackwen.ini", kAllOnes);
  auto dialog = Open();
  for (const std::u16string text : {u"", u"abc", u"40000", u"５ａ", u"－"}) {
    dialog->SetText(u"txtHR_NUM", text);
    MessageBoxWatcher boxes;
    Click(*dialog, u"Btn_OK");
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(Show(boxes.boxes()[0].text),
              "「-」の数には -32768 から 32767 までの整数を入力してください。");
    EXPECT_TRUE(IsWindow(dialog->hwnd()));
    EXPECT_EQ(GetFocus(), dialog->Control(u"txtHR_NUM"));
    DWORD start = 0, end = 0;
    SendMessageW(dialog->Control(u"txtHR_NUM"), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, text.size());
    EXPECT_EQ(Settings(), kAllOnes);
  }
}

TEST_F(SettingsDialogTest, StoredFlagOtherThanZeroOrOneIsShownCheckedAndWrittenAsOne) {
  dir_.Write(u"Brackwen.ini", "[HTML]\r\nBR=5\r\nP=-1\r\n");
  auto dialog = Open();
  EXPECT_TRUE(dialog->Checked(u"chkBR"));
  EXPECT_TRUE(dialog->Checked(u"chkP"));
  Click(*dialog, u"Btn_OK");
  EXPECT_NE(Settings()->find("BR=1\r\nP=1\r\n"), std::string::npos) << *Settings();
}

TEST_F(SettingsDialogTest, FailedSaveIsReportedAndTheDialogStillCloses) {
  dir_.Write(u"Brackwen.ini", kAllOnes);
  dir_.SetReadOnly(u"Brackwen.ini", true);
  auto dialog = Open();
  Click(*dialog, u"chkBR");
  MessageBoxWatcher boxes;
  Click(*dialog, u"Btn_OK");
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(Show(boxes.boxes()[0].text), "設定ファイルの保存に失敗しました。");
  EXPECT_EQ(boxes.boxes()[0].style, 16u);
  EXPECT_FALSE(IsWindow(dialog->hwnd()));
  EXPECT_EQ(Settings(), kAllOnes);
}

TEST_F(SettingsDialogTest, ValueOutOfRangeInTheFileIsAReadFailure) {
  dir_.Write(u"Brackwen.ini", "[HR]\r\nNUM=70000\r\n");
  MessageBoxWatcher boxes;
  auto dialog = Open();
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(Show(boxes.boxes()[0].text), "設定ファイルの読み込みに失敗しました。");
  EXPECT_EQ(Show(dialog->Text(u"txtHR_NUM")), "");
}

// Through the main window: Tool > Option is modal, and a conversion after OK
// uses what the dialog stored.
TEST_F(SettingsDialogTest, ToolOptionOpensTheDialogModallyOverTheMainWindow) {
  dir_.Write(u"Brackwen.ini", kAllOnes);
  Form1 main;
  ASSERT_TRUE(main.Create());
  main.MyPath = MyPath();
  main.Show();
  const testing_support::ModalSeen seen = testing_support::RunModalCommand(
      main.hwnd(), main.MenuCommand(u"mnuOption"), u"Sanvelle - ");  // Tool > Option
  EXPECT_TRUE(seen.opened);
  EXPECT_EQ(Show(seen.caption), "Sanvelle - Quillmere Setting -");
  EXPECT_FALSE(seen.owner_enabled);
  EXPECT_TRUE(IsWindowEnabled(main.hwnd()));
  EXPECT_EQ(Settings(), kAllOnes);
}

// The read failure shows while the dialog loads: the main window takes no
// input from then on (no Start, no second dialog).
TEST_F(SettingsDialogTest, TheMainWindowIsDisabledFromBeforeTheDialogLoads) {
  Form1 main;
  ASSERT_TRUE(main.Create());
  main.MyPath = MyPath();
  main.Show();
  MessageBoxWatcher boxes(main.hwnd());
  const testing_support::ModalSeen seen = testing_support::RunModalCommand(
      main.hwnd(), main.MenuCommand(u"mnuOption"), u"Sanvelle - ");  // Tool > Option
  EXPECT_TRUE(seen.opened);
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(Show(boxes.boxes()[0].text), "設定ファイルの読み込みに失敗しました。");
  EXPECT_FALSE(boxes.boxes()[0].watched_enabled);
  EXPECT_TRUE(IsWindowEnabled(main.hwnd()));
}

// However the dialog closes, the main window is the active window again,
// also with another program's window on the screen: the main window is
// enabled before the dialog goes, so the system hands the activation back
// to it.
TEST_F(SettingsDialogTest, EveryWayOfClosingLeavesTheMainWindowActive) {
  dir_.Write(u"Brackwen.ini", kAllOnes);
  Form1 main;
  ASSERT_TRUE(main.Create());
  main.MyPath = MyPath();
  main.Show();
  testing_support::OtherProgramWindow other;
  using namespace testing_support;
  for (const CloseWay& way : {kClickOk, kClickCancel, kCloseBox}) {
    const AfterClosing after =
        RunAndClose(main.hwnd(), main.MenuCommand(u"mnuOption"), u"Sanvelle - ", way);
    EXPECT_TRUE(after.opened) << way.name;
    EXPECT_EQ(after.foreground, main.hwnd()) << way.name;
    EXPECT_EQ(after.active, main.hwnd()) << way.name;
  }
}

TEST_F(SettingsDialogTest, AConversionAfterOkUsesTheNewOptions) {
  dir_.Write(u"Brackwen.ini", kAllOnes);
  dir_.Write(u"in.htm", "a<br>b<hr>");
  Form1 main;
  ASSERT_TRUE(main.Create());
  main.MyPath = MyPath();
  main.Show();
  main.SetText(u"txtInput", dir_ / u"in.htm");
  main.SetText(u"txtOutput", dir_ / u"out.txt");
  auto start = [&] {
    MessageBoxWatcher boxes;
    SendMessageW(main.Control(u"Btn_Start"), BM_CLICK, 0, 0);
    PumpMessages(main.hwnd());
    return dir_.Read(u"out.txt");
  };
  EXPECT_EQ(start(), "a\r\nb-----\r\n\r\n");
  {
    frmBrackwenSetting dialog(main.MyPath);
    ASSERT_TRUE(dialog.Create(main.hwnd()));
    dialog.Show();
    Click(dialog, u"chkBR");
    dialog.SetText(u"txtHR_NUM", u"2");
    Click(dialog, u"Btn_OK");
  }
  EXPECT_EQ(start(), "ab--\r\n\r\n");
}

}  // namespace
