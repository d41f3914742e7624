// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "camlist/CameraListFile.h"

namespace CameraListFile {

// The edit of one camera as a single rewrite of the list: the record that
// findCameraRecord(previous.name) finds is removed exactly as removeCameraRecord
// removes it (provided its URL and refresh lines still equal previous.url and
// previous.refresh, ignoring letter case), and `edited` is appended at the end of the
// file as appendCameraRecord appends it. The result is byte for byte what the two
// calls in that order would leave.
//
// When previous.name is empty, or the record is no longer in the file as it was
// looked up, nothing is removed and `edited` is only appended. A missing file is
// created holding just the new record.
//
// Returns false and leaves the file untouched when it exists but cannot be read, or
// when the rewrite (temporary file beside the list, renamed into place) fails: the
// camera is never lost half-way.
bool replaceCameraRecord(const CameraRecord &previous, const CameraRecord &edited);

} // namespace CameraListFile
