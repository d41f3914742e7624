// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/ShellOpen.h"
#include "platform/ui/WindowUtils.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWidget>

class TestWindowUtils : public QObject
{
    Q_OBJECT

private slots:
    void windowIcons_data();
    void windowIcons();
    void missingIconChangesNothing();
    void topmostKeepsGeometry_data();
    void topmostKeepsGeometry();
    void shellOpen_data();
    void shellOpen();
    void cleanup();
};

void TestWindowUtils::cleanup() { setShellOpenHandlerForTesting({}); }

void TestWindowUtils::windowIcons_data()
{
    QTest::addColumn<bool>("owner");
    QTest::newRow("window and owner") << true;
    QTest::newRow("window only") << false;
}

void TestWindowUtils::windowIcons()
{
    QFETCH(bool, owner);
    QWidget topOwner;
    QDialog middle(&topOwner);
    QDialog window(&middle);

    setWindowIcons(&window, QStringLiteral("AAA"), owner);
    QVERIFY(!window.windowIcon().isNull());
    QVERIFY(!window.windowIcon().pixmap(16, 16).isNull());
    QVERIFY(!window.windowIcon().pixmap(32, 32).isNull());
    // The icon goes to the end of the owner chain (windows between inherit it).
    QCOMPARE(topOwner.windowIcon().isNull(), !owner);

    // Named through a control, the owner chain starts at the control's window.
    QWidget otherOwner;
    QDialog otherWindow(&otherOwner);
    auto *control = new QWidget(&otherWindow);
    setWindowIcons(control, QStringLiteral("AAA"), owner);
    QCOMPARE(otherOwner.windowIcon().isNull(), !owner);
}

void TestWindowUtils::missingIconChangesNothing()
{
    QWidget owner;
    QDialog window(&owner);
    setWindowIcons(&window, QStringLiteral("NoSuchIcon"), true);
    QVERIFY(window.windowIcon().isNull());
    QVERIFY(owner.windowIcon().isNull());
    setWindowIcons(nullptr, QStringLiteral("AAA"), true);
}

void TestWindowUtils::topmostKeepsGeometry_data()
{
    QTest::addColumn<bool>("shown");
    QTest::newRow("shown") << true;
    QTest::newRow("hidden") << false;
}

void TestWindowUtils::topmostKeepsGeometry()
{
    QFETCH(bool, shown);
    QWidget window;
    auto *child = new QWidget(&window);
    window.setGeometry(140, 120, 360, 240);
    if (shown) {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    const QRect geometry = window.geometry();

    setTopmost(child, true);
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(window.isVisible(), shown);
    QCOMPARE(window.geometry(), geometry);
    QVERIFY(!child->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    setTopmost(&window, true);
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    setTopmost(&window, false);
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(window.isVisible(), shown);
    QCOMPARE(window.geometry(), geometry);
}

void TestWindowUtils::shellOpen_data()
{
    QTest::addColumn<QString>("target");   // "%DIR%" stands for a temporary folder
    QTest::addColumn<bool>("accepted");    // what the handler answers
    QTest::addColumn<QString>("expected"); // URL handed to the handler; "" when not called
    QTest::addColumn<int>("result");
    QTest::newRow("absolute file") << "%DIR%/Localization.txt" << true << "file://%DIR%/Localization.txt" << 42;
    QTest::newRow("relative file") << "Localization.txt" << true << "file://%DIR%/Localization.txt" << 42;
    QTest::newRow("file with blank") << "%DIR%/Help file.rtf" << true << "file://%DIR%/Help%20file.rtf" << 42;
    QTest::newRow("missing absolute") << "%DIR%/none.txt" << true << "file://%DIR%/none.txt" << 42;
    QTest::newRow("website host") << "www.ocellus.example" << true << "http://www.ocellus.example" << 42;
    QTest::newRow("full address") << "https://www.ocellus.example/a?b=1" << true
                                  << "https://www.ocellus.example/a?b=1" << 42;
    QTest::newRow("handler refuses") << "www.ocellus.example" << false << "http://www.ocellus.example" << 2;
    QTest::newRow("empty") << "" << true << "" << 2;
    QTest::newRow("blank") << "   " << true << "" << 2;
}

void TestWindowUtils::shellOpen()
{
    QFETCH(QString, target);
    QFETCH(bool, accepted);
    QFETCH(QString, expected);
    QFETCH(int, result);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char *name : {"Localization.txt", "Help file.rtf"}) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    target.replace(QStringLiteral("%DIR%"), dir.path());
    expected.replace(QStringLiteral("%DIR%"), dir.path());

    QList<QUrl> opened;
    setShellOpenHandlerForTesting([&](const QUrl &url) {
        opened.append(url);
        return accepted;
    });
    const int code = ::shellOpen(target, 1);
    QDir::setCurrent(previous);

    QCOMPARE(code, result);
    if (expected.isEmpty()) {
        QVERIFY(opened.isEmpty());
    } else {
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened[0].toString(QUrl::FullyEncoded), expected);
    }
}

QTEST_MAIN(TestWindowUtils)
#include "tst_windowutils.moc"
