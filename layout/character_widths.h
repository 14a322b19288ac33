// How wide text is drawn in a Japanese monospace font, in columns: a
// character takes as many columns as its bytes in Shift_JIS where code page
// 932 holds it, otherwise 2 for the East Asian Wide and Fullwidth classes, 0
// for combining marks, else 1.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/codepage.h"
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

// The character at unit `i` of text in the output's form: its code point,
// its units and its columns.
struct OutputCharacter {
  char32_t code_point;
  std::size_t units, columns;
};

inline OutputCharacter CharacterAt(std::u16string_view text, std::size_t i,
                                   const scan::LeadBytes*) {
  char32_t c = text[i];
  std::size_t units = 1;
  if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
      text[i + 1] <= 0xDFFF) {
    c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
    units = 2;
  }
  return {c, units, ColumnsOf(c)};
}

inline OutputCharacter CharacterAt(std::string_view text, std::size_t i,
                                   const scan::LeadBytes* leads) {
  const auto b = static_cast<unsigned char>(text[i]);
  if (leads != nullptr) {  // a code page: a character's bytes are its columns
    if ((*leads)[b] && i + 1 < text.size()) {
      const auto t = static_cast<unsigned char>(text[i + 1]);
      return {platform::AnsiUnits()[b << 8 | t], 2, 2};
    }
    return {platform::AnsiUnits()[b], 1, 1};
  }
  if (b < 0x80) return {b, 1, 1};
  const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
  char32_t c = length == 4 ? b & 0x07 : length == 3 ? b & 0x0F : b & 0x1F;
  std::size_t k = 1;
  for (; k < length && i + k < text.size(); ++k)
    c = c << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
  return {c, k, ColumnsOf(c)};
}

// How many bytes that may lead a character stand right before byte `p`, back
// to `floor`: after a byte that cannot lead a character begins, and from
// there each byte that can lead does, so the run's length tells whether `p`
// is a character's second byte.
template <typename Char>
std::size_t LeadRunBefore(std::basic_string_view<Char> text, std::size_t p, std::size_t floor,
                          const scan::LeadBytes& leads) {
  std::size_t run = 0;
  while (p - run > floor && leads[static_cast<unsigned char>(text[p - run - 1])]) ++run;
  return run;
}

// Where the character that holds unit `p` begins, a character beginning at
// `floor` (at most a character's length back in UTF-8 and UTF-16).
inline std::size_t CharacterStart(std::string_view text, std::size_t p, std::size_t floor,
                                  const scan::LeadBytes* leads) {
  if (leads != nullptr) return LeadRunBefore(text, p, floor, *leads) % 2 == 1 ? p - 1 : p;
  std::size_t q = p;
  while (q > floor && p - q < 3 && (static_cast<unsigned char>(text[q]) & 0xC0) == 0x80) --q;
  return q;
}

inline std::size_t CharacterStart(std::u16string_view text, std::size_t p, std::size_t floor,
                                  const scan::LeadBytes*) {
  const bool second = p > floor && text[p] >= 0xDC00 && text[p] <= 0xDFFF &&
                      text[p - 1] >= 0xD800 && text[p - 1] <= 0xDBFF;
  return second ? p - 1 : p;
}

}  // namespace engine
