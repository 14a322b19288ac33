#include "mainwindow/Form1.h"

#include <new>

#include "dialogs/frmBrackwenSetting.h"
#include "engine/clsQuillmere.h"
#include "engine/errors.h"
#include "mainwindow/path_names.h"
#include "mainwindow/text_file.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "resources/form1_definition.h"

namespace {

constexpr unsigned kError = MB_ICONERROR | MB_OK;  // style 16
constexpr unsigned kDone = MB_OK;                  // style 0

// Shows the wait cursor while a conversion runs.
class WaitCursor {
 public:
  WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

}  // namespace

std::u16string ProgramFolderWithSeparator() {
  std::u16string folder = platform::ProgramFolder();
  if (folder.empty() || folder.back() != u'\\') folder += u'\\';
  return folder;
}

Form1::Form1() : forms::Form(resources::kForm1) {}

void Form1::Form_Load() {
  MyPath = ProgramFolderWithSeparator();
  SetCaption(u"Sanvelle");
}

void Form1::OnClick(std::u16string_view control) {
  if (control == u"Btn_Start") Btn_Start_Click();
  if (control == u"Btn_Close") Btn_Close_Click();
}

void Form1::OnMenu(std::u16string_view item) {
  if (item == u"mnuExit") mnuExit_Click();
  if (item == u"mnuOption") mnuOption_Click();
}

void Form1::Btn_Close_Click() {
  Unload();
}

void Form1::mnuExit_Click() {
  Unload();
}

void Form1::mnuOption_Click() {
  frmBrackwenSetting dialog(MyPath);
  dialog.ShowModal(hwnd());
}

void Form1::ShowMessage(std::u16string_view text, unsigned style) {
  std::wstring wide(text.begin(), text.end());
  MessageBoxW(hwnd(), wide.c_str(), L"Sanvelle", style);
}

void Form1::Btn_Start_Click() {
  std::pair<std::u16string, unsigned> outcome;
  try {
    outcome = Convert();
  } catch (const std::bad_alloc&) {
    outcome = {u"メモリが足りないため、変換できませんでした。", kError};
  }
  ShowMessage(outcome.first, outcome.second);
}

std::pair<std::u16string, unsigned> Form1::Convert() {
  WaitCursor wait;
  // The output path must name a file in a folder that exists; a drive root
  // ("C:\out.txt", whose folder part is "C:") counts as a folder.
  std::u16string output = Text(u"txtOutput");
  const bool folder_exists =
      platform::SearchFinds(GetFolderPath(output), platform::SearchFor::kFilesAndDirectories);
  if (output.empty() || !folder_exists) return {u"出力先のパスが不正です。", kError};

  output = Text(u"txtOutput");
  const std::u16string input = Text(u"txtInput");
  if (!input.empty() && platform::SameFile(input, output)) {
    return {
        u"入力ファイルと出力ファイルが同じです。\n入力ファイルを上書きしないよう、変換しませんでし"
        u"た。",
        kError};
  }
  const std::u16string text = ReadTextFile(input);

  clsQuillmere converter;
  try {
    if (!converter.Initialize(MyPath + u"Brackwen.ini"))
      return {u"Initializeファイル読み込みエラー", kError};
  } catch (const engine::OverflowError& e) {
    return {u"設定ファイル Brackwen.ini の値が正しくないため、変換できませんでした。\n" +
                platform::DecodeUtf8(e.what()),
            kError};
  }
  const std::u16string result = converter.Execute(text);
  if (platform::WriteError error = WriteTextFile(output, result);
      error != platform::WriteError::kNone) {
    return {DescribeWriteError(error) + u"\n" + output +
                u"\n\n出力ファイルは書き込まれていません (以前の内容のままです)。",
            kError};
  }
  return {u"完了！", kDone};
}
