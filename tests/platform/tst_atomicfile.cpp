// SPDX-License-Identifier: GPL-3.0-or-later
// AtomicFile on real files, permissions and symbolic links. Every case runs with an unnamed
// temporary file and with a named one (the way of file systems without unnamed files).
// Faults are chosen so that they hold for root too: a file-size limit for a full disk, a
// file where a folder must be, a folder where the file must be.
#include "platform/AtomicFile.h"
#include "support/FileFaults.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using AtomicFile::Permissions;

namespace {

// 3 February 2001: the modification time of every planted file.
constexpr time_t PlantedTime = 981158400;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Puts one entry into `dir`: "name/" a folder, "name->target" a symbolic link to `target`
// (relative to the link), "name" a file holding "old name", mode 0644, PlantedTime.
bool plant(const QString &dir, const QString &entry)
{
    const QString path = dir + QLatin1Char('/') + entry.section(QStringLiteral("->"), 0, 0);
    const QByteArray native = QFile::encodeName(path);
    if (entry.endsWith(QLatin1Char('/')))
        return ::mkdir(native.constData(), 0755) == 0;
    if (entry.contains(QStringLiteral("->"))) {
        const QByteArray target = QFile::encodeName(entry.section(QStringLiteral("->"), 1));
        return ::symlink(target.constData(), native.constData()) == 0;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write("old " + entry.toUtf8()) < 0)
        return false;
    file.close();
    const struct timespec times[2] = {{PlantedTime, 0}, {PlantedTime, 0}};
    return ::chmod(native.constData(), 0644) == 0 && ::utimensat(AT_FDCWD, native.constData(), times, 0) == 0;
}

bool plantAll(const QString &dir, const QStringList &entries)
{
    return std::all_of(entries.cbegin(), entries.cend(), [&](const QString &entry) { return plant(dir, entry); });
}

// Every entry under `dir` (links not followed) with its kind, bits, time and content.
QMap<QString, QString> snapshot(const QString &dir)
{
    QMap<QString, QString> entries;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat info = {};
        QString text = QStringLiteral("missing");
        if (::lstat(QFile::encodeName(path).constData(), &info) == 0) {
            const QString bits = QString::number(info.st_mode & 07777, 8);
            if (S_ISLNK(info.st_mode))
                text = QStringLiteral("link to ") + QFile::symLinkTarget(path);
            else if (S_ISDIR(info.st_mode))
                text = QStringLiteral("folder ") + bits;
            else
                text = QStringLiteral("file %1 %2 ").arg(bits).arg(info.st_mtim.tv_sec)
                    + QString::fromLatin1(readFile(path));
        }
        entries.insert(path.mid(dir.size() + 1), text);
    }
    return entries;
}

struct Stat
{
    bool regular = false;
    mode_t bits = 0;
    uid_t owner = 0;
    time_t modified = 0;
};

Stat lstatOf(const QString &path)
{
    struct stat info = {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {S_ISREG(info.st_mode), info.st_mode & 07777, info.st_uid, info.st_mtim.tv_sec};
}

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                   .size());
}

AtomicFile::Options optionsFor(bool unnamed, Permissions permissions = Permissions::Default)
{
    return {
        .permissions = permissions, .folderSync = AtomicFile::FolderSync::Wait, .unnamedTemporary = unnamed};
}

// Adds the row twice: with an unnamed and with a named temporary file (first column).
template<typename... Values> void addBothWays(const QByteArray &name, const Values &...values)
{
    ((QTest::addRow("%s, unnamed temporary", name.constData()) << true) << ... << values);
    ((QTest::addRow("%s, named temporary", name.constData()) << false) << ... << values);
}

} // namespace

class TestAtomicFile : public QObject
{
    Q_OBJECT

private slots:
    void replaces_data();
    void replaces();
    void createsUnderTheFirstFreeName_data();
    void createsUnderTheFirstFreeName();
    void failureLeavesTheFolderAsItWas_data();
    void failureLeavesTheFolderAsItWas();
    void permissionBits_data();
    void permissionBits();
    void ownerCarriesOver();
    void concurrentWritersNeverShareAName();
    void descriptorsAreReleased();
};

void TestAtomicFile::replaces_data()
{
    QTest::addColumn<bool>("unnamed");
    QTest::addColumn<QStringList>("planted"); // the target is "t"
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray large(300000, 'x');
    addBothWays("nothing there", QStringList(), QByteArray("new"));
    addBothWays("a file", QStringList {"t"}, QByteArray("new"));
    addBothWays("a file, emptied", QStringList {"t"}, QByteArray());
    addBothWays("a file, 300 kB", QStringList {"t"}, large);
    addBothWays("a link to a file", QStringList {"other", "t->other"}, QByteArray("new"));
    addBothWays("a link to a folder", QStringList {"sub/", "t->sub"}, QByteArray("new"));
    addBothWays("a dangling link", QStringList {"t->missing"}, QByteArray("new"));
    addBothWays("a copy left by a crash", QStringList {"t", "t.Ab12Cd"}, QByteArray("new"));
}

