// Start with several inputs, in the real main window: files dropped through
// its drop target, a folder, a typed list, the program's command line; the
// progress window and its "中止"; the messages at the end.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "mainwindow/Form1.h"
#include "tests/support/drop_data.h"
#include "tests/support/settings_file.h"
#include "tests/support/temp_dir.h"
#include "tests/support/window_driver.h"

namespace {

using testing_support::MessageBoxWatcher;
using testing_support::PumpMessages;
using testing_support::Show;
using testing_support::TempDir;
using testing_support::WindowText;

class ManyInputsTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_.Write(u"Brackwen.ini", testing_support::kTenOptionsOn);
    ASSERT_TRUE(main_.Create());
    main_.MyPath = dir_.path() + u"\\";
    main_.Show();
  }

  // Start, as the user presses it; the message boxes it showed.
  std::vector<testing_support::ObservedBox> Start() {
    MessageBoxWatcher boxes(main_.hwnd());
    SendMessageW(main_.Control(u"Btn_Start"), BM_CLICK, 0, 0);
    PumpMessages(main_.hwnd());
    return boxes.boxes();
  }
  std::string Message(const std::vector<testing_support::ObservedBox>& boxes) {
    EXPECT_EQ(boxes.size(), 1u);
    return boxes.empty() ? "" : Show(boxes[0].text);
  }
  void Drop(const std::vector<std::u16string>& paths) {
    IDataObject* data = testing_support::MakeDropData(paths);
    POINT client{200, 8};
    ClientToScreen(main_.hwnd(), &client);
    DWORD effect = DROPEFFECT_COPY;
    main_.FormDropTarget()->DragEnter(data, MK_LBUTTON, {client.x, client.y}, &effect);
    effect = DROPEFFECT_COPY;
    main_.FormDropTarget()->Drop(data, MK_LBUTTON, {client.x, client.y}, &effect);
    data->Release();
  }
  // The files under a folder of the scratch folder, with their contents.
  std::vector<std::pair<std::string, std::string>> Files(std::u16string_view folder) {
    std::vector<std::pair<std::string, std::string>> files;
    const std::filesystem::path root = dir_.Native(folder);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      if (!entry.is_regular_file()) continue;
      const std::u16string relative = std::filesystem::relative(entry.path(), root).u16string();
      files.emplace_back(Show(relative), *dir_.Read(std::u16string(folder) + u"\\" + relative));
    }
    std::sort(files.begin(), files.end());
    return files;
  }

  TempDir dir_;
  Form1 main_;
};

TEST_F(ManyInputsTest, ThreeDroppedFilesAreConvertedIntoTheirFolder) {
  dir_.Write(u"site\\a.htm", "a<br>b");
  dir_.Write(u"site\\b.html", "<p>c</p>");
  dir_.Write(u"site\\c.htm", "&amp;");
  Drop({dir_ / u"site\\a.htm", dir_ / u"site\\b.html", dir_ / u"site\\c.htm"});
  EXPECT_EQ(Message(Start()), "完了！");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"a.htm", "a<br>b"},    {"a.txt", "a\r\nb\r\n"}, {"b.html", "<p>c</p>"},
      {"b.txt", "c\r\n\r\n"}, {"c.htm", "&amp;"},      {"c.txt", "&\r\n"}};
  EXPECT_EQ(Files(u"site"), expected);
}

// A folder stands for its HTML files and those of its subfolders, whose
// outputs go into the same subfolders of the output folder.
TEST_F(ManyInputsTest, AFolderWithASubfolderIsMirrored) {
  dir_.Write(u"site\\a.htm", "a");
  dir_.Write(u"site\\notes.txt", "not html");
  dir_.Write(u"site\\sub\\b.HTML", "b");
  dir_.Write(u"site\\sub\\deeper\\c.htm", "c");
  Drop({dir_ / u"site"});
  EXPECT_EQ(Show(main_.Text(u"txtOutput")), Show(dir_ / u"site\\"));
  main_.SetText(u"txtOutput", dir_ / u"out");  // a folder Start makes
  EXPECT_EQ(Message(Start()), "完了！");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"a.txt", "a\r\n"}, {"sub\\b.txt", "b\r\n"}, {"sub\\deeper\\c.txt", "c\r\n"}};
  EXPECT_EQ(Files(u"out"), expected);
}

