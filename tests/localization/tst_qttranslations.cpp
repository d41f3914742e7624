// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own texts follow the program's language, from Qt's translation catalogues
// (Debian's qt6-translations-l10n, which scripts/setup-debian.sh installs).
#include "localization/QtTranslations.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
// The text of the standard Cancel button, as Qt's platform theme looks it up.
QString cancelText() { return QCoreApplication::translate("QPlatformTheme", "Cancel"); }
} // namespace

class TestQtTranslations : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void switchesWithTheLanguage_data();
    void switchesWithTheLanguage();
    void missingCatalogues();
};

void TestQtTranslations::initTestCase()
{
    QVERIFY2(QFile::exists(QtTranslations::defaultFolder() + QStringLiteral("/qtbase_de.qm")),
             "Qt's translations are missing: install qt6-translations-l10n");
}

void TestQtTranslations::switchesWithTheLanguage_data()
{
    // One translator object goes through the languages in turn, as a user choosing in
    // the language window does.
    QTest::addColumn<QStringList>("languages");
    QTest::addColumn<QStringList>("cancel");     // after each
    QTest::addColumn<QStringList>("catalogues"); // after each
    QTest::newRow("German") << QStringList{"Deutsch"} << QStringList{"Abbrechen"} << QStringList{"qtbase_de.qm"};
    QTest::newRow("French, Spanish, back to English")
        << QStringList{"Français", "Español", "English"} << QStringList{"Annuler", "Cancelar", "Cancel"}
        << QStringList{"qtbase_fr.qm", "qtbase_es.qm", ""};
    QTest::newRow("a language Qt does not know leaves English")
        << QStringList{"Deutsch", "Klingon"} << QStringList{"Abbrechen", "Cancel"} << QStringList{"qtbase_de.qm", ""};
    QTest::newRow("a language added to the file that Qt knows")
        << QStringList{"Nederlands"} << QStringList{"Annuleren"} << QStringList{"qtbase_nl.qm"};
}

void TestQtTranslations::switchesWithTheLanguage()
{
    QFETCH(QStringList, languages);
    QFETCH(QStringList, cancel);
    QFETCH(QStringList, catalogues);
    {
        QtTranslations translations;
        for (int i = 0; i < languages.size(); ++i) {
            QCOMPARE(translations.use(languages[i]), !catalogues[i].isEmpty());
            QCOMPARE(translations.catalogue(), catalogues[i]);
            QCOMPARE(cancelText(), cancel[i]);
        }
    }
    // Gone with its owner.
    QCOMPARE(cancelText(), QStringLiteral("Cancel"));
}

void TestQtTranslations::missingCatalogues()
{
    QTemporaryDir empty;
    QtTranslations translations(empty.path());
    QVERIFY(!translations.use(QStringLiteral("Deutsch")));
    QCOMPARE(cancelText(), QStringLiteral("Cancel"));
    // A damaged catalogue is refused the same way.
    QFile broken(empty.filePath(QStringLiteral("qtbase_de.qm")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("not a catalogue");
    broken.close();
    QVERIFY(!translations.use(QStringLiteral("Deutsch")));
    QCOMPARE(translations.catalogue(), QString());
    QCOMPARE(cancelText(), QStringLiteral("Cancel"));
}

QTEST_GUILESS_MAIN(TestQtTranslations)
#include "tst_qttranslations.moc"
