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
//   errno > 0   a file-system failure while writing: e.g. 2 (ENOENT) the target folder is
//               missing, 13 (EACCES) it is not writable, 20 (ENOTDIR) a folder on the path is
//               a file, 21 (EISDIR) the target is a folder, 28 (ENOSPC) the disk is full;
//               5 (EIO) when the system gave no reason.

inline constexpr qint32 JpegWriterErrorNumber = 26001;

// The executable's file name + ".mIntelJPEGLibrary".
QString jpegWriterErrorSource();

// Encodes the bitmap as a baseline JFIF JPEG: 4:2:0 chroma subsampling, the IJG quantisation
// tables scaled for `quality` (1..100, 0 acts as 1; callers pass 90), rows read bottom-up with their
// padding. Returns the complete file contents.
QByteArray encodeBitmapAsJpeg(const BottomUpBitmap &dib, qint32 quality);

// Replaces the file at `path` with `bytes`: the bytes go to a new file beside the target,
// are flushed to disk, and the new file is renamed over the target only when complete, so a
// failed write leaves any old file as it was. The folder is synced after the rename on a pool
// thread (QThreadPool::globalInstance()), so the caller does not wait for that. A symbolic link is followed;
// the link stays. When the target existed, the new file takes over its access and modification times,
// permission bits and (where allowed) owner and group. Failing to carry those over does not
// fail the write: the new content stays in place. (A creation time cannot be set here.)
void writeFileAtomically(const QString &path, const QByteArray &bytes);

// encodeBitmapAsJpeg followed by writeFileAtomically; returns true when the file was written.
bool saveBitmapAsJpeg(const BottomUpBitmap &dib, const QString &fileName, qint32 quality);