void TestAtomicFile::replaces()
{
    QFETCH(bool, unnamed);
    QFETCH(QStringList, planted);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    QVERIFY(plantAll(dir.path(), planted));
    QMap<QString, QString> expected = snapshot(dir.path());
    const QString target = dir.filePath(QStringLiteral("t"));

    const AtomicFile::Result result = AtomicFile::replace(target, bytes, optionsFor(unnamed));
    QVERIFY2(result.ok(), qPrintable(result.message));
    QCOMPARE(result.path, target);
    const Stat written = lstatOf(target);
    QVERIFY(written.regular);
    QVERIFY(written.modified > PlantedTime); // the new content's own time
    QCOMPARE(readFile(target), bytes);
    // Nothing else changed: no temporary file, a link's target untouched.
    QMap<QString, QString> after = snapshot(dir.path());
    after.remove(QStringLiteral("t"));
    expected.remove(QStringLiteral("t"));
    QCOMPARE(after, expected);
}

void TestAtomicFile::createsUnderTheFirstFreeName_data()
{
    QTest::addColumn<bool>("unnamed");
    QTest::addColumn<QStringList>("planted");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("written");
    // Names are not looked up first: each row's taken names are refused by the placement
    // itself, which never replaces an entry.
    addBothWays("free", QStringList {"other.jpg"}, QString("cam.jpg"), QString("cam.jpg"));
    addBothWays("a file", QStringList {"cam.jpg"}, QString("cam.jpg"), QString("cam_2.jpg"));
    addBothWays("a folder", QStringList {"cam.jpg/"}, QString("cam.jpg"), QString("cam_2.jpg"));
    addBothWays("a planted link to a file", QStringList {"victim", "cam.jpg->victim"}, QString("cam.jpg"),
        QString("cam_2.jpg"));
    addBothWays("a dangling link", QStringList {"cam.jpg->victim"}, QString("cam.jpg"), QString("cam_2.jpg"));
    addBothWays("links on two numbers", QStringList {"victim", "cam.jpg->victim", "cam_2.jpg->nowhere"},
        QString("cam.jpg"), QString("cam_3.jpg"));
    addBothWays("a gap", QStringList {"cam.jpg", "cam_3.jpg"}, QString("cam.jpg"), QString("cam_2.jpg"));
    addBothWays("no extension", QStringList {"Gate"}, QString("Gate"), QString("Gate_2"));
}

void TestAtomicFile::createsUnderTheFirstFreeName()
{
    QFETCH(bool, unnamed);
    QFETCH(QStringList, planted);
    QFETCH(QString, name);
    QFETCH(QString, written);
    QTemporaryDir dir;
    QVERIFY(plantAll(dir.path(), planted));
    QMap<QString, QString> expected = snapshot(dir.path());

    const AtomicFile::Result result
        = AtomicFile::createNumbered(dir.path(), name, "picture", optionsFor(unnamed));
    QVERIFY2(result.ok(), qPrintable(result.message));
    QCOMPARE(result.path, dir.filePath(written));
    QCOMPARE(readFile(result.path), QByteArray("picture"));
    QVERIFY(lstatOf(result.path).regular);
    QMap<QString, QString> after = snapshot(dir.path());
    QVERIFY(after.remove(written) == 1);
    QCOMPARE(after, expected);
}

void TestAtomicFile::failureLeavesTheFolderAsItWas_data()
{
    QTest::addColumn<bool>("unnamed");
    QTest::addColumn<bool>("numbered"); // createNumbered, else replace
    QTest::addColumn<QStringList>("planted");
    QTest::addColumn<QString>("target"); // relative; createNumbered: folder and name
    QTest::addColumn<int>("limit"); // file-size limit in bytes of the write of 10,000; -1 none
    QTest::addColumn<int>("error");
    const QStringList old {"t.jpg"};
    for (const int limit : {0, 1, 4096, 9999}) {
        const QByteArray row = "full disk at " + QByteArray::number(limit) + " bytes";
        addBothWays(row + ", replace", false, old, QString("t.jpg"), limit, int(EFBIG));
        addBothWays(row + ", numbered", true, old, QString("t.jpg"), limit, int(EFBIG));
    }
    addBothWays("folder missing, replace", false, old, QString("missing/t.jpg"), -1, int(ENOENT));
    addBothWays("folder missing, numbered", true, old, QString("missing/t.jpg"), -1, int(ENOENT));
    addBothWays("folder is a file, replace", false, old, QString("t.jpg/t.jpg"), -1, int(ENOTDIR));
    addBothWays("folder is a file, numbered", true, old, QString("t.jpg/t.jpg"), -1, int(ENOTDIR));
    addBothWays("target is a folder", false, QStringList {"t/"}, QString("t"), -1, int(EISDIR));
    addBothWays("path ends in a slash", false, old, QString("t.jpg/"), -1, int(EISDIR));
    addBothWays("name holds a slash", true, QStringList {"sub/"}, QString("sub/x.jpg"), -1, int(EINVAL));
    QStringList all {"cam.jpg"};
    for (int n = 2; n <= AtomicFile::MaxFileNumber; ++n)
        all << QStringLiteral("cam_%1.jpg").arg(n);
    addBothWays("all 999 names taken", true, all, QString("cam.jpg"), -1, int(EEXIST));
}

