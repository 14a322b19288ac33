// The text settings dialog, created for real in this process and driven with
// real messages and keys; its message boxes are observed through a hook.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <optional>

#include "dialogs/frmTextSetting.h"
#include "mainwindow/Form1.h"
#include "tests/support/dialog_test.h"
#include "tests/support/source_file.h"
#include "tests/support/window_driver.h"

namespace {

using testing_support::MessageBoxWatcher;
using testing_support::PressKey;
using testing_support::PumpMessages;
using testing_support::Show;
using testing_support::TempDir;
using testing_support::WindowText;

const char16_t* const kChecks[] = {u"chkSCRIPT", u"chkENTITY", u"chkSPACE", u"chkBLOCK",
                                   u"chkTABLE",  u"chkLINKS",  u"chkMAIN"};
const char* const kKeys[] = {"SCRIPT", "ENTITY", "SPACE", "BLOCK", "TABLE", "LINKS", "MAIN"};
constexpr int kSwitches = 7;
const char16_t* const kOutputs[] = {u"opt_OUTPUT0", u"opt_OUTPUT1", u"opt_OUTPUT2", u"opt_OUTPUT3"};
const char16_t* const kRubies[] = {u"opt_RUBY0", u"opt_RUBY1", u"opt_RUBY2", u"opt_RUBY3"};

const std::string& kTen = testing_support::kTenOptionsOn;

std::string TextSection(const std::string& on, const std::string& output, char ruby = '0') {
  std::string s = "[TEXT]\r\n";
  for (int i = 0; i < kSwitches; ++i) s += std::string(kKeys[i]) + "=" + on[i] + "\r\n";
  return s + "OUTPUT=" + output + "\r\nRUBY=" + ruby + "\r\nWIDTH=0\r\n";
}

class TextDialogTest : public testing_support::DialogTest<frmTextSetting> {
 protected:
  std::string Checks(const frmTextSetting& dialog) const {
    std::string s;
    for (auto name : kChecks) s += dialog.Checked(name) ? '1' : '0';
    return s;
  }
  std::string Options(const frmTextSetting& dialog) const {
    std::string s;
    for (auto name : kOutputs) s += dialog.Checked(name) ? '1' : '0';
    return s;
  }
  std::string Rubies(const frmTextSetting& dialog) const {
    std::string s;
    for (auto name : kRubies) s += dialog.Checked(name) ? '1' : '0';
    return s;
  }
};

TEST_F(TextDialogTest, ADialogWithItsCaptionOutOfTheTaskbar) {
  auto dialog = Open();
  HWND h = dialog->hwnd();
  EXPECT_EQ(Show(WindowText(h)), "Sanvelle - Text Setting -");
  RECT client;
  GetClientRect(h, &client);
  EXPECT_EQ(client.right, 352);
  EXPECT_EQ(client.bottom, 454);
  const LONG style = GetWindowLongW(h, GWL_STYLE);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX));
  EXPECT_TRUE(style & WS_SYSMENU);
  const LONG ex = GetWindowLongW(h, GWL_EXSTYLE);
  EXPECT_FALSE(ex & WS_EX_APPWINDOW);
  EXPECT_TRUE(ex & WS_EX_DLGMODALFRAME);
  EXPECT_EQ(GetWindowLongW(dialog->Control(u"Btn_OK"), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
}

// Each caption whole on its control's one line, in the dialog's font: a
// check box's or option button's box and gap, then the text.
TEST_F(TextDialogTest, CaptionsAreTheirsAndFitTheirControls) {
  auto dialog = Open();
  struct Expected {
    const char16_t* name;
    std::u16string caption;
    LONG type;
  };
  const Expected controls[] = {
      {u"chkSCRIPT", u"スクリプト・スタイルと表示されない部分を除く", BS_AUTOCHECKBOX},
      {u"chkENTITY", u"文字参照をすべて文字に戻す", BS_AUTOCHECKBOX},
      {u"chkSPACE", u"空白と改行をブラウザーのように詰める", BS_AUTOCHECKBOX},
      {u"chkBLOCK", u"段落・見出し・リスト・表を行に分ける", BS_AUTOCHECKBOX},
      {u"chkTABLE", u"表の列を文字幅でそろえる", BS_AUTOCHECKBOX},
      {u"chkLINKS", u"リンク先を番号付きで末尾にまとめる", BS_AUTOCHECKBOX},
      {u"chkMAIN", u"本文だけを取り出す (メニューや広告を除く)", BS_AUTOCHECKBOX},
      {u"chkWIDTH", u"行を折り返す", BS_AUTOCHECKBOX},
      {u"lblWIDTH", u"桁 (全角の文字は 2 桁)", SS_LEFT},
      {u"Frame1", u"出力の文字コード", BS_GROUPBOX},
      {u"opt_OUTPUT0", u"入力に合わせる", BS_AUTORADIOBUTTON},
      {u"opt_OUTPUT1", u"シフトJIS (ANSI)", BS_AUTORADIOBUTTON},
      {u"opt_OUTPUT2", u"UTF-8", BS_AUTORADIOBUTTON},
      {u"opt_OUTPUT3", u"UTF-8 (BOM付き)", BS_AUTORADIOBUTTON},
      {u"Frame2", u"ルビ (ふりがな)", BS_GROUPBOX},
      {u"opt_RUBY0", u"本文に続ける (漢字かんじ)", BS_AUTORADIOBUTTON},
      {u"opt_RUBY1", u"かっこに入れる (漢字（かんじ）)", BS_AUTORADIOBUTTON},
      {u"opt_RUBY2", u"青空文庫の形式 (漢字《かんじ》)", BS_AUTORADIOBUTTON},
      {u"opt_RUBY3", u"書かない (漢字)", BS_AUTORADIOBUTTON},
      {u"Btn_OK", u"OK", BS_DEFPUSHBUTTON},
      {u"Btn_Cancel", u"Cancel", BS_PUSHBUTTON},
  };
  for (const Expected& e : controls) {
    HWND h = dialog->Control(e.name);
    ASSERT_NE(h, nullptr) << Show(e.name);
    EXPECT_EQ(Show(WindowText(h)), Show(e.caption)) << Show(e.name);
    EXPECT_EQ(GetWindowLongW(h, GWL_STYLE) & BS_TYPEMASK, e.type) << Show(e.name);
    HDC dc = GetDC(h);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)));
    const std::wstring text(e.caption.begin(), e.caption.end());
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    RECT r;
    GetClientRect(h, &r);
    const int box = e.type == BS_AUTOCHECKBOX || e.type == BS_AUTORADIOBUTTON
                        ? GetSystemMetricsForDpi(SM_CXMENUCHECK, 96) + 6
                        : 8;
    EXPECT_LE(size.cx + box, r.right) << Show(e.name);
    EXPECT_LE(size.cy, r.bottom) << Show(e.name);
  }
}

