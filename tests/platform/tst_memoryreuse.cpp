// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MemoryReuse.h"

#include <QTest>

#include <cstdlib>
#include <cstring>
#include <vector>

#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

// The settings are checked through what the C library reports about its heap: blocks taken
// from mapped regions (hblkhd) and the free space at the top of the heap (keepcost).
class TestMemoryReuse : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    // First: freeing a mapped block makes the library raise its own thresholds.
    void freedBlocksStayForReuse();
    void pictureSizedBlocksAreGivenBack();
};

void TestMemoryReuse::initTestCase()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("the address sanitizer brings its own allocator");
#elif !defined(__GLIBC__) || !defined(M_TRIM_THRESHOLD)
    QSKIP("only the GNU C library has these settings");
#else
    keepFreedMemoryForReuse();
#endif
}

void TestMemoryReuse::pictureSizedBlocksAreGivenBack()
{
#if defined(__GLIBC__) && defined(M_TRIM_THRESHOLD)
    // A full-size picture of 1920 x 1080 in 32 bits, and the smallest block that is mapped
    // apart when the heap has no room for it: either comes from free space already in the heap
    // or is mapped and given back, so the memory taken from the system is the same after it.
    for (const size_t bytes : {size_t(1920) * 1080 * 4, size_t(MappedBlockBytes), size_t(40) << 20}) {
        const size_t before = mallinfo2().arena + mallinfo2().hblkhd;
        void *block = std::malloc(bytes);
        QVERIFY(block);
        std::memset(block, 1, bytes);
        std::free(block);
        QCOMPARE(mallinfo2().arena + mallinfo2().hblkhd, before);
    }
#endif
}

void TestMemoryReuse::freedBlocksStayForReuse()
{
#if defined(__GLIBC__) && defined(M_TRIM_THRESHOLD)
    // Response buffers of 300 KB, freed together: the library's defaults give the space at the
    // top of the heap back to the system at once, keeping 128 KB. Some of the blocks may come
    // from space freed earlier inside the heap, so less than all of them is asked for.
    std::vector<void *> blocks;
    for (int i = 0; i < 24; ++i) {
        void *block = std::malloc(300 * 1024);
        QVERIFY(block);
        std::memset(block, 1, 300 * 1024);
        blocks.push_back(block);
    }
    for (auto it = blocks.rbegin(); it != blocks.rend(); ++it)
        std::free(*it);
    QVERIFY2(mallinfo2().keepcost >= size_t(4) * 1024 * 1024,
             qPrintable(QStringLiteral("free space kept at the top: %1 bytes").arg(mallinfo2().keepcost)));
#endif
}

QTEST_APPLESS_MAIN(TestMemoryReuse)
#include "tst_memoryreuse.moc"
