// SPDX-License-Identifier: GPL-3.0-or-later
// The application folder that AppFolder::ensureUsable creates is private to its owner;
// one that exists keeps its permissions. The program's own folder is chosen only when it
// is marked as a portable install, otherwise the XDG data folder.
#include "platform/AppFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString bitsOf(const QString &path)
{
    struct stat info = {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return QStringLiteral("not a folder");
    return QString::number(info.st_mode & 07777, 8);
}

} // namespace

class TestAppFolder : public QObject
{
    Q_OBJECT

private slots:
    void createdFolderIsPrivate_data();
    void createdFolderIsPrivate();
    void defaultFolder_data();
    void defaultFolder();
};

void TestAppFolder::createdFolderIsPrivate_data()
{
    QTest::addColumn<QString>("folder"); // relative to a fresh folder
    QTest::addColumn<int>("existing"); // bits of "app" made beforehand; 0 none; -1 a dangling link
    QTest::addColumn<int>("mask");
    QTest::addColumn<QStringList>("privateLevels"); // levels that must be 0700 afterwards
    QTest::addColumn<QString>("appBits"); // of "app" afterwards (not followed)

    QTest::newRow("missing, umask 022") << "app" << 0 << 022 << QStringList {"app"} << "700";
    QTest::newRow("missing, umask 0") << "app" << 0 << 0 << QStringList {"app"} << "700";
    QTest::newRow("missing parents too")
        << "a/b/app" << 0 << 002 << QStringList {"a", "a/b", "a/b/app"} << "not a folder";
    QTest::newRow("existing 0755 kept") << "app" << 0755 << 022 << QStringList() << "755";
    QTest::newRow("existing 0770 kept") << "app" << 0770 << 0 << QStringList() << "770";
    // Refused: the link is not followed to create its target.
    QTest::newRow("a dangling link in its place") << "app" << -1 << 022 << QStringList() << "not a folder";
}

void TestAppFolder::createdFolderIsPrivate()
{
    QFETCH(QString, folder);
    QFETCH(int, existing);
    QFETCH(int, mask);
    QFETCH(QStringList, privateLevels);
    QFETCH(QString, appBits);
    QTemporaryDir root;
    const QString app = root.filePath(QStringLiteral("app"));
    if (existing > 0) {
        QCOMPARE(::mkdir(QFile::encodeName(app).constData(), 0700), 0);
        QCOMPARE(::chmod(QFile::encodeName(app).constData(), mode_t(existing)), 0);
    } else if (existing < 0) {
        QCOMPARE(::symlink("gone", QFile::encodeName(app).constData()), 0);
    }

    const mode_t previous = ::umask(mode_t(mask));
    const QString problem = AppFolder::ensureUsable(root.filePath(folder));
    ::umask(previous);
    if (existing < 0) {
        QVERIFY(problem.contains(QStringLiteral("could not be created")));
        QVERIFY(!QFile::exists(root.filePath(QStringLiteral("gone"))));
    } else {
        QCOMPARE(problem, QString());
    }
    for (const QString &level : std::as_const(privateLevels))
        QCOMPARE(bitsOf(root.filePath(level)), QStringLiteral("700"));
    QCOMPARE(bitsOf(app), appBits);
}

void TestAppFolder::defaultFolder_data()
{
    // What stands in the program's folder; "link" entries are dangling symbolic links.
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<QString>("dataHome"); // $XDG_DATA_HOME: "<abs>" a fresh folder, else as given
    QTest::addColumn<QString>("expected"); // "program", "xdg" or "home"
    const QStringList none;

    QTest::newRow("writable but unmarked: the XDG folder") << none << none << none << "<abs>" << "xdg";
    QTest::newRow("portable marker") << QStringList{"portable"} << none << none << "<abs>" << "program";
    QTest::newRow("camera list of an earlier portable use")
        << QStringList{"00camlist.txt"} << none << none << "<abs>" << "program";
    QTest::newRow("marker as a folder") << none << QStringList{"portable"} << none << "<abs>" << "program";
    QTest::newRow("marker in another case") << QStringList{"Portable"} << none << none << "<abs>" << "xdg";
    QTest::newRow("camera list as a folder") << none << QStringList{"00camlist.txt"} << none << "<abs>" << "xdg";
    QTest::newRow("dangling marker link") << none << none << QStringList{"portable"} << "<abs>" << "xdg";
    QTest::newRow("other files only") << QStringList{"Help.rtf", "Localization.txt", "ocellus"} << none << none
                                      << "<abs>" << "xdg";
    QTest::newRow("unset XDG_DATA_HOME") << none << none << none << "" << "home";
    QTest::newRow("relative XDG_DATA_HOME is ignored") << none << none << none << "rel/data" << "home";
    QTest::newRow("marker wins over XDG_DATA_HOME") << QStringList{"portable"} << none << none << "" << "program";
}

void TestAppFolder::defaultFolder()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(QStringList, links);
    QFETCH(QString, dataHome);
    QFETCH(QString, expected);
    QTemporaryDir program;
    QTemporaryDir data;
    QTemporaryDir home;
    for (const QString &name : std::as_const(files)) {
        QFile f(program.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    for (const QString &name : std::as_const(folders))
        QVERIFY(QDir(program.path()).mkdir(name));
    for (const QString &name : std::as_const(links))
        QCOMPARE(::symlink("gone", QFile::encodeName(program.filePath(name)).constData()), 0);

    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", home.path().toUtf8());
    if (dataHome.isEmpty())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", dataHome == QLatin1String("<abs>") ? data.path().toUtf8() : dataHome.toUtf8());
    const QString chosen =
        AppFolder::defaultFolder(program.path() + QStringLiteral("/"), QStringLiteral("Ocellus"),
                                 QStringLiteral("00camlist.txt"));
    qputenv("HOME", oldHome);
    qputenv("XDG_DATA_HOME", oldData);

    const QString want = expected == QLatin1String("program") ? program.path()
        : expected == QLatin1String("xdg")                     ? data.path() + QStringLiteral("/Ocellus")
                                                               : home.path() + QStringLiteral("/.local/share/Ocellus");
    QCOMPARE(chosen, want);
    QCOMPARE(AppFolder::isPortable(program.path(), QStringLiteral("00camlist.txt")), expected == QLatin1String("program"));
}

QTEST_GUILESS_MAIN(TestAppFolder)
#include "tst_appfolder.moc"
