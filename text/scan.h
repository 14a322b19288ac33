// What every scan of text shares, the classic one and HTML's tokenizer
// alike: literal comparisons without a branch per character, the searches
// for the characters a scan acts on (a block of characters at a time), and
// how line breaks are counted.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/vector_unit.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

// The searches run between most steps of the scan, mostly over a few
// characters: their cost is in the call.
#if defined(_MSC_VER)
#define QUILLMERE_INLINE __forceinline
#define QUILLMERE_NOINLINE __declspec(noinline)
#else
#define QUILLMERE_INLINE inline __attribute__((always_inline))
#define QUILLMERE_NOINLINE __attribute__((noinline))
#endif

namespace engine::scan {

using LeadBytes = std::array<bool, 256>;

template <typename Char>
Char Upper(Char c) {
  return c >= 'a' && c <= 'z' ? static_cast<Char>(c - 32) : c;
}

// Whether `c` is `expected`, an ASCII character, letters in either case.
// With the case bit (0x20) set, only a letter's two cases give the letter in
// lower case; so it decides with no branch, `expected` being known when it
// is compiled.
template <typename Char>
QUILLMERE_INLINE bool SameUpper(Char c, char expected) {
  if (expected >= 'A' && expected <= 'Z') return (c | 0x20) == (expected | 0x20);
  return c == static_cast<Char>(expected);
}

// Whether `text` begins with the ASCII `prefix` (given in upper case) once
// upper-cased. In code page bytes a character other than ASCII fails at its
// first byte, which is above 0x7F, just as it does as a UTF-16 unit.
// Prefixes are literals, compared whole without a branch per character.
template <typename Char, std::size_t N>
QUILLMERE_INLINE bool StartsUpper(std::basic_string_view<Char> text, const char (&prefix)[N]) {
  if (text.size() < N - 1) return false;
  bool same = true;
  for (std::size_t i = 0; i < N - 1; ++i) same &= SameUpper(text[i], prefix[i]);
  return same;
}

template <typename Char, std::size_t N>
QUILLMERE_INLINE bool StartsWith(std::basic_string_view<Char> text, std::size_t at,
                                 const char (&prefix)[N]) {
  if (text.size() - at < N - 1) return false;
  bool same = true;
  for (std::size_t i = 0; i < N - 1; ++i) same &= text[at + i] == static_cast<Char>(prefix[i]);
  return same;
}

template <typename Char>
bool StartsWith(std::basic_string_view<Char> text, std::size_t at, std::string_view prefix) {
  if (text.size() - at < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (text[at + i] != static_cast<Char>(prefix[i])) return false;
  return true;
}

template <typename Char>
void AppendAscii(std::basic_string<Char>& out, std::string_view ascii) {
  out.append(ascii.begin(), ascii.end());
}

// The four characters a search looks for, one byte each: ASCII, which a
// UTF-16 unit and a byte compare with alike.
template <char A, char B, char C, char D>
requires((static_cast<unsigned char>(A) | static_cast<unsigned char>(B) |
          static_cast<unsigned char>(C) | static_cast<unsigned char>(D)) <
         0x80) constexpr std::uint32_t kNeedles =
    static_cast<std::uint8_t>(A) | static_cast<std::uint32_t>(static_cast<std::uint8_t>(B)) << 8 |
    static_cast<std::uint32_t>(static_cast<std::uint8_t>(C)) << 16 |
    static_cast<std::uint32_t>(static_cast<std::uint8_t>(D)) << 24;

// Where the scan may have to act among the 64 characters from p + at, one
// bit each (none past the end of the text, at `n`): "<", "&", CR and LF in
// `stops`, ">" in `ends`. With kSpaces, `spaces` marks the spaces that
// collapsing text must look at: tabs and form feeds, and every space but
// one that stands alone between characters of text (neither a space, tab,
// line break, "<" nor "&" after it; neither a space, tab, line break, ">"
// nor ";" before it). A space first or last among the 64 is always marked.
struct StopBits {
  std::uint64_t stops;
  std::uint64_t ends;
  std::uint64_t spaces;
};

// The characters of each kind among 64, one bit each.
struct CharacterBits {
  std::uint64_t markup;  // "<" and "&"
  std::uint64_t breaks;  // CR and LF
  std::uint64_t ends;    // ">"
  std::uint64_t space;
  std::uint64_t tab;  // tabs and form feeds
  std::uint64_t semicolons;
};

// The marks from the characters' bits; `last` is the bit of the last
// character there is.
template <bool kSpaces>
QUILLMERE_INLINE StopBits MarkStops(const CharacterBits& c, std::uint64_t last) {
  StopBits bits{c.markup | c.breaks, c.ends, 0};
  if constexpr (kSpaces) {
    const std::uint64_t white = c.space | c.tab | c.breaks;
    const std::uint64_t before_special = (white | c.markup) >> 1 | last;
    const std::uint64_t after_special = (white | c.ends | c.semicolons) << 1 | 1;
    bits.spaces = c.tab | (c.space & (before_special | after_special));
  }
  return bits;
}

// The portable form of the marks, for up to 64 characters: the reference
// the vector kernels are held to, and the end of every text.
template <bool kSpaces, typename Char>
StopBits ScalarStops(const Char* p, std::size_t count) {
  CharacterBits c{};
  for (std::size_t k = 0; k < count; ++k) {
    const auto u = static_cast<std::make_unsigned_t<Char>>(p[k]);
    const std::uint64_t bit = std::uint64_t(1) << k;
    if (u == '<' || u == '&') c.markup |= bit;
    if (u == '\r' || u == '\n') c.breaks |= bit;
    if (u == '>') c.ends |= bit;
    if constexpr (kSpaces) {
      if (u == ' ') c.space |= bit;
      if (u == '\t' || u == '\f') c.tab |= bit;
      if (u == ';') c.semicolons |= bit;
    }
  }
  return count == 0 ? StopBits{0, 0, 0} : MarkStops<kSpaces>(c, std::uint64_t(1) << (count - 1));
}

// The portable search: the first of the four characters in `needles` among
// the n characters from p, or n.
template <typename Char>
std::size_t ScalarFind(const Char* p, std::size_t n, std::uint32_t needles) {
  for (std::size_t i = 0; i < n; ++i) {
    const auto u = static_cast<std::make_unsigned_t<Char>>(p[i]);
    if (u < 0x100 && (u == (needles & 0xFF) || u == (needles >> 8 & 0xFF) ||
                      u == (needles >> 16 & 0xFF) || u == needles >> 24))
      return i;
  }
  return n;
}

#if defined(__SSE2__) || defined(_M_X64)
// Which of the sixteen bytes (eight UTF-16 units) from p are one of the
// four characters in `needles`: the bits of the compare, two a unit.
template <typename Char>
QUILLMERE_INLINE unsigned Sse2Hits(const Char* p, std::uint32_t needles) {
  auto equal = [v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), needles](int k) {
    const char c = static_cast<char>(needles >> (8 * k));
    return sizeof(Char) == 1 ? _mm_cmpeq_epi8(v, _mm_set1_epi8(c))
                             : _mm_cmpeq_epi16(v, _mm_set1_epi16(static_cast<short>(c)));
  };
  return static_cast<unsigned>(_mm_movemask_epi8(
      _mm_or_si128(_mm_or_si128(equal(0), equal(1)), _mm_or_si128(equal(2), equal(3)))));
}
#endif

// The kernels of each vector unit: the marks of a block of 64 characters,
// and the search over a long run.
struct ScanKernels {
  StopBits (*stops_bytes[2])(const char* p);  // [kSpaces]
  StopBits (*stops_units[2])(const char16_t* p);
  std::size_t (*find_bytes)(const char* p, std::size_t n, std::uint32_t needles);
  std::size_t (*find_units)(const char16_t* p, std::size_t n, std::uint32_t needles);
};
extern const ScanKernels* const kScanKernels[platform::kVectorUnits];

QUILLMERE_INLINE const ScanKernels& ActiveKernels() {
  return *kScanKernels[static_cast<int>(platform::ActiveVectorUnit())];
}

template <bool kSpaces, typename Char>
QUILLMERE_INLINE StopBits FindStops(const Char* p, std::size_t at, std::size_t n) {
  if (n - at >= 64) {
    const ScanKernels& kernels = ActiveKernels();
    if constexpr (sizeof(Char) == 1)
      return kernels.stops_bytes[kSpaces](reinterpret_cast<const char*>(p + at));
    else
      return kernels.stops_units[kSpaces](p + at);
  }
  return ScalarStops<kSpaces>(p + at, n - at);
}

// The first of the characters A to D at or after `from`, or the text's size.
// The distances searched are mostly short: the first sixteen bytes are
// looked at here, the rest by the vector unit's kernel.
template <char A, char B, char C, char D, typename Char>
QUILLMERE_INLINE std::size_t FindAny(std::basic_string_view<Char> text, std::size_t from) {
  const Char* p = text.data();
  const std::size_t n = text.size();
  std::size_t i = from;
  if (i >= n) return n;
#if defined(__SSE2__) || defined(_M_X64)
  constexpr std::size_t kStep = 16 / sizeof(Char);
  if (i + kStep <= n && platform::ActiveVectorUnit() != platform::VectorUnit::kScalar) {
    if (const unsigned mask = Sse2Hits(p + i, kNeedles<A, B, C, D>))
      return i + static_cast<unsigned>(std::countr_zero(mask)) / sizeof(Char);
    i += kStep;
    const ScanKernels& kernels = ActiveKernels();
    if constexpr (sizeof(Char) == 1)
      return i +
             kernels.find_bytes(reinterpret_cast<const char*>(p + i), n - i, kNeedles<A, B, C, D>);
    else
      return i + kernels.find_units(p + i, n - i, kNeedles<A, B, C, D>);
  }
#endif
  return i + ScalarFind(p + i, n - i, kNeedles<A, B, C, D>);
}

// The first C at or after `from`, or npos.
template <char C, typename Char>
QUILLMERE_INLINE std::size_t Find(std::basic_string_view<Char> text, std::size_t from) {
  const std::size_t at = FindAny<C, C, C, C>(text, from);
  return at == text.size() ? text.npos : at;
}

// The first character post-processing acts on ("&", CR, LF) at or after
// `from`, or the text's size. A "<" here, in text already scanned (from a
// tag the options keep), stays text.
template <typename Char>
QUILLMERE_INLINE std::size_t FindStop(std::basic_string_view<Char> text, std::size_t from) {
  return FindAny<'&', '&', '\r', '\n'>(text, from);
}

template <typename Char>
constexpr Char kCrLf[] = {'\r', '\n'};
template <typename Char>
constexpr Char kCrLfCrLf[] = {'\r', '\n', '\r', '\n'};

// Counts the line break `c`, a CR or an LF: CR LF, a lone CR and a lone LF
// each count as one. `cr_pending` tells whether the last one counted was a
// CR, which an LF would join.
template <typename Char>
QUILLMERE_INLINE void CountBreak(Char c, std::size_t& breaks, bool& cr_pending) {
  if (c == '\n' && cr_pending) {
    cr_pending = false;
  } else {
    ++breaks;
    cr_pending = c == '\r';
  }
}

}  // namespace engine::scan
