// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The window thread and the picture workers free and allocate blocks every second: response
// buffers and encoded pictures of a few hundred KB, and full-size pixel memory of several MB
// (the viewer's picture, the bitmap each autosave encodes from). The pixel memory that
// recurs is kept by ImageBufferPool, which bounds it; everything else is left to the C
// library, set up here so that resident memory follows what is in use:
// - blocks from MappedBlockBytes up are mapped apart and given back to the system when freed,
//   instead of staying as free space in the heap of the thread that freed them;
// - smaller blocks come from the heap, which keeps up to KeptFreeHeapBytes free at its top
//   for reuse (the response buffers of 24 cameras) before returning any;
// - the threads share HeapArenas heaps instead of one per thread and core, each holding free
//   space of its own.
// Does nothing where the C library has no such settings.
void keepFreedMemoryForReuse();

constexpr int MappedBlockBytes = 1024 * 1024;
constexpr int KeptFreeHeapBytes = 16 * 1024 * 1024;
constexpr int HeapArenas = 2;
