// SPDX-License-Identifier: GPL-3.0-or-later
// The export window driven as a user would: the range and its count, a copy and a video
// through to their end, a missing target, Cancel, closing while the work runs, and the
// window's texts in every shipped language.

#include "ExportFixtures.h"
#include "history/export/ui/ExportDialog.h"
#include "localization/DefaultMessages.h"
#include "localization/LanguageTable.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

using namespace ExportFixtures;

class TestExportDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void rangeCountsItsPictures();
    void copyRunsToTheEnd();
    void videoRunsToTheEnd();
    void missingTargetIsAskedFor_data();
    void missingTargetIsAskedFor();
    void cancelStopsTheCopy();
    void closingWhileRunningCancelsFirst();
    void shippedTranslations_data();
    void shippedTranslations();

private:
    template<typename T> T *child(const char *name) const
    {
        T *found = m_dialog->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no %s in the export window", name);
        return found;
    }
    QString message(const char *key) const { return m_languages.message(QLatin1String(key)); }
    void open(int pictures, QSize size = QSize(64, 48));
    ExportOutcome startAndWait();

    LanguageTable m_languages;
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_cam;
    QString m_target;
    ExportItems m_items;
    std::unique_ptr<ExportDialog> m_dialog;
};

void TestExportDialog::initTestCase()
{
    addDefaultMessages(m_languages);
}

void TestExportDialog::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    m_cam = m_root->filePath(QStringLiteral("cam"));
    m_target = m_root->filePath(QStringLiteral("export"));
    QVERIFY(QDir().mkpath(m_cam));
    QVERIFY(QDir().mkpath(m_target));
}

void TestExportDialog::cleanup()
{
    m_dialog.reset();
}

void TestExportDialog::open(int pictures, QSize size)
{
    m_items = savePictures(m_cam, pictures, size);
    m_dialog = std::make_unique<ExportDialog>(QStringLiteral("Gate"), m_items, m_languages);
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
}

ExportOutcome TestExportDialog::startAndWait()
{
    QSignalSpy finished(m_dialog.get(), &ExportDialog::exportFinished);
    QTest::mouseClick(child<QPushButton>("cmdStart"), Qt::LeftButton);
    if (!finished.wait(60000))
        qFatal("the export did not finish");
    return finished.first().first().value<ExportOutcome>();
}

void TestExportDialog::rangeCountsItsPictures()
{
    open(6);
    QCOMPARE(m_dialog->objectName(), QStringLiteral("frmExport"));
    QCOMPARE(m_dialog->windowTitle(), message("MSG_EXPORT_TITLE").arg(QStringLiteral("Gate")));
    auto *from = child<QDateTimeEdit>("dtpFrom");
    auto *to = child<QDateTimeEdit>("dtpTo");
    auto *count = child<QLabel>("lblCount");
    // All pictures at first.
    QCOMPARE(from->dateTime(), m_items.first().time);
    QCOMPARE(to->dateTime(), m_items.last().time);
    QCOMPARE(count->text(), message("MSG_EXPORT_COUNT").arg(6).arg(6));
    from->setDateTime(m_items[2].time);
    QCOMPARE(count->text(), message("MSG_EXPORT_COUNT").arg(4).arg(6));
    to->setDateTime(m_items[3].time);
    QCOMPARE(m_dialog->chosenItems().size(), 2);
    QCOMPARE(m_dialog->chosenItems().first().path, m_items[2].path);
    // Earlier than the first picture is not offered.
    from->setDateTime(m_items.first().time.addDays(-1));
    QCOMPARE(from->dateTime(), m_items.first().time);
    // A range that ends before it starts holds nothing, and nothing starts.
    from->setDateTime(m_items[5].time);
    QCOMPARE(count->text(), message("MSG_EXPORT_COUNT").arg(0).arg(6));
    child<QLineEdit>("txtFolder")->setText(m_target);
    QTest::mouseClick(child<QPushButton>("cmdStart"), Qt::LeftButton);
    QVERIFY(!m_dialog->isExporting());
    QCOMPARE(child<QLabel>("lblOutcome")->text(), message("MSG_EXPORT_NOPICTURES"));
    QCOMPARE(entries(m_target), QStringList());
}

void TestExportDialog::copyRunsToTheEnd()
{
    open(5);
    child<QDateTimeEdit>("dtpFrom")->setDateTime(m_items[1].time);
    QVERIFY(child<QRadioButton>("optCopy")->isChecked());
    QTest::keyClicks(child<QLineEdit>("txtFolder"), m_target);
    const ExportOutcome outcome = startAndWait();
    QCOMPARE(outcome.status, ExportOutcome::Status::Finished);
    QStringList expected;
    for (int i = 1; i < 5; ++i)
        expected.append(QFileInfo(m_items[i].path).fileName());
    expected.sort();
    QCOMPARE(entries(m_target), expected);
    QCOMPARE(child<QLabel>("lblOutcome")->text(), message("MSG_EXPORT_COPIED").arg(4).arg(m_target));
    auto *progress = child<QProgressBar>("prgExport");
    QCOMPARE(progress->maximum(), 4);
    QCOMPARE(progress->value(), 4);
    // Ready for another export.
    QVERIFY(!m_dialog->isExporting());
    QVERIFY(child<QPushButton>("cmdStart")->isEnabled());
    QVERIFY(!child<QPushButton>("cmdCancel")->isEnabled());
    QVERIFY(child<QWidget>("fraSettings")->isEnabled());
}

