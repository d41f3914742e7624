// SPDX-License-Identifier: GPL-3.0-or-later
// The help window: the document, the "Show at Startup" choice, opening and unloading.
#include "app/Identity.h"
#include "app/SettingsKeys.h"
#include "app/ui/HelpWindow.h"
#include "platform/SettingsStore.h"
#include "platform/ui/ShellOpen.h"
#include "support/Controls.h"
#include "support/TempAppFolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QUrl>

#include <memory>

namespace {

const QByteArray SampleHelp = QByteArrayLiteral(
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Welcome to {\\b Ocellus} help.\\par Second line.\\par}");

QString storedShowHelp()
{
    return userSetting(identity().programName, SettingsKeys::Section, SettingsKeys::ShowHelp,
                          QStringLiteral("<absent>"));
}

QCheckBox *showAtStartup(const HelpWindow *window) { return control<QCheckBox>(window, "Check1"); }
QTextBrowser *document(const HelpWindow *window) { return control<QTextBrowser>(window, "rtf1"); }

int visibleTopLevelCount()
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        count += widget->isVisible() ? 1 : 0;
    return count;
}

} // namespace

class TestHelpWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void showsFormattedDocumentCentred();
    void shipsAReadableHelpDocument();
    void declinesWithoutHelpFile_data();
    void declinesWithoutHelpFile();
    void untickingKeepsHelpAwayButViewHelpStillOpens();
    void storedValueSetsTheBox_data();
    void storedValueSetsTheBox();
    void askingTwiceBringsTheSameWindowForward();
    void damagedDocumentStillShows_data();
    void damagedDocumentStillShows();
    void linksOpenOutside();
    void ownerKeepsAndUnloadsTheWindow();

private:
    HelpWindow *open(QWidget *owner = nullptr) { return HelpWindow::open(m_help, owner); }

    std::unique_ptr<TempAppFolder> m_folder;
    QList<QUrl> m_opened;
    QPointer<HelpWindow> m_help;
};

void TestHelpWindow::initTestCase()
{
    loadIdentity();
    setShellOpenHandlerForTesting([this](const QUrl &url) {
        m_opened.append(url);
        return true;
    });
}

void TestHelpWindow::init()
{
    QFile::remove(userSettingsFilePath(identity().programName));
    m_folder = std::make_unique<TempAppFolder>();
    m_opened.clear();
}

void TestHelpWindow::cleanup()
{
    delete m_help.data();
    m_folder.reset();
}

void TestHelpWindow::showsFormattedDocumentCentred()
{
    m_folder->write(QStringLiteral("Help.rtf"), SampleHelp);
    HelpWindow *window = open();
    QVERIFY(window);
    QCOMPARE(m_help.data(), window);
    QVERIFY(window->isVisible());
    // Above its owner only, never above other programs.
    QVERIFY(!window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    const QRect area = window->screen()->availableGeometry();
    QVERIFY2(qAbs(window->frameGeometry().center().x() - area.center().x()) <= 1
                 && qAbs(window->frameGeometry().center().y() - area.center().y()) <= 1,
             "the help window is not centred on the screen");

    QVERIFY(showAtStartup(window)->isChecked());
    QVERIFY(document(window)->isReadOnly());
    QVERIFY(document(window)->toPlainText().contains(QStringLiteral("Welcome to Ocellus help.")));
    QVERIFY(document(window)->toPlainText().contains(QStringLiteral("Second line.")));
    QTextCursor bold = document(window)->document()->find(QStringLiteral("Ocellus"));
    QVERIFY(!bold.isNull());
    QCOMPARE(bold.charFormat().fontWeight(), int(QFont::Bold));

    // The box already showed the stored (default) value: nothing was written.
    QCOMPARE(storedShowHelp(), QStringLiteral("<absent>"));
}

void TestHelpWindow::shipsAReadableHelpDocument()
{
    // The document start-up places in a new application folder.
    QFile shipped(QStringLiteral(":/Help.rtf"));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    m_folder->write(QStringLiteral("Help.rtf"), shipped.readAll());

    HelpWindow *window = open();
    QVERIFY(window);
    const QTextDocument *text = document(window)->document();
    QVERIFY(text->blockCount() > 5);
    QVERIFY(text->toPlainText().contains(identity().programName));
    QVERIFY(!text->toPlainText().contains(QLatin1String("\\par")));
    bool bold = false;
    for (QTextBlock block = text->begin(); block.isValid() && !bold; block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd() && !bold; ++fragment)
            bold = fragment.fragment().charFormat().fontWeight() >= QFont::Bold;
    }
    QVERIFY2(bold, "the help text lost its formatting");
    // A new reader starts at the top of the document.
    QCOMPARE(document(window)->textCursor().position(), 0);
    QVERIFY(document(window)->verticalScrollBar()->maximum() > 0);
    QCOMPARE(document(window)->verticalScrollBar()->value(), 0);
}

void TestHelpWindow::declinesWithoutHelpFile_data()
{
    QTest::addColumn<QString>("present");   // what lies in the application folder
    QTest::newRow("nothing") << QString();
    QTest::newRow("other letter case") << QStringLiteral("help.RTF");
    QTest::newRow("folder named Help.rtf") << QStringLiteral("Help.rtf/");
}

