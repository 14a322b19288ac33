#include "mainwindow/Form1.h"

#include <new>

#include "conversion/conversion_run.h"
#include "conversion/file_list.h"
#include "conversion/many_files.h"
#include "conversion/text_settings.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmBrackwenSetting.h"
#include "dialogs/frmProgress.h"
#include "dialogs/frmTextSetting.h"
#include "engine/clsQuillmere.h"
#include "engine/errors.h"
#include "mainwindow/file_dialogs.h"
#include "mainwindow/input_list.h"
#include "mainwindow/many_files_message.h"
#include "mainwindow/path_names.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/folders.h"
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

void Form1::TakePaths(const std::vector<std::u16string>& paths, bool onto_input) {
  if (paths.empty()) return;
  auto long_form = [](const std::u16string& path) {
    const std::u16string long_path = ToLongPathName(path);
    return long_path.empty() ? path : long_path;
  };
  if (paths.size() == 1 && !platform::IsFolder(paths[0])) {
    const std::u16string input = long_form(paths[0]);
    SetText(u"txtInput", input);
    if (!onto_input) {
      SetText(u"txtOutput", RemoveExtension(input) + u".txt");
      return;
    }
    const std::u16string output = Text(u"txtOutput");
    const std::u16string name = RemoveExtension(GetFileName(input)) + u".txt";
    // An output path already there keeps its folder; otherwise the input's.
    const std::u16string folder = GetFolderPath(output.empty() ? input : output);
    SetText(u"txtOutput", folder + u"\\" + name);
    return;
  }
  // Several, or a folder: the list, and the first one's folder (a folder's
  // own) for the outputs, which mirror the folders' subfolders.
  std::vector<std::u16string> inputs;
  for (const std::u16string& path : paths) inputs.push_back(long_form(path));
  SetText(u"txtInput", JoinInputList(inputs));
  std::u16string folder = platform::IsFolder(inputs[0]) ? inputs[0] : GetFolderPath(inputs[0]);
  if (folder.empty() || folder.back() != u'\\') folder += u'\\';
  SetText(u"txtOutput", folder);
}

void Form1::OpenPaths(const std::vector<std::u16string>& paths) {
  TakePaths(paths, false);
}

void Form1::Form_OLEDragDrop(IDataObject* data) {
  TakePaths(forms::DroppedFiles(data), false);
}

void Form1::txtInput_OLEDragDrop(IDataObject* data) {
  TakePaths(forms::DroppedFiles(data), true);
}

void Form1::Btn_Open_Click() {
  const std::u16string input = Text(u"txtInput");
  const std::u16string folder = input.empty() ? u"c:\\" : GetFolderPath(input);
  const std::u16string filter =
      MakeFilter({u"HTML Files(*.htm,*.html)", u"*.htm;*.html", u"Web Archive Files(*.mht,*.mhtml)",
                  u"*.mht;*.mhtml", u"ALL Files(*.*)", u"*.*"});
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

// One path as ever; several in quotes (or one folder in quotes), each as
// the drop rule names its output, in the output folder.
Form1::Outcome Form1::Convert() {
  const std::u16string text = Text(u"txtInput");
  if (text.find(u'"') == std::u16string::npos) return ConvertOne(text);
  const std::vector<std::u16string> inputs = SplitInputList(text);
  if (inputs.size() == 1 && !platform::IsFolder(inputs[0])) return ConvertOne(inputs[0]);
  if (inputs.empty()) return ConvertOne(u"");
  return ConvertMany(inputs);
}

std::optional<Form1::Outcome> Form1::LoadSettings(clsQuillmere& converter,
                                                  conversion::RunOptions& options) const {
  const std::u16string ini = MyPath + u"Brackwen.ini";
  try {
    if (!converter.Initialize(ini)) return Outcome{u"Initializeファイル読み込みエラー", kError};
  } catch (const engine::OverflowError& e) {
    return Outcome{u"設定ファイル Brackwen.ini の値が正しくないため、変換できませんでした。\n" +
                       platform::DecodeUtf8(e.what()),
                   kError};
  }
  // The output's encoding, from the text settings (the input's rule
  // without them).
  const std::optional<conversion::OutputChoice> choice = conversion::ReadOutputChoice(ini);
  if (!choice) {
    return Outcome{
        u"設定ファイル Brackwen.ini の値が正しくないため、変換できませんでした。\nOUTPUT=" +
            conversion::ReadTextSettings(ini).output,
        kError};
  }
  options.output = *choice;
  return std::nullopt;
}

Form1::Outcome Form1::ConvertOne(const std::u16string& input) {
  WaitCursor wait;
  // The output path must name a file in a folder that exists; a drive root
  // ("C:\out.txt", whose folder part is "C:") counts as a folder.
  const std::u16string output = Text(u"txtOutput");
  const bool folder_exists =
      platform::SearchFinds(GetFolderPath(output), platform::SearchFor::kFilesAndDirectories);
  if (output.empty() || !folder_exists) return {u"出力先のパスが不正です。", kError};

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
  conversion::RunOptions options;
  if (std::optional<Outcome> refused = LoadSettings(converter, options)) return *refused;
  options.saved_page = conversion::IsSavedPageName(input);
  options.file = reader.get();
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
    case conversion::RunResult::Status::kNotSavedPage:
      return {u"入力ファイルは Web ページ (MHTML 形式) として読めませんでした。\n" + input +
                  u"\n\n出力ファイルは書き込まれていません。",
              kError};
    case conversion::RunResult::Status::kNoPage:
      return {u"入力ファイルの Web ページ (MHTML 形式) に HTML の部分がありません。\n" + input +
                  u"\n\n出力ファイルは書き込まれていません。",
              kError};
    case conversion::RunResult::Status::kUnwritable:
      break;
  }
  return {conversion::DescribeWriteError(result.write_error) + u"\n" + output +
              u"\n\n出力ファイルは書き込まれていません (以前の内容のままです)。",
          kError};
}

// The batch converter's run over many files (-r -o), on worker threads
// while the progress window shows how far it has got.
Form1::Outcome Form1::ConvertMany(const std::vector<std::u16string>& inputs) {
  std::u16string folder = Text(u"txtOutput");
  const bool is_file = !folder.empty() && !platform::IsFolder(folder) &&
                       platform::SearchFinds(folder, platform::SearchFor::kFiles);
  if (folder.empty() || is_file) return {u"出力先のパスが不正です。", kError};
  if (folder.back() != u'\\') folder += u'\\';

  std::u16string clash;
  std::optional<conversion::FileList> list;
  {
    WaitCursor wait;  // a large tree takes a moment to list
    list = conversion::ListFiles(inputs, folder, true, clash);
  }
  if (!list) return {clash, kError};
  if (list->jobs.empty() && list->not_found.empty())
    return {u"変換する HTML ファイル (*.htm、*.html、*.mht、*.mhtml) がありません。", kError};

  clsQuillmere converter;
  conversion::ManyOptions options;
  if (std::optional<Outcome> refused = LoadSettings(converter, options.run)) return *refused;
  if (!platform::CreateFolders(folder)) return {u"出力先のパスが不正です。", kError};

  frmProgress progress(converter, *list, options);
  progress.ShowModal(hwnd());
  const conversion::ManyOutcome outcome = progress.Outcome();  // the run has ended after it
  const EndMessage end = ManyFilesEndMessage(outcome, progress.FirstFailures());
  return {end.text, end.error ? kError : kDone};
}
