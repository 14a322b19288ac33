// The processor's vector instructions the scans and codecs use: found once at
// start (CPUID, and whether the system saves the 256-bit registers), or as
// the environment variable QUILLMERE_SCAN asks ("scalar", "sse2", "avx2";
// what the processor cannot run is not taken). Every kernel has a portable
// scalar form, the reference the others are held to; tests switch between
// them.
#pragma once

#include <cstdint>

namespace platform {

enum class VectorUnit : std::uint8_t { kScalar, kSse2, kAvx2 };
constexpr int kVectorUnits = 3;

// The widest unit this processor and system run.
VectorUnit ProcessorVectorUnit();

namespace detail {
// Scalar until the start has chosen, so that a scan run before then (from
// another static object's constructor) is still right, only slower.
extern VectorUnit active_vector_unit;
}  // namespace detail

// The unit the kernels use now: index into their tables.
inline VectorUnit ActiveVectorUnit() {
  return detail::active_vector_unit;
}

// Makes `unit`, or the widest below it the processor runs, the unit in use,
// and returns it. For tests and start-up only: no scan may be running.
VectorUnit UseVectorUnit(VectorUnit unit);

}  // namespace platform