// Tab goes through the check boxes (past the width's box while lines are not
// wrapped), into the encoding group and the ruby group at their selected
// buttons, then to OK and Cancel; arrows move within a group, and Space
// turns a check box over.
TEST_F(TextDialogTest, TheKeyboardReachesEveryControlInOrder) {
  dir_.Write(u"Brackwen.ini", "[TEXT]\r\nOUTPUT=utf-8\r\nRUBY=2\r\n");
  auto dialog = Open();
  HWND h = dialog->hwnd();
  if (GetActiveWindow() != h) {
    SetActiveWindow(h);
    PumpMessages(h);
  }
  EXPECT_EQ(GetFocus(), dialog->Control(u"chkSCRIPT"));
  const char16_t* order[] = {u"chkENTITY", u"chkSPACE", u"chkBLOCK",   u"chkTABLE",
                             u"chkLINKS",  u"chkMAIN",  u"chkWIDTH",   u"opt_OUTPUT2",
                             u"opt_RUBY2", u"Btn_OK",   u"Btn_Cancel", u"chkSCRIPT"};
  for (auto name : order) {
    PressKey(h, VK_TAB);
    EXPECT_EQ(GetFocus(), dialog->Control(name)) << "Tab to " << Show(name);
  }
  PressKey(h, VK_SPACE);
  EXPECT_TRUE(dialog->Checked(u"chkSCRIPT"));
  PressKey(h, VK_TAB, true);
  PressKey(h, VK_TAB, true);
  PressKey(h, VK_TAB, true);
  EXPECT_EQ(GetFocus(), dialog->Control(u"opt_RUBY2"));
  PressKey(h, VK_DOWN);
  EXPECT_EQ(Rubies(*dialog), "0001");
  PressKey(h, VK_TAB, true);
  EXPECT_EQ(GetFocus(), dialog->Control(u"opt_OUTPUT2"));
  PressKey(h, VK_DOWN);
  EXPECT_EQ(GetFocus(), dialog->Control(u"opt_OUTPUT3"));
  EXPECT_EQ(Options(*dialog), "0001");
  PressKey(h, VK_UP);
  PressKey(h, VK_UP);
  EXPECT_EQ(Options(*dialog), "0100");
  PressKey(h, VK_RETURN);  // OK, wherever the focus is
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(Settings(),
            "[TEXT]\r\nOUTPUT=ansi\r\nRUBY=3\r\nSCRIPT=1\r\nENTITY=0\r\nSPACE=0\r\n"
            "BLOCK=0\r\nTABLE=0\r\nLINKS=0\r\nMAIN=0\r\nWIDTH=0\r\n");
}

