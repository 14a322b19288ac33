// The main window as a user meets it: a real Form1 created in this process
// (under Wine on a virtual display), driven with real messages, its message
// boxes observed through a hook.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "mainwindow/Form1.h"
#include "platform/codepage.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/window_driver.h"

namespace {

using testing_support::MessageBoxWatcher;
using testing_support::ObservedBox;
using testing_support::PressKey;
using testing_support::PumpMessages;
using testing_support::Show;
using testing_support::TempDir;
using testing_support::WindowText;

std::wstring Wide(std::u16string_view s) {
  return std::wstring(s.begin(), s.end());
}

class Form1Test : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(form_.Create());
    form_.Show();
    SetForegroundWindow(form_.hwnd());
    PumpMessages(form_.hwnd());
  }
  HWND Control(std::u16string_view name) { return form_.Control(name); }
  Form1 form_;
};

TEST_F(Form1Test, WindowIsAFixedSizeWindowWithCaptionIconAndTaskbarButton) {
  HWND h = form_.hwnd();
  RECT client;
  GetClientRect(h, &client);
  EXPECT_EQ(client.right, 282);
  EXPECT_EQ(client.bottom, 154);
  EXPECT_EQ(Show(WindowText(h)), "Sanvelle");
  LONG style = GetWindowLongW(h, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_CHILD);
  EXPECT_EQ(GetWindow(h, GW_OWNER), nullptr);
  EXPECT_NE(SendMessageW(h, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(h, WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(Form1Test, ControlsHaveTheirKindsCaptionsAndPlaces) {
  struct Expected {
    std::u16string name;
    const wchar_t* window_class;
    std::u16string caption;
    RECT rect;  // pixels at 96 DPI
  };
  const Expected controls[] = {
      {u"Label1", L"Static", u"InputFile", {8, 0, 129, 17}},
      {u"txtInput", L"Edit", u"", {8, 16, 249, 34}},
      {u"Btn_Open", L"Button", u"...", {256, 16, 273, 35}},
      {u"Label2", L"Static", u"OutputFile", {8, 40, 137, 57}},
      {u"txtOutput", L"Edit", u"", {8, 56, 249, 74}},
      {u"Btn_Save", L"Button", u"...", {256, 56, 273, 75}},
      {u"Btn_Start", L"Button", u"Start", {8, 88, 137, 145}},
      {u"Btn_Close", L"Button", u"Close", {144, 88, 273, 145}},
  };
  for (const Expected& e : controls) {
    HWND h = Control(e.name);
    ASSERT_NE(h, nullptr) << Show(e.name);
    wchar_t cls[32] = {};
    GetClassNameW(h, cls, 32);
    EXPECT_EQ(_wcsicmp(cls, e.window_class), 0) << Show(e.name);
    EXPECT_EQ(Show(WindowText(h)), Show(e.caption));
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, form_.hwnd(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, e.rect.left) << Show(e.name);
    EXPECT_EQ(r.top, e.rect.top) << Show(e.name);
    EXPECT_EQ(r.right, e.rect.right) << Show(e.name);
    EXPECT_EQ(r.bottom, e.rect.bottom) << Show(e.name);
    LONG style = GetWindowLongW(h, GWL_STYLE);
    EXPECT_TRUE(IsWindowVisible(h) && IsWindowEnabled(h));
    if (e.window_class == std::wstring(L"Button")) {
      EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON) << "no default button: " << Show(e.name);
    }
    if (e.window_class == std::wstring(L"Edit")) {
      EXPECT_FALSE(style & (ES_MULTILINE | WS_HSCROLL | WS_VSCROLL | ES_READONLY));
      EXPECT_GT(SendMessageW(h, EM_GETLIMITTEXT, 0, 0), 1000000);
    }
  }
}

// The three menus with their items; the Tool menu's second item, the text
// settings, comes after the settings dialog's.
TEST_F(Form1Test, MenusHaveTheirCaptionsAndAccessKeys) {
  HMENU bar = GetMenu(form_.hwnd());
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 3);
  const wchar_t* menus[] = {L"&File", L"&Tool", L"&Help"};
  const std::vector<std::vector<const wchar_t*>> items = {
      {L"E&xit"}, {L"&Option", L"&Text..."}, {L"&About"}};
  for (int i = 0; i < 3; ++i) {
    wchar_t text[64] = {};
    GetMenuStringW(bar, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, menus[i]);
    HMENU popup = GetSubMenu(bar, i);
    ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(items[i].size()));
    for (std::size_t k = 0; k < items[i].size(); ++k) {
      const UINT at = static_cast<UINT>(k);
      GetMenuStringW(popup, at, text, 64, MF_BYPOSITION);
      EXPECT_STREQ(text, items[i][k]);
      EXPECT_EQ(GetMenuState(popup, at, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED | MF_CHECKED),
                0u);
    }
  }
}

TEST_F(Form1Test, ScalesFromTwipsWhenTheDpiChanges) {
  HWND h = form_.hwnd();
  RECT window;
  GetWindowRect(h, &window);
  RECT suggested{window.left, window.top, window.left + 500, window.top + 400};
  SendMessageW(h, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  RECT client;
  GetClientRect(h, &client);
  EXPECT_EQ(client.right, 423);  // 4230 twips at 144 dots per inch
  EXPECT_EQ(client.bottom, 231);
  RECT r;
  GetWindowRect(Control(u"Btn_Start"), &r);
  MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 12);
  EXPECT_EQ(r.top, 132);
  EXPECT_EQ(r.right, 206);
  EXPECT_EQ(r.bottom, 218);
  EXPECT_EQ(form_.Dpi(), 144);
}

TEST_F(Form1Test, FocusStartsOnStartAndTabFollowsTheTabIndexes) {
  EXPECT_EQ(GetFocus(), Control(u"Btn_Start"));
  const std::u16string order[] = {u"txtInput", u"txtOutput", u"Btn_Open",
                                  u"Btn_Save", u"Btn_Close", u"Btn_Start"};
  for (const auto& name : order) {
    PressKey(form_.hwnd(), VK_TAB);
    EXPECT_EQ(GetFocus(), Control(name)) << "Tab to " << Show(name);
  }
  for (int i = 4; i >= 0; --i) {
    PressKey(form_.hwnd(), VK_TAB, true);
    EXPECT_EQ(GetFocus(), Control(order[i])) << "Shift+Tab to " << Show(order[i]);
  }
}

TEST_F(Form1Test, EnterAndEscapePressNoButton) {
  MessageBoxWatcher boxes;
  for (auto name : {u"txtInput", u"txtOutput"}) {
    SetFocus(Control(name));
    PressKey(form_.hwnd(), VK_RETURN);
    PressKey(form_.hwnd(), VK_ESCAPE);
  }
  EXPECT_TRUE(IsWindow(form_.hwnd()));
  EXPECT_TRUE(boxes.boxes().empty());  // Start would have said something
}

TEST_F(Form1Test, CloseExitAndTheCloseBoxUnloadTheWindow) {
  SendMessageW(Control(u"Btn_Close"), BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindow(form_.hwnd()));

  Form1 second;
  ASSERT_TRUE(second.Create());
  second.Show();
  HWND h = second.hwnd();
  // File > Exit, chosen by its command as the menu sends it.
  SendMessageW(h, WM_COMMAND, MAKEWPARAM(1000, 0), 0);
  EXPECT_FALSE(IsWindow(h));

  Form1 third;
  ASSERT_TRUE(third.Create());
  third.Show();
  h = third.hwnd();
  SendMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindow(h));
}

