#include "conversion/text_settings.h"

#include <cstdint>

#include "engine/number_text.h"
#include "platform/ascii_case.h"
#include "platform/profile_file.h"

namespace conversion {
namespace {

constexpr std::u16string_view kSection = u"TEXT";

struct OutputName {
  std::u16string_view name;
  OutputChoice choice;
};
constexpr OutputName kOutputNames[] = {{u"same", OutputChoice::kSame},
                                       {u"ansi", OutputChoice::kAnsi},
                                       {u"shift_jis", OutputChoice::kShiftJis},
                                       {u"utf-8", OutputChoice::kUtf8},
                                       {u"utf-8-bom", OutputChoice::kUtf8WithMark},
                                       {u"utf-16le", OutputChoice::kUtf16Le}};

}  // namespace

TextSettings ReadTextSettings(const std::u16string& path) {
  platform::ProfileFile& profile = platform::SystemProfile();
  TextSettings settings;
  for (std::size_t i = 0; i < kTextSwitches.size(); ++i)
    settings.on[i] = profile.GetInt(kSection, kTextSwitches[i], 0, path) != 0;
  settings.output = profile.GetString(kSection, u"OUTPUT", u"same", path);
  const std::uint32_t ruby = profile.GetInt(kSection, u"RUBY", 0, path);
  settings.ruby = ruby <= 3 ? static_cast<int>(ruby) : 0;
  settings.width = static_cast<std::int32_t>(profile.GetInt(kSection, u"WIDTH", 0, path));
  return settings;
}

bool WriteTextSettings(const std::u16string& path, const TextSettings& settings) {
  // The ten writes go to a copy that replaces the file only when all of
  // them succeeded: a failure part-way leaves the file as it was.
  return platform::RewriteProfileFile(path, [&](const std::u16string& copy) {
    platform::ProfileFile& profile = platform::SystemProfile();
    for (std::size_t i = 0; i < kTextSwitches.size(); ++i)
      if (!profile.WriteString(kSection, kTextSwitches[i], settings.on[i] ? u"1" : u"0", copy))
        return false;
    const int mode = settings.ruby >= 0 && settings.ruby <= 3 ? settings.ruby : 0;
    const std::u16string ruby(1, static_cast<char16_t>(u'0' + mode));
    return profile.WriteString(kSection, u"OUTPUT", settings.output, copy) &&
           profile.WriteString(kSection, u"RUBY", ruby, copy) &&
           profile.WriteString(kSection, u"WIDTH", engine::DecimalText(settings.width), copy);
  });
}

std::optional<OutputChoice> OutputChoiceNamed(std::u16string_view name) {
  for (const OutputName& n : kOutputNames)
    if (platform::EqualAsciiNoCase(n.name, name)) return n.choice;
  return std::nullopt;
}

std::optional<OutputChoice> ReadOutputChoice(const std::u16string& path) {
  const std::u16string name =
      platform::SystemProfile().GetString(kSection, u"OUTPUT", u"same", path);
  // An empty value names nothing: the rule of "same".
  return name.empty() ? OutputChoice::kSame : OutputChoiceNamed(name);
}

}  // namespace conversion
