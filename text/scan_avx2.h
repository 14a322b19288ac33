// The scans' AVX2 kernels, for processors that have the unit. Each is a leaf
// that takes and returns no vector, so that no 32-byte vector is ever kept
// on a stack (Win64 aligns it to 16 bytes only).
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) || defined(_M_X64)
#define QUILLMERE_HAS_AVX2_KERNELS 1
#endif

namespace engine::scan {

struct ScanKernels;

#ifdef QUILLMERE_HAS_AVX2_KERNELS
extern const ScanKernels kAvx2ScanKernels;
#endif

}  // namespace engine::scan
