#include "platform/utf8_avx2.h"

#ifdef QUILLMERE_HAS_AVX2_KERNELS
#include <immintrin.h>

#include <cstdint>

namespace platform::detail {
namespace {

// What a byte and the one before it can be, as bits: an error where a bit
// is set in the entries of all three lookups.
constexpr std::uint8_t kTooShort = 1 << 0;      // a lead, then no continuation
constexpr std::uint8_t kTooLong = 1 << 1;       // ASCII, then a continuation
constexpr std::uint8_t kOverlong3 = 1 << 2;     // E0, then 80..9F
constexpr std::uint8_t kTooLarge = 1 << 3;      // F4 then 90.., or F5..
constexpr std::uint8_t kSurrogate = 1 << 4;     // ED, then A0..BF
constexpr std::uint8_t kOverlong2 = 1 << 5;     // C0 or C1
constexpr std::uint8_t kTooLarge1000 = 1 << 6;  // F5.. then 80..8F
constexpr std::uint8_t kOverlong4 = 1 << 6;     // F0, then 80..8F
constexpr std::uint8_t kTwoContinuations = 1 << 7;
constexpr std::uint8_t kCarry = kTooShort | kTooLong | kTwoContinuations;

// The 16 entries, twice: a lookup works within each half of the vector.
QUILLMERE_AVX2_INLINE __m256i Table(const std::uint8_t (&t)[16]) {
  const __m128i half = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
  return _mm256_broadcastsi128_si256(half);
}

}  // namespace

QUILLMERE_AVX2 std::size_t Utf8CheckedAvx2(const unsigned char* p, std::size_t n) {
  // By the byte before: its high nibble, its low nibble; by the byte: its
  // high nibble.
  static constexpr std::uint8_t kFirstHigh[16] = {
      kTooLong,
      kTooLong,
      kTooLong,
      kTooLong,
      kTooLong,
      kTooLong,
      kTooLong,
      kTooLong,
      kTwoContinuations,
      kTwoContinuations,
      kTwoContinuations,
      kTwoContinuations,
      kTooShort | kOverlong2,
      kTooShort,
      kTooShort | kOverlong3 | kSurrogate,
      kTooShort | kTooLarge | kTooLarge1000 | kOverlong4};
  static constexpr std::uint8_t kFirstLow[16] = {kCarry | kOverlong3 | kOverlong2 | kOverlong4,
                                                 kCarry | kOverlong2,
                                                 kCarry,
                                                 kCarry,
                                                 kCarry | kTooLarge,
                                                 kCarry | kTooLarge | kTooLarge1000,
                                                 kCarry | kTooLarge | kTooLarge1000,
                                                 kCarry | kTooLarge | kTooLarge1000,
                                                 kCarry | kTooLarge | kTooLarge1000,
                                                 kCarry | kTooLarge | kTooLarge1000,
                                                 kCarry | kTooLarge | kTooLarge1000,
                                                 kCarry | kTooLarge | kTooLarge1000,
                                                 kCarry | kTooLarge | kTooLarge1000,
                                                 kCarry | kTooLarge | kTooLarge1000 | kSurrogate,
                                                 kCarry | kTooLarge | kTooLarge1000,
                                                 kCarry | kTooLarge | kTooLarge1000};
  static constexpr std::uint8_t kSecondHigh[16] = {
      kTooShort,
      kTooShort,
      kTooShort,
      kTooShort,
      kTooShort,
      kTooShort,
      kTooShort,
      kTooShort,
      kTooLong | kOverlong2 | kTwoContinuations | kOverlong3 | kTooLarge1000 | kOverlong4,
      kTooLong | kOverlong2 | kTwoContinuations | kOverlong3 | kTooLarge,
      kTooLong | kOverlong2 | kTwoContinuations | kSurrogate | kTooLarge,
      kTooLong | kOverlong2 | kTwoContinuations | kSurrogate | kTooLarge,
      kTooShort,
      kTooShort,
      kTooShort,
      kTooShort};
  const __m256i first_high = Table(kFirstHigh);
  const __m256i first_low = Table(kFirstLow);
  const __m256i second_high = Table(kSecondHigh);
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  const __m256i third = _mm256_set1_epi8(static_cast<char>(0xE0 - 0x80));
  const __m256i fourth = _mm256_set1_epi8(static_cast<char>(0xF0 - 0x80));
  const __m256i high_bit = _mm256_set1_epi8(static_cast<char>(0x80));
  __m256i before = _mm256_setzero_si256();  // the block before (none: ASCII)
  std::size_t good = 0;                     // every block before is free of errors
  for (; good + 32 <= n; good += 32) {
    const __m256i in = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + good));
    // The bytes one, two and three before each.
    const __m256i joined = _mm256_permute2x128_si256(before, in, 0x21);
    const __m256i prev1 = _mm256_alignr_epi8(in, joined, 15);
    const __m256i prev2 = _mm256_alignr_epi8(in, joined, 14);
    const __m256i prev3 = _mm256_alignr_epi8(in, joined, 13);
    const __m256i special = _mm256_and_si256(
        _mm256_and_si256(
            _mm256_shuffle_epi8(first_high, _mm256_and_si256(_mm256_srli_epi16(prev1, 4), nibble)),
            _mm256_shuffle_epi8(first_low, _mm256_and_si256(prev1, nibble))),
        _mm256_shuffle_epi8(second_high, _mm256_and_si256(_mm256_srli_epi16(in, 4), nibble)));
    // A third or fourth byte must be a continuation, which the two
    // continuations' bit then stands for.
    const __m256i must = _mm256_and_si256(
        _mm256_or_si256(_mm256_subs_epu8(prev2, third), _mm256_subs_epu8(prev3, fourth)), high_bit);
    const __m256i error = _mm256_xor_si256(must, special);
    if (!_mm256_testz_si256(error, error)) break;
    before = in;
  }
  // A character the last block's end cuts is checked after: back to its
  // lead byte, among the three before.
  std::size_t start = good;
  for (std::size_t k = 1; k <= 3 && k <= good; ++k) {
    if (p[good - k] >= 0xC0) {
      start = good - k;
      break;
    }
  }
  return start;
}

}  // namespace platform::detail

#endif
