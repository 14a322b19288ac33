#include "mainwindow/Form1.h"

#include <new>

#include "conversion/conversion_run.h"
#include "conversion/text_settings.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmBrackwenSetting.h"
#include "dialogs/frmTextSetting.h"
#include "engine/clsQuillmere.h"
#include "engine/errors.h"
#include "mainwindow/file_dialogs.h"
#include "mainwindow/path_names.h"
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

Form1::Form1() : forms::Form(resources::kForm1), ole_(SUCCEEDED(OleInitialize(nullptr))) {}

Form1::~Form1() {
  form_drop_.reset();
  input_drop_.reset();
  if (ole_) OleUninitialize();
}

void Form1::Form_Load() {
  MyPath = ProgramFolderWithSeparator();
  SetCaption(u"Sanvelle");
  // Files may be dropped on the window itself and on the input box.
  form_drop_ = std::make_unique<forms::DropRegistration>(
      hwnd(), [this](IDataObject* data) { Form_OLEDragDrop(data); },
      [this](POINTL point) { return SurfaceAcceptsDrop(point); });
  input_drop_ = std::make_unique<forms::DropRegistration>(
      Control(u"txtInput"), [this](IDataObject* data) { txtInput_OLEDragDrop(data); });
}

LRESULT Form1::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    form_drop_.reset();
    input_drop_.reset();
  }
  return forms::Form::OnMessage(message, wparam, lparam);
}

IDropTarget* Form1::FormDropTarget() const {
  return form_drop_ ? form_drop_->target() : nullptr;
}

IDropTarget* Form1::InputDropTarget() const {
  return input_drop_ ? input_drop_->target() : nullptr;
}

// Over the window's surface (and its labels); the output box and the buttons
// take no drops.
bool Form1::SurfaceAcceptsDrop(POINTL screen_point) const {
  POINT p{screen_point.x, screen_point.y};
  ScreenToClient(hwnd(), &p);
  HWND child = ChildWindowFromPointEx(hwnd(), p, CWP_SKIPINVISIBLE);
  if (!child || child == hwnd()) return true;
  return child == Control(u"Label1") || child == Control(u"Label2") ||
         child == Control(u"txtInput");
}

std::optional<std::u16string> Form1::TakeDroppedInput(IDataObject* data) {
  std::optional<std::u16string> first = forms::FirstDroppedFile(data);
  if (!first) return std::nullopt;
  std::wstring wide(first->begin(), first->end());
  DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return std::nullopt;
  SetText(u"txtInput", ToLongPathName(*first));
  return first;
}

void Form1::Form_OLEDragDrop(IDataObject* data) {
  std::optional<std::u16string> first = TakeDroppedInput(data);
  if (!first) return;
  SetText(u"txtOutput", RemoveExtension(ToLongPathName(*first)) + u".txt");
}

void Form1::txtInput_OLEDragDrop(IDataObject* data) {
  if (!TakeDroppedInput(data)) return;
  const std::u16string output = Text(u"txtOutput");
  const std::u16string input = Text(u"txtInput");
  const std::u16string name = RemoveExtension(GetFileName(input)) + u".txt";
  // An output path already there keeps its folder; otherwise the input's.
  const std::u16string folder = GetFolderPath(output.empty() ? input : output);
  SetText(u"txtOutput", folder + u"\\" + name);
}

void Form1::Btn_Open_Click() {
  const std::u16string input = Text(u"txtInput");
  const std::u16string folder = input.empty() ? u"c:\\" : GetFolderPath(input);
  const std::u16string filter =
      MakeFilter({u"HTML Files(*.htm,*.html)", u"*.htm;*.html", u"ALL Files(*.*)", u"*.*"});
  const std::u16string chosen = ShowOpenDialog(hwnd(), filter, folder);
  if (!chosen.empty()) SetText(u"txtInput", CutAtNull(chosen));
}

void Form1::Btn_Save_Click() {
  const std::u16string output = Text(u"txtOutput"), input = Text(u"txtInput");
  const std::u16string folder = !output.empty()  ? GetFolderPath(output)
                                : !input.empty() ? GetFolderPath(input)
                                                 : u"c:\\";
  const std::u16string filter =
      MakeFilter({u"TEXT Files(*.txt)", u"*.txt", u"ALL Files(*.*)", u"*.*"});
  std::u16string chosen = CutAtNull(ShowSaveDialog(hwnd(), filter, folder));
  if (chosen.empty()) return;
  if (GetFileName(chosen).find(u'.') == std::u16string::npos) chosen += u".txt";
  SetText(u"txtOutput", chosen);
}

void Form1::OnClick(std::u16string_view control) {
  if (control == u"Btn_Start") Btn_Start_Click();
  if (control == u"Btn_Close") Btn_Close_Click();
  if (control == u"Btn_Open") Btn_Open_Click();
  if (control == u"Btn_Save") Btn_Save_Click();
}

void Form1::OnMenu(std::u16string_view item) {
  if (item == u"mnuExit") mnuExit_Click();
  if (item == u"mnuOption") mnuOption_Click();
  if (item == u"mnuText") mnuText_Click();
  if (item == u"mnuAbout") mnuAbout_Click();
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

void Form1::mnuText_Click() {
  frmTextSetting dialog(MyPath);
  dialog.ShowModal(hwnd());
}

void Form1::mnuAbout_Click() {
  frmAbout box(hwnd());
  box.ShowModal(hwnd());
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
  // The input if it is an ordinary file (else no text), read and converted
  // piece by piece so that any size fits in memory; its encoding is decided
  // from its start, and the output written in the encoding that keeps it.
  // A file that is there but cannot be opened (access denied, another
  // program holding it) is no empty text: the old output stays.
  std::unique_ptr<platform::FileReader> reader;
  if (!input.empty() && platform::SearchFinds(input, platform::SearchFor::kFiles)) {
    reader = platform::FileReader::Open(input);
    if (!reader) return {u"入力ファイルを読み込めませんでした。\n" + input, kError};
  }

  clsQuillmere converter;
  try {
    if (!converter.Initialize(MyPath + u"Brackwen.ini"))
      return {u"Initializeファイル読み込みエラー", kError};
  } catch (const engine::OverflowError& e) {
    return {u"設定ファイル Brackwen.ini の値が正しくないため、変換できませんでした。\n" +
                platform::DecodeUtf8(e.what()),
            kError};
  }
  // The output's encoding, from the text settings (the input's rule
  // without them).
  conversion::RunOptions options;
  if (const std::optional<conversion::OutputChoice> choice =
          conversion::ReadOutputChoice(MyPath + u"Brackwen.ini")) {
    options.output = *choice;
  } else {
    return {u"設定ファイル Brackwen.ini の値が正しくないため、変換できませんでした。\nOUTPUT=" +
                conversion::ReadTextSettings(MyPath + u"Brackwen.ini").output,
            kError};
  }
  const conversion::RunResult result = conversion::ConvertToFile(
      converter,
      [&](char* buffer, std::size_t size) -> std::ptrdiff_t {
        return reader ? reader->Read(buffer, size) : 0;
      },
      output, options);
  switch (result.status) {
    case conversion::RunResult::Status::kConverted:
      return {u"完了！", kDone};
    case conversion::RunResult::Status::kUnreadable:
      return {u"入力ファイルを読み込めませんでした。\n" + input, kError};
    case conversion::RunResult::Status::kUnwritable:
      break;
  }
  return {conversion::DescribeWriteError(result.write_error) + u"\n" + output +
              u"\n\n出力ファイルは書き込まれていません (以前の内容のままです)。",
          kError};
}
