// The application folder that AppFolder::ensureUsable creates is private to its owner;
// one that exists keeps its permissions.
#include "platform/AppFolder.h"

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

QTEST_GUILESS_MAIN(TestAppFolder)
#include "tst_appfolder.moc"
