#include "dialogs/frmBrackwenSetting.h"

#include "engine/clsQuillmere.h"
#include "engine/errors.h"
#include "resources/frmBrackwenSetting_definition.h"

namespace {

// Check boxes and the option keys they stand for, in reading and writing order
// (the dash count comes second, after "HR").
constexpr std::u16string_view kCheckBoxes[][2] = {
    {u"chkHR", u"HR"},
    {u"chkBR", u"BR"},
    {u"chkP", u"P"},
    {u"chkIMG", u"IMG"},
    {u"chkANAME", u"ANAME"},
    {u"chkAHREF", u"AHREF"},
    {u"chkAHREFSharp", u"AHREFSharp"},
    {u"chkENTER", u"ENTER"},
};

constexpr std::u16string_view kLinkTypes[] = {u"opt_A_LINK_TAG_TYPE0", u"opt_A_LINK_TAG_TYPE1",
                                              u"opt_A_LINK_TAG_TYPE2"};

std::u16string Key(std::u16string_view key) {
  return std::u16string(key);
}

// The count as typed, with the full-width digits, signs, point and spaces
// that a Japanese input method types made their ASCII selves: they stand for
// the same number.
std::u16string HalfWidth(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'０' && c <= u'９') c = static_cast<char16_t>(u'0' + (c - u'０'));
    if (c == u'－' || c == u'\u2212') c = u'-';  // full-width hyphen-minus, minus sign
    if (c == u'＋') c = u'+';
    if (c == u'．') c = u'.';
    if (c == u'\u3000') c = u' ';
  }
  return text;
}

}  // namespace

frmBrackwenSetting::frmBrackwenSetting(const std::u16string& my_path)
    : forms::Form(resources::kFrmBrackwenSetting), my_path_(my_path) {}

void frmBrackwenSetting::Form_Load() {
  SetCaption(u"Sanvelle - Quillmere Setting -");
  if (!LoadControls(my_path_ + u"Brackwen.ini"))
    ShowMessage(u"設定ファイルの読み込みに失敗しました。");
}

void frmBrackwenSetting::OnClick(std::u16string_view control) {
  if (control == u"Btn_OK") Btn_OK_Click();
  if (control == u"Btn_Cancel") Btn_Cancel_Click();
}

void frmBrackwenSetting::ShowMessage(std::u16string_view text) {
  std::wstring wide(text.begin(), text.end());
  MessageBoxW(hwnd(), wide.c_str(), L"Sanvelle", MB_ICONERROR | MB_OK);
}

bool frmBrackwenSetting::LoadControls(const std::u16string& path) {
  clsQuillmere settings;
  try {
    if (!settings.Initialize(path)) return false;
  } catch (const engine::OverflowError&) {
    return false;  // a value out of range: the file cannot be shown as it is
  }
  // HR first, then the count, then the other check boxes: the reading order.
  // A hand-edited value other than 0 or 1 is shown checked: any non-zero
  // value is on, and OK writes it back as 1.
  SetChecked(u"chkHR", settings.GetValue(u"HR") != u"0");
  SetText(u"txtHR_NUM", settings.GetValue(u"HR_NUM"));
  for (const auto& [box, key] : kCheckBoxes)
    if (box != u"chkHR") SetChecked(box, settings.GetValue(Key(key)) != u"0");

  const std::u16string type = settings.GetValue(u"A_LINK_TAG_TYPE");
  for (int i = 0; i < 3; ++i) {
    if (type != std::u16string(1, static_cast<char16_t>(u'0' + i))) continue;
    for (int j = 0; j < 3; ++j) SetChecked(kLinkTypes[j], i == j);
    break;
  }
  return true;
}

bool frmBrackwenSetting::StoreControls(const std::u16string& path) {
  clsQuillmere settings;
  auto state = [&](std::u16string_view box) { return Checked(box) ? u"1" : u"0"; };
  settings.SetValue(u"HR", state(u"chkHR"));
  // As typed (full-width as half-width); the converter reads the number.
  settings.SetValue(u"HR_NUM", HalfWidth(Text(u"txtHR_NUM")));
  for (const auto& [box, key] : kCheckBoxes)
    if (box != u"chkHR") settings.SetValue(Key(key), state(box));
  for (int i = 0; i < 3; ++i) {
    if (!Checked(kLinkTypes[i])) continue;
    settings.SetValue(u"A_LINK_TAG_TYPE", std::u16string(1, static_cast<char16_t>(u'0' + i)));
    break;
  }
  return settings.SaveValue(path);
}

void frmBrackwenSetting::Btn_OK_Click() {
  try {
    if (!StoreControls(my_path_ + u"Brackwen.ini"))
      ShowMessage(u"設定ファイルの保存に失敗しました。");
  } catch (const engine::TypeMismatchError&) {
    RefuseCount();
    return;
  } catch (const engine::OverflowError&) {
    RefuseCount();
    return;
  }
  Unload();
}

// Only the dash count can be refused. The file is untouched; the dialog stays
// open with the count selected for correction.
void frmBrackwenSetting::RefuseCount() {
  ShowMessage(u"「-」の数には -32768 から 32767 までの整数を入力してください。");
  HWND count = Control(u"txtHR_NUM");
  SetFocus(count);
  SendMessageW(count, EM_SETSEL, 0, -1);
}

void frmBrackwenSetting::Btn_Cancel_Click() {
  Unload();
}
