#include "app/Identity.h"
#include "app/SettingsKeys.h"
#include "app/ui/HelpWindow.h"
#include "platform/SettingsStore.h"
#include "platform/ui/ShellOpen.h"
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

int visibleTopLevelCount()
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        count += widget->isVisible() ? 1 : 0;
    return count;
}

} // namespace

class TestForm8 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void showsFormattedDocumentCentredOnTop();
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
    std::unique_ptr<TempAppFolder> m_folder;
    QList<QUrl> m_opened;
};

void TestForm8::initTestCase()
{
    loadIdentity();
    setShellOpenHandlerForTesting([this](const QUrl &url) {
        m_opened.append(url);
        return true;
    });
}

void TestForm8::init()
{
    QFile::remove(userSettingsFilePath(identity().programName));
    m_folder = std::make_unique<TempAppFolder>();
    m_opened.clear();
}

void TestForm8::cleanup()
{
    delete HelpWindow::instance();
    m_folder.reset();
}

void TestForm8::showsFormattedDocumentCentredOnTop()
{
    m_folder->write(QStringLiteral("Help.rtf"), SampleHelp);
    HelpWindow *window = HelpWindow::showHelpWindow(nullptr);
    QVERIFY(window);
    QCOMPARE(HelpWindow::instance(), window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Readme/Help"));
    QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window->windowType() == Qt::Tool || window->windowType() == Qt::Dialog);
    QCOMPARE(window->size(), QSize(686, 528));
    QCOMPARE(window->minimumSize(), window->maximumSize());

    const QRect area = window->screen()->availableGeometry();
    QVERIFY2(qAbs(window->frameGeometry().center().x() - area.center().x()) <= 1
                 && qAbs(window->frameGeometry().center().y() - area.center().y()) <= 1,
             "the help window is not centred on the screen");

    QVERIFY(window->Check1->isChecked());
    QCOMPARE(window->Check1->text(), QStringLiteral("Show at Startup"));
    QVERIFY(window->rtf1->isReadOnly());
    QVERIFY(window->rtf1->toPlainText().contains(QStringLiteral("Welcome to Ocellus help.")));
    QVERIFY(window->rtf1->toPlainText().contains(QStringLiteral("Second line.")));
    QTextCursor bold = window->rtf1->document()->find(QStringLiteral("Ocellus"));
    QVERIFY(!bold.isNull());
    QCOMPARE(bold.charFormat().fontWeight(), int(QFont::Bold));

    // The box already showed the stored (default) value: nothing was written.
    QCOMPARE(storedShowHelp(), QStringLiteral("<absent>"));
}

void TestForm8::shipsAReadableHelpDocument()
{
    // The document start-up places in a new application folder.
    QFile shipped(QStringLiteral(":/Help.rtf"));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    m_folder->write(QStringLiteral("Help.rtf"), shipped.readAll());

    HelpWindow *window = HelpWindow::showHelpWindow(nullptr);
    QVERIFY(window);
    const QTextDocument *document = window->rtf1->document();
    QVERIFY(document->blockCount() > 5);
    QVERIFY(document->toPlainText().contains(identity().programName));
    QVERIFY(!document->toPlainText().contains(QLatin1String("\\par")));
    bool bold = false;
    for (QTextBlock block = document->begin(); block.isValid() && !bold; block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd() && !bold; ++fragment)
            bold = fragment.fragment().charFormat().fontWeight() >= QFont::Bold;
    }
    QVERIFY2(bold, "the help text lost its formatting");
    // A new reader starts at the top of the document.
    QCOMPARE(window->rtf1->textCursor().position(), 0);
    QVERIFY(window->rtf1->verticalScrollBar()->maximum() > 0);
    QCOMPARE(window->rtf1->verticalScrollBar()->value(), 0);
}

void TestForm8::declinesWithoutHelpFile_data()
{
    QTest::addColumn<QString>("present");   // what lies in the application folder
    QTest::newRow("nothing") << QString();
    QTest::newRow("other letter case") << QStringLiteral("help.RTF");
    QTest::newRow("folder named Help.rtf") << QStringLiteral("Help.rtf/");
}

void TestForm8::declinesWithoutHelpFile()
{
    QFETCH(QString, present);
    if (present.endsWith(QLatin1Char('/')))
        QVERIFY(QDir().mkpath(m_folder->file(present)));
    else if (!present.isEmpty())
        m_folder->write(present, SampleHelp);

    QCOMPARE(HelpWindow::showHelpWindow(nullptr), nullptr);
    QCOMPARE(HelpWindow::instance(), nullptr);
    QCOMPARE(visibleTopLevelCount(), 0);
    QCOMPARE(storedShowHelp(), QStringLiteral("<absent>"));
}