// Each check box alone, read from the file and written back through OK;
// each option button, chosen and written.
TEST_F(TextDialogTest, EachCheckBoxAndOptionButtonRoundTrips) {
  for (int i = 0; i < kSwitches; ++i) {
    std::string on = "0000000";
    on[i] = '1';
    dir_.Write(u"Brackwen.ini", kTen + "[TEXT]\r\n" + kKeys[i] + "=1\r\n");
    auto dialog = Open();
    EXPECT_EQ(Checks(*dialog), on);
    EXPECT_EQ(Options(*dialog), "1000");  // no OUTPUT: same
    Click(*dialog, kChecks[i]);
    Click(*dialog, kChecks[(i + 1) % kSwitches]);
    Click(*dialog, u"Btn_OK");
    EXPECT_FALSE(IsWindow(dialog->hwnd()));
    std::string after = "0000000";
    after[(i + 1) % kSwitches] = '1';
    std::string expected = kTen + "[TEXT]\r\n" + kKeys[i] + "=0\r\n";
    for (int k = 0; k < kSwitches; ++k)
      if (k != i) expected += std::string(kKeys[k]) + "=" + after[k] + "\r\n";
    EXPECT_EQ(Settings(), expected + "OUTPUT=same\r\nRUBY=0\r\nWIDTH=0\r\n") << kKeys[i];
  }
  const char* values[] = {"same", "ansi", "utf-8", "utf-8-bom"};
  for (int i = 0; i < 4; ++i) {
    dir_.Write(u"Brackwen.ini", kTen + TextSection("1010100", values[(i + 1) % 4]));
    auto dialog = Open();
    std::string shown = "0000";
    shown[(i + 1) % 4] = '1';
    EXPECT_EQ(Options(*dialog), shown);
    Click(*dialog, kOutputs[i]);
    std::string chosen = "0000";
    chosen[i] = '1';
    EXPECT_EQ(Options(*dialog), chosen);
    Click(*dialog, u"Btn_OK");
    EXPECT_EQ(Settings(), kTen + TextSection("1010100", values[i])) << values[i];
  }
  for (int i = 0; i < 4; ++i) {
    const char shown = static_cast<char>('0' + (i + 1) % 4);
    dir_.Write(u"Brackwen.ini", kTen + TextSection("0000000", "same", shown));
    auto dialog = Open();
    std::string expected = "0000";
    expected[(i + 1) % 4] = '1';
    EXPECT_EQ(Rubies(*dialog), expected);
    Click(*dialog, kRubies[i]);
    Click(*dialog, u"Btn_OK");
    EXPECT_EQ(Settings(), kTen + TextSection("0000000", "same", static_cast<char>('0' + i)));
  }
}

// Escape, Cancel and the close box close the dialog and write nothing.
TEST_F(TextDialogTest, CancelEscapeAndTheCloseBoxWriteNothing) {
  const std::string file = "; mine\r\n[TEXT]\r\n  SCRIPT = 1 \r\n";
  for (int way = 0; way < 3; ++way) {
    dir_.Write(u"Brackwen.ini", file);
    auto dialog = Open();
    HWND h = dialog->hwnd();
    Click(*dialog, u"chkTABLE");
    Click(*dialog, u"opt_OUTPUT3");
    if (way == 0) PressKey(h, VK_ESCAPE);
    if (way == 1) Click(*dialog, u"Btn_Cancel");
    if (way == 2) {
      SendMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0);
      PumpMessages(h);
    }
    EXPECT_FALSE(IsWindow(h)) << way;
    EXPECT_EQ(Settings(), file) << way;
  }
}

