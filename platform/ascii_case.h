// Case as names of keys, sections, encodings and extensions have it: only
// the ASCII letters A-Z and a-z are one another's case.
#pragma once

#include <algorithm>
#include <string_view>

namespace platform {

constexpr char16_t AsciiLower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

constexpr bool EqualAsciiNoCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return AsciiLower(x) == AsciiLower(y); });
}

}  // namespace platform
