// Off Windows, the platform's upper-casing from a table read from it.
#include <algorithm>
#include <iterator>

#include "platform/upper_case.h"

namespace platform {
namespace {

#include "platform/upper_case_table.inc"

}  // namespace

std::u16string UpperCase(std::u16string_view text) {
  std::u16string upper(text);
  for (char16_t& c : upper) {
    if (c < 0x80) {
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 0x20);
      continue;
    }
    const auto* found =
        std::lower_bound(std::begin(kUpperCase), std::end(kUpperCase), c,
                         [](const auto& entry, char16_t u) { return entry.unit < u; });
    if (found != std::end(kUpperCase) && found->unit == c) c = found->upper;
  }
  return upper;
}

}  // namespace platform
