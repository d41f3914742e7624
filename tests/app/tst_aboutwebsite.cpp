// SPDX-License-Identifier: GPL-3.0-or-later
// The About window, the website launcher, and the main window's way from a request for
// the website to the browser.
#include "app/Identity.h"
#include "app/ui/AboutDialog.h"
#include "app/ui/WebsiteLauncher.h"
#include "monitor/ui/MainWindow.h"
#include "platform/ui/ShellOpen.h"
#include "support/Controls.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>

class TestAboutWebsite : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void aboutShowsTheIdentity_data();
    void aboutShowsTheIdentity();
    void aboutTwiceBringsTheSameWindowForward();
    void websiteLabelAsksForTheWebsite();
    void mainWindowOpensTheWebsiteOnce_data();
    void mainWindowOpensTheWebsiteOnce();
    void websiteAddress_data();
    void websiteAddress();
    void launcherOpensOnlyOnRequest_data();
    void launcherOpensOnlyOnRequest();
    void secondLaunchWithinTheSecondOpensNothing();
    void launcherPassesSchemeUnchanged();

private:
    ProductIdentity m_original;
    QList<QUrl> m_opened;
    QPointer<AboutDialog> m_about;
    QPointer<WebsiteLauncher> m_launcher;
};

void TestAboutWebsite::initTestCase()
{
    loadIdentity();
    m_original = identity();
    QCOMPARE(m_original.programName, QStringLiteral("Ocellus"));
    setShellOpenHandlerForTesting([this](const QUrl &url) {
        m_opened.append(url);
        return true;
    });
}

void TestAboutWebsite::cleanup()
{
    delete m_about.data();
    delete m_launcher.data();
    setIdentityForTesting(m_original);
    m_opened.clear();
}

void TestAboutWebsite::aboutShowsTheIdentity_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<QString>("version");
    QTest::newRow("as built") << "Ocellus" << 1 << 0 << "1.0";
    QTest::newRow("2.1") << "Renamed" << 2 << 1 << "2.1";
    QTest::newRow("minor 10 is not 1.1") << "Renamed" << 2 << 10 << "2.10";
    QTest::newRow("zeros") << "Renamed" << 0 << 0 << "0.0";
    QTest::newRow("two-digit major") << "Renamed" << 12 << 3 << "12.3";
}

void TestAboutWebsite::aboutShowsTheIdentity()
{
    QFETCH(QString, name);
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(QString, version);
    ProductIdentity changed = m_original;
    changed.programName = name;
    changed.versionMajor = major;
    changed.versionMinor = minor;
    if (name != m_original.programName)
        setIdentityForTesting(changed);
    else
        QCOMPARE(std::pair(m_original.versionMajor, m_original.versionMinor), std::pair(major, minor));

    AboutDialog *about = AboutDialog::open(m_about, nullptr);
    QVERIFY(about);
    QCOMPARE(m_about.data(), about);
    QVERIFY(about->isVisible());
    QCOMPARE(about->windowTitle(), QStringLiteral("About ") + name);
    QCOMPARE(control<QLabel>(about, "Label1")->text(), name);
    QCOMPARE(control<QLabel>(about, "lblVersion")->text(), version);
    QCOMPARE(control<QLabel>(about, "lblCompany")->text(), QStringLiteral("Quillmark"));
    QCOMPARE(control<QLabel>(about, "lblWebsite")->text(), QStringLiteral("www.ocellus.example"));
    QVERIFY(control<QLabel>(about, "lblNotice")->text().startsWith(name + QLatin1Char(' ')));
    const QRect area = about->screen()->availableGeometry();
    QVERIFY(qAbs(about->frameGeometry().center().x() - area.center().x()) <= 1);
    QVERIFY(qAbs(about->frameGeometry().center().y() - area.center().y()) <= 1);
}

void TestAboutWebsite::aboutTwiceBringsTheSameWindowForward()
{
    AboutDialog *first = AboutDialog::open(m_about, nullptr);
    first->hide();
    QCOMPARE(AboutDialog::open(m_about, nullptr), first);
    QVERIFY(first->isVisible());
    first->close();
    QTRY_VERIFY(m_about.isNull());
    QVERIFY(AboutDialog::open(m_about, nullptr) != nullptr);
}

void TestAboutWebsite::websiteLabelAsksForTheWebsite()
{
    AboutDialog *about = AboutDialog::open(m_about, nullptr);
    QSignalSpy asked(about, &AboutDialog::websiteRequested);
    QLabel *website = control<QLabel>(about, "lblWebsite");
    QTest::mouseClick(website, Qt::RightButton);
    // Pressed on the website, released outside it.
    QTest::mousePress(website, Qt::LeftButton);
    QTest::mouseRelease(website, Qt::LeftButton, {}, QPoint(-5, -5));
    QCOMPARE(asked.count(), 0);

    QTest::mouseClick(website, Qt::LeftButton);
    QCOMPARE(asked.count(), 1);
    // The window asks; opening the website is up to whoever holds it.
    QVERIFY(m_opened.isEmpty());
}