void TestForm8::untickingKeepsHelpAwayButViewHelpStillOpens()
{
    m_folder->write(QStringLiteral("Help.rtf"), SampleHelp);
    HelpWindow *window = HelpWindow::showHelpWindow(nullptr);
    QVERIFY(window);
    QTest::mouseClick(window->Check1, Qt::LeftButton);
    QVERIFY(!window->Check1->isChecked());
    QCOMPARE(storedShowHelp(), QStringLiteral("0"));

    // The main window's start-up test: only "1" opens the help window.
    QVERIFY(storedShowHelp() != QLatin1String("1"));

    window->close();
    QTRY_VERIFY(HelpWindow::instance() == nullptr);

    window = HelpWindow::showHelpWindow(nullptr);   // "View Help"
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QVERIFY(!window->Check1->isChecked());
    QCOMPARE(storedShowHelp(), QStringLiteral("0"));

    window->Check1->click();
    QCOMPARE(storedShowHelp(), QStringLiteral("1"));
}

void TestForm8::storedValueSetsTheBox_data()
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

void TestForm8::storedValueSetsTheBox()
{
    QFETCH(QString, stored);
    QFETCH(bool, ticked);
    QFETCH(QString, storedAfterLoad);
    m_folder->write(QStringLiteral("Help.rtf"), SampleHelp);
    saveUserSetting(identity().programName, SettingsKeys::Section, SettingsKeys::ShowHelp, stored);

    HelpWindow *window = HelpWindow::showHelpWindow(nullptr);
    QVERIFY(window);
    QCOMPARE(window->Check1->isChecked(), ticked);
    QCOMPARE(storedShowHelp(), storedAfterLoad);
}

void TestForm8::askingTwiceBringsTheSameWindowForward()
{
    m_folder->write(QStringLiteral("Help.rtf"), SampleHelp);
    HelpWindow *first = HelpWindow::showHelpWindow(nullptr);
    QVERIFY(first);
    first->hide();
    first->Check1->setChecked(false);

    HelpWindow *second = HelpWindow::showHelpWindow(nullptr);
    QCOMPARE(second, first);
    QVERIFY(second->isVisible());
    QVERIFY(!second->Check1->isChecked());   // kept, not loaded again
    QCOMPARE(visibleTopLevelCount(), 1);
}

void TestForm8::damagedDocumentStillShows_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("shownText");
    QTest::newRow("empty file") << QByteArray() << QString();
    QTest::newRow("not rtf") << QByteArrayLiteral("just some words") << QString();
    QTest::newRow("cut short") << QByteArrayLiteral("{\\rtf1\\ansi Readable start {\\b and mo") << QStringLiteral("Readable start");
    QTest::newRow("binary") << QByteArray(4096, '\xff') << QString();
}

void TestForm8::damagedDocumentStillShows()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, shownText);
    m_folder->write(QStringLiteral("Help.rtf"), document);
    HelpWindow *window = HelpWindow::showHelpWindow(nullptr);
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QVERIFY(window->Check1->isChecked());
    if (!shownText.isEmpty())
        QVERIFY(window->rtf1->toPlainText().contains(shownText));
}

void TestForm8::linksOpenOutside()
{
    m_folder->write(QStringLiteral("Help.rtf"), SampleHelp);
    HelpWindow *window = HelpWindow::showHelpWindow(nullptr);
    QVERIFY(window);
    emit window->rtf1->anchorClicked(QUrl(QStringLiteral("#section")));
    QVERIFY(m_opened.isEmpty());
    emit window->rtf1->anchorClicked(QUrl(QStringLiteral("https://www.ocellus.example/faq")));
    QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("https://www.ocellus.example/faq"))});
}

void TestForm8::ownerKeepsAndUnloadsTheWindow()
{
    m_folder->write(QStringLiteral("Help.rtf"), SampleHelp);
    auto owner = std::make_unique<QWidget>();
    owner->show();
    HelpWindow *window = HelpWindow::showHelpWindow(owner.get());
    QVERIFY(window);
    QCOMPARE(window->windowType(), Qt::Dialog);
    QCOMPARE(window->parentWidget(), owner.get());
    QVERIFY(window->isWindow());
    owner.reset();
    QCOMPARE(HelpWindow::instance(), nullptr);
}

QTEST_MAIN(TestForm8)
#include "tst_form8.moc"
