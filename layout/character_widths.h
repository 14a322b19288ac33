// How wide text is drawn in a Japanese monospace font, in columns: a
// character takes as many columns as its bytes in Shift_JIS where code page
// 932 holds it, otherwise 2 for the East Asian Wide and Fullwidth classes, 0
// for combining marks, else 1.
#pragma once

#include <cstddef>
#include <string_view>

#include "text/scan.h"

namespace engine {

namespace detail {
const unsigned char* Plane0Columns();
std::size_t ColumnsSought(char32_t code_point);
}  // namespace detail

inline std::size_t ColumnsOf(char32_t code_point) {
  // The Basic Multilingual Plane's are looked up, the rest sought.
  static const unsigned char* const plane0 = detail::Plane0Columns();
  return code_point < 0x10000 ? plane0[code_point] : detail::ColumnsSought(code_point);
}

// Of a text in the output's form: code page bytes (`leads` given: a
// character's bytes are its columns), UTF-8 bytes, or UTF-16.
std::size_t ColumnsOf(std::string_view text, const scan::LeadBytes* leads);
std::size_t ColumnsOf(std::u16string_view text, const scan::LeadBytes* leads);

}  // namespace engine