void TestHelpWindow::declinesWithoutHelpFile()
{
    QFETCH(QString, present);
    if (present.endsWith(QLatin1Char('/')))
        QVERIFY(QDir().mkpath(m_folder->file(present)));
    else if (!present.isEmpty())
        m_folder->write(present, SampleHelp);

    QCOMPARE(open(), nullptr);
    QVERIFY(m_help.isNull());
    QCOMPARE(visibleTopLevelCount(), 0);
    QCOMPARE(storedShowHelp(), QStringLiteral("<absent>"));
}

void TestHelpWindow::untickingKeepsHelpAwayButViewHelpStillOpens()
{
    m_folder->write(QStringLiteral("Help.rtf"), SampleHelp);
    HelpWindow *window = open();
    QVERIFY(window);
    QTest::mouseClick(showAtStartup(window), Qt::LeftButton);
    QVERIFY(!showAtStartup(window)->isChecked());
    QCOMPARE(storedShowHelp(), QStringLiteral("0"));

    // The main window's start-up test: only "1" opens the help window.
    QVERIFY(storedShowHelp() != QLatin1String("1"));

    window->close();
    QTRY_VERIFY(m_help.isNull());

    window = open();   // "View Help"
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QVERIFY(!showAtStartup(window)->isChecked());
    QCOMPARE(storedShowHelp(), QStringLiteral("0"));

    showAtStartup(window)->click();
    QCOMPARE(storedShowHelp(), QStringLiteral("1"));
}

void TestHelpWindow::storedValueSetsTheBox_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("storedAfterLoad");
    QTest::newRow("0 clears, writes back 0") << QStringLiteral("0") << false << QStringLiteral("0");
    QTest::newRow("1 keeps ticked") << QStringLiteral("1") << true << QStringLiteral("1");
    QTest::newRow("blanks around 0") << QStringLiteral(" 0 ") << false << QStringLiteral("0");
    QTest::newRow("not a number is ignored") << QStringLiteral("yes") << true << QStringLiteral("yes");
    QTest::newRow("out of range is ignored") << QStringLiteral("7") << true << QStringLiteral("7");
    QTest::newRow("empty is ignored") << QString() << true << QString();
}

void TestHelpWindow::storedValueSetsTheBox()
{
    QFETCH(QString, stored);
    QFETCH(bool, ticked);
    QFETCH(QString, storedAfterLoad);
    m_folder->write(QStringLiteral("Help.rtf"), SampleHelp);
    saveUserSetting(identity().programName, SettingsKeys::Section, SettingsKeys::ShowHelp, stored);

    HelpWindow *window = open();
    QVERIFY(window);
    QCOMPARE(showAtStartup(window)->isChecked(), ticked);
    QCOMPARE(storedShowHelp(), storedAfterLoad);
}

void TestHelpWindow::askingTwiceBringsTheSameWindowForward()
{
    m_folder->write(QStringLiteral("Help.rtf"), SampleHelp);
    HelpWindow *first = open();
    QVERIFY(first);
    first->hide();
    m_folder->write(QStringLiteral("Help.rtf"), QByteArrayLiteral("{\\rtf1\\ansi Replaced.\\par}"));

    HelpWindow *second = open();
    QCOMPARE(second, first);
    QVERIFY(second->isVisible());
    // Kept as it was, not loaded again.
    QVERIFY(document(second)->toPlainText().contains(QStringLiteral("Welcome to Ocellus help.")));
    QCOMPARE(visibleTopLevelCount(), 1);
}

void TestHelpWindow::damagedDocumentStillShows_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shownText");
    QTest::newRow("empty file") << QByteArray() << QString();
    QTest::newRow("not rtf") << QByteArrayLiteral("just some words") << QString();
    QTest::newRow("cut short") << QByteArrayLiteral("{\\rtf1\\ansi Readable start {\\b and mo") << QStringLiteral("Readable start");
    QTest::newRow("binary") << QByteArray(4096, '\xff') << QString();
}

void TestHelpWindow::damagedDocumentStillShows()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shownText);
    m_folder->write(QStringLiteral("Help.rtf"), bytes);
    HelpWindow *window = open();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QVERIFY(showAtStartup(window)->isChecked());
    if (!shownText.isEmpty())
        QVERIFY(document(window)->toPlainText().contains(shownText));
}

void TestHelpWindow::linksOpenOutside()
{
    m_folder->write(QStringLiteral("Help.rtf"), SampleHelp);
    HelpWindow *window = open();
    QVERIFY(window);
    emit document(window)->anchorClicked(QUrl(QStringLiteral("#section")));
    QVERIFY(m_opened.isEmpty());
    emit document(window)->anchorClicked(QUrl(QStringLiteral("https://www.ocellus.example/faq")));
    QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("https://www.ocellus.example/faq"))});
}

void TestHelpWindow::ownerKeepsAndUnloadsTheWindow()
{
    m_folder->write(QStringLiteral("Help.rtf"), SampleHelp);
    auto owner = std::make_unique<QWidget>();
    owner->show();
    HelpWindow *window = open(owner.get());
    QVERIFY(window);
    QCOMPARE(window->windowType(), Qt::Dialog);
    QCOMPARE(window->parentWidget(), owner.get());
    QVERIFY(window->isWindow());
    owner.reset();
    QVERIFY(m_help.isNull());
}

QTEST_MAIN(TestHelpWindow)
#include "tst_helpwindow.moc"
