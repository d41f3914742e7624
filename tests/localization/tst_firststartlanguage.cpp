// SPDX-License-Identifier: GPL-3.0-or-later
// The first start in a German session: the language window offers Deutsch, and Qt's own
// texts (standard buttons, a text field's context menu) follow the language chosen.
#include "app/Identity.h"
#include "app/SettingsKeys.h"
#include "localization/LocalizationFile.h"
#include "localization/ui/LanguageWindow.h"
#include "LanguageTestSupport.h"
#include "platform/SettingsStore.h"
#include "support/MainWindowWithList.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

QString storedLanguage()
{
    return userSetting(identity().programName, SettingsKeys::Section, SettingsKeys::Language, QStringLiteral("<absent>"));
}

// What Qt itself writes on a Cancel button and on a text field's "Select All" entry.
QString cancelButtonText()
{
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    return box.button(QDialogButtonBox::Cancel)->text();
}

QString selectAllText()
{
    QLineEdit edit;
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    const QList<QAction *> actions = menu->actions();
    return actions.isEmpty() ? QString() : actions.constLast()->text().section(QLatin1Char('\t'), 0, 0);
}

} // namespace

class TestFirstStartLanguage : public QObject
{
    Q_OBJECT
public:
    // Before the application object exists, so that QLocale reads this session.
    static void initMain()
    {
        qunsetenv("LANGUAGE");
        qunsetenv("LC_ALL");
        qunsetenv("LC_MESSAGES");
        qputenv("LANG", "de_DE.UTF-8");
    }

private Q_SLOTS:
    void initTestCase() { loadIdentity(); }
    void germanSessionThenFrench();
};

void TestFirstStartLanguage::germanSessionThenFrench()
{
    QFile::remove(userSettingsFilePath(identity().programName));
    fixture::MainWindowWithList main;
    main.folder.write(QLatin1String(LocalizationFileName), langtest::shippedLocalization());
    saveUserSetting(identity().programName, SettingsKeys::Section, SettingsKeys::ShowHelp, QStringLiteral("0"));
    QCOMPARE(cancelButtonText(), QStringLiteral("Cancel"));

    bool shown = false;
    QString offered;
    QString storedMeanwhile;
    QString cancelMeanwhile;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        auto *w = qobject_cast<LanguageWindow *>(QApplication::activeModalWidget());
        if (!w || shown)
            return;
        shown = true;
        offered = control<QComboBox>(w, "Combo1")->currentText();
        storedMeanwhile = storedLanguage();
        cancelMeanwhile = cancelButtonText();
        QTest::mouseClick(control<QPushButton>(w, "Command2"), Qt::LeftButton);
    });
    answer.start(10);
    main.window->load();
    answer.stop();

    QVERIFY(shown);
    QCOMPARE(offered, QStringLiteral("Deutsch"));
    QCOMPARE(storedMeanwhile, QStringLiteral("Deutsch"));
    QCOMPARE(cancelMeanwhile, QStringLiteral("Abbrechen"));
    // Closing the window keeps the offer.
    QCOMPARE(storedLanguage(), QStringLiteral("Deutsch"));
    QCOMPARE(main.window->languages().currentLanguage(), QStringLiteral("Deutsch"));
    QCOMPARE(cancelButtonText(), QStringLiteral("Abbrechen"));
    QCOMPARE(selectAllText(), QStringLiteral("Alles auswählen"));

    // Another language from the menu's language window switches Qt's texts with it.
    control<QAction>(main.window.get(), "mnuLanguageItem", 0)->trigger();
    auto *window = main.window->findChild<LanguageWindow *>();
    QVERIFY(window);
    langtest::pickFromList(control<QComboBox>(window, "Combo1"), QStringLiteral("Français"));
    QCOMPARE(storedLanguage(), QStringLiteral("Français"));
    QCOMPARE(cancelButtonText(), QStringLiteral("Annuler"));
    QCOMPARE(selectAllText(), QStringLiteral("Tout sélectionner"));
    langtest::pickFromList(control<QComboBox>(window, "Combo1"), QStringLiteral("English"));
    QCOMPARE(cancelButtonText(), QStringLiteral("Cancel"));
    window->close();
}

QTEST_MAIN(TestFirstStartLanguage)
#include "tst_firststartlanguage.moc"
