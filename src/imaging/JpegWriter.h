// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

class BottomUpBitmap;

// The JPEG writer (module mIntelJPEGLibrary). Every failure is thrown as a OperationError with
// number JpegWriterErrorNumber and source jpegWriterErrorSource(), and one of two
// descriptions:
//   "Failed to initialise the IJL library: " + r   the encoder could not be created (r = -1)
//   "Failed to save to JPG " + r                    encoding or writing failed
// where r, in decimal, is
//   -1          the encoder refused the picture or the quality (an empty bitmap, a quality
//               outside 0..100, no memory), as the encoder library reports it;
//   errno > 0   a file-system failure while writing (AtomicFile::Result::error): e.g.
//               2 (ENOENT) the folder is missing, 13 (EACCES) it is not writable, 20 (ENOTDIR)
//               a folder on the path is a file, 28 (ENOSPC) the disk is full, 27 (EFBIG) the
//               file-size limit is reached, 17 (EEXIST) every numbered name is taken;
//               5 (EIO) when the system gave no reason.

inline constexpr qint32 JpegWriterErrorNumber = 26001;

// The executable's file name + ".mIntelJPEGLibrary".
QString jpegWriterErrorSource();

// Encodes the bitmap as a baseline JFIF JPEG: 4:2:0 chroma subsampling, the IJG quantisation
// tables scaled for `quality` (1..100, 0 acts as 1; callers pass 90), rows read bottom-up with their
// padding. Returns the complete file contents.
QByteArray encodeBitmapAsJpeg(const BottomUpBitmap &dib, qint32 quality);

// Writes `jpeg` as a new file in `folder` under the first free of `fileName`,
// "<base>_2<.ext>", ... "<base>_999<.ext>" and returns the path written
// (AtomicFile::createNumbered): a name where any entry stands, a symbolic link included, is
// skipped and nothing is ever replaced, so a link planted in the folder cannot redirect the
// save. The file is complete on disk before it takes its name; the folder is synced
// afterwards on a pool thread (QThreadPool::globalInstance()), so the caller does not wait
// for that. Permissions: 0666 less the umask. Callable from any thread. A failure raises the
// OperationError above with the errno (EEXIST when all 999 names are taken) and leaves no
// file behind.
QString saveJpegAsNewFile(const QString &folder, const QString &fileName, const QByteArray &jpeg);
