// SPDX-License-Identifier: GPL-3.0-or-later
// The camera list survives a process killed (SIGKILL) at any moment of its rewrites:
// after every kill the list is one of the states a complete operation leaves, never a
// torn mix, and nothing but the save mechanism's own temporary files is left beside it.
//
// The random delays come from a seed printed at the start; OCELLUS_KILL_SEED repeats a
// run and OCELLUS_KILL_COUNT changes the number of kills (at least 200 by default).
#include "camlist/CameraListFile.h"
#include "support/TempAppFolder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <algorithm>

using CameraListFile::CameraRecord;

namespace {

const QString ListName = QStringLiteral("00camlist.txt");

QByteArray recordBytes(const CameraRecord &r)
{
    return "[name]" + r.name.toUtf8() + "\r\n" + r.url.toUtf8() + "\r\n" + r.refresh.toUtf8() + "\r\n\r\n";
}

// The records the rewriter never touches; one URL holds bytes that are not UTF-8,
// which every rewrite must carry over unchanged.
const QByteArray FixedPart = "\r\n[name]Porch\r\nhttp://porch/a.jpg\r\n60\r\n\r\n"
                             "[name]Garden\r\nhttp://garden/\xE9\xFF.jpg\r\n5\r\n\r\n"
                             "[name]Shed\r\nhttp://shed:8080/s.jpg\r\n120\r\n\r\n";

CameraRecord plain(int n)
{
    return {QStringLiteral("Cam%1").arg(n), QStringLiteral("http://cam/%1.jpg").arg(n), QStringLiteral("60")};
}

CameraRecord edited(int n)
{
    return {QStringLiteral("Cam%1e").arg(n), QStringLiteral("http://cam/%1/edited.jpg").arg(n),
        QStringLiteral("%1").arg(n % 1000)};
}

// The moving records of state `index`: 0 is none; for n >= 0, 3n+1 is Cam<n>, 3n+2 is
// Cam<n>e, 3n+3 is Cam<n>e followed by Cam<n+1>.
QList<CameraRecord> movingRecords(qint64 index)
{
    if (index == 0)
        return {};
    const int n = static_cast<int>((index - 1) / 3);
    switch ((index - 1) % 3) {
    case 0:
        return {plain(n)};
    case 1:
        return {edited(n)};
    default:
        return {edited(n), plain(n + 1)};
    }
}

// The state index whose moving names are `moving`, or -1 when there is none.
qint64 stateIndexOf(const QStringList &moving)
{
    static const QRegularExpression pattern(QStringLiteral("^Cam(\\d+)(e?)$"));
    if (moving.isEmpty())
        return 0;
    const QRegularExpressionMatch head = pattern.match(moving.first());
    if (!head.hasMatch())
        return -1;
    const qint64 n = head.captured(1).toLongLong();
    const bool isEdited = !head.captured(2).isEmpty();
    const qint64 index = !isEdited ? 3 * n + 1 : (moving.size() == 1 ? 3 * n + 2 : 3 * n + 3);
    QStringList expected;
    for (const CameraRecord &r : movingRecords(index))
        expected.append(r.name);
    return expected == moving ? index : -1;
}

QByteArray readList(const TempAppFolder &folder)
{
    return folder.read(ListName);
}

QStringList nonEmptyLines(const QByteArray &bytes)
{
    QStringList lines;
    for (const QByteArray &line : bytes.split('\n')) {
        QByteArray text = line;
        if (text.endsWith('\r'))
            text.chop(1);
        if (!text.isEmpty())
            lines.append(QString::fromLatin1(text));
    }
    return lines;
}

} // namespace

class TestCameraListKill : public QObject
{
    Q_OBJECT

private slots:
    void rewriterFollowsTheCycle();
    void killedAtRandomMoments();

private:
    // Starts the rewriter on `folder` and waits until it has completed at least one
    // rewrite (the list differs from `before`). False when it ended or never wrote.
    bool startRewriter(QProcess &process, const TempAppFolder &folder, const QByteArray &before);
    // Checks that the list is a complete state at or after `previousIndex`; returns its index.
    qint64 checkCompleteState(const TempAppFolder &folder, qint64 previousIndex);
};

