// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

// Full-size pictures of the viewer's camera (or the part of them the viewer shows) are made
// once a second and dropped a second later, on different threads; so is the 24-bit bitmap
// that each autosave encodes from. Made from the allocator each time, every one of them is
// faulted in page by page (about 2000 pages for 1920 x 1080), which costs as much as the
// decode itself on a virtual machine. This keeps the memory of a few dropped pictures and
// hands it to the next picture of the same byte size; memory of a size no longer asked for
// is freed at once.
namespace ImageBufferPool {

// A Format_RGB32 image of `size` on kept memory when there is some of that byte size, on
// new memory otherwise; small images come straight from QImage. Null when memory runs out.
// Thread-safe; the memory goes back to the pool when the last copy of the image is gone.
QImage rgb32(QSize size);

// Buffers kept at most, and pictures smaller than this take no part.
constexpr int KeptBuffers = 2;
constexpr qsizetype MinimumBytes = 1024 * 1024;

// Image buffers kept now, and freeing all kept memory (images and bitmaps).
int keptCount();
void release();

// Pixel memory for a BottomUpBitmap of `bytes` (not zeroed): the kept block when one of that
// size is there, new memory otherwise; nullptr when memory runs out. One block of at least
// MinimumBytes is kept once given back. Thread-safe.
uchar *takeBitmapMemory(qsizetype bytes);
// Gives back memory from takeBitmapMemory(); nullptr is ignored.
void giveBackBitmapMemory(uchar *bits);

} // namespace ImageBufferPool
