#include "dialogs/frmTextSetting.h"

#include <optional>

#include "conversion/text_settings.h"
#include "engine/clsQuillmere.h"
#include "engine/number_text.h"
#include "resources/frmTextSetting_definition.h"

namespace {

constexpr std::u16string_view kCheckBoxes[] = {u"chkSCRIPT", u"chkENTITY", u"chkSPACE", u"chkBLOCK",
                                               u"chkTABLE",  u"chkLINKS",  u"chkMAIN"};
static_assert(std::size(kCheckBoxes) == conversion::kTextSwitches.size());

// The option buttons and the OUTPUT values they stand for.
constexpr std::u16string_view kOutputs[][2] = {{u"opt_OUTPUT0", u"same"},
                                               {u"opt_OUTPUT1", u"ansi"},
                                               {u"opt_OUTPUT2", u"utf-8"},
                                               {u"opt_OUTPUT3", u"utf-8-bom"}};

// RUBY's option buttons, by the mode each stands for.
constexpr std::u16string_view kRubies[] = {u"opt_RUBY0", u"opt_RUBY1", u"opt_RUBY2", u"opt_RUBY3"};

// The width the number box offers while lines are not wrapped: 35 full-width
// characters, a line of Japanese mail.
constexpr int kFirstWidth = 70;

// The number box's text as a width, or nothing for text that is none.
std::optional<int> WidthIn(std::u16string_view text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  if (text.empty() || text.size() > 4) return std::nullopt;
  int value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
  }
  if (value < clsQuillmere::kLeastWidth || value > clsQuillmere::kMostWidth) return std::nullopt;
  return value;
}

}  // namespace

frmTextSetting::frmTextSetting(const std::u16string& my_path)
    : forms::Form(resources::kFrmTextSetting), my_path_(my_path) {}

void frmTextSetting::Form_Load() {
  SetCaption(u"Sanvelle - Text Setting -");
  LoadControls(my_path_ + u"Brackwen.ini");
}

void frmTextSetting::OnClick(std::u16string_view control) {
  if (control == u"Btn_OK") Btn_OK_Click();
  if (control == u"Btn_Cancel") Btn_Cancel_Click();
  if (control == u"chkWIDTH") chkWIDTH_Click();
}

// The width is asked for only while lines are wrapped.
void frmTextSetting::chkWIDTH_Click() {
  const bool wrapped = Checked(u"chkWIDTH");
  for (std::u16string_view name : {u"txtWIDTH", u"udWIDTH", u"lblWIDTH"}) SetEnabled(name, wrapped);
}

// A missing file or key shows as off and "same": what a conversion then does.
void frmTextSetting::LoadControls(const std::u16string& path) {
  const conversion::TextSettings settings = conversion::ReadTextSettings(path);
  for (std::size_t i = 0; i < std::size(kCheckBoxes); ++i)
    SetChecked(kCheckBoxes[i], settings.on[i]);
  // The names in any case, as the conversion reads them; a name the buttons
  // do not show (shift_jis, utf-16le, a mistyped one) selects none.
  loaded_output_ = settings.output;
  const std::optional<conversion::OutputChoice> choice =
      settings.output.empty() ? conversion::OutputChoice::kSame
                              : conversion::OutputChoiceNamed(settings.output);
  for (const auto& [button, value] : kOutputs)
    SetChecked(button, choice && conversion::OutputChoiceNamed(value) == choice);
  for (std::size_t mode = 0; mode < std::size(kRubies); ++mode)
    SetChecked(kRubies[mode], static_cast<int>(mode) == settings.ruby);
  // A width out of range shows as it is written, for OK to point out.
  SetChecked(u"chkWIDTH", settings.width != 0);
  SetText(u"txtWIDTH", engine::DecimalText(settings.width != 0 ? settings.width : kFirstWidth));
  chkWIDTH_Click();
}

bool frmTextSetting::StoreControls(const std::u16string& path, int width) {
  conversion::TextSettings settings;
  settings.width = width;
  for (std::size_t i = 0; i < std::size(kCheckBoxes); ++i) settings.on[i] = Checked(kCheckBoxes[i]);
  // With no button selected the value stays as the file held it.
  settings.output = loaded_output_;
  for (const auto& [button, value] : kOutputs)
    if (Checked(button)) settings.output = value;
  for (std::size_t mode = 0; mode < std::size(kRubies); ++mode)
    if (Checked(kRubies[mode])) settings.ruby = static_cast<int>(mode);
  return conversion::WriteTextSettings(path, settings);
}

void frmTextSetting::Btn_OK_Click() {
  int width = 0;
  if (Checked(u"chkWIDTH")) {
    const std::optional<int> asked = WidthIn(Text(u"txtWIDTH"));
    if (!asked) {
      // The dialog stays, the box's text chosen for the user to type over.
      MessageBoxW(hwnd(), L"折り返す幅は 20～1000 の数で入れてください。", L"Sanvelle",
                  MB_ICONWARNING | MB_OK);
      SetFocus(Control(u"txtWIDTH"));
      SendMessageW(Control(u"txtWIDTH"), EM_SETSEL, 0, -1);
      return;
    }
    width = *asked;
  }
  if (!StoreControls(my_path_ + u"Brackwen.ini", width)) {
    MessageBoxW(hwnd(), L"設定ファイルの保存に失敗しました。", L"Sanvelle", MB_ICONERROR | MB_OK);
  }
  Unload();
}

void frmTextSetting::Btn_Cancel_Click() {
  Unload();
}