void TestAtomicFile::failureLeavesTheFolderAsItWas()
{
    QFETCH(bool, unnamed);
    QFETCH(bool, numbered);
    QFETCH(QStringList, planted);
    QFETCH(QString, target);
    QFETCH(int, limit);
    QFETCH(int, error);
    QTemporaryDir dir;
    QVERIFY(plantAll(dir.path(), planted));
    const QMap<QString, QString> before = snapshot(dir.path());
    const QByteArray bytes(10000, 'n');

    AtomicFile::Result result;
    {
        const std::unique_ptr<FileSizeLimit> full(limit >= 0 ? new FileSizeLimit(rlim_t(limit)) : nullptr);
        QVERIFY(!full || full->active());
        if (numbered) {
            // "sub/x.jpg" is the name itself for the row of a name with a slash.
            const bool nameWithSlash = error == EINVAL;
            const QString folder = nameWithSlash ? dir.path() : QFileInfo(dir.filePath(target)).path();
            const QString name = nameWithSlash ? target : QFileInfo(target).fileName();
            result = AtomicFile::createNumbered(folder, name, bytes, optionsFor(unnamed));
        } else {
            result = AtomicFile::replace(dir.filePath(target), bytes, optionsFor(unnamed));
        }
    }
    QCOMPARE(result.error, error);
    QVERIFY(!result.ok());
    QCOMPARE(result.message, qt_error_string(error));
    QVERIFY(result.path.isEmpty());
    QCOMPARE(snapshot(dir.path()), before);
}

void TestAtomicFile::permissionBits_data()
{
    QTest::addColumn<bool>("unnamed");
    QTest::addColumn<bool>("numbered");
    QTest::addColumn<int>("permissions");
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("standing"); // bits of a file at the target; 0 none; -1 a link to a 0640 file
    QTest::addColumn<int>("expected");
    const int ordinary = int(Permissions::Default);
    const int owner = int(Permissions::OwnerOnly);
    const int everyone = int(Permissions::EveryoneReads);
    addBothWays("new, umask 022", false, ordinary, 022, 0, 0644);
    addBothWays("new, umask 077", false, ordinary, 077, 0, 0600);
    addBothWays("new, umask 002", false, ordinary, 002, 0, 0664);
    addBothWays("replaced 0640 keeps its bits", false, ordinary, 022, 0640, 0640);
    addBothWays("replaced 0604 keeps its bits, not the umask's", false, ordinary, 077, 0604, 0604);
    addBothWays("link to a 0640 file: a new file's bits", false, ordinary, 022, -1, 0644);
    addBothWays("private, new, umask 0", false, owner, 0, 0, 0600);
    addBothWays("private, replaced 0644 tightened", false, owner, 022, 0644, 0600);
    addBothWays("private, replaced 0666 tightened", false, owner, 0, 0666, 0600);
    addBothWays("private, replaced 0400 made writable", false, owner, 022, 0400, 0600);
    addBothWays("everyone reads, new, umask 077", false, everyone, 077, 0, 0644);
    addBothWays("everyone reads, replaced 0600 kept", false, everyone, 022, 0600, 0600);
    addBothWays("numbered, umask 022", true, ordinary, 022, 0, 0644);
    addBothWays("numbered, umask 027", true, ordinary, 027, 0, 0640);
    addBothWays("numbered, private", true, owner, 0, 0, 0600);
    addBothWays("numbered, everyone reads, umask 077", true, everyone, 077, 0, 0644);
}