// As in any dialog, the push button with the focus is the default while it
// has it: Enter on Cancel cancels. Elsewhere OK is the default again.
TEST_F(TextDialogTest, EnterPressesTheButtonWithTheFocus) {
  const std::string file = "[TEXT]\r\nSCRIPT=1\r\n";
  dir_.Write(u"Brackwen.ini", file);
  auto dialog = Open();
  HWND h = dialog->hwnd();
  auto defaults = [&] {
    std::string s;
    for (auto name : {u"Btn_OK", u"Btn_Cancel"})
      s += (GetWindowLongW(dialog->Control(name), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON
               ? '1'
               : '0';
    return s;
  };
  Click(*dialog, u"chkTABLE");
  SetFocus(dialog->Control(u"chkSCRIPT"));
  PressKey(h, VK_TAB, true);  // from the first control back to the last
  EXPECT_EQ(GetFocus(), dialog->Control(u"Btn_Cancel"));
  EXPECT_EQ(defaults(), "01");
  PressKey(h, VK_TAB, true);
  EXPECT_EQ(GetFocus(), dialog->Control(u"Btn_OK"));
  EXPECT_EQ(defaults(), "10");
  PressKey(h, VK_TAB);
  PressKey(h, VK_TAB);
  EXPECT_EQ(GetFocus(), dialog->Control(u"chkSCRIPT"));
  EXPECT_EQ(defaults(), "10");
  PressKey(h, VK_TAB, true);
  PressKey(h, VK_RETURN);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(Settings(), file);
}

// OK writes the ten keys of TEXT with the profile functions: the ten
// options, comments, other sections and the section's other keys stay.
TEST_F(TextDialogTest, OkLeavesTheTenOptionsAndForeignLinesAsTheyWere) {
  dir_.Write(u"Brackwen.ini", "; Sanvelle\r\n" + kTen +
                                  "[Window]\r\nLeft=10\r\n[TEXT]\r\n; mine\r\nlinks=1\r\nX=y\r\n");
  auto dialog = Open();
  EXPECT_EQ(Checks(*dialog), "0000010");
  Click(*dialog, u"chkSCRIPT");
  Click(*dialog, u"Btn_OK");
  EXPECT_EQ(Settings(), "; Sanvelle\r\n" + kTen +
                            "[Window]\r\nLeft=10\r\n[TEXT]\r\n; mine\r\nlinks=1\r\nX=y\r\n"
                            "SCRIPT=1\r\nENTITY=0\r\nSPACE=0\r\nBLOCK=0\r\nTABLE=0\r\n"
                            "MAIN=0\r\nOUTPUT=same\r\nRUBY=0\r\nWIDTH=0\r\n");
}

// No settings file is no error here: everything off and "same", as a
// conversion reads it. Cancel makes no file; OK makes one of TEXT alone.
TEST_F(TextDialogTest, NoSettingsFileShowsTheDefaultsWithoutAMessage) {
  MessageBoxWatcher boxes;
  {
    auto dialog = Open();
    EXPECT_EQ(Checks(*dialog), "0000000");
    EXPECT_EQ(Options(*dialog), "1000");
    EXPECT_EQ(Rubies(*dialog), "1000");
    Click(*dialog, u"Btn_Cancel");
  }
  EXPECT_FALSE(dir_.Exists(u"Brackwen.ini"));
  auto dialog = Open();
  Click(*dialog, u"Btn_OK");
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(Settings(), TextSection("0000000", "same"));
}

// An OUTPUT the buttons do not show selects none, and OK keeps it; a
// hand-written value other than 0 and 1 shows checked and is written as 1;
// a RUBY that is no mode shows and is written as 0, as a conversion reads it.
TEST_F(TextDialogTest, ValuesTheControlsDoNotShowAreKeptOrMadePlain) {
  for (const char* output : {"utf-16le", "UTF-8", "bogus"}) {
    dir_.Write(u"Brackwen.ini",
               std::string("[TEXT]\r\nOUTPUT=") + output + "\r\nSPACE=7\r\nRUBY=9\r\n");
    auto dialog = Open();
    const bool shown = std::string(output) == "UTF-8";
    EXPECT_EQ(Options(*dialog), shown ? "0010" : "0000") << output;
    EXPECT_EQ(Checks(*dialog), "0010000");
    EXPECT_EQ(Rubies(*dialog), "1000");
    Click(*dialog, u"Btn_OK");
    EXPECT_EQ(Settings(), std::string("[TEXT]\r\nOUTPUT=") + (shown ? "utf-8" : output) +
                              "\r\nSPACE=1\r\nRUBY=0\r\nSCRIPT=0\r\nENTITY=0\r\nBLOCK=0\r\n"
                              "TABLE=0\r\nLINKS=0\r\nMAIN=0\r\nWIDTH=0\r\n")
        << output;
  }
}

// The number box and its arrows are there to use only while lines are
// wrapped; unwrapped, the box offers 70 (a line of Japanese mail).
TEST_F(TextDialogTest, TheWidthIsAskedForOnlyWhileLinesAreWrapped) {
  static constexpr const char16_t* kWidthControls[] = {u"txtWIDTH", u"udWIDTH", u"lblWIDTH"};
  auto enabled = [](const frmTextSetting& dialog) {
    std::string s;
    for (auto name : kWidthControls) s += dialog.Enabled(name) ? '1' : '0';
    return s;
  };
  struct Case {
    const char* lines;
    bool checked;
    const char* shown;
  };
  const Case kCases[] = {
      {"", false, "70"},
      {"WIDTH=0\r\n", false, "70"},
      {"WIDTH=100\r\n", true, "100"},
      {"WIDTH=5\r\n", true, "5"},  // out of range: shown for OK to point out
      {"WIDTH=-3\r\n", true, "-3"},
  };
  for (const Case& c : kCases) {
    dir_.Write(u"Brackwen.ini", std::string("[TEXT]\r\n") + c.lines);
    auto dialog = Open();
    EXPECT_EQ(dialog->Checked(u"chkWIDTH"), c.checked) << c.lines;
    EXPECT_EQ(Show(dialog->Text(u"txtWIDTH")), c.shown) << c.lines;
    EXPECT_EQ(enabled(*dialog), c.checked ? "111" : "000") << c.lines;
    Click(*dialog, u"chkWIDTH");
    EXPECT_EQ(enabled(*dialog), c.checked ? "000" : "111") << c.lines;
  }
  auto dialog = Open();
  EXPECT_TRUE(GetWindowLongW(dialog->Control(u"txtWIDTH"), GWL_STYLE) & ES_NUMBER);
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(dialog->Control(u"udWIDTH"), UDM_GETBUDDY, 0, 0)),
            dialog->Control(u"txtWIDTH"));
}

