// SPDX-License-Identifier: GPL-3.0-or-later
// Writes arbitrary bytes as the camera list of a scratch application folder and runs
// every list operation on it. Aborts when a lookup disagrees with the line it found,
// when a removal touches anything beyond its own record's three lines, when a refused
// removal changes the file, or when an edit differs from a removal followed by an
// append.
#include "camlist/CameraListEdit.h"
#include "camlist/CameraListFile.h"
#include "platform/AppFolder.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using CameraListFile::CameraRecord;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

const QByteArray CrLf = QByteArrayLiteral("\r\n");

// Lines as a text editor sees them: CR LF, LF or a lone CR end a line; text after the
// last terminator is a line of its own.
QList<QByteArray> linesOf(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    QByteArray current;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c == '\n' || c == '\r') {
            lines.append(current);
            current.clear();
            if (c == '\r' && i + 1 < bytes.size() && bytes.at(i + 1) == '\n')
                ++i;
        } else {
            current.append(c);
        }
    }
    if (!current.isEmpty())
        lines.append(current);
    return lines;
}

// A line's text: UTF-8 when it is valid UTF-8, one character per byte otherwise.
QString textOf(const QByteArray &line)
{
    const QString utf8 = QString::fromUtf8(line);
    return utf8.toUtf8() == line ? utf8 : QString::fromLatin1(line);
}

QString nameOnLine(const QByteArray &line, bool *isNameLine)
{
    QString text = textOf(line);
    *isNameLine = text.contains(QStringLiteral("[name]"), Qt::CaseInsensitive);
    text.remove(QStringLiteral("[name]"), Qt::CaseInsensitive);
    return text;
}

QStringList namesOf(const QList<QByteArray> &lines)
{
    QStringList names;
    for (const QByteArray &line : lines) {
        bool isNameLine = false;
        const QString name = nameOnLine(line, &isNameLine);
        if (isNameLine)
            names.append(name);
    }
    return names;
}

QByteArray readList()
{
    QFile file(CameraListFile::path());
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void writeList(const QByteArray &bytes)
{
    QFile file(CameraListFile::path());
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    check(file.write(bytes) == bytes.size());
}

QString scratchRoot()
{
    const QString shm = QStringLiteral("/dev/shm");
    return QFileInfo(shm).isDir() && QFileInfo(shm).isWritable() ? shm : QDir::tempPath();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir scratch(scratchRoot() + QStringLiteral("/ocellus-camlist-fuzz-XXXXXX"));
    static const bool folderSet = [] {
        check(scratch.isValid());
        AppFolder::set(scratch.path());
        return true;
    }();
    (void)folderSet;

    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    writeList(input);

    const QList<QByteArray> lines = linesOf(input);
    const QStringList names = CameraListFile::readCameraNames();
    check(names == namesOf(lines));

    // First name line of every name that can be looked up, as a line index.
    QHash<QString, qsizetype> firstLine;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString text = textOf(lines.at(i));
        if (text.startsWith(QStringLiteral("[name]"))) {
            const QString name = text.mid(6);
            if (!name.isEmpty() && !firstLine.contains(name))
                firstLine.insert(name, i);
        }
    }

    QHash<QString, CameraRecord> found;
    for (const QString &name : names) {
        if (found.contains(name))
            continue;
        CameraRecord record {QStringLiteral("n"), QStringLiteral("u"), QStringLiteral("r")};
        const bool hit = CameraListFile::findCameraRecord(name, record);
        check(hit == firstLine.contains(name));
        if (!hit) {
            check(record.name == QStringLiteral("n") && record.url == QStringLiteral("u")
                && record.refresh == QStringLiteral("r"));
            continue;
        }
        const qsizetype at = firstLine.value(name);
        check(record.name == name);
        check(record.url == (at + 1 < lines.size() ? textOf(lines.at(at + 1)) : QString()));
        check(record.refresh == (at + 2 < lines.size() ? textOf(lines.at(at + 2)) : QString()));
        found.insert(name, record);
    }
    check(readList() == input);
    if (found.isEmpty())
        return 0;

    // The record to remove, chosen by the input itself.
    QStringList candidates = found.keys();
    candidates.sort();
    const QString victim
        = candidates.at(static_cast<qsizetype>(size % static_cast<std::size_t>(candidates.size())));
    const CameraRecord removed = found.value(victim);
    const qsizetype at = firstLine.value(victim);

    // A removal with values that no longer match the file changes nothing.
    check(!CameraListFile::removeCameraRecord(victim, removed.url + QStringLiteral("\x01"), removed.refresh));
    check(readList() == input);

    const bool complete = at + 2 < lines.size();
    check(CameraListFile::removeCameraRecord(victim, removed.url, removed.refresh) == complete);
    if (!complete) {
        check(readList() == input);
    } else {
        QList<QByteArray> expected = lines;
        expected[at].clear();
        expected[at + 2].clear();
        expected.removeAt(at + 1);
        QByteArray expectedBytes;
        for (const QByteArray &line : std::as_const(expected))
            expectedBytes += line + CrLf;
        expectedBytes += CrLf;
        const QByteArray after = readList();
        check(after == expectedBytes);

        // Every other record whose lines do not overlap the removed ones is found as before.
        for (auto it = found.cbegin(); it != found.cend(); ++it) {
            if (it.key() == victim)
                continue;
            const qsizetype other = firstLine.value(it.key());
            if (other + 2 >= at && other <= at + 2)
                continue;
            CameraRecord again;
            check(CameraListFile::findCameraRecord(it.key(), again));
            check(again.url == it.value().url && again.refresh == it.value().refresh);
        }
    }

    // The edit in one rewrite equals a removal followed by an append.
    const CameraRecord edited {QStringLiteral("\x02"
                                              "edited"),
        QStringLiteral("http://e/"), QStringLiteral("7")};
    writeList(input);
    CameraListFile::removeCameraRecord(removed.name, removed.url, removed.refresh);
    check(CameraListFile::appendCameraRecord(edited.name, edited.url, edited.refresh));
    const QByteArray twoSteps = readList();
    writeList(input);
    check(CameraListFile::replaceCameraRecord(removed, edited));
    check(readList() == twoSteps);
    check(CameraListFile::readCameraNames().constLast() == edited.name);
    CameraRecord last;
    check(CameraListFile::findCameraRecord(edited.name, last));
    if (!firstLine.contains(edited.name))
        check(last.url == edited.url && last.refresh == edited.refresh);
    return 0;
}
