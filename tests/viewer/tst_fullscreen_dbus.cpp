// SPDX-License-Identifier: GPL-3.0-or-later
// The full-screen view holds the desktop's screen saver off, checked against a fake
// org.freedesktop.ScreenSaver service on a private session bus: one inhibition per
// opening, released with the same cookie however the view closes, and File > Exit
// ending the event loop without the unload step.

#include "../monitor/WindowFixture.h"

#include "platform/ScreenSaver.h"
#include "support/FakeScreenSaver.h"
#include "support/SessionBus.h"
#include "viewer/ui/FullScreenView.h"
#include "viewer/ui/ImageControl.h"
#include "viewer/ui/ViewerPanel.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <memory>

using namespace fixture;

namespace {

using Call = FakeScreenSaver::Call;

// Runs the application's own event loop (as main() does) until something calls
// QCoreApplication::exit(); `action` runs first thing inside it. Returns exec()'s
// result, 99 when nothing ended the loop within 30 s.
template<typename Action> int runApplicationLoop(Action action)
{
    QTimer::singleShot(0, qApp, action);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
    guard.start(30000);
    return QCoreApplication::exec();
}

} // namespace

class TestFullScreenDbus : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void openingInhibitsOnce();
    void closingReleasesTheSameCookie_data();
    void closingReleasesTheSameCookie();
    void reopeningRightAfterClosing();
    void fileExitEndsTheLoopWithoutUnloading();

private:
    // One camera with a picture, selected into the viewer, the window shown.
    std::unique_ptr<TestWindow> window();
    // Opens the view through the viewer's "Screensaver" button; null on failure.
    FullScreenView *openView(TestWindow &w);
    // Calls the service received since init().
    QList<Call> newCalls() const { return m_service->calls().mid(m_seen); }

    std::unique_ptr<SessionBus> m_bus;
    std::unique_ptr<FakeScreenSaver> m_service;
    qsizetype m_seen = 0;
};

void TestFullScreenDbus::initTestCase()
{
    // Only MainWindow's own handlers may end the event loop here.
    QApplication::setQuitOnLastWindowClosed(false);
    m_bus = std::make_unique<SessionBus>();
    QVERIFY2(m_bus->isRunning(), qPrintable(m_bus->error()));
    m_service = std::make_unique<FakeScreenSaver>(m_bus->address());
    QVERIFY(m_service->isOk());
    // The program's session-bus connection must reach the private bus.
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    QVERIFY(bus);
    QVERIFY(bus->isServiceRegistered(FakeScreenSaver::ServiceName));
}

void TestFullScreenDbus::init()
{
    m_seen = m_service->calls().size();
}

void TestFullScreenDbus::cleanup()
{
    // No view and no held cookie outlive a failed case.
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("Form6"))
            widget->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    setScreenSaverActive(true);
}

void TestFullScreenDbus::cleanupTestCase()
{
    m_service.reset();
    QDBusConnection::disconnectFromBus(QDBusConnection::sessionBus().name());
    m_bus.reset();
}

std::unique_ptr<TestWindow> TestFullScreenDbus::window()
{
    auto w = std::make_unique<TestWindow>(QList<Camera>{{QStringLiteral("Garden"), QStringLiteral("http://127.0.0.1:9/g.jpg")}});
    w->open(QStringLiteral("Garden"));
    w->window->show();
    w->deliver(0, imageResponse(jpegBytes(64, 48)));
    w->window->showSlotInViewer(0);
    return w;
}

FullScreenView *TestFullScreenDbus::openView(TestWindow &w)
{
    control<QPushButton>(w.window.get(), "Command3")->click();
    FullScreenView *view = w.window->fullScreenView();
    if (view && !QTest::qWaitForWindowExposed(view))
        return nullptr;
    return view;
}

void TestFullScreenDbus::openingInhibitsOnce()
{
    auto w = window();
    FullScreenView *view = openView(*w);
    QVERIFY(view);
    QVERIFY(w->window->fullScreenView() && w->window->fullScreenView()->isActive());
    QList<Call> calls = newCalls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].method, QStringLiteral("Inhibit"));
    QCOMPARE(calls[0].application, QCoreApplication::applicationName());
    QCOMPARE(calls[0].reason, QStringLiteral("Full-screen camera view"));
    const uint cookie = calls[0].cookie;

    // The button again while the view is open (the main window is still reachable):
    // the same window, still one inhibition.
    control<QPushButton>(w->window.get(), "Command3")->click();
    QCOMPARE(w->window->fullScreenView(), view);
    QCOMPARE(newCalls().size(), 1);

    // New pictures while open ask nothing of the service.
    w->camera(0)->refresh();
    w->deliver(0, imageResponse(jpegBytes(32, 24)));
    QCOMPARE(control<ImageControl>(view, "Image1")->picture().size(), QSize(32, 24));
    QCOMPARE(newCalls().size(), 1);

    QTest::mouseClick(control<ImageControl>(view, "Image1"), Qt::LeftButton, {}, QPoint(3, 3));
    calls = newCalls();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls[1].method, QStringLiteral("UnInhibit"));
    QCOMPARE(calls[1].cookie, cookie);
}

