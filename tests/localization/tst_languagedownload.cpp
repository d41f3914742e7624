// SPDX-License-Identifier: GPL-3.0-or-later
// The language window's update download against a real HTTP server on loopback
// (Python's http.server): what is stored, what is rejected, the window's state while
// the download runs, and a file that cannot be written.

#include "localization/ui/LanguageWindow.h"

#include "LanguageTestSupport.h"

#include "app/Identity.h"
#include "app/SettingsKeys.h"
#include "localization/DefaultMessages.h"
#include "localization/LanguageTable.h"
#include "localization/LocalizationFile.h"
#include "platform/Downloader.h"
#include "platform/SettingsStore.h"
#include "support/BoxAnswerer.h"
#include "support/Controls.h"
#include "support/FileFaults.h"
#include "support/PythonHttpServer.h"
#include "support/TempAppFolder.h"

#include <QComboBox>
#include <QDir>
#include <QHostAddress>
#include <QPointer>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

using namespace langtest;

namespace {

QComboBox *languageList(const QWidget *window) { return control<QComboBox>(window, "Combo1"); }
QPushButton *downloadButton(const QWidget *window) { return control<QPushButton>(window, "Command1"); }

// The states of the window's four controls, in the order combo, 1, 2, 3.
QList<bool> enabledStates(const LanguageWindow *w)
{
    QList<bool> states {languageList(w)->isEnabled()};
    for (const char *button : {"Command1", "Command2", "Command3"})
        states.append(control<QPushButton>(w, button)->isEnabled());
    return states;
}

const QList<bool> AllEnabled {true, true, true, true};

} // namespace

class TestLanguageDownload : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();

    void downloadStoresTheBody_data();
    void downloadStoresTheBody();
    void downloadRejected_data();
    void downloadRejected();
    void buttonsDisabledWhileDownloading();
    void closedDuringTheDownload();
    void unwritableFileKeepsTheOldOne();
    void noFileToKeep_data();
    void noFileToKeep();

private:
    void serve(const QByteArray &body);
    void serveNothing();

    QTemporaryDir m_serverRoot;
    std::unique_ptr<PythonHttpServer> m_server;
    QString m_base;
    LanguageTable m_languages;
};

void TestLanguageDownload::initTestCase()
{
    loadIdentity();
    QVERIFY(m_serverRoot.isValid());
    QVERIFY(QDir(m_serverRoot.path()).mkpath(QStringLiteral("Languages/0")));
    m_server = std::make_unique<PythonHttpServer>(m_serverRoot.path());
    QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    m_base = m_server->url(QStringLiteral("/Languages/"));
}

void TestLanguageDownload::init()
{
    m_languages = LanguageTable();
    QFile::remove(userSettingsFilePath(identity().programName));
    // The update address becomes <server>/Languages/0/Localization.txt.
    qputenv("OCELLUS_LANGUAGE_UPDATE_BASE", m_base.toUtf8());
}

void TestLanguageDownload::serve(const QByteArray &body)
{
    QFile f(m_serverRoot.filePath(QStringLiteral("Languages/0/Localization.txt")));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(body), body.size());
}

void TestLanguageDownload::serveNothing()
{
    QFile::remove(m_serverRoot.filePath(QStringLiteral("Languages/0/Localization.txt")));
}

void TestLanguageDownload::downloadStoresTheBody_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QStringList>("names");
    const QByteArray three
        = localizationFile({languageGroup("English", {{"FRMLANGUAGE_COMMAND1", "Look for updates"}}),
            languageGroup("Klingon"), languageGroup("Dothraki")});
    QTest::newRow("byte-order mark and text before the first tag") << "\xEF\xBB\xBFjunk before\r\n"
            + three << three + "\r\n" << QStringList({"English", "Klingon", "Dothraki"});
    const QByteArray small("<TRANSLATION_ITEMS>\xC3\xBC\xFF\x01 no line end");
    QTest::newRow("under 256 bytes, stored as received") << small << small + "\r\n" << QStringList();
    const QByteArray lower = localizationFile({languageGroup("Kurz")}).toLower();
    QTest::newRow("tags in lower case") << lower << lower + "\r\n" << QStringList({"kurz"});
    const QByteArray large = localizationFile(
        {languageGroup("English", numberedItems(3000)), languageGroup("Deutsch", numberedItems(3000))});
    QTest::newRow("many reads") << large << large + "\r\n" << QStringList({"English", "Deutsch"});
}