void TestAboutWebsite::mainWindowOpensTheWebsiteOnce_data()
{
    QTest::addColumn<bool>("fromAbout"); // otherwise the website button
    QTest::newRow("About window's website") << true;
    QTest::newRow("website button") << false;
}

void TestAboutWebsite::mainWindowOpensTheWebsiteOnce()
{
    QFETCH(bool, fromAbout);
    MainWindow window;
    const auto askForTheWebsite = [&] {
        if (!fromAbout) {
            control<QPushButton>(&window, "Command2")->click();
            return;
        }
        control<QAction>(&window, "mnuAboutItem", 0)->trigger();
        QTest::mouseClick(control<QLabel>(control<AboutDialog>(&window, "frmAbout"), "lblWebsite"), Qt::LeftButton);
    };

    askForTheWebsite();
    QCOMPARE(m_opened, QList<QUrl> {QUrl(QStringLiteral("http://www.ocellus.example"))});
    askForTheWebsite(); // within the launcher's second
    QCOMPARE(m_opened.size(), 1);
}

void TestAboutWebsite::websiteAddress_data()
{
    QTest::addColumn<QString>("website");
    QTest::addColumn<QString>("address");
    QTest::newRow("host name") << QStringLiteral("www.ocellus.example") << QStringLiteral("http://www.ocellus.example");
    QTest::newRow("https kept") << QStringLiteral("https://x.example") << QStringLiteral("https://x.example");
    QTest::newRow("http kept") << QStringLiteral("http://x.example/a") << QStringLiteral("http://x.example/a");
    QTest::newRow("upper case") << QStringLiteral("HTTP://X.EXAMPLE") << QStringLiteral("HTTP://X.EXAMPLE");
    QTest::newRow("mixed case https") << QStringLiteral("hTtPs://x") << QStringLiteral("hTtPs://x");
    QTest::newRow("scheme inside") << QStringLiteral("x/https://y") << QStringLiteral("x/https://y");
    QTest::newRow("other scheme") << QStringLiteral("ftp://x") << QStringLiteral("http://ftp://x");
    QTest::newRow("missing slashes") << QStringLiteral("http:x") << QStringLiteral("http://http:x");
    QTest::newRow("empty") << QString() << QStringLiteral("http://");
}

void TestAboutWebsite::websiteAddress()
{
    QFETCH(QString, website);
    QFETCH(QString, address);
    QCOMPARE(WebsiteLauncher::websiteAddress(website), address);
}

void TestAboutWebsite::launcherOpensOnlyOnRequest_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<int>("opened");
    QTest::newRow("Website") << QStringLiteral("Website") << 1;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("other letter case") << QStringLiteral("website") << 0;
    QTest::newRow("other word") << QStringLiteral("Help") << 0;
}

void TestAboutWebsite::launcherOpensOnlyOnRequest()
{
    QFETCH(QString, request);
    QFETCH(int, opened);
    WebsiteLauncher::launch(m_launcher, request);
    QVERIFY(m_launcher);
    QVERIFY(!m_launcher->isVisible());
    QCOMPARE(m_opened.size(), opened);
    // A served request is forgotten: loading again opens nothing more.
    m_launcher->load();
    QCOMPARE(m_opened.size(), opened);
}

void TestAboutWebsite::secondLaunchWithinTheSecondOpensNothing()
{
    const QUrl site(QStringLiteral("http://www.ocellus.example"));
    WebsiteLauncher::launch(m_launcher, WebsiteLauncher::WebsiteRequest);
    QCOMPARE(m_opened, QList<QUrl> {site});
    QPointer<WebsiteLauncher> launcher = m_launcher;
    QVERIFY(launcher);
    const QTimer *unload = control<QTimer>(launcher.data(), "Timer1");
    QVERIFY(unload);
    QCOMPARE(unload->interval(), 1000);
    QVERIFY(unload->isActive());

    WebsiteLauncher::launch(m_launcher, WebsiteLauncher::WebsiteRequest);
    QCOMPARE(m_opened.size(), 1);
    QCOMPARE(m_launcher.data(), launcher.data());

    QTRY_VERIFY_WITH_TIMEOUT(launcher.isNull(), 5000);
    QVERIFY(m_launcher.isNull());
    WebsiteLauncher::launch(m_launcher, WebsiteLauncher::WebsiteRequest);
    QCOMPARE(m_opened, (QList<QUrl> {site, site}));
}

void TestAboutWebsite::launcherPassesSchemeUnchanged()
{
    ProductIdentity changed = m_original;
    changed.website = QStringLiteral("https://secure.ocellus.example/start");
    setIdentityForTesting(changed);
    WebsiteLauncher::launch(m_launcher, WebsiteLauncher::WebsiteRequest);
    QCOMPARE(m_opened, QList<QUrl> {QUrl(QStringLiteral("https://secure.ocellus.example/start"))});
}

QTEST_MAIN(TestAboutWebsite)
#include "tst_aboutwebsite.moc"