// The arrow keys in the box (as the arrows beside it) step the width by one,
// never past 20 or 1000; Tab reaches the box once lines are wrapped.
TEST_F(TextDialogTest, TheArrowsStepTheWidthWithinItsRange) {
  struct Case {
    const char16_t* start;
    WPARAM key;
    int presses;
    const char* after;
  };
  const Case kCases[] = {
      {u"70", VK_UP, 1, "71"},   {u"70", VK_DOWN, 2, "68"},   {u"999", VK_UP, 3, "1000"},
      {u"21", VK_DOWN, 3, "20"}, {u"1000", VK_UP, 1, "1000"}, {u"20", VK_DOWN, 1, "20"},
  };
  dir_.Write(u"Brackwen.ini", "[TEXT]\r\nWIDTH=70\r\n");
  auto dialog = Open();
  HWND h = dialog->hwnd();
  SetFocus(dialog->Control(u"chkWIDTH"));
  PressKey(h, VK_TAB);
  EXPECT_EQ(GetFocus(), dialog->Control(u"txtWIDTH"));
  PressKey(h, VK_TAB);
  EXPECT_EQ(GetFocus(), dialog->Control(u"opt_OUTPUT0"));
  for (const Case& c : kCases) {
    dialog->SetText(u"txtWIDTH", c.start);
    SetFocus(dialog->Control(u"txtWIDTH"));
    for (int i = 0; i < c.presses; ++i) PressKey(h, c.key);
    EXPECT_EQ(Show(dialog->Text(u"txtWIDTH")), c.after) << Show(c.start) << " " << c.key;
  }
  PressKey(h, VK_RETURN);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(Settings(),
            "[TEXT]\r\nWIDTH=20\r\nSCRIPT=0\r\nENTITY=0\r\nSPACE=0\r\nBLOCK=0\r\nTABLE=0\r\n"
            "LINKS=0\r\nMAIN=0\r\nOUTPUT=same\r\nRUBY=0\r\n");
}

