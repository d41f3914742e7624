// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/JpegDecompressor.h"

#include "imaging/PictureLimits.h"

#include <jerror.h>

JpegDecompressor::JpegDecompressor(const QByteArray &bytes, long memoryLimit)
{
    info.err = jpeg_std_error(&m_errors.pub);
    m_errors.pub.error_exit = errorExit;
    m_errors.pub.emit_message = emitMessage;
    m_errors.owner = this;
    if (setjmp(escape))
        return;
    jpeg_create_decompress(&info);
    m_created = true;
    info.mem->max_memory_to_use = memoryLimit;
    m_progress.progress_monitor = checkScans;
    info.progress = &m_progress;
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(bytes.constData()),
        static_cast<unsigned long>(bytes.size()));
    m_valid = true;
}

bool JpegDecompressor::readHeader()
{
    if (!m_valid)
        return false;
    if (setjmp(escape))
        return false;
    return jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK;
}

JpegDecompressor::~JpegDecompressor()
{
    if (m_created)
        jpeg_destroy_decompress(&info);
}

void JpegDecompressor::errorExit(j_common_ptr common)
{
    std::longjmp(reinterpret_cast<Errors *>(common->err)->owner->escape, 1);
}

void JpegDecompressor::emitMessage(j_common_ptr common, int level)
{
    if (level >= 0)
        return; // trace messages
    const int code = common->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)
        reinterpret_cast<Errors *>(common->err)->owner->m_cutShort = true;
    ++common->err->num_warnings;
}

void JpegDecompressor::checkScans(j_common_ptr common)
{
    if (common->is_decompressor
        && reinterpret_cast<j_decompress_ptr>(common)->input_scan_number > JpegScanLimit)
        errorExit(common);
}
