// The AVX2 kernels. Only these functions are compiled for the unit (the rest
// of the program runs on any x86-64), and they are called only where the
// processor has it.
#include "text/scan_avx2.h"

#include "text/scan.h"

#ifdef QUILLMERE_HAS_AVX2_KERNELS
#include <immintrin.h>

namespace engine::scan {
namespace {

// 32 characters from p as bytes: UTF-16 units narrowed (those above 0xFF to
// 0xFF or 0, which no character looked for is), in their order.
template <typename Char>
QUILLMERE_AVX2_INLINE __m256i Load32(const Char* p) {
  const auto* at = reinterpret_cast<const __m256i*>(p);
  if constexpr (sizeof(Char) == 1) {
    return _mm256_loadu_si256(at);
  } else {
    // packus works within each 128-bit half: put the quarters back in order.
    const __m256i packed = _mm256_packus_epi16(_mm256_loadu_si256(at), _mm256_loadu_si256(at + 1));
    return _mm256_permute4x64_epi64(packed, 0xD8);
  }
}

QUILLMERE_AVX2_INLINE std::uint64_t Bits(__m256i v, char c) {
  return static_cast<std::uint32_t>(
      _mm256_movemask_epi8(_mm256_cmpeq_epi8(v, _mm256_set1_epi8(c))));
}

template <bool kSpaces, typename Char>
QUILLMERE_AVX2 StopBits Avx2Stops(const Char* p) {
  CharacterBits c{};
  for (std::size_t k = 0; k < 64; k += 32) {
    const __m256i v = Load32(p + k);
    c.markup |= (Bits(v, '<') | Bits(v, '&')) << k;
    c.breaks |= (Bits(v, '\r') | Bits(v, '\n')) << k;
    c.ends |= Bits(v, '>') << k;
    if constexpr (kSpaces) {
      c.space |= Bits(v, ' ') << k;
      c.tab |= (Bits(v, '\t') | Bits(v, '\f')) << k;
      c.semicolons |= Bits(v, ';') << k;
    }
  }
  return MarkStops<kSpaces>(c, std::uint64_t(1) << 63);
}

template <typename Char>
QUILLMERE_AVX2 std::size_t Avx2Find(const Char* p, std::size_t n, std::uint32_t needles) {
  constexpr std::size_t kStep = 32 / sizeof(Char);
  const auto splat = [needles](int k) { return static_cast<char>(needles >> (8 * k)); };
  const char n0 = splat(0), n1 = splat(1), n2 = splat(2), n3 = splat(3);
  const __m256i c0 = sizeof(Char) == 1 ? _mm256_set1_epi8(n0) : _mm256_set1_epi16(n0);
  const __m256i c1 = sizeof(Char) == 1 ? _mm256_set1_epi8(n1) : _mm256_set1_epi16(n1);
  const __m256i c2 = sizeof(Char) == 1 ? _mm256_set1_epi8(n2) : _mm256_set1_epi16(n2);
  const __m256i c3 = sizeof(Char) == 1 ? _mm256_set1_epi8(n3) : _mm256_set1_epi16(n3);
  std::size_t i = 0;
  for (; i + kStep <= n; i += kStep) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
    __m256i hit;
    if constexpr (sizeof(Char) == 1)
      hit = _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(v, c0), _mm256_cmpeq_epi8(v, c1)),
                            _mm256_or_si256(_mm256_cmpeq_epi8(v, c2), _mm256_cmpeq_epi8(v, c3)));
    else
      hit = _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi16(v, c0), _mm256_cmpeq_epi16(v, c1)),
                            _mm256_or_si256(_mm256_cmpeq_epi16(v, c2), _mm256_cmpeq_epi16(v, c3)));
    if (const auto mask = static_cast<std::uint32_t>(_mm256_movemask_epi8(hit)))
      return i + static_cast<unsigned>(std::countr_zero(mask)) / sizeof(Char);
  }
  return i + ScalarFind(p + i, n - i, needles);
}

}  // namespace

const ScanKernels kAvx2ScanKernels{{&Avx2Stops<false, char>, &Avx2Stops<true, char>},
                                   {&Avx2Stops<false, char16_t>, &Avx2Stops<true, char16_t>},
                                   &Avx2Find<char>,
                                   &Avx2Find<char16_t>};

}  // namespace engine::scan
#endif
