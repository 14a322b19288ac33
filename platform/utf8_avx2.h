// UTF-8 checked 32 bytes at a time, for processors with AVX2: the method of
// Keiser and Lemire ("Validating UTF-8 in less than one instruction per
// byte", 2021), which finds every error from each byte and the three before
// it by three table lookups and a test of where a character's third and
// fourth bytes must stand. Used only inside platform/.
#pragma once

#include <cstddef>

#include "platform/vector_unit.h"

namespace platform::detail {

#ifdef QUILLMERE_HAS_AVX2_KERNELS
// How many bytes from p (of n) are whole characters of valid UTF-8, found
// block by block up to the first block with an error, or the last whole
// block: a character's start, from where the rest is to be checked one
// character at a time. Only where the processor runs AVX2.
std::size_t Utf8CheckedAvx2(const unsigned char* p, std::size_t n);
#endif

}  // namespace platform::detail