void TestLanguageDownload::downloadStoresTheBody()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, stored);
    QFETCH(QStringList, names);
    TempAppFolder folder;
    folder.write(QLatin1String(LocalizationFileName), shippedLocalization());
    serve(body);
    saveUserSetting(
        identity().programName, SettingsKeys::Section, SettingsKeys::Language, QStringLiteral("Deutsch"));
    // A slot of the message table that each re-captioning translates.
    m_languages.setMessage(QStringLiteral("MSG_DOWNLOADED"), QStringLiteral("Downloaded"));
    LanguageWindow w(m_languages, nullptr);
    w.load();
    const QString command1 = downloadButton(&w)->text();
    BoxAnswerer answerer;

    QTest::mouseClick(downloadButton(&w), Qt::LeftButton);

    QCOMPARE(folder.read(QLatin1String(LocalizationFileName)), stored);
    QCOMPARE(comboItems(languageList(&w)), names);
    if (!names.isEmpty())
        QCOMPARE(languageList(&w)->currentText(), QStringLiteral("Deutsch"));
    QTRY_COMPARE(answerer.boxes.size(), 1);
    // The message as the language applied at load (English) translated it.
    QCOMPARE(answerer.boxes.first().text,
        QStringLiteral("The newest language file was downloaded. Choose your language from the list."));
    QCOMPARE(answerer.boxes.first().title, identity().programName);
    // The new file is not applied until the next choice.
    QCOMPARE(downloadButton(&w)->text(), command1);
    QCOMPARE(enabledStates(&w), AllEnabled);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
        QStringList({QLatin1String(LocalizationFileName)}));
}

void TestLanguageDownload::downloadRejected_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("said"); // what the box says, after the address
    const QString notAFile = QStringLiteral(" did not send a language file. Your language file is unchanged.");
    QTest::newRow("error page") << "404" << QByteArray() << QStringLiteral(": 404 ");
    QTest::newRow("page without the marker")
        << "serve" << QByteArray("<html><body>Moved to <a href=x>x</a></body></html>\r\n") << notAFile;
    QTest::newRow("closing tag only") << "serve" << QByteArray("</TRANSLATION_ITEMS>") << notAFile;
    QTest::newRow("empty body") << "serve" << QByteArray() << notAFile;
    QTest::newRow("server unreachable") << "closed" << QByteArray() << QStringLiteral(": ");

}

void TestLanguageDownload::downloadRejected()
{
    QFETCH(QString, server);
    QFETCH(QByteArray, body);
    QFETCH(QString, said);
    TempAppFolder folder;
    const QByteArray local = shippedLocalization();
    folder.write(QLatin1String(LocalizationFileName), local);
    addDefaultMessages(m_languages);
    if (server == QLatin1String("404")) {
        serveNothing();
    } else if (server == QLatin1String("serve")) {
        serve(body);
    } else {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();
        qputenv("OCELLUS_LANGUAGE_UPDATE_BASE",
            QStringLiteral("http://127.0.0.1:%1/Languages/").arg(port).toUtf8());
    }
    m_languages.setMessage(QStringLiteral("MSG_DOWNLOADED"), QStringLiteral("Downloaded"));
    LanguageWindow w(m_languages, nullptr);
    w.load();
    languageList(&w)->setEditText(QStringLiteral("typed"));
    BoxAnswerer answerer;

    QTest::mouseClick(downloadButton(&w), Qt::LeftButton);

    // The window says what went wrong, naming the address; the file stays as it was.
    QCOMPARE(folder.read(QLatin1String(LocalizationFileName)), local);
    QCOMPARE(answerer.boxes.size(), 1);
    const QString url = languageUpdateUrl(identity().website, identity().productNumber);
    QVERIFY2(answerer.boxes.first().text.contains(url + said), qPrintable(answerer.boxes.first().text));
    QCOMPARE(languageList(&w)->count(), 4);
    QCOMPARE(languageList(&w)->currentText(), QStringLiteral("typed"));
    QCOMPARE(enabledStates(&w), AllEnabled);
}

void TestLanguageDownload::buttonsDisabledWhileDownloading()
{
    TempAppFolder folder;
    const QByteArray local = shippedLocalization();
    folder.write(QLatin1String(LocalizationFileName), local);
    const QByteArray body = localizationFile({languageGroup("English"), languageGroup("Klingon")});
    serve(body);
    LanguageWindow w(m_languages, nullptr);
    w.load();
    QList<bool> during;
    QByteArray fileDuring;
    // Runs inside the download's event loop, before the answer is in.
    QMetaObject::invokeMethod(
        this,
        [&] {
            during = enabledStates(&w);
            fileDuring = folder.read(QLatin1String(LocalizationFileName));
        },
        Qt::QueuedConnection);
    BoxAnswerer answerer;

    QTest::mouseClick(downloadButton(&w), Qt::LeftButton);

    QCOMPARE(during, QList<bool>({false, false, false, false}));
    QCOMPARE(fileDuring, local);
    QCOMPARE(enabledStates(&w), AllEnabled);
    QCOMPARE(folder.read(QLatin1String(LocalizationFileName)), body + "\r\n");
    QTRY_COMPARE(answerer.boxes.size(), 1);
}