TEST_F(Form1Test, AltFThenXClosesTheWindow) {
  HWND h = form_.hwnd();
  SetForegroundWindow(h);
  // A safety net: should the menu stay open, close it rather than hang.
  UINT_PTR timer = SetTimer(nullptr, 0, 3000, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
  auto key = [](WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
  };
  INPUT keys[] = {key(VK_MENU, false), key('F', false), key('F', true),
                  key(VK_MENU, true),  key('X', false), key('X', true)};
  SendInput(6, keys, sizeof(INPUT));
  for (int i = 0; i < 200 && IsWindow(h); ++i) {
    PumpMessages(h);
    Sleep(10);
  }
  KillTimer(nullptr, timer);
  EXPECT_FALSE(IsWindow(h));
}

TEST_F(Form1Test, MyPathIsTheProgramFolderWithOneSeparator) {
  wchar_t module[MAX_PATH];
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::u16string expected(module, module + wcslen(module));
  expected.erase(expected.rfind(u'\\') + 1);
  EXPECT_EQ(Show(form_.MyPath), Show(expected));
  // The program's folder, not the current one.
  TempDir elsewhere;
  auto previous = std::filesystem::current_path();
  std::filesystem::current_path(elsewhere.Native(u""));
  Form1 second;
  ASSERT_TRUE(second.Create());
  std::filesystem::current_path(previous);
  EXPECT_EQ(Show(second.MyPath), Show(expected));
}

// Start, against real files.
class StartTest : public Form1Test {
 protected:
  void SetUp() override {
    Form1Test::SetUp();
    form_.MyPath = dir_.path() + u"\\";
  }
  // Presses Start and returns the one message box it showed.
  ObservedBox Start(std::u16string_view input, std::u16string_view output) {
    form_.SetText(u"txtInput", input);
    form_.SetText(u"txtOutput", output);
    MessageBoxWatcher watcher;
    SendMessageW(Control(u"Btn_Start"), BM_CLICK, 0, 0);
    PumpMessages(form_.hwnd());
    EXPECT_EQ(watcher.boxes().size(), 1u);
    if (watcher.boxes().empty()) return {};
    // The boxes leave the text boxes as they were.
    EXPECT_EQ(Show(form_.Text(u"txtInput")), Show(input));
    EXPECT_EQ(Show(form_.Text(u"txtOutput")), Show(output));
    return watcher.boxes().front();
  }
  void ExpectBox(const ObservedBox& box, std::string_view text, unsigned style) {
    EXPECT_EQ(Show(box.title), "Sanvelle");
    EXPECT_EQ(Show(box.text).substr(0, text.size()), text);
    EXPECT_EQ(box.style, style);
    EXPECT_EQ(box.buttons, 1);
  }
  void WriteSettings(const std::string& text = "") { dir_.Write(u"Brackwen.ini", text); }
  TempDir dir_;
};

constexpr unsigned kErrorStyle = 16, kDoneStyle = 0;

TEST_F(StartTest, OutputPathMustNameAFileInAnExistingFolder) {
  WriteSettings();
  dir_.Write(u"in.htm", "<p>x</p>");
  for (const std::u16string& output : {std::u16string(), dir_ / u"no such folder\\out.txt"}) {
    ExpectBox(Start(dir_ / u"in.htm", output), "出力先のパスが不正です。", kErrorStyle);
  }
  EXPECT_FALSE(dir_.Exists(u"no such folder"));
  EXPECT_EQ(dir_.CountEntries(), 2);
}

TEST_F(StartTest, ConvertsAndSaysDone) {
  WriteSettings();
  dir_.Write(u"in.htm", "\x82\xA0<br>b<hr>");
  dir_.Write(u"out.txt", "old");
  ExpectBox(Start(dir_ / u"in.htm", dir_ / u"out.txt"), "完了！", kDoneStyle);
  EXPECT_EQ(dir_.Read(u"out.txt"), "\x82\xA0\r\nb-----\r\n\r\n");
}

TEST_F(StartTest, EmptyInputGivesOnlyTheLineBreak) {
  WriteSettings();
  ExpectBox(Start(u"", dir_ / u"out.txt"), "完了！", kDoneStyle);
  EXPECT_EQ(dir_.Read(u"out.txt"), "\r\n");
  ExpectBox(Start(dir_ / u"missing.htm", dir_ / u"out2.txt"), "完了！", kDoneStyle);
  EXPECT_EQ(dir_.Read(u"out2.txt"), "\r\n");
}

TEST_F(StartTest, InputIsCutAtItsFirstNul) {
  WriteSettings();
  dir_.Write(u"in.htm", std::string("ab\0<br>cd", 9));
  ExpectBox(Start(dir_ / u"in.htm", dir_ / u"out.txt"), "完了！", kDoneStyle);
  EXPECT_EQ(dir_.Read(u"out.txt"), "ab\r\n");
}

// Files in the encodings people have today: each is read as it declares or
// shows, and written so that none of its characters is lost.
TEST_F(StartTest, ReadsEachEncodingAndWritesOneThatKeepsIt) {
  WriteSettings();
  // "日本語" and "한" (which code page 932 lacks) in UTF-8; "日本" in EUC-JP
  // and Shift_JIS.
  const std::string utf8 = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xED\x95\x9C";
  struct Case {
    std::string input, output;
  };
  const Case cases[] = {
      {"<html><head><meta charset=\"utf-8\"><title>" + utf8 + "</title></head><p>" + utf8 + "</p>",
       utf8 + utf8 + "\r\n\r\n"},
      {"\xEF\xBB\xBF" + utf8 + "<br>", "\xEF\xBB\xBF" + utf8 + "\r\n\r\n"},
      {"\xFF\xFE" + std::string("\xE5\x65<\0b\0r\0>\0", 10), "\xEF\xBB\xBF\xE6\x97\xA5\r\n\r\n"},
      {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">\xC6\xFC\xCB\xDC",
       "\x93\xFA\x96\x7B\r\n"},
      {"\x93\xFA\x96\x7B", "\x93\xFA\x96\x7B\r\n"},
  };
  for (const Case& c : cases) {
    dir_.Write(u"in.htm", c.input);
    ExpectBox(Start(dir_ / u"in.htm", dir_ / u"out.txt"), "完了！", kDoneStyle);
    EXPECT_EQ(dir_.Read(u"out.txt"), c.output) << testing::PrintToString(c.input);
  }
}

// A web page saved in one file converts as its page; one named so that is
// no message, or holds no page, is reported and the old output stays.
TEST_F(StartTest, SavedPagesConvertAsTheirPageOrAreReported) {
  WriteSettings();
  dir_.Write(u"page.mht",
             "MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=b\r\n\r\n--b\r\n"
             "Content-Type: text/html; charset=\"shift_jis\"\r\n"
             "Content-Transfer-Encoding: quoted-printable\r\n\r\n<p>=93=FA=96=7B</p>\r\n--b--\r\n");
  ExpectBox(Start(dir_ / u"page.mht", dir_ / u"out.txt"), "完了！", kDoneStyle);
  EXPECT_EQ(dir_.Read(u"out.txt"), "\x93\xFA\x96\x7B\r\n\r\n");
  dir_.Write(u"plain.mhtml", "<p>x</p>");
  dir_.Write(u"images.mht",
             "Content-Type: multipart/related; boundary=b\r\n\r\n--b\r\n"
             "Content-Type: image/png\r\n\r\nx\r\n--b--\r\n");
  const std::pair<const char16_t*, const char*> refused[] = {
      {u"plain.mhtml", "入力ファイルは Web ページ (MHTML 形式) として読めませんでした。"},
      {u"images.mht", "入力ファイルの Web ページ (MHTML 形式) に HTML の部分がありません。"}};
  for (const auto& [name, text] : refused) {
    ExpectBox(Start(dir_ / name, dir_ / u"out.txt"), text, kErrorStyle);
    EXPECT_EQ(dir_.Read(u"out.txt"), "\x93\xFA\x96\x7B\r\n\r\n");
  }
}

// A file that is there but cannot be read (another program holds it open
// without sharing it) is reported, and the old output stays; a missing
// input is still an empty text.
TEST_F(StartTest, AnInputThatCannotBeOpenedKeepsTheOldOutput) {
  WriteSettings();
  dir_.Write(u"in.htm", "x");
  dir_.Write(u"out.txt", "keep");
  HANDLE held = CreateFileW(Wide(dir_ / u"in.htm").c_str(), GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ExpectBox(Start(dir_ / u"in.htm", dir_ / u"out.txt"), "入力ファイルを読み込めませんでした。",
            kErrorStyle);
  CloseHandle(held);
  EXPECT_EQ(dir_.Read(u"out.txt"), "keep");
  EXPECT_EQ(dir_.CountEntries(), 3);
  ExpectBox(Start(dir_ / u"in.htm", dir_ / u"out.txt"), "完了！", kDoneStyle);
  EXPECT_EQ(dir_.Read(u"out.txt"), "x\r\n");
}

TEST_F(StartTest, NoSettingsFileLeavesTheOutputAlone) {
  dir_.Write(u"in.htm", "x");
  dir_.Write(u"out.txt", "keep");
  ExpectBox(Start(dir_ / u"in.htm", dir_ / u"out.txt"), "Initializeファイル読み込みエラー",
            kErrorStyle);
  EXPECT_EQ(dir_.Read(u"out.txt"), "keep");
}

TEST_F(StartTest, SettingValueOutOfRangeIsReportedAndNothingWritten) {
  WriteSettings("[HR]\r\nNUM=99999\r\n");
  dir_.Write(u"in.htm", "<hr>");
  ExpectBox(Start(dir_ / u"in.htm", dir_ / u"out.txt"),
            "設定ファイル Brackwen.ini の値が正しくないため", kErrorStyle);
  EXPECT_FALSE(dir_.Exists(u"out.txt"));
}

TEST_F(StartTest, TextEndingInALineBreakEndsInTwo) {
  WriteSettings("[GENERAL]\r\nENTER=0\r\n");
  dir_.Write(u"in.htm", "a\r\n");
  ExpectBox(Start(dir_ / u"in.htm", dir_ / u"out.txt"), "完了！", kDoneStyle);
  EXPECT_EQ(dir_.Read(u"out.txt"), "a\r\n\r\n");
}

TEST_F(StartTest, EachRunReadsTheSettingsAgain) {
  WriteSettings("[HR]\r\nNUM=2\r\n");
  dir_.Write(u"in.htm", "<hr>");
  ExpectBox(Start(dir_ / u"in.htm", dir_ / u"out.txt"), "完了！", kDoneStyle);
  EXPECT_EQ(dir_.Read(u"out.txt"), "--\r\n\r\n");
  WriteSettings("[HR]\r\nNUM=4\r\n[HTML]\r\nBR=1\r\n");
  ExpectBox(Start(dir_ / u"in.htm", dir_ / u"out.txt"), "完了！", kDoneStyle);
  EXPECT_EQ(dir_.Read(u"out.txt"), "----\r\n\r\n");
}

// The readable-text options come from the settings file's "TEXT" section,
// read at every run like the ten; without it the page converts as always.
TEST_F(StartTest, TheReadableTextSectionIsReadAtEveryRun) {
  dir_.Write(u"in.htm", "<style>p{}</style><h1>T</h1><p>a&nbsp;&#x3042;\r\n  b</p>");
  WriteSettings();
  ExpectBox(Start(dir_ / u"in.htm", dir_ / u"out.txt"), "完了！", kDoneStyle);
  EXPECT_EQ(dir_.Read(u"out.txt"), "p{}Ta&nbsp;&#x3042;\r\n  b\r\n\r\n");
  WriteSettings("[TEXT]\r\nSCRIPT=1\r\nENTITY=1\r\nSPACE=1\r\nBLOCK=1\r\n");
  ExpectBox(Start(dir_ / u"in.htm", dir_ / u"out.txt"), "完了！", kDoneStyle);
  EXPECT_EQ(dir_.Read(u"out.txt"), "T\r\n\r\na \x82\xA0 b\r\n\r\n");
}

// With MAIN the page is read twice from the input file (the choice made on
// the first reading): the article is written, the menu and the footer not.
TEST_F(StartTest, TheMainContentIsWrittenFromTheInputReadAgain) {
  std::u16string page =
      u"<title>記事の題 | サイト</title><div class=\"menu\"><a href=\"/\">ホーム</a> <a "
      u"href=\"/a\">一覧</a></div><article><h1>記事の題</h1>";
  for (int k = 0; k < 12; ++k)
    page += u"<p>川の水位が夜のうちに上がり、朝には下町の通りが水につかっていた。</p>";
  page += u"</article><div class=\"footer\">著作権表示</div>";
  dir_.Write(u"in.htm", platform::EncodeCp932(page));
  WriteSettings("[TEXT]\r\nSCRIPT=1\r\nENTITY=1\r\nSPACE=1\r\nBLOCK=1\r\nMAIN=1\r\n");
  ExpectBox(Start(dir_ / u"in.htm", dir_ / u"out.txt"), "完了！", kDoneStyle);
  const std::string out = dir_.Read(u"out.txt").value_or("");
  EXPECT_TRUE(out.starts_with(platform::EncodeCp932(u"記事の題\r\n")))
      << Show(platform::DecodeCp932(out));
  EXPECT_NE(out.find(platform::EncodeCp932(u"下町の通りが水につかっていた。")), std::string::npos);
  EXPECT_EQ(out.find(platform::EncodeCp932(u"ホーム")), std::string::npos)
      << Show(platform::DecodeCp932(out));
  EXPECT_EQ(out.find(platform::EncodeCp932(u"著作権表示")), std::string::npos)
      << Show(platform::DecodeCp932(out));
}

TEST_F(StartTest, AFailedWriteIsReportedAndTheOldFileKept) {
  WriteSettings();
  dir_.Write(u"in.htm", "new");
  dir_.Write(u"old.txt", "keep");
  dir_.SetReadOnly(u"old.txt", true);
  dir_.MakeFolder(u"folder.txt");
  ExpectBox(Start(dir_ / u"in.htm", dir_ / u"old.txt"), "出力先のファイルは読み取り専用です。",
            kErrorStyle);
  ExpectBox(Start(dir_ / u"in.htm", dir_ / u"folder.txt"), "出力先はフォルダーです。", kErrorStyle);
  EXPECT_EQ(dir_.Read(u"old.txt"), "keep");
  EXPECT_EQ(dir_.CountEntries(), 4);
}

// A full disk, as a file-size limit set before the test starts makes it (its
// own CTest entry); skipped without one. Forty short rules make 100 KB.
TEST_F(StartTest, FullDiskUnderAnOutsideLimitIsReportedAndTheOldFileKept) {
  if (!std::getenv("QUILLMERE_FILE_SIZE_LIMITED")) GTEST_SKIP() << "no file-size limit set";
  WriteSettings("[HR]\r\nNUM=2500\r\n");
  std::string rules;
  for (int i = 0; i < 40; ++i) rules += "<hr>";
  dir_.Write(u"in.htm", rules);
  dir_.Write(u"old.txt", "keep");
  const ObservedBox box = Start(dir_ / u"in.htm", dir_ / u"old.txt");
  ExpectBox(box, "", kErrorStyle);
  EXPECT_NE(Show(box.text).find("以前の内容のままです"), std::string::npos) << Show(box.text);
  EXPECT_EQ(dir_.Read(u"old.txt"), "keep");
  EXPECT_EQ(dir_.CountEntries(), 3);
}

TEST_F(StartTest, OutputThatIsTheInputIsRefused) {
  WriteSettings();
  dir_.Write(u"page.htm", "<b>keep</b>");
  ExpectBox(Start(dir_ / u"page.htm", dir_ / u"PAGE.HTM"), "入力ファイルと出力ファイルが同じです。",
            kErrorStyle);
  EXPECT_EQ(dir_.Read(u"page.htm"), "<b>keep</b>");
}

TEST_F(StartTest, NamesOutsideTheAnsiCodePageWork) {
  WriteSettings();
  const std::u16string name = u"Ünïcödé 한글 😀";
  dir_.MakeFolder(name);
  dir_.Write(name + u"\\in.htm", "\x82\xA0");
  ExpectBox(Start(dir_ / (name + u"\\in.htm"), dir_ / (name + u"\\out.txt")), "完了！", kDoneStyle);
  EXPECT_EQ(dir_.Read(name + u"\\out.txt"), "\x82\xA0\r\n");
}

TEST_F(StartTest, OutputDirectlyInADriveRootIsAccepted) {
  WriteSettings();
  dir_.Write(u"in.htm", "root");
  const std::u16string output = u"C:\\quillmere-root-test.txt";
  DeleteFileW(L"C:\\quillmere-root-test.txt");
  ExpectBox(Start(dir_ / u"in.htm", output), "完了！", kDoneStyle);
  EXPECT_NE(GetFileAttributesW(L"C:\\quillmere-root-test.txt"), INVALID_FILE_ATTRIBUTES);
  DeleteFileW(L"C:\\quillmere-root-test.txt");
}

TEST_F(StartTest, BareOutputNameIsWrittenToTheCurrentFolder) {
  WriteSettings();
  dir_.Write(u"in.htm", "bare");
  auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_.Native(u""));
  ExpectBox(Start(dir_ / u"in.htm", u"out.txt"), "完了！", kDoneStyle);
  std::filesystem::current_path(previous);
  EXPECT_EQ(dir_.Read(u"out.txt"), "bare\r\n");
}

// MyPath of a program that lives directly in a drive root.
TEST(MyPath, InADriveRootHasOneSeparator) {
  TempDir dir;
  // A drive letter for the scratch folder, in whichever form the system takes.
  bool mapped = DefineDosDeviceW(0, L"Q:", Wide(dir.path()).c_str()) &&
                GetFileAttributesW(L"Q:\\") != INVALID_FILE_ATTRIBUTES;
  if (!mapped) {
    DefineDosDeviceW(DDD_REMOVE_DEFINITION, L"Q:", nullptr);
    mapped = DefineDosDeviceW(DDD_RAW_TARGET_PATH, L"Q:", (L"\\??\\" + Wide(dir.path())).c_str()) &&
             GetFileAttributesW(L"Q:\\") != INVALID_FILE_ATTRIBUTES;
  }
  if (!mapped) GTEST_SKIP() << "this system maps no drive letter to a folder";
  ASSERT_TRUE(CopyFileW(testing_support::ThisProgram().c_str(), L"Q:\\probe.exe", FALSE));
  const std::string out = testing_support::RunAndRead(L"Q:\\probe.exe --print-mypath");
  DefineDosDeviceW(DDD_REMOVE_DEFINITION, L"Q:", nullptr);
  EXPECT_EQ(out, "Q:\\");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--print-mypath") {
    Form1 form;
    if (!form.Create()) return 1;
    std::fputs(platform::EncodeUtf8(form.MyPath).c_str(), stdout);
    return 0;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
