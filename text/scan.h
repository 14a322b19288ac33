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

// The first of the characters A to D at or after `from`, or the text's size.
// Sixteen bytes or eight UTF-16 units at a time where SSE2 is at hand (every
// x86-64): the distances searched are mostly short.
template <char A, char B, char C, char D, typename Char>
QUILLMERE_INLINE std::size_t FindAny(std::basic_string_view<Char> text, std::size_t from) {
  const Char* p = text.data();
  const std::size_t n = text.size();
  std::size_t i = from;
#if defined(__SSE2__) || defined(_M_X64)
  auto splat = [](char c) {
    return sizeof(Char) == 1 ? _mm_set1_epi8(c) : _mm_set1_epi16(static_cast<short>(c));
  };
  auto equal = [](__m128i a, __m128i b) {
    return sizeof(Char) == 1 ? _mm_cmpeq_epi8(a, b) : _mm_cmpeq_epi16(a, b);
  };
  const __m128i c0 = splat(A), c1 = splat(B), c2 = splat(C), c3 = splat(D);
  constexpr std::size_t kStep = 16 / sizeof(Char);
  for (; i + kStep <= n; i += kStep) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i hit = _mm_or_si128(_mm_or_si128(equal(v, c0), equal(v, c1)),
                                     _mm_or_si128(equal(v, c2), equal(v, c3)));
    if (const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit)))
      return i + static_cast<unsigned>(std::countr_zero(mask)) / sizeof(Char);
  }
#endif
  if constexpr (A < 64 && B < 64 && C < 64 && D < 64) {
    constexpr std::uint64_t mask = 1ull << A | 1ull << B | 1ull << C | 1ull << D;
    for (; i < n; ++i) {
      const auto u = static_cast<std::make_unsigned_t<Char>>(p[i]);
      if (u < 64 && (mask >> u & 1) != 0) return i;
    }
  } else {
    for (; i < n; ++i) {
      const Char c = p[i];
      if ((c == A) | (c == B) | (c == C) | (c == D)) return i;
    }
  }
  return n;
}

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

template <bool kSpaces>
QUILLMERE_INLINE void MarkSpaces(StopBits& bits, std::uint64_t space, std::uint64_t tab,
                                 std::uint64_t breaks, std::uint64_t lt_amp,
                                 std::uint64_t semicolons, std::uint64_t last) {
  if constexpr (kSpaces) {
    const std::uint64_t white = space | tab | breaks;
    const std::uint64_t before_special = (white | lt_amp) >> 1 | last;
    const std::uint64_t after_special = (white | bits.ends | semicolons) << 1 | 1;
    bits.spaces = tab | (space & (before_special | after_special));
  }
}

template <bool kSpaces, typename Char>
QUILLMERE_INLINE StopBits FindStops(const Char* p, std::size_t at, std::size_t n) {
  StopBits bits{0, 0, 0};
#if defined(__SSE2__) || defined(_M_X64)
  if (n - at >= 64) {
    auto equal = [](__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
    auto mask = [](__m128i hits) {
      return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(hits)));
    };
    std::uint64_t space = 0, tab = 0, breaks = 0, lt_amp = 0, semicolons = 0;
    for (std::size_t k = 0; k < 64; k += 16) {
      // Sixteen characters as bytes: UTF-16 units are narrowed first, those
      // above 0xFF to 0xFF or 0, which none of the characters looked for is.
      const auto* at_k = reinterpret_cast<const __m128i*>(p + at + k);
      const __m128i v = sizeof(Char) == 1
                            ? _mm_loadu_si128(at_k)
                            : _mm_packus_epi16(_mm_loadu_si128(at_k), _mm_loadu_si128(at_k + 1));
      const __m128i markup = _mm_or_si128(equal(v, '<'), equal(v, '&'));
      const __m128i line_ends = _mm_or_si128(equal(v, '\r'), equal(v, '\n'));
      bits.stops |= mask(_mm_or_si128(markup, line_ends)) << k;
      bits.ends |= mask(equal(v, '>')) << k;
      if constexpr (kSpaces) {
        space |= mask(equal(v, ' ')) << k;
        tab |= mask(_mm_or_si128(equal(v, '\t'), equal(v, '\f'))) << k;
        breaks |= mask(line_ends) << k;
        lt_amp |= mask(markup) << k;
        semicolons |= mask(equal(v, ';')) << k;
      }
    }
    MarkSpaces<kSpaces>(bits, space, tab, breaks, lt_amp, semicolons, std::uint64_t(1) << 63);
    return bits;
  }
#endif
  constexpr std::uint64_t kStops = 1ull << '<' | 1ull << '&' | 1ull << '\r' | 1ull << '\n';
  const std::size_t count = std::min<std::size_t>(n - at, 64);
  std::uint64_t space = 0, tab = 0, breaks = 0, lt_amp = 0, semicolons = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const auto u = static_cast<std::make_unsigned_t<Char>>(p[at + k]);
    const std::uint64_t bit = std::uint64_t(1) << k;
    if (u < 64 && (kStops >> u & 1) != 0) bits.stops |= bit;
    if (u == '>') bits.ends |= bit;
    if constexpr (kSpaces) {
      if (u == ' ') space |= bit;
      if (u == '\t' || u == '\f') tab |= bit;
      if (u == '\r' || u == '\n') breaks |= bit;
      if (u == '<' || u == '&') lt_amp |= bit;
      if (u == ';') semicolons |= bit;
    }
  }
  if (count > 0)
    MarkSpaces<kSpaces>(bits, space, tab, breaks, lt_amp, semicolons,
                        std::uint64_t(1) << (count - 1));
  return bits;
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
