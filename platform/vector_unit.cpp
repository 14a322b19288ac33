#include "platform/vector_unit.h"

#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#if defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
#include <immintrin.h>
#include <intrin.h>
#define QUILLMERE_X86 1
#elif defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define QUILLMERE_X86 1
#endif

namespace platform {
namespace detail {
VectorUnit active_vector_unit = VectorUnit::kScalar;
}  // namespace detail

namespace {

#ifdef QUILLMERE_X86
void Cpuid(unsigned leaf, unsigned (&regs)[4]) {
#if defined(_MSC_VER)
  int r[4];
  __cpuidex(r, static_cast<int>(leaf), 0);
  for (int k = 0; k < 4; ++k) regs[k] = static_cast<unsigned>(r[k]);
#else
  regs[0] = regs[1] = regs[2] = regs[3] = 0;
  __get_cpuid_count(leaf, 0, &regs[0], &regs[1], &regs[2], &regs[3]);
#endif
}

// The registers the system saves on a thread switch (XCR0).
std::uint64_t SavedState() {
#if defined(_MSC_VER)
  return _xgetbv(0);
#else
  unsigned lo = 0, hi = 0;
  __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  return static_cast<std::uint64_t>(hi) << 32 | lo;
#endif
}
#endif

VectorUnit Probe() {
#ifdef QUILLMERE_X86
  unsigned basic[4], extended[4];
  Cpuid(0, basic);
  const unsigned highest = basic[0];
  Cpuid(1, basic);
  const bool sse2 = (basic[3] >> 26 & 1) != 0;
  if (!sse2) return VectorUnit::kScalar;
  const bool osxsave = (basic[2] >> 27 & 1) != 0, avx = (basic[2] >> 28 & 1) != 0;
  // AVX2 is usable only where the system saves the XMM and YMM state.
  if (highest >= 7 && osxsave && avx && (SavedState() & 6) == 6) {
    Cpuid(7, extended);
    if ((extended[1] >> 5 & 1) != 0) return VectorUnit::kAvx2;
  }
  return VectorUnit::kSse2;
#else
  return VectorUnit::kScalar;
#endif
}

// What QUILLMERE_SCAN asks for; empty when it is not set.
std::string Asked() {
#ifdef _WIN32
  char value[16];
  const DWORD n = GetEnvironmentVariableA("QUILLMERE_SCAN", value, sizeof value);
  return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
#else
  const char* value = std::getenv("QUILLMERE_SCAN");
  return value ? value : "";
#endif
}

// Any other value than the three names leaves the processor's choice.
VectorUnit Chosen() {
  VectorUnit unit = ProcessorVectorUnit();
  const std::string asked = Asked();
  if (asked == "scalar") unit = VectorUnit::kScalar;
  if (asked == "sse2") unit = VectorUnit::kSse2;
  if (asked == "avx2") unit = VectorUnit::kAvx2;
  return UseVectorUnit(unit);
}

[[maybe_unused]] const VectorUnit chosen_at_start = Chosen();

}  // namespace

VectorUnit ProcessorVectorUnit() {
  static const VectorUnit best = Probe();
  return best;
}

VectorUnit UseVectorUnit(VectorUnit unit) {
  if (unit > ProcessorVectorUnit()) unit = ProcessorVectorUnit();
  detail::active_vector_unit = unit;
  return unit;
}

}  // namespace platform
