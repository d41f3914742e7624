// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/RedrawLock.h"

#include <QApplication>
#include <QPainter>
#include <QTest>
#include <QWidget>

#include <memory>

namespace {

class PaintCounter : public QWidget
{
public:
    using QWidget::QWidget;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override
    {
        ++paints;
        QPainter(this).fillRect(rect(), Qt::darkGreen);
    }
};

// Delivers every posted event, paint requests included.
void settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

} // namespace

class TestRedrawLock : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void unlockedWindowPaints_data();
    void unlockedWindowPaints();
    void lockHoldsPaintUntilUnlock_data();
    void lockHoldsPaintUntilUnlock();
    void conditionsLeaveDrawingAlone_data();
    void conditionsLeaveDrawingAlone();
    void unlockReleasesWhateverTheConditions();
    void oneWindowAtATime();
    void destroyedWindowReleasesLock();

private:
    void poke(const QString &how);

    std::unique_ptr<QWidget> m_window;
    PaintCounter *m_child = nullptr;
};

void TestRedrawLock::init()
{
    setRedrawConditions(nullptr, {});
    m_window = std::make_unique<QWidget>();
    m_window->resize(320, 240);
    m_child = new PaintCounter(m_window.get());
    m_child->setGeometry(10, 10, 100, 80);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QTRY_VERIFY(m_child->paints > 0);
    settle();
}

void TestRedrawLock::cleanup()
{
    lockRedraw(nullptr, false);
    setRedrawConditions(nullptr, {});
    m_window.reset();
}

void TestRedrawLock::poke(const QString &how)
{
    if (how == QLatin1String("repaint"))
        m_child->repaint();
    else
        m_child->update();
}

void TestRedrawLock::unlockedWindowPaints_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("update") << "update";
    QTest::newRow("repaint") << "repaint";
}

void TestRedrawLock::unlockedWindowPaints()
{
    // The yardstick for the cases below: without a lock, settle() paints.
    QFETCH(QString, how);
    const int before = m_child->paints;
    poke(how);
    settle();
    QVERIFY(m_child->paints > before);
}

void TestRedrawLock::lockHoldsPaintUntilUnlock_data() { unlockedWindowPaints_data(); }

void TestRedrawLock::lockHoldsPaintUntilUnlock()
{
    QFETCH(QString, how);
    // Any widget of the window locks the whole top-level window.
    QVERIFY(lockRedraw(m_child, true));
    QCOMPARE(redrawLockedWindow(), m_window.get());
    const int before = m_child->paints;
    poke(how);
    poke(how);
    settle();
    QCOMPARE(m_child->paints, before);

    QVERIFY(lockRedraw(m_window.get(), false));
    QCOMPARE(redrawLockedWindow(), nullptr);
    QTRY_VERIFY(m_child->paints > before);
    // The held-back requests become one paint.
    settle();
    QCOMPARE(m_child->paints, before + 1);
}

void TestRedrawLock::conditionsLeaveDrawingAlone_data()
{
    QTest::addColumn<bool>("minimised");
    QTest::addColumn<bool>("fullScreen");
    QTest::newRow("main window minimised") << true << false;
    QTest::newRow("full-screen view visible") << false << true;
}

void TestRedrawLock::conditionsLeaveDrawingAlone()
{
    QFETCH(bool, minimised);
    QFETCH(bool, fullScreen);
    QWidget mainWindow;
    if (minimised) {
        mainWindow.showMinimized();
        QTRY_VERIFY(mainWindow.isMinimized());
    }
    setRedrawConditions(&mainWindow, [fullScreen] { return fullScreen; });

    QVERIFY(!lockRedraw(m_window.get(), true));
    QCOMPARE(redrawLockedWindow(), nullptr);
    const int before = m_child->paints;
    m_child->update();
    settle();
    QVERIFY(m_child->paints > before);
    // Nothing was locked, so the unlock has nothing to undo.
    QVERIFY(!lockRedraw(m_window.get(), false));

    // Once the condition is gone, locking works again.
    setRedrawConditions(&mainWindow, {});
    mainWindow.showNormal();
    QTRY_VERIFY(!mainWindow.isMinimized());
    QVERIFY(lockRedraw(m_window.get(), true));
}

void TestRedrawLock::unlockReleasesWhateverTheConditions()
{
    bool fullScreen = false;
    setRedrawConditions(nullptr, [&fullScreen] { return fullScreen; });
    QVERIFY(lockRedraw(m_window.get(), true));
    const int before = m_child->paints;
    m_child->update();
    settle();
    QCOMPARE(m_child->paints, before);
    // The full-screen view opens between lock and unlock: the window must not stay frozen.
    fullScreen = true;
    QVERIFY(lockRedraw(m_window.get(), false));
    QTRY_VERIFY(m_child->paints > before);
}

void TestRedrawLock::oneWindowAtATime()
{
    QWidget other;
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QVERIFY(lockRedraw(m_window.get(), true));
    QVERIFY(!lockRedraw(&other, true));
    QVERIFY(!lockRedraw(m_window.get(), true));
    QCOMPARE(redrawLockedWindow(), m_window.get());
    // The unlock releases the locked window, whichever window it names.
    QVERIFY(lockRedraw(&other, false));
    QCOMPARE(redrawLockedWindow(), nullptr);
    QVERIFY(!lockRedraw(&other, false));
    QVERIFY(lockRedraw(&other, true));
    QCOMPARE(redrawLockedWindow(), &other);
    QVERIFY(!lockRedraw(nullptr, true));
}

void TestRedrawLock::destroyedWindowReleasesLock()
{
    auto doomed = std::make_unique<QWidget>();
    QVERIFY(lockRedraw(doomed.get(), true));
    doomed.reset();
    QCOMPARE(redrawLockedWindow(), nullptr);
    QVERIFY(lockRedraw(m_window.get(), true));
}

QTEST_MAIN(TestRedrawLock)
#include "tst_redrawlock.moc"