void TestFullScreenDbus::closingReleasesTheSameCookie_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("click on the picture") << QStringLiteral("click");
    QTest::newRow("Escape") << QStringLiteral("escape");
    QTest::newRow("window manager's close") << QStringLiteral("system");
    QTest::newRow("main window closed") << QStringLiteral("main");
}

void TestFullScreenDbus::closingReleasesTheSameCookie()
{
    QFETCH(QString, how);
    auto w = window();
    QPointer<FullScreenView> view = openView(*w);
    QVERIFY(view);
    QCOMPARE(newCalls().size(), 1);
    const uint cookie = newCalls().constFirst().cookie;

    if (how == QLatin1String("click")) {
        QTest::mouseClick(control<ImageControl>(view, "Image1"), Qt::LeftButton, {}, QPoint(5, 5));
    } else if (how == QLatin1String("escape")) {
        QTest::keyClick(view.data(), Qt::Key_Escape);
    } else if (how == QLatin1String("system")) {
        QVERIFY(view->windowHandle());
        view->windowHandle()->close();
    } else {
        // Closing the main window unloads the secondary windows and ends the loop.
        const int result = runApplicationLoop([&] { w->window->close(); });
        QCOMPARE(result, 0);
        QVERIFY(!w->window->isVisible());
    }

    const QList<Call> calls = newCalls();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls[1].method, QStringLiteral("UnInhibit"));
    QCOMPARE(calls[1].cookie, cookie);
    QVERIFY(!w->window->fullScreenView() || !w->window->fullScreenView()->isActive());
    QTRY_VERIFY(view.isNull());
    QVERIFY(!w->window->fullScreenView());
}

void TestFullScreenDbus::reopeningRightAfterClosing()
{
    auto w = window();
    FullScreenView *first = openView(*w);
    QVERIFY(first);
    // Escape, and the button again before the closed window is gone.
    QTest::keyClick(first, Qt::Key_Escape);
    control<QPushButton>(w->window.get(), "Command3")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QPointer<FullScreenView> second = w->window->fullScreenView();
    QVERIFY(second);
    QVERIFY(second->isVisible());
    QVERIFY(w->window->fullScreenView() && w->window->fullScreenView()->isActive());
    QCOMPARE(newCalls().size(), 3);
    QCOMPARE(newCalls().last().method, QStringLiteral("Inhibit"));
    QTest::mouseClick(control<ImageControl>(second, "Image1"), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!w->window->fullScreenView() || !w->window->fullScreenView()->isActive());

    // Every inhibition was released with its own cookie.
    const QList<Call> calls = newCalls();
    QCOMPARE(calls.size(), 4);
    QCOMPARE(calls[1].method, QStringLiteral("UnInhibit"));
    QCOMPARE(calls[1].cookie, calls[0].cookie);
    QCOMPARE(calls[3].method, QStringLiteral("UnInhibit"));
    QCOMPARE(calls[3].cookie, calls[2].cookie);
    QVERIFY(calls[2].cookie != calls[0].cookie);
}

void TestFullScreenDbus::fileExitEndsTheLoopWithoutUnloading()
{
    auto w = window();
    QPointer<FullScreenView> view = openView(*w);
    QVERIFY(view);
    QAction *exit = control<QAction>(w->window.get(), "mnuFileItem", 0);
    QVERIFY(exit);

    QCOMPARE(runApplicationLoop([exit] { exit->trigger(); }), 0);

    // The loop ended at once: no window was closed, the inhibition is still held (the
    // process would now end and the bus drop it with the connection).
    QVERIFY(w->window->isVisible());
    QVERIFY(view);
    QVERIFY(view->isVisible());
    QVERIFY(w->window->fullScreenView() && w->window->fullScreenView()->isActive());
    QCOMPARE(newCalls().size(), 1);
    QCOMPARE(newCalls().constFirst().method, QStringLiteral("Inhibit"));
}

QTEST_MAIN(TestFullScreenDbus)
#include "tst_fullscreen_dbus.moc"