// OK writes the width the box holds while lines are wrapped and 0 while they
// are not; a width that is none (out of range, empty) is said in a box, and
// the dialog stays with nothing written until it is mended.
TEST_F(TextDialogTest, OkWritesTheWidthOrSaysWhyItCannot) {
  struct Case {
    const char* lines;
    bool click;             // turn the check box over
    const char16_t* typed;  // nullptr: the box as shown
    const char* written;    // nullptr: refused
  };
  const Case kCases[] = {
      {"", true, nullptr, "70"},
      {"", true, u"35", "35"},
      {"WIDTH=100\r\n", false, nullptr, "100"},
      {"WIDTH=100\r\n", true, nullptr, "0"},
      {"WIDTH=5\r\n", true, nullptr, "0"},
      {"WIDTH=5\r\n", false, nullptr, nullptr},
      {"", true, u"19", nullptr},
      {"", true, u"1001", nullptr},
      {"", true, u"", nullptr},
      {"", true, u"0070", "70"},
  };
  for (const Case& c : kCases) {
    const std::string file = std::string("[TEXT]\r\n") + c.lines;
    dir_.Write(u"Brackwen.ini", file);
    MessageBoxWatcher boxes;
    auto dialog = Open();
    if (c.click) Click(*dialog, u"chkWIDTH");
    if (c.typed) dialog->SetText(u"txtWIDTH", c.typed);
    Click(*dialog, u"Btn_OK");
    const std::string label = std::string(c.lines) + " " + Show(c.typed ? c.typed : u"-");
    if (c.written) {
      EXPECT_TRUE(boxes.boxes().empty()) << label;
      EXPECT_FALSE(IsWindow(dialog->hwnd())) << label;
      const std::optional<std::string> settings = Settings();
      ASSERT_TRUE(settings) << label;
      EXPECT_NE(settings->find(std::string("\nWIDTH=") + c.written + "\r\n"), std::string::npos)
          << label << "\n"
          << *settings;
      continue;
    }
    ASSERT_EQ(boxes.boxes().size(), 1u) << label;
    EXPECT_EQ(Show(boxes.boxes()[0].text), "折り返す幅は 20～1000 の数で入れてください。");
    EXPECT_EQ(Show(boxes.boxes()[0].title), "Sanvelle");
    EXPECT_EQ(boxes.boxes()[0].style, static_cast<UINT>(MB_ICONWARNING));
    ASSERT_TRUE(IsWindow(dialog->hwnd())) << label;
    EXPECT_EQ(GetFocus(), dialog->Control(u"txtWIDTH")) << label;
    EXPECT_EQ(Settings(), file) << label;
    dialog->SetText(u"txtWIDTH", u"40");
    Click(*dialog, u"Btn_OK");
    EXPECT_FALSE(IsWindow(dialog->hwnd())) << label;
    EXPECT_NE(Settings()->find("\nWIDTH=40\r\n"), std::string::npos) << label;
  }
}

TEST_F(TextDialogTest, AFailedSaveIsReportedAndTheDialogStillCloses) {
  dir_.MakeFolder(u"Brackwen.ini");
  MessageBoxWatcher boxes;
  auto dialog = Open();
  Click(*dialog, u"Btn_OK");
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(Show(boxes.boxes()[0].text), "設定ファイルの保存に失敗しました。");
  EXPECT_EQ(Show(boxes.boxes()[0].title), "Sanvelle");
  EXPECT_EQ(boxes.boxes()[0].style, 16u);
  EXPECT_FALSE(IsWindow(dialog->hwnd()));
}

