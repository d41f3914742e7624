#include "app/Identity.h"
#include "app/ui/AboutDialog.h"
#include "app/ui/WebsiteLauncher.h"
#include "platform/ui/ShellOpen.h"

#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QUrl>

class TestAboutWebsite : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void aboutShowsTheIdentity();
    void aboutShowsMajorDotMinor_data();
    void aboutShowsMajorDotMinor();
    void aboutTwiceBringsTheSameWindowForward();
    void websiteLabelOpensTheSiteOnce();
    void websiteAddress_data();
    void websiteAddress();
    void launcherOpensOnlyOnRequest_data();
    void launcherOpensOnlyOnRequest();
    void secondLaunchWithinTheSecondOpensNothing();
    void launcherPassesSchemeUnchanged();

private:
    ProductIdentity m_original;
    QList<QUrl> m_opened;
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
    delete AboutDialog::instance();
    delete WebsiteLauncher::instance();
    setIdentityForTesting(m_original);
    WebsiteRequest.clear();
    m_opened.clear();
}

void TestAboutWebsite::aboutShowsTheIdentity()
{
    AboutDialog *about = AboutDialog::showAbout(nullptr);
    QVERIFY(about);
    QVERIFY(about->isVisible());
    QCOMPARE(about->windowTitle(), QStringLiteral("About Ocellus"));
    QCOMPARE(about->Label1->text(), QStringLiteral("Ocellus"));
    QCOMPARE(about->lblCompany->text(), QStringLiteral("Quillmark"));
    QCOMPARE(about->lblVersion->text(), QStringLiteral("1.0"));
    QCOMPARE(about->lblWebsite->text(), QStringLiteral("www.ocellus.example"));
    QVERIFY(!about->lblNotice->text().isEmpty());

    QCOMPARE(about->size(), QSize(497, 169));
    QCOMPARE(about->minimumSize(), about->maximumSize());
    QVERIFY(!about->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!about->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    const QRect area = about->screen()->availableGeometry();
    QVERIFY(qAbs(about->frameGeometry().center().x() - area.center().x()) <= 1);
    QVERIFY(qAbs(about->frameGeometry().center().y() - area.center().y()) <= 1);

    QCOMPARE(about->Label1->font().family(), QStringLiteral("Verdana"));
    QCOMPARE(about->Label1->font().pointSizeF(), 14.25);
    QVERIFY(about->Label1->font().bold());
    QCOMPARE(about->Label1->parentWidget(), about->Picture1);
    QVERIFY(!about->Picture1->pixmap().isNull());
    for (QLabel *value : {about->lblVersion, about->lblCompany, about->lblWebsite}) {
        QCOMPARE(value->font().pointSizeF(), 12.0);
        QVERIFY(value->font().bold());
        QCOMPARE(value->x(), 172);   // 2580 twips
    }
    QCOMPARE(about->lblVersion->y(), 84);    // 1260 twips
    QCOMPARE(about->lblWebsite->y(), 140);   // 2100 twips
    QCOMPARE(about->lblWebsite->palette().color(QPalette::WindowText), QColor(Qt::blue));
    QCOMPARE(about->lblWebsite->cursor().shape(), Qt::PointingHandCursor);
}

void TestAboutWebsite::aboutShowsMajorDotMinor_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<QString>("shown");
    QTest::newRow("2.1") << 2 << 1 << QStringLiteral("2.1");
    QTest::newRow("minor 10 is not 1.1") << 2 << 10 << QStringLiteral("2.10");
    QTest::newRow("zeros") << 0 << 0 << QStringLiteral("0.0");
    QTest::newRow("two-digit major") << 12 << 3 << QStringLiteral("12.3");
}

void TestAboutWebsite::aboutShowsMajorDotMinor()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(QString, shown);
    ProductIdentity identity = m_original;
    identity.versionMajor = major;
    identity.versionMinor = minor;
    identity.programName = QStringLiteral("Renamed");
    setIdentityForTesting(identity);

    AboutDialog *about = AboutDialog::showAbout(nullptr);
    QVERIFY(about);
    QCOMPARE(about->lblVersion->text(), shown);
    QCOMPARE(about->windowTitle(), QStringLiteral("About Renamed"));
}

void TestAboutWebsite::aboutTwiceBringsTheSameWindowForward()
{
    AboutDialog *first = AboutDialog::showAbout(nullptr);
    first->hide();
    QCOMPARE(AboutDialog::showAbout(nullptr), first);
    QVERIFY(first->isVisible());
    first->close();
    QTRY_VERIFY(AboutDialog::instance() == nullptr);
    QVERIFY(AboutDialog::showAbout(nullptr) != nullptr);
}

void TestAboutWebsite::websiteLabelOpensTheSiteOnce()
{
    AboutDialog *about = AboutDialog::showAbout(nullptr);
    QVERIFY(about);
    QTest::mouseClick(about->lblWebsite, Qt::RightButton);
    QVERIFY(m_opened.isEmpty());

    QTest::mouseClick(about->lblWebsite, Qt::LeftButton);
    QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("http://www.ocellus.example"))});
    QVERIFY(WebsiteRequest.isEmpty());
    QVERIFY(WebsiteLauncher::instance());
    QVERIFY(!WebsiteLauncher::instance()->isVisible());

    QTest::mouseClick(about->lblWebsite, Qt::LeftButton);   // within the launcher's second
    QCOMPARE(m_opened.size(), 1);
    QCOMPARE(WebsiteRequest, QStringLiteral("Website"));
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
    WebsiteRequest = request;
    WebsiteLauncher::launch();
    QVERIFY(WebsiteLauncher::instance());
    QVERIFY(!WebsiteLauncher::instance()->isVisible());
    QCOMPARE(m_opened.size(), opened);
    QCOMPARE(WebsiteRequest, opened ? QString() : request);
}

void TestAboutWebsite::secondLaunchWithinTheSecondOpensNothing()
{
    const QUrl site(QStringLiteral("http://www.ocellus.example"));
    WebsiteRequest = QStringLiteral("Website");
    WebsiteLauncher::launch();
    QCOMPARE(m_opened, QList<QUrl>{site});
    QPointer<WebsiteLauncher> launcher = WebsiteLauncher::instance();
    QVERIFY(launcher);
    QCOMPARE(launcher->Timer1->interval(), 1000);
    QVERIFY(launcher->Timer1->isActive());

    WebsiteRequest = QStringLiteral("Website");
    WebsiteLauncher::launch();
    QCOMPARE(m_opened.size(), 1);
    QCOMPARE(WebsiteRequest, QStringLiteral("Website"));
    QCOMPARE(WebsiteLauncher::instance(), launcher.data());

    QTRY_VERIFY_WITH_TIMEOUT(WebsiteLauncher::instance() == nullptr, 5000);
    QVERIFY(launcher.isNull());

    WebsiteLauncher::launch();
    QCOMPARE(m_opened, (QList<QUrl>{site, site}));
    QVERIFY(WebsiteRequest.isEmpty());
}

void TestAboutWebsite::launcherPassesSchemeUnchanged()
{
    ProductIdentity identity = m_original;
    identity.website = QStringLiteral("https://secure.ocellus.example/start");
    setIdentityForTesting(identity);
    WebsiteRequest = QStringLiteral("Website");
    WebsiteLauncher::launch();
    QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("https://secure.ocellus.example/start"))});
}

QTEST_MAIN(TestAboutWebsite)
#include "tst_aboutwebsite.moc"
