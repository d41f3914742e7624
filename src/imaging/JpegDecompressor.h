// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A libjpeg-turbo decompressor over a stream in memory, for the imaging library's JPEG
// decoders. Internal to the imaging library.
//
// A fatal error leaves libjpeg through longjmp to `escape`: every function that calls into
// libjpeg through `info` sets it first (if (setjmp(d.escape)) ...) and creates nothing with a
// destructor between that and its last libjpeg call. Warnings (corrupt data the decoder gets
// past) are not fatal; the ones meaning that the data ran out are remembered (cutShort()).
// The decompressor refuses, as a fatal error, a stream with more scans than JpegScanLimit
// (whatever the header walk said) and, through libjpeg's max_memory_to_use, coefficient
// buffers that do not fit the memory limit it was given.

#include <QByteArray>

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

class JpegDecompressor
{
public:
    // `bytes` must outlive the decompressor and must not be empty. `memoryLimit`: the bytes
    // libjpeg may allocate for itself (0: no limit of its own).
    JpegDecompressor(const QByteArray &bytes, long memoryLimit);
    ~JpegDecompressor();
    JpegDecompressor(const JpegDecompressor &) = delete;
    JpegDecompressor &operator=(const JpegDecompressor &) = delete;

    // False when libjpeg could not even be set up (out of memory).
    bool isValid() const { return m_valid; }
    // Whether a warning said that the data ended before the picture did: the file ended,
    // or a scan ended before its last block.
    bool cutShort() const { return m_cutShort; }
    // Reads the header up to the first scan; false when the decompressor is not valid or
    // libjpeg refuses the header. For callers that need nothing more of libjpeg.
    bool readHeader();

    jpeg_decompress_struct info {};
    std::jmp_buf escape {};

private:
    struct Errors
    {
        jpeg_error_mgr pub;
        JpegDecompressor *owner;
    };
    [[noreturn]] static void errorExit(j_common_ptr common);
    static void emitMessage(j_common_ptr common, int level);
    static void checkScans(j_common_ptr common);

    Errors m_errors {};
    jpeg_progress_mgr m_progress {};
    bool m_created = false;
    bool m_valid = false;
    bool m_cutShort = false;
};