// The quoted form typed by hand means what a drop means; one quoted file is
// one file, converted as ever (into the file the output box names).
TEST_F(ManyInputsTest, ATypedQuotedListIsSeveralInputs) {
  dir_.Write(u"a.htm", "a");
  dir_.Write(u"my site\\b.htm", "b");
  main_.SetText(u"txtInput",
                u"\"" + (dir_ / u"a.htm") + u"\"   \"" + (dir_ / u"my site\\b.htm") + u"\"");
  main_.SetText(u"txtOutput", dir_ / u"out\\");
  EXPECT_EQ(Message(Start()), "完了！");
  EXPECT_EQ(Files(u"out"), (std::vector<std::pair<std::string, std::string>>{{"a.txt", "a\r\n"},
                                                                             {"b.txt", "b\r\n"}}));
  main_.SetText(u"txtInput", u"\"" + (dir_ / u"a.htm") + u"\"");
  main_.SetText(u"txtOutput", dir_ / u"one.txt");
  EXPECT_EQ(Message(Start()), "完了！");
  EXPECT_EQ(dir_.Read(u"one.txt"), "a\r\n");
}

// A file that cannot be read fails alone: the others are converted, its old
// output stays, and the message names it with its reason.
TEST_F(ManyInputsTest, ABadFileAmongGoodOnesIsNamedAndKeepsItsOldOutput) {
  dir_.Write(u"site\\a.htm", "a");
  dir_.Write(u"site\\b.htm", "b");
  dir_.Write(u"site\\c.htm", "c");
  dir_.Write(u"out\\b.txt", "old");
  const std::wstring locked = std::filesystem::path(dir_ / u"site\\b.htm").wstring();
  HANDLE held = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  main_.SetText(u"txtInput", u"\"" + (dir_ / u"site") + u"\"");
  main_.SetText(u"txtOutput", dir_ / u"out");
  const std::vector<testing_support::ObservedBox> boxes = Start();
  CloseHandle(held);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].style, static_cast<unsigned>(MB_ICONERROR));
  EXPECT_EQ(Show(boxes[0].text),
            "1 件のファイルを変換できませんでした。\n\n入力ファイルを読み込めません: " +
                Show(dir_ / u"site\\b.htm") + "\n\nほかの 2 件は変換しました。");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"a.txt", "a\r\n"}, {"b.txt", "old"}, {"c.txt", "c\r\n"}};
  EXPECT_EQ(Files(u"out"), expected);
}

// Two inputs for one output: nothing is converted, and the message names
// both. An output box that names a file cannot hold the outputs.
TEST_F(ManyInputsTest, TwoInputsForOneOutputAndAFileForTheFolderAreRefused) {
  dir_.Write(u"site\\a.htm", "a");
  dir_.Write(u"site\\a.html", "b");
  dir_.Write(u"file.txt", "x");
  main_.SetText(u"txtInput",
                u"\"" + (dir_ / u"site\\a.htm") + u"\" \"" + (dir_ / u"site\\a.html") + u"\"");
  main_.SetText(u"txtOutput", dir_ / u"out");
  const std::string message = Message(Start());
  EXPECT_NE(message.find(Show(dir_ / u"site\\a.htm") + " と " + Show(dir_ / u"site\\a.html")),
            std::string::npos)
      << message;
  EXPECT_FALSE(dir_.Exists(u"out"));
  main_.SetText(u"txtOutput", dir_ / u"file.txt");
  EXPECT_EQ(Message(Start()), "出力先のパスが不正です。");
  EXPECT_EQ(dir_.Read(u"file.txt"), "x");
}

// "中止" part-way through 2,000 files: no new file starts and those under
// way are abandoned; each output is its old content or the whole new one,
// and nothing else is left in the folder.
TEST_F(ManyInputsTest, StoppingPartWayLeavesOldOrWholeOutputsAndNothingElse) {
  const std::string page(4000, 'x');
  for (int i = 0; i < 2000; ++i) {
    const std::u16string name = u"p" + std::filesystem::path(std::to_string(i)).u16string();
    dir_.Write(u"site\\" + name + u".htm", page);
    if (i % 2 == 0) dir_.Write(u"out\\" + name + u".txt", "old");
  }
  main_.SetText(u"txtInput", u"\"" + (dir_ / u"site") + u"\"");
  main_.SetText(u"txtOutput", dir_ / u"out");
  MessageBoxWatcher boxes(main_.hwnd());
  const testing_support::ModalSeen seen = testing_support::WatchForModal(
      main_.hwnd(), u"Sanvelle",
      [&] {
        SendMessageW(main_.Control(u"Btn_Start"), BM_CLICK, 0, 0);
        PumpMessages(main_.hwnd());
      },
      [](HWND progress) {
        PostMessageW(FindWindowExW(progress, nullptr, L"Button", L"中止"), BM_CLICK, 0, 0);
      });
  EXPECT_TRUE(seen.opened);
  EXPECT_FALSE(seen.owner_enabled);
  ASSERT_EQ(boxes.boxes().size(), 1u);
  const std::string message = Show(boxes.boxes()[0].text);
  ASSERT_TRUE(message.starts_with("中止しました。\n2000 件のうち ")) << message;
  const int converted =
      std::stoi(message.substr(std::string("中止しました。\n2000 件のうち ").size()));
  EXPECT_LT(converted, 2000);
  int fresh = 0, old = 0;
  for (const auto& [name, content] : Files(u"out")) {
    EXPECT_TRUE(name.starts_with("p") && name.ends_with(".txt")) << name;
    if (content == "old")
      ++old;
    else if (content == page)
      ++fresh;
    else
      ADD_FAILURE() << name << " holds " << content.size() << " bytes";
  }
  EXPECT_EQ(fresh, converted);
  EXPECT_LE(old, 1000);
  EXPECT_TRUE(IsWindowEnabled(main_.hwnd()));
}

