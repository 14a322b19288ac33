// The decoders and encoders behind DecodePiece and EncodeAppend, one group
// per encoding; used only inside platform/.
#pragma once

#include <bit>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/vector_unit.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace platform {

// Each of these decodes the whole characters at the start of `bytes` (all
// of them with `last`) into `out`, which has room for one unit per byte and
// one more, sets `taken` to the bytes they took, and returns the end of what
// it wrote.
char16_t* DecodeUtf8To(std::string_view bytes, bool last, char16_t* out, std::size_t& taken);
char16_t* DecodeUtf16To(std::string_view bytes, bool big_endian, bool last, char16_t* out,
                        std::size_t& taken);
char16_t* DecodeEucJpTo(std::string_view bytes, bool last, char16_t* out, std::size_t& taken);
// From the state the bytes before left, which it updates.
char16_t* DecodeIso2022JpTo(std::string_view bytes, bool last, Iso2022JpState& state, char16_t* out,
                            std::size_t& taken);

// The JIS X 0208 character of a pair of bytes in 0xA1..0xFE (row and cell
// plus 0xA0, as EUC-JP writes them); U+FFFD where the pair is unassigned.
char16_t Jis0208Pair(unsigned lead, unsigned trail);

// These write `text` at `out`, which has room for three bytes per unit, and
// return the end of what they wrote.
char* EncodeUtf16To(std::u16string_view text, bool big_endian, char* out);

// How many bytes from p[i] (up to `n`) are ASCII, looked at sixteen at a
// time.
inline std::size_t AsciiRun(const unsigned char* p, std::size_t i, std::size_t n) {
  const std::size_t from = i;
#if defined(__SSE2__) || defined(_M_X64)
  const bool vector = ActiveVectorUnit() != VectorUnit::kScalar;
  for (; vector && i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    if (const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(v)))
      return i + static_cast<unsigned>(std::countr_zero(high)) - from;
  }
#endif
  while (i < n && p[i] < 0x80) ++i;
  return i - from;
}

// How many units from text[i] (up to `n`) are ASCII, eight at a time.
inline std::size_t AsciiUnits(const char16_t* text, std::size_t i, std::size_t n) {
  const std::size_t from = i;
#if defined(__SSE2__) || defined(_M_X64)
  const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
  const bool vector = ActiveVectorUnit() != VectorUnit::kScalar;
  for (; vector && i + 8 <= n; i += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
    const __m128i other = _mm_cmpeq_epi16(_mm_and_si128(v, high), _mm_setzero_si128());
    if (const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(other)) ^ 0xFFFFu)
      return i + static_cast<unsigned>(std::countr_zero(mask)) / 2 - from;
  }
#endif
  while (i < n && text[i] < 0x80) ++i;
  return i - from;
}

// Copies `count` ASCII bytes as units, and the other way round.
inline char16_t* WidenAscii(const unsigned char* p, std::size_t count, char16_t* o) {
  std::size_t k = 0;
#if defined(__SSE2__) || defined(_M_X64)
  for (; k + 16 <= count; k += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o + k), _mm_unpacklo_epi8(v, _mm_setzero_si128()));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o + k + 8),
                     _mm_unpackhi_epi8(v, _mm_setzero_si128()));
  }
#endif
  for (; k < count; ++k) o[k] = p[k];
  return o + count;
}

inline unsigned char* NarrowAscii(const char16_t* text, std::size_t count, unsigned char* o) {
  std::size_t k = 0;
#if defined(__SSE2__) || defined(_M_X64)
  for (; k + 16 <= count; k += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + k));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + k + 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o + k), _mm_packus_epi16(a, b));
  }
#endif
  for (; k < count; ++k) o[k] = static_cast<unsigned char>(text[k]);
  return o + count;
}

// One character of code page 932 from a lead byte and the byte after it;
// U+FFFD where the pair is unassigned.
char16_t Cp932Pair(unsigned char lead, unsigned char trail);

// The platform's halves: code page 932 and windows-1252 through the
// platform's own conversion on Windows, our tables elsewhere.
std::u16string DecodeShiftJis(std::string_view bytes);
std::string EncodeShiftJis(std::u16string_view text);
std::u16string DecodeWindows1252(std::string_view bytes);

}  // namespace platform
