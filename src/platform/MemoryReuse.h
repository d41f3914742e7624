// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The window thread and the viewer's decoder free and allocate picture-sized blocks every
// second (response buffers of a few hundred KB, full-size pictures of several MB). By default
// the C library returns such blocks to the system when they are freed, so each new one is
// mapped and zero-filled page by page again. This asks it to keep freed memory for reuse:
// blocks below 32 MB come from the heap, and up to 64 MB of free heap is kept before any is
// returned. Resident memory then stays at its working size instead of rising and falling.
// Does nothing where the C library has no such settings.
void keepFreedMemoryForReuse();
