// How the process's memory allocator treats what is freed.
#pragma once

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace platform {

// Keeps freed blocks of up to some MiB for the next allocation instead of
// giving them back to the system, for work that frees a few MiB of buffers
// and takes them again at once, file after file (otherwise each file faults
// its buffers in afresh: twenty times the page faults of one long file).
// Does nothing where the allocator is not glibc's.
inline void KeepFreedMemory() {
#ifdef __GLIBC__
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

}  // namespace platform
