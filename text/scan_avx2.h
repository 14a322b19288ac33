// The scans' AVX2 kernels, for processors that have the unit. Each takes and
// returns no vector and keeps its vectors in registers, so that no 32-byte
// vector is ever kept on a stack (Win64 aligns it to 16 bytes only); an
// unoptimized mingw-w64 build would keep them there, and goes without.
#pragma once

#include <cstddef>
#include <cstdint>

#if (defined(__x86_64__) || defined(_M_X64)) && \
    !(defined(_WIN32) && defined(__GNUC__) && !defined(__OPTIMIZE__))
#define QUILLMERE_HAS_AVX2_KERNELS 1
#endif

namespace engine::scan {

struct ScanKernels;

#ifdef QUILLMERE_HAS_AVX2_KERNELS
extern const ScanKernels kAvx2ScanKernels;
#endif

}  // namespace engine::scan
