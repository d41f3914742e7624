// The fast 1/8-scale JPEG decoder against TurboJPEG on arbitrary bytes. Besides crashes and
// sanitizer reports, a broken promise aborts: whatever the fast decoder accepts, TurboJPEG
// must decode without an error or a cut-short warning, to exactly the same pixels. The
// decode with chroma from DC values alone is held to the same acceptance, and to the same
// pixels wherever TurboJPEG itself uses no more than those values.

#include "imaging/JpegEighthDecoder.h"

#include <QByteArray>
#include <QImage>

#include <turbojpeg.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QImage detailed = decodeJpegAtEighth(bytes);
    const QImage coarse = decodeJpegAtEighth(bytes, ChromaDetail::DcOnly);
    if (detailed.isNull() && coarse.isNull())
        return 0;
    const QImage &eighth = detailed.isNull() ? coarse : detailed;

    std::unique_ptr<void, int (*)(void *)> handle(tjInitDecompress(), tjDestroy);
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourspace = 0;
    if (tjDecompressHeader3(
            handle.get(), data, static_cast<unsigned long>(size), &width, &height, &subsampling, &colourspace)
            != 0
        && tjGetErrorCode(handle.get()) != TJERR_WARNING)
        std::abort();
    if (eighth.width() != (width + 7) / 8 || eighth.height() != (height + 7) / 8)
        std::abort();
    QImage turbo(eighth.size(), QImage::Format_RGB32);
    const int result = tjDecompress2(handle.get(), data, static_cast<unsigned long>(size), turbo.bits(),
        turbo.width(), static_cast<int>(turbo.bytesPerLine()), turbo.height(), TJPF_BGRA, 0);
    if (result != 0) {
        if (tjGetErrorCode(handle.get()) != TJERR_WARNING)
            std::abort();
        const QByteArray message(tjGetErrorStr2(handle.get()));
        if (message.contains("Premature end of JPEG file")
            || message.contains("premature end of data segment"))
            std::abort();
    }
    if (!detailed.isNull() && turbo != detailed)
        std::abort();
    if (!coarse.isNull() && coarse.size() != turbo.size())
        std::abort();
    if (!coarse.isNull() && subsampling != TJSAMP_420 && turbo != coarse)
        std::abort();
    return 0;
}
