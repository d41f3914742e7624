// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MemoryReuse.h"

// <malloc.h> also brings in the C library's feature macros, which the test below needs:
// without a C library header first, __GLIBC__ is not defined yet.
#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

void keepFreedMemoryForReuse()
{
#if defined(__GLIBC__) && defined(M_MMAP_THRESHOLD) && defined(M_TRIM_THRESHOLD) && defined(M_ARENA_MAX)
    mallopt(M_MMAP_THRESHOLD, MappedBlockBytes);
    mallopt(M_TRIM_THRESHOLD, KeptFreeHeapBytes);
    mallopt(M_ARENA_MAX, HeapArenas);
#endif
}
