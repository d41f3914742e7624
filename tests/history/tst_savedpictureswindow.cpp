// SPDX-License-Identifier: GPL-3.0-or-later
#include "SavedPictureFixtures.h"
#include "history/ui/SavedPicturesWindow.h"
#include "localization/DefaultMessages.h"
#include "localization/LanguageTable.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace SavedPictureFixtures;

class TestSavedPicturesWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void showsCountsAndEditsLimits();
    void escapeClosesWithoutSaving();

private:
    QTemporaryDir m_dir;
    LanguageTable m_languages;
};

void TestSavedPicturesWindow::initTestCase()
{
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    addDefaultMessages(m_languages);
    QVERIFY(m_dir.isValid());
    const QDateTime at(QDate(2026, 2, 2), QTime(8, 0, 0));
    for (int i = 0; i < 3; ++i)
        writePicture(m_dir.path(), QStringLiteral("Yard"), at.addSecs(i), 1024 * 1024);
    writePicture(m_dir.path(), QStringLiteral("Gate"), at, 2048);
    writeFile(m_dir.path(), QStringLiteral("Yard notes.txt"), 999);
}

void TestSavedPicturesWindow::showsCountsAndEditsLimits()
{
    SavedPicturesSettings settings;
    settings.limits = {100, 30};
    settings.cameraLimits.insert(QStringLiteral("Gate"), {5, 0});
    const QStringList cameras {QStringLiteral("Yard"), QStringLiteral("Gate"), QStringLiteral("Porch")};
    SavedPicturesWindow window(m_dir.path(), cameras, settings, m_languages, nullptr);
    QSignalSpy counted(&window, &SavedPicturesWindow::countsLoaded);
    window.show();
    // What the window shows is what it was given.
    QCOMPARE(window.settings(), settings);
    QVERIFY(counted.wait());

    auto *table = window.findChild<QTableWidget *>(QStringLiteral("grdCameras"));
    QCOMPARE(table->rowCount(), 3);
    const QLocale locale;
    const QStringList expectedCounts {QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("0")};
    const QStringList expectedSizes {locale.formattedDataSize(3 * 1024 * 1024, 1, QLocale::DataSizeTraditionalFormat),
                                     locale.formattedDataSize(2048, 1, QLocale::DataSizeTraditionalFormat),
                                     locale.formattedDataSize(0, 1, QLocale::DataSizeTraditionalFormat)};
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(table->item(row, SavedPicturesWindow::CameraColumn)->text(), cameras[row]);
        QCOMPARE(table->item(row, SavedPicturesWindow::CountColumn)->text(), expectedCounts[row]);
        QCOMPARE(table->item(row, SavedPicturesWindow::SizeColumn)->text(), expectedSizes[row]);
    }
    auto own = [table](int row) { return qobject_cast<QCheckBox *>(table->cellWidget(row, SavedPicturesWindow::OwnColumn)); };
    auto cell = [table](int row, int column) { return qobject_cast<QSpinBox *>(table->cellWidget(row, column)); };
    QVERIFY(!own(0)->isChecked());
    QVERIFY(!cell(0, SavedPicturesWindow::MegabytesColumn)->isEnabled());
    QCOMPARE(cell(0, SavedPicturesWindow::MegabytesColumn)->value(), 100); // the common limit, for a start
    QVERIFY(own(1)->isChecked());
    QCOMPARE(cell(1, SavedPicturesWindow::MegabytesColumn)->value(), 5);

    // The user sets a week for everyone, 50 MB for Yard alone, drops Gate's own limits and
    // asks for 2 GB free.
    window.findChild<QSpinBox *>(QStringLiteral("txtMaxDays"))->setValue(7);
    own(0)->click();
    QVERIFY(cell(0, SavedPicturesWindow::MegabytesColumn)->isEnabled());
    cell(0, SavedPicturesWindow::MegabytesColumn)->setValue(50);
    cell(0, SavedPicturesWindow::DaysColumn)->setValue(0);
    own(1)->setChecked(false);
    auto *automatic = window.findChild<QCheckBox *>(QStringLiteral("chkAutomaticFloor"));
    auto *minFree = window.findChild<QSpinBox *>(QStringLiteral("txtMinFree"));
    QVERIFY(automatic->isChecked());
    QVERIFY(!minFree->isEnabled());
    automatic->setChecked(false);
    QVERIFY(minFree->isEnabled());
    minFree->setValue(2048);

    QSignalSpy saved(&window, &SavedPicturesWindow::settingsSaved);
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("cmdSave")), Qt::LeftButton);
    QCOMPARE(saved.size(), 1);
    SavedPicturesSettings expected;
    expected.limits = {100, 7};
    expected.minFreeMegabytes = 2048;
    expected.cameraLimits.insert(QStringLiteral("Yard"), {50, 0});
    QCOMPARE(saved[0][0].value<SavedPicturesSettings>(), expected);
}

void TestSavedPicturesWindow::escapeClosesWithoutSaving()
{
    QPointer<SavedPicturesWindow> holder;
    SavedPicturesWindow *window
        = SavedPicturesWindow::open(holder, m_dir.path(), {QStringLiteral("Yard")}, {}, m_languages, nullptr);
    QCOMPARE(SavedPicturesWindow::open(holder, m_dir.path(), {}, {}, m_languages, nullptr), window);
    QSignalSpy saved(window, &SavedPicturesWindow::settingsSaved);
    QTest::keyClick(window, Qt::Key_Escape);
    QTRY_VERIFY(holder.isNull());
    QCOMPARE(saved.size(), 0);
}

QTEST_MAIN(TestSavedPicturesWindow)
#include "tst_savedpictureswindow.moc"
