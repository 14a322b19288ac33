#include "layout/character_widths.h"

#include <algorithm>
#include <bitset>
#include <memory>
#include <string>

#include "platform/codepage.h"

namespace engine {
namespace {

struct CodePointRange {
  char32_t first, last;
};

#include "layout/character_widths.inc"

template <std::size_t N>
bool InRanges(const CodePointRange (&ranges)[N], char32_t c) {
  const auto* at =
      std::upper_bound(std::begin(ranges), std::end(ranges), c,
                       [](char32_t v, const CodePointRange& r) { return v < r.first; });
  return at != std::begin(ranges) && c <= (at - 1)->last;
}

// The characters of the Basic Multilingual Plane that code page 932 holds
// (encoded and decoded again they are the same: no "?", no similar one),
// and those of them it writes in one byte.
struct Cp932Widths {
  std::bitset<0x10000> held, single;
};

const Cp932Widths& HeldByCp932() {
  static const std::unique_ptr<Cp932Widths> widths = [] {
    auto w = std::make_unique<Cp932Widths>();
    for (char32_t c = 0x80; c < 0x10000; ++c) {
      if (c >= 0xD800 && c <= 0xDFFF) continue;
      const std::u16string one(1, static_cast<char16_t>(c));
      const std::string bytes = platform::EncodeCp932(one);
      if (platform::DecodeCp932(bytes) != one) continue;
      w->held.set(c);
      if (bytes.size() == 1) w->single.set(c);
    }
    return w;
  }();
  return *widths;
}

}  // namespace

namespace detail {

std::size_t ColumnsSought(char32_t c) {
  if (c < 0x80) return 1;
  if (c < 0x10000 && HeldByCp932().held[c]) return HeldByCp932().single[c] ? 1 : 2;
  if (InRanges(kWide, c)) return 2;
  if (InRanges(kCombining, c)) return 0;
  return 1;
}

const unsigned char* Plane0Columns() {
  static const unsigned char* const table = [] {
    auto* t = new unsigned char[0x10000];
    for (char32_t c = 0; c < 0x10000; ++c) t[c] = static_cast<unsigned char>(ColumnsSought(c));
    return t;
  }();
  return table;
}

}  // namespace detail

namespace {

template <typename Char>
std::size_t ColumnsOfCharacters(std::basic_string_view<Char> text, const scan::LeadBytes* leads) {
  std::size_t columns = 0;
  for (std::size_t i = 0; i < text.size();) {
    const OutputCharacter c = CharacterAt(text, i, leads);
    columns += c.columns;
    i += c.units;
  }
  return columns;
}

}  // namespace

std::size_t ColumnsOf(std::string_view text, const scan::LeadBytes* leads) {
  // In a code page a character's bytes are its columns.
  return leads != nullptr ? text.size() : ColumnsOfCharacters(text, nullptr);
}

std::size_t ColumnsOf(std::u16string_view text, const scan::LeadBytes* leads) {
  return ColumnsOfCharacters(text, leads);
}

}  // namespace engine
