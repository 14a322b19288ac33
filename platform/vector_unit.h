// The processor's vector instructions the scans and codecs use: found once at
// start (CPUID, and whether the system saves the 256-bit registers), or as
// the environment variable QUILLMERE_SCAN asks ("scalar", "sse2", "avx2";
// what the processor cannot run is not taken). Every kernel has a portable
// scalar form, the reference the others are held to; tests switch between
// them.
#pragma once

#include <cstdint>

// Whether this build has kernels for AVX2: on x86-64, but for an
// unoptimized mingw-w64 build, which would keep 32-byte vectors on a stack
// that Win64 aligns to 16 bytes only. (The kernels take and return no
// vector and keep theirs in registers.)
#if (defined(__x86_64__) || defined(_M_X64)) && \
    !(defined(_WIN32) && defined(__GNUC__) && !defined(__OPTIMIZE__))
#define QUILLMERE_HAS_AVX2_KERNELS 1
#endif

// A kernel function compiled for AVX2 (only these are: the rest of the
// program runs on any x86-64), and a helper inlined into one.
#if defined(QUILLMERE_HAS_AVX2_KERNELS) && defined(__GNUC__)
#define QUILLMERE_AVX2 __attribute__((target("avx2")))
#define QUILLMERE_AVX2_INLINE inline __attribute__((target("avx2"), always_inline))
#elif defined(QUILLMERE_HAS_AVX2_KERNELS)
#define QUILLMERE_AVX2
#define QUILLMERE_AVX2_INLINE __forceinline
#endif

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
