// The scans' AVX2 kernels, for processors that have the unit. Each takes and
// returns no vector and keeps its vectors in registers, so that no 32-byte
// vector is ever kept on a stack (Win64 aligns it to 16 bytes only).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/vector_unit.h"

namespace engine::scan {

struct ScanKernels;

#ifdef QUILLMERE_HAS_AVX2_KERNELS
extern const ScanKernels kAvx2ScanKernels;
#endif

}  // namespace engine::scan