bool TestCameraListKill::startRewriter(
    QProcess &process, const TempAppFolder &folder, const QByteArray &before)
{
    process.setProgram(QStringLiteral(OCELLUS_CAMLIST_REWRITER));
    process.setArguments({folder.path()});
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start();
    if (!process.waitForStarted(30000))
        return false;
    // A generous bound that only keeps a broken rewriter from hanging the suite.
    const QDeadlineTimer deadline(60000);
    while (readList(folder) == before) {
        if (process.state() == QProcess::NotRunning || deadline.hasExpired())
            return false;
        QThread::usleep(200);
    }
    return true;
}

qint64 TestCameraListKill::checkCompleteState(const TempAppFolder &folder, qint64 previousIndex)
{
    const QByteArray bytes = readList(folder);
    // Every complete rewrite keeps the leading records byte for byte and ends with the
    // empty line of a record or of a removal.
    if (!bytes.startsWith(FixedPart) || !bytes.endsWith("\r\n\r\n")) {
        qWarning() << "torn list:" << bytes.right(200);
        return -1;
    }
    const QStringList names = CameraListFile::readCameraNames();
    if (names.mid(0, 3) != QStringList({"Porch", "Garden", "Shed"})) {
        qWarning() << "fixed names changed:" << names;
        return -1;
    }
    const qint64 index = stateIndexOf(names.mid(3));
    if (index < previousIndex) {
        qWarning() << "not a state of the cycle, or an earlier one:" << names.mid(3) << "after"
                   << previousIndex;
        return -1;
    }
    QStringList expectedLines = nonEmptyLines(FixedPart);
    for (const CameraRecord &r : movingRecords(index)) {
        CameraRecord found;
        if (!CameraListFile::findCameraRecord(r.name, found) || found.url != r.url
            || found.refresh != r.refresh) {
            qWarning() << "record" << r.name << "reads back as" << found.url << found.refresh;
            return -1;
        }
        expectedLines += nonEmptyLines(recordBytes(r));
    }
    // Nothing but those records' lines: no fragment of another state.
    if (nonEmptyLines(bytes) != expectedLines) {
        qWarning() << "stray lines:" << nonEmptyLines(bytes);
        return -1;
    }
    return index;
}

void TestCameraListKill::rewriterFollowsTheCycle()
{
    // The state table itself, checked against lists the rewriter really leaves.
    QCOMPARE(stateIndexOf({}), 0);
    QCOMPARE(stateIndexOf({"Cam0"}), 1);
    QCOMPARE(stateIndexOf({"Cam0e"}), 2);
    QCOMPARE(stateIndexOf({"Cam0e", "Cam1"}), 3);
    QCOMPARE(stateIndexOf({"Cam1"}), 4);
    QCOMPARE(stateIndexOf({"Cam0e", "Cam2"}), -1);
    QCOMPARE(stateIndexOf({"Cam1", "Cam2"}), -1);
    QCOMPARE(stateIndexOf({"Porch"}), -1);

    TempAppFolder folder;
    folder.write(ListName, FixedPart);
    QProcess process;
    QVERIFY2(startRewriter(process, folder, FixedPart), "the rewriter did not start rewriting");
    // Let it run through many cycles, then stop it the hard way. A read while it runs may
    // meet the list being replaced between two reads of one check; the best state seen only
    // grows, so the condition, once met, stays met when the macro evaluates it again.
    qint64 bestSeen = -1;
    QTRY_VERIFY_WITH_TIMEOUT(
        (bestSeen = std::max(bestSeen, checkCompleteState(folder, 0))) > 30
            || process.state() == QProcess::NotRunning,
        60000);
    process.kill();
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    QVERIFY(checkCompleteState(folder, 30) > 30);
}

