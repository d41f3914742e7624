// SPDX-License-Identifier: GPL-3.0-or-later
// Rewrites the camera list of the application folder given as its only argument,
// forever, until it is killed. The list holds fixed records followed by a moving
// part that cycles, for n = 0, 1, 2, ..., through
//   Cam<n>                 (an append)
//   Cam<n>e                (the one-rewrite edit of Cam<n>)
//   Cam<n>e, Cam<n+1>      (an append)
//   Cam<n+1>               (the removal of Cam<n>e)
// Every step is decided from the file alone, so a rewriter started on a list left by a
// killed one carries on where that one stopped. Exit status 2: the list holds a moving
// part that is no state of the cycle; 3: an operation reported failure.
#include "camlist/CameraListEdit.h"
#include "camlist/CameraListFile.h"
#include "platform/AppFolder.h"

#include <QRegularExpression>

#include <cstdlib>

using CameraListFile::CameraRecord;

namespace {

// Number of records before the moving part; the test writes them.
constexpr qsizetype FixedRecords = 3;

CameraRecord plain(int n)
{
    return {QStringLiteral("Cam%1").arg(n), QStringLiteral("http://cam/%1.jpg").arg(n), QStringLiteral("60")};
}

CameraRecord edited(int n)
{
    return {QStringLiteral("Cam%1e").arg(n), QStringLiteral("http://cam/%1/edited.jpg").arg(n),
        QStringLiteral("%1").arg(n % 1000)};
}

void require(bool ok)
{
    if (!ok)
        std::exit(3);
}

void step()
{
    const QStringList names = CameraListFile::readCameraNames();
    if (names.size() < FixedRecords)
        std::exit(2);
    const QStringList moving = names.mid(FixedRecords);
    static const QRegularExpression pattern(QStringLiteral("^Cam(\\d+)(e?)$"));

    if (moving.isEmpty()) {
        const CameraRecord first = plain(0);
        require(CameraListFile::appendCameraRecord(first.name, first.url, first.refresh));
        return;
    }
    const QRegularExpressionMatch head = pattern.match(moving.first());
    if (!head.hasMatch())
        std::exit(2);
    const int n = head.captured(1).toInt();
    const bool isEdited = !head.captured(2).isEmpty();

    if (moving.size() == 1 && !isEdited) {
        require(CameraListFile::replaceCameraRecord(plain(n), edited(n)));
    } else if (moving.size() == 1) {
        const CameraRecord next = plain(n + 1);
        require(CameraListFile::appendCameraRecord(next.name, next.url, next.refresh));
    } else if (moving.size() == 2 && isEdited && moving.at(1) == plain(n + 1).name) {
        const CameraRecord gone = edited(n);
        require(CameraListFile::removeCameraRecord(gone.name, gone.url, gone.refresh));
    } else {
        std::exit(2);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2)
        return 1;
    AppFolder::set(QString::fromLocal8Bit(argv[1]));
    for (;;)
        step();
}
