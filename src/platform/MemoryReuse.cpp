#include "platform/MemoryReuse.h"

#if defined(__GLIBC__)
#include <malloc.h>
#include <cstdlib>
#endif

void KeepFreedMemoryForReuse()
{
#if defined(__GLIBC__)
    if (getenv("AB_OFF")) return;
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
#endif
}