// Escape and the progress window's close box stop the run as "中止" does.
TEST_F(ManyInputsTest, EscapeAndTheCloseBoxStopAsTheStopButtonDoes) {
  for (int i = 0; i < 1000; ++i)
    dir_.Write(u"site\\p" + std::filesystem::path(std::to_string(i)).u16string() + u".htm", "x");
  main_.SetText(u"txtInput", u"\"" + (dir_ / u"site") + u"\"");
  main_.SetText(u"txtOutput", dir_ / u"out");
  for (const testing_support::CloseWay* way :
       {&testing_support::kPressEscape, &testing_support::kCloseBox}) {
    MessageBoxWatcher boxes(main_.hwnd());
    const testing_support::ModalSeen seen = testing_support::WatchForModal(
        main_.hwnd(), u"Sanvelle",
        [&] {
          SendMessageW(main_.Control(u"Btn_Start"), BM_CLICK, 0, 0);
          PumpMessages(main_.hwnd());
        },
        way->close);
    EXPECT_TRUE(seen.opened) << way->name;
    ASSERT_EQ(boxes.boxes().size(), 1u) << way->name;
    EXPECT_TRUE(Show(boxes.boxes()[0].text).starts_with("中止しました。\n1000 件のうち "))
        << way->name << ": " << Show(boxes.boxes()[0].text);
    EXPECT_TRUE(IsWindowEnabled(main_.hwnd())) << way->name;
  }
}

// Send To and "Open with" start the program with paths: they fill the boxes
// as a drop would, and nothing is converted.
TEST_F(ManyInputsTest, PathsOnTheCommandLineFillTheBoxes) {
  dir_.Write(u"site\\a.htm", "a");
  dir_.Write(u"site\\b.htm", "b");
  std::wstring program = QUILLMERE_SANVELLE_EXE;
  if (program.starts_with(L"/")) {
    for (wchar_t& c : program)
      if (c == L'/') c = L'\\';
    program = L"Z:" + program;
  }
  const std::wstring a = std::filesystem::path(dir_ / u"site\\a.htm").wstring();
  const std::wstring b = std::filesystem::path(dir_ / u"site\\b.htm").wstring();
  std::wstring command = L"\"" + program + L"\" \"" + a + L"\" \"" + b + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  WaitForInputIdle(process.hProcess, 10000);
  struct Found {
    DWORD process;
    HWND window = nullptr;
  } found{process.dwProcessId};
  for (int i = 0; i < 100 && !found.window; ++i) {
    EnumWindows(
        [](HWND h, LPARAM param) -> BOOL {
          auto* f = reinterpret_cast<Found*>(param);
          DWORD owner = 0;
          GetWindowThreadProcessId(h, &owner);
          if (owner == f->process && IsWindowVisible(h)) f->window = h;
          return f->window == nullptr ? TRUE : FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    if (!found.window) Sleep(100);
  }
  ASSERT_NE(found.window, nullptr);
  // The edit controls in tab order: txtInput, then txtOutput.
  std::vector<std::string> boxes;
  for (HWND child = GetWindow(found.window, GW_CHILD); child;
       child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t kind[16] = {};
    GetClassNameW(child, kind, 16);
    if (_wcsicmp(kind, L"Edit") != 0) continue;
    // WM_GETTEXT itself: GetWindowText does not ask another process's window.
    wchar_t text[1024] = {};
    SendMessageW(child, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    boxes.push_back(Show(std::u16string(text, text + wcslen(text))));
  }
  PostMessageW(found.window, WM_CLOSE, 0, 0);
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::u16string root = dir_.path();
  root[0] = static_cast<char16_t>(root[0] & ~0x20);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0], "\"" + Show(root) + "\\site\\a.htm\" \"" + Show(root) + "\\site\\b.htm\"");
  EXPECT_EQ(boxes[1], Show(root) + "\\site\\");
  EXPECT_FALSE(dir_.Exists(u"site\\a.txt"));
}

}  // namespace