void TestAtomicFile::permissionBits()
{
    QFETCH(bool, unnamed);
    QFETCH(bool, numbered);
    QFETCH(int, permissions);
    QFETCH(int, mask);
    QFETCH(int, standing);
    QFETCH(int, expected);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("t"));
    const QString other = dir.filePath(QStringLiteral("other"));
    if (standing > 0) {
        QVERIFY(plant(dir.path(), QStringLiteral("t")));
        QCOMPARE(::chmod(QFile::encodeName(target).constData(), mode_t(standing)), 0);
    } else if (standing < 0) {
        QVERIFY(plant(dir.path(), QStringLiteral("other")));
        QVERIFY(plant(dir.path(), QStringLiteral("t->other")));
        QCOMPARE(::chmod(QFile::encodeName(other).constData(), 0640), 0);
    }

    const AtomicFile::Options options = optionsFor(unnamed, Permissions(permissions));
    const mode_t previous = ::umask(mode_t(mask));
    const AtomicFile::Result result = numbered
        ? AtomicFile::createNumbered(dir.path(), QStringLiteral("t"), "new", options)
        : AtomicFile::replace(target, "new", options);
    ::umask(previous);
    QVERIFY2(result.ok(), qPrintable(result.message));
    QCOMPARE(result.path, target);
    QCOMPARE(QString::number(lstatOf(target).bits, 8), QString::number(expected, 8));
    if (standing < 0)
        QCOMPARE(QString::number(lstatOf(other).bits, 8), QStringLiteral("640"));
}

void TestAtomicFile::ownerCarriesOver()
{
    if (::geteuid() != 0)
        QSKIP("only the superuser can give a file to another user to set this up");
    for (const Permissions permissions : {Permissions::Default, Permissions::OwnerOnly}) {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("t"));
        QVERIFY(plant(dir.path(), QStringLiteral("t")));
        QCOMPARE(::chown(QFile::encodeName(target).constData(), 65534, 65534), 0);
        QCOMPARE(::chmod(QFile::encodeName(target).constData(), 0640), 0);
        QVERIFY(AtomicFile::replace(target, "new", {.permissions = permissions}).ok());
        const Stat after = lstatOf(target);
        QCOMPARE(after.owner, uid_t(65534));
        QCOMPARE(after.bits, permissions == Permissions::OwnerOnly ? mode_t(0600) : mode_t(0640));
    }
}

void TestAtomicFile::concurrentWritersNeverShareAName()
{
    constexpr int Writers = 4;
    constexpr int Pictures = 10;
    for (const bool unnamed : {true, false}) {
        QTemporaryDir dir;
        QList<AtomicFile::Result> results(Writers * Pictures);
        QList<QThread *> threads;
        for (int w = 0; w < Writers; ++w) {
            threads << QThread::create([&, w] {
                for (int p = 0; p < Pictures; ++p) {
                    const auto sync
                        = p % 2 ? AtomicFile::FolderSync::InBackground : AtomicFile::FolderSync::Wait;
                    const AtomicFile::Options options {.folderSync = sync, .unnamedTemporary = unnamed};
                    results[w * Pictures + p] = AtomicFile::createNumbered(
                        dir.path(), QStringLiteral("cam.jpg"), QByteArray::number(w * Pictures + p), options);
                }
            });
            threads.last()->start();
        }
        for (QThread *thread : std::as_const(threads)) {
            QVERIFY(thread->wait(60000));
            delete thread;
        }
        QThreadPool::globalInstance()->waitForDone();

        QSet<QString> names;
        for (int i = 0; i < results.size(); ++i) {
            QVERIFY2(results.at(i).ok(), qPrintable(results.at(i).message));
            QCOMPARE(readFile(results.at(i).path), QByteArray::number(i));
            names.insert(QFileInfo(results.at(i).path).fileName());
        }
        QSet<QString> expected {QStringLiteral("cam.jpg")};
        for (int n = 2; n <= Writers * Pictures; ++n)
            expected.insert(AtomicFile::numberedFileName(QStringLiteral("cam.jpg"), n));
        QCOMPARE(names, expected);
        QCOMPARE(snapshot(dir.path()).size(), Writers * Pictures);
    }
}

void TestAtomicFile::descriptorsAreReleased()
{
    QTemporaryDir dir;
    const int before = openDescriptors();
    for (const bool unnamed : {true, false}) {
        const AtomicFile::Options background {
            .folderSync = AtomicFile::FolderSync::InBackground, .unnamedTemporary = unnamed};
        QVERIFY(AtomicFile::replace(dir.filePath(QStringLiteral("t")), "a", optionsFor(unnamed)).ok());
        QVERIFY(AtomicFile::replace(dir.filePath(QStringLiteral("t")), "b", background).ok());
        QVERIFY(AtomicFile::createNumbered(dir.path(), QStringLiteral("n"), "c", background).ok());
        QVERIFY(
            !AtomicFile::replace(dir.filePath(QStringLiteral("missing/t")), "d", optionsFor(unnamed)).ok());
        const FileSizeLimit full(0);
        QVERIFY(!AtomicFile::createNumbered(dir.path(), QStringLiteral("n"), "e", background).ok());
    }
    QThreadPool::globalInstance()->waitForDone();
    QCOMPARE(openDescriptors(), before);
}

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "tst_atomicfile.moc"
