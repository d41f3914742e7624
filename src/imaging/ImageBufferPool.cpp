// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/ImageBufferPool.h"

#include <cstdlib>
#include <mutex>
#include <vector>

namespace ImageBufferPool {

namespace {

// Each buffer starts with a header holding its byte size; the pixels follow at a 64-byte
// offset, so that rows stay aligned.
constexpr size_t HeaderBytes = 64;

struct Pool
{
    std::mutex mutex;
    std::vector<void *> kept; // blocks (headers first)
    size_t capacity = 0;
    size_t lastTaken = 0; // the byte size asked for last
};

// The pool of QImage memory; outlives every image, also those freed at exit.
Pool &imagePool()
{
    static Pool *instance = new Pool {{}, {}, size_t(KeptBuffers), 0};
    return *instance;
}

// The pool of bitmap memory: saves run one at a time, so one block serves them all.
Pool &bitmapPool()
{
    static Pool *instance = new Pool {{}, {}, 1, 0};
    return *instance;
}

size_t &sizeOf(void *block)
{
    return *static_cast<size_t *>(block);
}

void giveBackTo(Pool &p, void *block)
{
    {
        const std::lock_guard<std::mutex> lock(p.mutex);
        // A block of a size no longer asked for (the viewer went from whole pictures to
        // parts of them, say) would only wait for its release.
        if (p.kept.size() < p.capacity && sizeOf(block) == p.lastTaken) {
            p.kept.push_back(block);
            return;
        }
    }
    std::free(block);
}

void giveBack(void *block)
{
    giveBackTo(imagePool(), block);
}

void releaseAll(Pool &p)
{
    const std::lock_guard<std::mutex> lock(p.mutex);
    for (void *block : p.kept)
        std::free(block);
    p.kept.clear();
}

void *take(Pool &p, size_t bytes)
{
    {
        const std::lock_guard<std::mutex> lock(p.mutex);
        p.lastTaken = bytes;
        for (auto it = p.kept.begin(); it != p.kept.end(); ++it) {
            if (sizeOf(*it) == bytes) {
                void *block = *it;
                p.kept.erase(it);
                return block;
            }
        }
    }
    // Memory of another size is of no use to pictures of this one.
    releaseAll(p);
    void *block = std::malloc(HeaderBytes + bytes);
    if (block)
        sizeOf(block) = bytes;
    return block;
}

} // namespace

QImage rgb32(QSize size)
{
    if (size.isEmpty())
        return QImage();
    const qsizetype bytesPerLine = qsizetype(size.width()) * 4;
    const qsizetype bytes = bytesPerLine * size.height();
    if (bytes < MinimumBytes || bytes / bytesPerLine != size.height())
        return QImage(size, QImage::Format_RGB32);
    void *block = take(imagePool(), static_cast<size_t>(bytes));
    if (!block)
        return QImage();
    return QImage(static_cast<uchar *>(block) + HeaderBytes, size.width(), size.height(), bytesPerLine,
        QImage::Format_RGB32, giveBack, block);
}

int keptCount()
{
    Pool &p = imagePool();
    const std::lock_guard<std::mutex> lock(p.mutex);
    return static_cast<int>(p.kept.size());
}

void release()
{
    releaseAll(imagePool());
    releaseAll(bitmapPool());
}

uchar *takeBitmapMemory(qsizetype bytes)
{
    if (bytes <= 0)
        return nullptr;
    if (bytes < MinimumBytes) {
        void *block = std::malloc(HeaderBytes + size_t(bytes));
        if (block)
            sizeOf(block) = 0; // never kept
        return block ? static_cast<uchar *>(block) + HeaderBytes : nullptr;
    }
    void *block = take(bitmapPool(), static_cast<size_t>(bytes));
    return block ? static_cast<uchar *>(block) + HeaderBytes : nullptr;
}

void giveBackBitmapMemory(uchar *bits)
{
    if (!bits)
        return;
    void *block = bits - HeaderBytes;
    if (sizeOf(block) == 0)
        std::free(block);
    else
        giveBackTo(bitmapPool(), block);
}

} // namespace ImageBufferPool
