// The scans' kernels: the portable ones and SSE2's (every x86-64); AVX2's are
// in scan_avx2.cpp, compiled for that unit alone.
#include "text/scan.h"
#include "text/scan_avx2.h"

namespace engine::scan {
namespace {

template <bool kSpaces, typename Char>
StopBits ScalarBlock(const Char* p) {
  return ScalarStops<kSpaces>(p, 64);
}

#if defined(__SSE2__) || defined(_M_X64)
std::uint64_t Mask(__m128i hits) {
  return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(hits)));
}

__m128i Equal(__m128i v, char c) {
  return _mm_cmpeq_epi8(v, _mm_set1_epi8(c));
}

// Sixteen characters at a time as bytes: UTF-16 units are narrowed first,
// those above 0xFF to 0xFF or 0, which none of the characters looked for is.
template <bool kSpaces, typename Char>
StopBits Sse2Block(const Char* p) {
  CharacterBits c{};
  for (std::size_t k = 0; k < 64; k += 16) {
    const auto* at = reinterpret_cast<const __m128i*>(p + k);
    const __m128i v = sizeof(Char) == 1
                          ? _mm_loadu_si128(at)
                          : _mm_packus_epi16(_mm_loadu_si128(at), _mm_loadu_si128(at + 1));
    c.markup |= Mask(_mm_or_si128(Equal(v, '<'), Equal(v, '&'))) << k;
    c.breaks |= Mask(_mm_or_si128(Equal(v, '\r'), Equal(v, '\n'))) << k;
    c.ends |= Mask(Equal(v, '>')) << k;
    if constexpr (kSpaces) {
      c.space |= Mask(Equal(v, ' ')) << k;
      c.tab |= Mask(_mm_or_si128(Equal(v, '\t'), Equal(v, '\f'))) << k;
      c.semicolons |= Mask(Equal(v, ';')) << k;
    }
  }
  return MarkStops<kSpaces>(c, std::uint64_t(1) << 63);
}

template <typename Char>
std::size_t Sse2Find(const Char* p, std::size_t n, std::uint32_t needles) {
  constexpr std::size_t kStep = 16 / sizeof(Char);
  std::size_t i = 0;
  for (; i + kStep <= n; i += kStep)
    if (const unsigned mask = Sse2Hits(p + i, needles))
      return i + static_cast<unsigned>(std::countr_zero(mask)) / sizeof(Char);
  return i + ScalarFind(p + i, n - i, needles);
}
#endif

constexpr ScanKernels kScalar{{&ScalarBlock<false, char>, &ScalarBlock<true, char>},
                              {&ScalarBlock<false, char16_t>, &ScalarBlock<true, char16_t>},
                              &ScalarFind<char>,
                              &ScalarFind<char16_t>};
#if defined(__SSE2__) || defined(_M_X64)
constexpr ScanKernels kSse2{{&Sse2Block<false, char>, &Sse2Block<true, char>},
                            {&Sse2Block<false, char16_t>, &Sse2Block<true, char16_t>},
                            &Sse2Find<char>,
                            &Sse2Find<char16_t>};
#else
constexpr ScanKernels kSse2 = kScalar;
#endif

}  // namespace

// Addresses only, so that the table is set before any code runs.
const ScanKernels* const kScanKernels[platform::kVectorUnits] = {&kScalar, &kSse2,
#ifdef QUILLMERE_HAS_AVX2_KERNELS
                                                                 &kAvx2ScanKernels
#else
                                                                 &kSse2
#endif
};

}  // namespace engine::scan