// What a new install carries is what OK writes over the ten defaults with
// all but TABLE and MAIN checked, "same" and ruby in parentheses: the two
// cannot drift apart.
TEST_F(TextDialogTest, TheReleasedSettingsFileIsWhatOkWritesOverTheTenDefaults) {
  const std::string bytes = testing_support::ReadSourceFile(QUILLMERE_RELEASED_INI);
  ASSERT_TRUE(bytes.starts_with(kTen));
  dir_.Write(u"Brackwen.ini", kTen);
  auto dialog = Open();
  for (auto name : {u"chkSCRIPT", u"chkENTITY", u"chkSPACE", u"chkBLOCK", u"chkLINKS"})
    Click(*dialog, name);
  Click(*dialog, u"opt_RUBY1");
  Click(*dialog, u"Btn_OK");
  EXPECT_EQ(Settings(), bytes);
}

// Through the main window: Tool > Text is modal over it, from the menu
// command and from the keyboard (Alt+T, T), and every way of closing leaves
// the main window active.
class TextDialogFromTheMainWindow : public TextDialogTest {
 protected:
  void SetUp() override {
    dir_.Write(u"Brackwen.ini", kTen);
    ASSERT_TRUE(main_.Create());
    main_.MyPath = MyPath();
    main_.Show();
  }
  Form1 main_;
};

TEST_F(TextDialogFromTheMainWindow, TheMenuOpensItModally) {
  const testing_support::ModalSeen seen =
      testing_support::RunModalCommand(main_.hwnd(), main_.MenuCommand(u"mnuText"), u"Sanvelle - ");
  EXPECT_TRUE(seen.opened);
  EXPECT_EQ(Show(seen.caption), "Sanvelle - Text Setting -");
  EXPECT_FALSE(seen.owner_enabled);
  EXPECT_TRUE(IsWindowEnabled(main_.hwnd()));
  EXPECT_EQ(Settings(), kTen);
}

TEST_F(TextDialogFromTheMainWindow, AltTThenTOpensIt) {
  HWND h = main_.hwnd();
  SetForegroundWindow(h);
  PumpMessages(h);
  // A safety net: should the menu stay open, close it rather than hang.
  UINT_PTR timer = SetTimer(nullptr, 0, 3000, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
  const testing_support::ModalSeen seen = testing_support::WatchForModal(h, u"Sanvelle - ", [&] {
    auto key = [](WORD vk, bool up) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wVk = vk;
      input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
      return input;
    };
    INPUT keys[] = {key(VK_MENU, false), key('T', false), key('T', true),
                    key(VK_MENU, true),  key('T', false), key('T', true)};
    SendInput(6, keys, sizeof(INPUT));
    for (int i = 0; i < 200; ++i) {
      PumpMessages(h);
      Sleep(10);
    }
  });
  KillTimer(nullptr, timer);
  EXPECT_TRUE(seen.opened);
  EXPECT_EQ(Show(seen.caption), "Sanvelle - Text Setting -");
  EXPECT_FALSE(seen.owner_enabled);
  EXPECT_TRUE(IsWindowEnabled(h));
}

TEST_F(TextDialogFromTheMainWindow, EveryWayOfClosingLeavesTheMainWindowActive) {
  testing_support::OtherProgramWindow other;
  using namespace testing_support;
  for (const CloseWay& way : {kClickOk, kClickCancel, kPressEnter, kPressEscape, kCloseBox}) {
    const AfterClosing after =
        RunAndClose(main_.hwnd(), main_.MenuCommand(u"mnuText"), u"Sanvelle - ", way);
    EXPECT_TRUE(after.opened) << way.name;
    EXPECT_EQ(after.foreground, main_.hwnd()) << way.name;
    EXPECT_EQ(after.active, main_.hwnd()) << way.name;
  }
}

