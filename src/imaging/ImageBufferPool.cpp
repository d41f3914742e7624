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
};

Pool &pool()
{
    static Pool *instance = new Pool; // outlives every image, also those freed at exit
    return *instance;
}

size_t &sizeOf(void *block)
{
    return *static_cast<size_t *>(block);
}

void giveBack(void *block)
{
    Pool &p = pool();
    {
        const std::lock_guard<std::mutex> lock(p.mutex);
        if (p.kept.size() < size_t(KeptBuffers)) {
            p.kept.push_back(block);
            return;
        }
    }
    std::free(block);
}

void *take(size_t bytes)
{
    Pool &p = pool();
    {
        const std::lock_guard<std::mutex> lock(p.mutex);
        for (auto it = p.kept.begin(); it != p.kept.end(); ++it) {
            if (sizeOf(*it) == bytes) {
                void *block = *it;
                p.kept.erase(it);
                return block;
            }
        }
    }
    // Memory of another size is of no use to pictures of this one.
    release();
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
    void *block = take(static_cast<size_t>(bytes));
    if (!block)
        return QImage();
    return QImage(static_cast<uchar *>(block) + HeaderBytes, size.width(), size.height(), bytesPerLine,
        QImage::Format_RGB32, giveBack, block);
}

int keptCount()
{
    Pool &p = pool();
    const std::lock_guard<std::mutex> lock(p.mutex);
    return static_cast<int>(p.kept.size());
}

void release()
{
    Pool &p = pool();
    const std::lock_guard<std::mutex> lock(p.mutex);
    for (void *block : p.kept)
        std::free(block);
    p.kept.clear();
}

} // namespace ImageBufferPool
