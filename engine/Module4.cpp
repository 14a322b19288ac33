#include "engine/Module4.h"

#include "engine/errors.h"
#include "engine/number_text.h"
#include "platform/codepage.h"
#include "platform/profile_file.h"

namespace engine {

std::int16_t ReadIniInt(const std::u16string& path, const std::u16string& section,
                        const std::u16string& key, std::int32_t fallback) {
  auto value =
      static_cast<std::int32_t>(platform::SystemProfile().GetInt(section, key, fallback, path));
  if (value < INT16_MIN || value > INT16_MAX) {
    throw OverflowError(platform::EncodeUtf8(u"設定ファイルの [" + section + u"] " + key +
                                             u" の値 " + DecimalText(value) +
                                             u" は -32768～32767 の範囲外です。"));
  }
  return static_cast<std::int16_t>(value);
}

bool WriteIniString(const std::u16string& path, const std::u16string& section,
                    const std::u16string& key, const std::u16string& value) {
  return platform::SystemProfile().WriteString(section, key, value, path);
}

}  // namespace engine