// Start after OK: the page's script gone, its table a grid, its link
// numbered and listed, in UTF-8 with a byte-order mark as chosen.
TEST_F(TextDialogFromTheMainWindow, StartAfterOkConvertsAsTheDialogSays) {
  // 日本 in Shift_JIS.
  dir_.Write(u"in.htm",
             "<p>Go <script>x()</script>\n<table><tr><td>\x93\xFA\x96\x7B</td><td>b</td></tr>"
             "<tr><td>c</td><td>dd</td></tr></table><a href=u.html>L</a>&hellip;"
             "<ruby>\x93\xFA<rp>(</rp><rt>\x82\xC9</rt><rp>)</rp></ruby>");
  main_.SetText(u"txtInput", dir_ / u"in.htm");
  main_.SetText(u"txtOutput", dir_ / u"out.txt");
  auto start = [&] {
    MessageBoxWatcher boxes;
    SendMessageW(main_.Control(u"Btn_Start"), BM_CLICK, 0, 0);
    PumpMessages(main_.hwnd());
    EXPECT_EQ(boxes.boxes().size(), 1u);
    return dir_.Read(u"out.txt");
  };
  const std::optional<std::string> classic = start();
  ASSERT_TRUE(classic);
  EXPECT_NE(classic->find("x()"), std::string::npos) << *classic;
  {
    frmTextSetting dialog(main_.MyPath);
    ASSERT_TRUE(dialog.Create(main_.hwnd()));
    dialog.Show();
    for (int i = 0; i < 6; ++i) Click(dialog, kChecks[i]);  // all but MAIN
    Click(dialog, u"opt_OUTPUT3");
    Click(dialog, u"opt_RUBY2");
    Click(dialog, u"Btn_OK");
  }
  // 日《に》
  EXPECT_EQ(start(),
            "\xEF\xBB\xBFGo\r\n\r\n\xE6\x97\xA5\xE6\x9C\xAC  b\r\nc     dd\r\n\r\nL[1]\xE2\x80\xA6"
            "\xE6\x97\xA5\xE3\x80\x8A\xE3\x81\xAB\xE3\x80\x8B"
            "\r\n\r\n\xE3\x83\xAA\xE3\x83\xB3\xE3\x82\xAF\r\n[1] u.html\r\n");
}

// Start after OK with lines wrapped at 20 columns: ten full-width characters
// a line, and no line begun with "。".
TEST_F(TextDialogFromTheMainWindow, StartWrapsAtTheWidthTheDialogWrote) {
  dir_.Write(u"in.htm", reinterpret_cast<const char*>(
                            u8"<meta charset=utf-8><p>吾輩は猫である。名前はまだ無い。"));
  main_.SetText(u"txtInput", dir_ / u"in.htm");
  main_.SetText(u"txtOutput", dir_ / u"out.txt");
  {
    frmTextSetting dialog(main_.MyPath);
    ASSERT_TRUE(dialog.Create(main_.hwnd()));
    dialog.Show();
    Click(dialog, u"chkBLOCK");
    Click(dialog, u"chkWIDTH");
    dialog.SetText(u"txtWIDTH", u"20");
    Click(dialog, u"Btn_OK");
  }
  MessageBoxWatcher boxes;
  SendMessageW(main_.Control(u"Btn_Start"), BM_CLICK, 0, 0);
  PumpMessages(main_.hwnd());
  EXPECT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(dir_.Read(u"out.txt"),
            reinterpret_cast<const char*>(u8"吾輩は猫である。名前\r\nはまだ無い。\r\n"));
}

// An OUTPUT that names no encoding stops Start with a message, the old
// output as it was.
TEST_F(TextDialogFromTheMainWindow, StartRefusesAnOutputItDoesNotKnow) {
  dir_.Write(u"Brackwen.ini", kTen + "[TEXT]\r\nOUTPUT=utf8\r\n");
  dir_.Write(u"in.htm", "a");
  dir_.Write(u"out.txt", "old");
  main_.SetText(u"txtInput", dir_ / u"in.htm");
  main_.SetText(u"txtOutput", dir_ / u"out.txt");
  MessageBoxWatcher boxes;
  SendMessageW(main_.Control(u"Btn_Start"), BM_CLICK, 0, 0);
  PumpMessages(main_.hwnd());
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(Show(boxes.boxes()[0].text),
            "設定ファイル Brackwen.ini の値が正しくないため、変換できませんでした。\nOUTPUT=utf8");
  EXPECT_EQ(boxes.boxes()[0].style, 16u);
  EXPECT_EQ(dir_.Read(u"out.txt"), "old");
}

}  // namespace