void TestCameraListKill::killedAtRandomMoments()
{
    bool seedGiven = false;
    const quint32 seed = qEnvironmentVariableIntValue("OCELLUS_KILL_SEED", &seedGiven);
    const quint32 usedSeed = seedGiven ? seed : QRandomGenerator::global()->generate();
    bool countGiven = false;
    const int requested = qEnvironmentVariableIntValue("OCELLUS_KILL_COUNT", &countGiven);
    const int kills = countGiven && requested > 0 ? requested : 200;
    qInfo("kill seed %u (repeat with OCELLUS_KILL_SEED=%u), %d kills", usedSeed, usedSeed, kills);
    QRandomGenerator random(usedSeed);

    TempAppFolder folder;
    folder.write(ListName, FixedPart);
    const QRegularExpression saveTemporary(QStringLiteral("^00camlist\\.txt\\.[A-Za-z0-9]{6}$"));

    qint64 index = 0;
    int previousLeftovers = 0;
    int advanced = 0;
    for (int kill = 0; kill < kills; ++kill) {
        const QByteArray before = readList(folder);
        QProcess process;
        QVERIFY2(startRewriter(process, folder, before),
            qPrintable(QStringLiteral("kill %1: the rewriter stopped on its own (exit code %2)")
                           .arg(kill)
                           .arg(process.exitCode())));
        QThread::msleep(random.bounded(31));
        process.kill();
        QVERIFY(process.waitForFinished(30000));
        QVERIFY2(process.exitStatus() == QProcess::CrashExit,
            qPrintable(QStringLiteral("kill %1: the rewriter ended with code %2 before the kill")
                           .arg(kill)
                           .arg(process.exitCode())));

        const qint64 now = checkCompleteState(folder, index);
        QVERIFY2(now >= 0, qPrintable(QStringLiteral("kill %1 (seed %2)").arg(kill).arg(usedSeed)));
        if (now > index)
            ++advanced;
        index = now;

        // The save mechanism names its finished temporary file just before renaming it
        // into place; a kill between the two leaves that one file, whole, behind. So a
        // kill adds at most one, and each is a complete list.
        int leftovers = 0;
        const QStringList entries
            = QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        for (const QString &entry : entries) {
            if (entry == ListName)
                continue;
            QVERIFY2(saveTemporary.match(entry).hasMatch(),
                qPrintable(QStringLiteral("left beside the list: ") + entry));
            const QByteArray left = folder.read(entry);
            QVERIFY2(left.startsWith(FixedPart) && left.endsWith("\r\n\r\n"),
                qPrintable(QStringLiteral("incomplete temporary file ") + entry));
            ++leftovers;
        }
        QVERIFY2(leftovers == previousLeftovers || leftovers == previousLeftovers + 1,
            qPrintable(QStringLiteral("kill %1: %2 temporary files, %3 before")
                           .arg(kill)
                           .arg(leftovers)
                           .arg(previousLeftovers)));
        previousLeftovers = leftovers;
    }
    qInfo("%d kills, %d of them after progress, final state %lld, %d temporary files left beside the list",
        kills, advanced, index, previousLeftovers);
    // Each run has written at least once before its kill, so the cycle moved on every time.
    QCOMPARE(advanced, kills);
    // Readers see only the list itself, whatever lies beside it.
    folder.write(ListName + QStringLiteral(".Ab12Cd"), "[name]Ghost\r\nG\r\n1\r\n\r\n");
    QVERIFY(!CameraListFile::readCameraNames().contains(QStringLiteral("Ghost")));
    CameraRecord ghost;
    QVERIFY(!CameraListFile::findCameraRecord(QStringLiteral("Ghost"), ghost));
}

QTEST_GUILESS_MAIN(TestCameraListKill)
#include "tst_camlist_kill.moc"