void TestLanguageDownload::closedDuringTheDownload()
{
    TempAppFolder folder;
    const QByteArray local = shippedLocalization();
    folder.write(QLatin1String(LocalizationFileName), local);
    serve(localizationFile({languageGroup("English"), languageGroup("Klingon")}));
    QPointer<LanguageWindow> w = new LanguageWindow(m_languages, nullptr);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->load();
    w->show();
    QMetaObject::invokeMethod(
        this, [&] { w->close(); }, Qt::QueuedConnection);
    BoxAnswerer answerer;

    downloadButton(w)->click();

    QTRY_VERIFY(!w);
    QCOMPARE(answerer.boxes.size(), 0);
    QCOMPARE(folder.read(QLatin1String(LocalizationFileName)), local);
}

void TestLanguageDownload::unwritableFileKeepsTheOldOne()
{
    TempAppFolder folder;
    const QByteArray local = shippedLocalization();
    folder.write(QLatin1String(LocalizationFileName), local);
    serve(localizationFile({languageGroup("English", numberedItems(400)), languageGroup("Klingon")}));
    m_languages.setMessage(QStringLiteral("MSG_DOWNLOADED"), QStringLiteral("Downloaded"));
    addDefaultMessages(m_languages); // the rest of the program's messages, after this one
    LanguageWindow w(m_languages, nullptr);
    w.load();
    BoxAnswerer answerer;
    {
        // No file of this process may grow beyond 4 KiB, root included.
        FileSizeLimit limit(4096);
        if (!limit.active())
            QSKIP("the file size limit cannot be set here");
        QTest::mouseClick(downloadButton(&w), Qt::LeftButton);
    }

    QTRY_COMPARE(answerer.boxes.size(), 1);
    const BoxAnswerer::Box box = answerer.boxes.first();
    QCOMPARE(box.icon, QMessageBox::Warning);
    QVERIFY2(box.text.contains(folder.file(QLatin1String(LocalizationFileName))), qPrintable(box.text));
    QVERIFY2(box.text.contains(QStringLiteral("previous file is kept")), qPrintable(box.text));
    QCOMPARE(folder.read(QLatin1String(LocalizationFileName)), local);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
        QStringList({QLatin1String(LocalizationFileName)}));
    QCOMPARE(comboItems(languageList(&w)), QStringList({"English", "Deutsch", "Français", "Español"}));
    QCOMPARE(enabledStates(&w), AllEnabled);
}

void TestLanguageDownload::noFileToKeep_data()
{
    QTest::addColumn<bool>("directoryInPlace");
    QTest::newRow("directory where the file must go") << true;
    QTest::newRow("full disk, no file yet") << false;
}

void TestLanguageDownload::noFileToKeep()
{
    QFETCH(bool, directoryInPlace);
    TempAppFolder folder;
    const QString target = folder.file(QLatin1String(LocalizationFileName));
    if (directoryInPlace)
        QVERIFY(QDir(folder.path()).mkdir(QLatin1String(LocalizationFileName)));
    serve(localizationFile({languageGroup("English", numberedItems(400)), languageGroup("Klingon")}));
    m_languages.setMessage(QStringLiteral("MSG_DOWNLOADED"), QStringLiteral("Downloaded"));
    addDefaultMessages(m_languages); // the rest of the program's messages, after this one
    LanguageWindow w(m_languages, nullptr);
    w.load();
    BoxAnswerer answerer;
    {
        std::optional<FileSizeLimit> limit;
        if (!directoryInPlace) {
            limit.emplace(4096);
            if (!limit->active())
                QSKIP("the file size limit cannot be set here");
        }
        QTest::mouseClick(downloadButton(&w), Qt::LeftButton);
    }

    QTRY_COMPARE(answerer.boxes.size(), 1);
    QCOMPARE(answerer.boxes.first().icon, QMessageBox::Warning);
    QVERIFY2(answerer.boxes.first().text.contains(target), qPrintable(answerer.boxes.first().text));
    // There was no file to keep, and the message does not claim one.
    QVERIFY2(!answerer.boxes.first().text.contains(QStringLiteral("previous file")),
             qPrintable(answerer.boxes.first().text));
    // Nothing half-written appears, and a directory in the way is left as it was.
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(QFileInfo(target).isDir(), directoryInPlace);
    if (directoryInPlace)
        QCOMPARE(QDir(target).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(languageList(&w)->count(), 0);
    QCOMPARE(enabledStates(&w), AllEnabled);
}

QTEST_MAIN(TestLanguageDownload)
#include "tst_languagedownload.moc"