void TestExportDialog::videoRunsToTheEnd()
{
    open(8, QSize(96, 64));
    auto *video = child<QRadioButton>("optVideo");
    // On the button's circle: a row's width is wider than what takes clicks.
    QTest::mouseClick(video, Qt::LeftButton, {}, QPoint(6, video->height() / 2));
    QVERIFY(video->isChecked());
    QVERIFY(!child<QLineEdit>("txtFolder")->isEnabled());
    auto *file = child<QLineEdit>("txtVideo");
    QVERIFY(file->isEnabled());
    const QString target = m_target + QStringLiteral("/Gate.mp4");
    file->setText(target);
    child<QSpinBox>("spnFrameRate")->setValue(5);
    const ExportOutcome outcome = startAndWait();
    QCOMPARE(outcome.status, ExportOutcome::Status::Finished);
    QCOMPARE(outcome.written, 8);
    QVERIFY(QFileInfo(target).size() > 0);
    QString expected = message("MSG_EXPORT_VIDEOMADE").arg(8).arg(target);
    if (outcome.fallbackCodec)
        expected += QLatin1Char('\n') + message("MSG_EXPORT_FALLBACK");
    QCOMPARE(child<QLabel>("lblOutcome")->text(), expected);
    QCOMPARE(entries(m_target), QStringList {QStringLiteral("Gate.mp4")});
}

void TestExportDialog::missingTargetIsAskedFor_data()
{
    QTest::addColumn<bool>("video");
    QTest::addColumn<QString>("key");
    QTest::newRow("copy without a folder") << false << "MSG_EXPORT_NOFOLDER";
    QTest::newRow("video without a file") << true << "MSG_EXPORT_NOVIDEOFILE";
}

void TestExportDialog::missingTargetIsAskedFor()
{
    QFETCH(bool, video);
    QFETCH(QString, key);
    open(2);
    if (video)
        child<QRadioButton>("optVideo")->setChecked(true);
    // Blanks only count as nothing.
    child<QLineEdit>(video ? "txtVideo" : "txtFolder")->setText(QStringLiteral("  "));
    QTest::mouseClick(child<QPushButton>("cmdStart"), Qt::LeftButton);
    QVERIFY(!m_dialog->isExporting());
    QCOMPARE(child<QLabel>("lblOutcome")->text(), m_languages.message(key));
}

void TestExportDialog::cancelStopsTheCopy()
{
    open(300, QSize(320, 240));
    child<QLineEdit>("txtFolder")->setText(m_target);
    QSignalSpy finished(m_dialog.get(), &ExportDialog::exportFinished);
    QTest::mouseClick(child<QPushButton>("cmdStart"), Qt::LeftButton);
    QVERIFY(m_dialog->isExporting());
    auto *cancel = child<QPushButton>("cmdCancel");
    QVERIFY(cancel->isEnabled());
    QVERIFY(!child<QWidget>("fraSettings")->isEnabled());
    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(finished.wait(60000));
    const ExportOutcome outcome = finished.first().first().value<ExportOutcome>();
    QCOMPARE(outcome.status, ExportOutcome::Status::Cancelled);
    QVERIFY(outcome.written < 300);
    QCOMPARE(child<QLabel>("lblOutcome")->text(), message("MSG_EXPORT_COPYCANCELLED").arg(outcome.written));
    // Whole copies only, one for each picture counted.
    const QStringList copied = entries(m_target);
    QCOMPARE(copied.size(), outcome.written);
    for (int i = 0; i < copied.size(); ++i)
        QCOMPARE(copied[i], QFileInfo(m_items[i].path).fileName());
}

void TestExportDialog::closingWhileRunningCancelsFirst()
{
    open(300, QSize(320, 240));
    child<QLineEdit>("txtFolder")->setText(m_target);
    QSignalSpy finished(m_dialog.get(), &ExportDialog::exportFinished);
    QTest::mouseClick(child<QPushButton>("cmdStart"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("cmdClose"), Qt::LeftButton);
    // The window stays until the work has stopped, then closes by itself.
    QVERIFY(finished.count() == 1 || m_dialog->isVisible());
    QVERIFY(finished.wait(60000) || finished.count() == 1);
    QCOMPARE(finished.first().first().value<ExportOutcome>().status, ExportOutcome::Status::Cancelled);
    QTRY_VERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
}

void TestExportDialog::shippedTranslations_data()
{
    QTest::addColumn<QString>("language");
    for (const char *name : {"English", "Deutsch", "Français", "Español"})
        QTest::newRow(name) << QString::fromUtf8(name);
}

void TestExportDialog::shippedTranslations()
{
    QFETCH(QString, language);
    QFile file(qEnvironmentVariable("OCELLUS_SOURCE_DIR") + QStringLiteral("/resources/Localization.txt"));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    LanguageTable table;
    QVERIFY(table.loadLanguageFromText(QString::fromUtf8(file.readAll()), language));
    static const QRegularExpression placeholder(QStringLiteral("%\\d"));
    const auto placeholders = [](const QString &text) {
        QStringList found;
        for (auto match = placeholder.globalMatch(text); match.hasNext();)
            found.append(match.next().captured());
        found.sort();
        return found;
    };
    int keys = 0;
    for (const LanguageTable::MessageEntry &entry : m_languages.messages) {
        if (!entry.name.startsWith(QLatin1String("MSG_EXPORT_")))
            continue;
        ++keys;
        const std::optional<QString> text = table.tryCaption(entry.name);
        QVERIFY2(text && !text->isEmpty(), qPrintable(entry.name));
        QCOMPARE(placeholders(*text), placeholders(entry.text));
        if (language == QLatin1String("English"))
            QCOMPARE(*text, entry.text);
        else
            QVERIFY2(*text != entry.text, qPrintable(entry.name));
    }
    QCOMPARE(keys, 35);
}

QTEST_MAIN(TestExportDialog)
#include "tst_exportdialog.moc"
