// The ANSI code page's characters as UTF-16 units, looked up by their bytes.
#include <memory>
#include <string>

#include "platform/codepage.h"

namespace platform {

const std::array<char16_t, 0x10000>& AnsiUnits() {
  static const std::unique_ptr<std::array<char16_t, 0x10000>> units = [] {
    auto table = std::make_unique<std::array<char16_t, 0x10000>>();
    table->fill(0xFFFD);
    auto unit_of = [](std::string_view bytes) -> char16_t {
      const std::u16string text = DecodeAnsi(bytes);
      return text.size() == 1 ? text[0] : char16_t(0xFFFD);
    };
    for (unsigned lead = 0; lead < 0x100; ++lead) {
      const char first = static_cast<char>(lead);
      if (lead < 0x80) {
        (*table)[lead] = static_cast<char16_t>(lead);
      } else if (!IsAnsiLeadByte(static_cast<unsigned char>(lead))) {
        (*table)[lead] = unit_of(std::string_view(&first, 1));
      } else {
        for (unsigned trail = 0x40; trail < 0x100; ++trail) {
          const char pair[] = {first, static_cast<char>(trail)};
          (*table)[lead << 8 | trail] = unit_of(std::string_view(pair, 2));
        }
      }
    }
    return table;
  }();
  return *units;
}

}  // namespace platform
