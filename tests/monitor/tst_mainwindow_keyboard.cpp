// SPDX-License-Identifier: GPL-3.0-or-later
// The main window and its dialogs driven from the keyboard alone: the shortcuts, Enter and
// Escape in the dialogs, and Tab through every control in reading order.

#include "WindowFixture.h"

#include "camlist/CameraListFile.h"
#include "viewer/ui/FullScreenView.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

using namespace fixture;

namespace {

QList<Camera> twoCameras()
{
    return {{QStringLiteral("Porch"), QStringLiteral("http://127.0.0.1:9/porch.jpg")},
            {QStringLiteral("Yard"), QStringLiteral("http://127.0.0.1:9/yard.jpg")}};
}

QWidget *topLevel(const char *name)
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String(name) && window->isVisible())
            return window;
    }
    return nullptr;
}

bool activate(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

// Types `key` where the keyboard focus of `window` is, as a user does.
void press(QWidget *window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : window;
    QTest::keyClick(target, key, modifiers);
}

// Which of the window's three columns holds `widget`: 0 controls, 1 slots, 2 viewer, -1 none.
int columnOf(const QWidget *widget)
{
    static const char *const columns[] = {"Frame1", "frmCams", "frmMain"};
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        for (int i = 0; i < 3; ++i) {
            if (w->objectName() == QLatin1String(columns[i]))
                return i;
        }
    }
    return -1;
}

int slotOf(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (w->objectName() == QLatin1String("Frame") && w->property("Index").isValid())
            return w->property("Index").toInt();
    }
    return -1;
}

} // namespace

class TestMainWindowKeyboard : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup()
    {
        for (QWidget *window : QApplication::topLevelWidgets())
            window->close();
    }
    void shortcutsOfTheMainWindow_data();
    void shortcutsOfTheMainWindow();
    void cameraDialogAnswersEnterAndEscape_data();
    void cameraDialogAnswersEnterAndEscape();
    void tabVisitsEveryControlInReadingOrder();
};

void TestMainWindowKeyboard::shortcutsOfTheMainWindow_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("opens");  // the window that must show, or "Exit" for the item triggered
    QTest::newRow("F1: the help") << int(Qt::Key_F1) << int(Qt::NoModifier) << "Form8";
    QTest::newRow("F11: the viewer's camera full screen") << int(Qt::Key_F11) << int(Qt::NoModifier) << "Form6";
    QTest::newRow("Ctrl+Q: Exit") << int(Qt::Key_Q) << int(Qt::ControlModifier) << "Exit";
}

void TestMainWindowKeyboard::shortcutsOfTheMainWindow()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, opens);
    TestWindow w(twoCameras());
    QFile shippedHelp(QStringLiteral(":/Help.rtf"));
    QVERIFY(shippedHelp.open(QIODevice::ReadOnly));
    w.folder.write(QStringLiteral("Help.rtf"), shippedHelp.readAll());
    w.open(QStringLiteral("Porch"));
    w.window->showSlotInViewer(0);
    QVERIFY(activate(w.window.get()));

    QAction *exit = nullptr;
    for (QAction *action : w.window->findChildren<QAction *>(QStringLiteral("mnuFileItem"))) {
        if (action->property("Index").toInt() == 0)
            exit = action;
    }
    QVERIFY(exit);
    QSignalSpy exitTriggered(exit, &QAction::triggered);

    press(w.window.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    if (opens == QLatin1String("Exit")) {
        QCOMPARE(exitTriggered.size(), 1);
    } else {
        QTRY_VERIFY(topLevel(opens.toLatin1().constData()));
        QCOMPARE(exitTriggered.size(), 0);
    }
}

void TestMainWindowKeyboard::cameraDialogAnswersEnterAndEscape_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("added");
    QTest::newRow("Enter confirms") << int(Qt::Key_Return) << true;
    QTest::newRow("keypad Enter confirms") << int(Qt::Key_Enter) << true;
    QTest::newRow("Escape cancels") << int(Qt::Key_Escape) << false;
}

void TestMainWindowKeyboard::cameraDialogAnswersEnterAndEscape()
{
    QFETCH(int, key);
    QFETCH(bool, added);
    TestWindow w(twoCameras());
    QVERIFY(activate(w.window.get()));
    control<QPushButton>(w.window.get(), "cmdAdd")->click();
    QWidget *dialog = nullptr;
    QTRY_VERIFY((dialog = topLevel("Form2")));
    QVERIFY(activate(dialog));
    // The dialog opens with the focus in its first field; the user types and moves on with Tab.
    QTRY_COMPARE(QApplication::focusWidget(), control<QLineEdit>(dialog, "Text1"));
    press(dialog, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Garage"));
    press(dialog, Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("http://127.0.0.1:9/garage.jpg"));
    press(dialog, Qt::Key(key));

    QTRY_VERIFY(!dialog->isVisible());
    const QStringList expected = added ? QStringList{"Porch", "Yard", "Garage"} : QStringList{"Porch", "Yard"};
    QCOMPARE(CameraListFile::readCameraNames(), expected);
    QCOMPARE(w.list()->count(), expected.size());
}

void TestMainWindowKeyboard::tabVisitsEveryControlInReadingOrder()
{
    TestWindow w(twoCameras());
    w.open(QStringLiteral("Porch"));
    w.open(QStringLiteral("Yard"));
    w.window->showSlotInViewer(1);
    QVERIFY(activate(w.window.get()));

    // Every control a user can reach: shown, enabled and taking the focus from Tab.
    QSet<QWidget *> reachable;
    for (QWidget *widget : w.window->findChildren<QWidget *>()) {
        if (widget->isVisibleTo(w.window.get()) && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus))
            reachable.insert(widget);
    }
    QVERIFY(reachable.size() > 10);

    QWidget *first = control<QPushButton>(w.window.get(), "cmdAdd");
    first->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), first);
    QList<QWidget *> visited {first};
    for (int step = 0; step < 200; ++step) {
        press(w.window.get(), Qt::Key_Tab);
        if (QApplication::focusWidget() == first)
            break;
        visited.append(QApplication::focusWidget());
    }
    QCOMPARE(QApplication::focusWidget(), first);
    QCOMPARE(QSet<QWidget *>(visited.cbegin(), visited.cend()), reachable);
    QCOMPARE(visited.size(), reachable.size());

    // Column by column (controls, slots, viewer), slot by slot, and within the controls
    // column row by row from the top, left to right.
    for (qsizetype i = 1; i < visited.size(); ++i) {
        const QWidget *before = visited.at(i - 1);
        const QWidget *now = visited.at(i);
        const QString step = before->objectName() + QStringLiteral(" -> ") + now->objectName();
        QVERIFY2(columnOf(before) <= columnOf(now), qPrintable(step));
        if (columnOf(now) == 1 && columnOf(before) == 1)
            QVERIFY2(slotOf(before) <= slotOf(now), qPrintable(step));
        if (columnOf(now) == 0 && columnOf(before) == 0) {
            const QPoint a = before->mapTo(w.window.get(), QPoint());
            const QPoint b = now->mapTo(w.window.get(), QPoint());
            QVERIFY2(a.y() < b.y() || (a.y() == b.y() && a.x() < b.x()), qPrintable(step));
        }
    }
}

QTEST_MAIN(TestMainWindowKeyboard)
#include "tst_mainwindow_keyboard.moc"
