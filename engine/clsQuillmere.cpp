// The options of clsQuillmere and their settings file.
#include "engine/clsQuillmere.h"

#include "engine/Module4.h"
#include "engine/errors.h"
#include "engine/number_text.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/profile_file.h"

namespace {

struct OptionSpec {
  std::u16string_view key;      // option key of GetValue and SetValue
  std::u16string_view section;  // where the settings file keeps it
  std::u16string_view profile_key;
  std::int32_t fallback;  // for a key missing from an existing file
  bool saved;             // SaveValue writes it (the settings dialog's ten)
};

// In the order options are read and written; the index is the Option. The
// readable-text options are read from their own section, "TEXT", and never
// written: the settings dialog, which saves, knows only the ten.
constexpr std::array<OptionSpec, 19> kOptions{{
    {u"HR", u"HTML", u"HR", 1, true},
    {u"HR_NUM", u"HR", u"NUM", 5, true},
    {u"BR", u"HTML", u"BR", 1, true},
    {u"P", u"HTML", u"P", 1, true},
    {u"IMG", u"HTML", u"IMG", 1, true},
    {u"ANAME", u"HTML", u"ANAME", 1, true},
    {u"AHREF", u"HTML", u"AHREF", 1, true},
    {u"AHREFSharp", u"HTML", u"AHREFSharp", 1, true},
    {u"ENTER", u"GENERAL", u"ENTER", 1, true},
    {u"A_LINK_TAG_TYPE", u"GENERAL", u"A_LINK_TAG_TYPE", 1, true},
    {u"SCRIPT", u"TEXT", u"SCRIPT", 0, false},
    {u"ENTITY", u"TEXT", u"ENTITY", 0, false},
    {u"SPACE", u"TEXT", u"SPACE", 0, false},
    {u"BLOCK", u"TEXT", u"BLOCK", 0, false},
    {u"TABLE", u"TEXT", u"TABLE", 0, false},
    {u"LINKS", u"TEXT", u"LINKS", 0, false},
    {u"MAIN", u"TEXT", u"MAIN", 0, false},
    {u"RUBY", u"TEXT", u"RUBY", 0, false},
    {u"WIDTH", u"TEXT", u"WIDTH", 0, false},
}};

bool IsWidth(int value) {
  return value == 0 || (value >= clsQuillmere::kLeastWidth && value <= clsQuillmere::kMostWidth);
}

int IndexOf(std::u16string_view key) {
  for (std::size_t i = 0; i < kOptions.size(); ++i)
    if (kOptions[i].key == key) return static_cast<int>(i);
  return -1;
}

// The folder part of a settings path: the text before its last "\"; "c:\"
// for a path without one.
std::u16string FolderOf(const std::u16string& path) {
  auto slash = path.rfind(u'\\');
  return slash == std::u16string::npos ? u"c:\\" : path.substr(0, slash);
}

}  // namespace

bool clsQuillmere::Initialize(const std::u16string& IniFilePath) {
  if (IniFilePath.empty()) return false;
  if (!platform::SearchFinds(IniFilePath, platform::SearchFor::kFiles)) return false;
  for (std::size_t i = 0; i < kOptions.size(); ++i) {
    const OptionSpec& o = kOptions[i];
    options_[i] = engine::ReadIniInt(IniFilePath, std::u16string(o.section),
                                     std::u16string(o.profile_key), o.fallback);
  }
  if (!IsWidth(options_[WIDTH]))
    throw engine::OverflowError(platform::EncodeUtf8(
        u"設定ファイルの [TEXT] WIDTH の値 " + engine::DecimalText(options_[WIDTH]) +
        u" は 0 (折り返さない) か 20～1000 ではありません。"));
  return true;
}

bool clsQuillmere::SaveValue(const std::u16string& IniFilePath) {
  if (!platform::SearchFinds(FolderOf(IniFilePath), platform::SearchFor::kFilesAndDirectories))
    return false;
  // The ten writes go to a copy that replaces the file only when all of
  // them succeeded: a failure part-way leaves the file as it was.
  return platform::RewriteProfileFile(IniFilePath, [&](const std::u16string& copy) {
    for (std::size_t i = 0; i < kOptions.size(); ++i) {
      const OptionSpec& o = kOptions[i];
      if (o.saved &&
          !engine::WriteIniString(copy, std::u16string(o.section), std::u16string(o.profile_key),
                                  engine::DecimalText(options_[i])))
        return false;
    }
    return true;
  });
}

bool clsQuillmere::SetValue(const std::u16string& Parameter, const std::u16string& Value) {
  if (Parameter.empty()) return false;
  int index = IndexOf(Parameter);
  if (index < 0) return true;
  engine::ParsedInt16 parsed = engine::ParseInt16(Value);
  switch (parsed.status) {
    case engine::NumberStatus::kOk:
      if (index == WIDTH && !IsWidth(parsed.value))
        throw engine::OverflowError(
            platform::EncodeUtf8(Parameter + u" の値「" + Value +
                                 u"」は 0 (折り返さない) か 20～1000 ではありません。"));
      options_[static_cast<std::size_t>(index)] = parsed.value;
      return true;
    case engine::NumberStatus::kNotANumber:
      throw engine::TypeMismatchError(
          platform::EncodeUtf8(Parameter + u" の値「" + Value + u"」は数値ではありません。"));
    case engine::NumberStatus::kOutOfRange:
      break;
  }
  throw engine::OverflowError(
      platform::EncodeUtf8(Parameter + u" の値「" + Value + u"」は -32768～32767 の範囲外です。"));
}

void clsQuillmere::UseFallbacks() {
  for (std::size_t i = 0; i < kOptions.size(); ++i)
    options_[i] = static_cast<std::int16_t>(kOptions[i].fallback);
}

std::u16string clsQuillmere::GetValue(const std::u16string& Parameter) const {
  int index = IndexOf(Parameter);
  if (index < 0) return u"";
  return engine::DecimalText(options_[static_cast<std::size_t>(index)]);
}
