// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {
const QString kProgram = QStringLiteral("Ocellus");
const QString kSection = QStringLiteral("Settings");
} // namespace

class TestUserSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstRunGivesDefaults();
    void secondRunReadsSavedValue();
    void valuesRoundTrip_data();
    void valuesRoundTrip();
    void blankNamesAreIgnored_data();
    void blankNamesAreIgnored();
    void programsAreSeparate();
    void handWrittenListReadsAsText();
    void unwritableStoreIsSilent();

private:
    std::unique_ptr<QTemporaryDir> m_root;
};

void TestUserSettings::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    qputenv("OCELLUS_USER_SETTINGS_ROOT", QFile::encodeName(m_root->filePath(QStringLiteral("user"))));
}

void TestUserSettings::cleanup() { m_root.reset(); }

void TestUserSettings::firstRunGivesDefaults()
{
    const QString file = userSettingsFilePath(kProgram);
    QCOMPARE(file, m_root->filePath(QStringLiteral("user/Ocellus/Ocellus.ini")));
    QCOMPARE(userSetting(kProgram, kSection, QStringLiteral("Language"), QString()), QString());
    QCOMPARE(userSetting(kProgram, kSection, QStringLiteral("Language"), QStringLiteral("English")),
             QStringLiteral("English"));
    QCOMPARE(userSetting(kProgram, kSection, QStringLiteral("showHelp"), QStringLiteral("1")), QStringLiteral("1"));
    // Reading creates nothing.
    QVERIFY(!QFile::exists(file));
}

void TestUserSettings::secondRunReadsSavedValue()
{
    saveUserSetting(kProgram, kSection, QStringLiteral("Language"), QStringLiteral("English"));
    saveUserSetting(kProgram, kSection, QStringLiteral("showHelp"), QStringLiteral("0"));

    // What a second run finds: the file on disk, read by a settings object of its own.
    const QString file = userSettingsFilePath(kProgram);
    QFile raw(file);
    QVERIFY(raw.open(QIODevice::ReadOnly));
    const QByteArray text = raw.readAll();
    QVERIFY2(text.contains("[Settings]") && text.contains("Language=English") && text.contains("showHelp=0"),
             text.constData());
    QSettings fresh(file, QSettings::IniFormat);
    QCOMPARE(fresh.value(QStringLiteral("Settings/Language")).toString(), QStringLiteral("English"));

    QCOMPARE(userSetting(kProgram, kSection, QStringLiteral("Language"), QString()), QStringLiteral("English"));
    QCOMPARE(userSetting(kProgram, kSection, QStringLiteral("showHelp"), QStringLiteral("1")), QStringLiteral("0"));

    // Rewritten in place: no temporary or lock file stays beside it.
    QCOMPARE(QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("Ocellus.ini")});
}

void TestUserSettings::valuesRoundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << "";
    QTest::newRow("comma list") << "a, b, c";
    QTest::newRow("quotes and backslashes") << "\"C:\\cam\\\" ;x";
    QTest::newRow("line breaks") << "one\ntwo\r\n";
    QTest::newRow("looks like a variant") << "@Variant(abc)";
    QTest::newRow("equals and brackets") << "[Settings]\nkey=value";
    QTest::newRow("unicode") << QString::fromUtf8("Fran\xc3\xa7" "ais \xe6\x97\xa5\xe6\x9c\xac");
    QTest::newRow("blanks") << "  padded  ";
}

void TestUserSettings::valuesRoundTrip()
{
    QFETCH(QString, value);
    saveUserSetting(kProgram, kSection, QStringLiteral("Odd"), value);
    QCOMPARE(userSetting(kProgram, kSection, QStringLiteral("Odd"), QStringLiteral("absent")), value);
}

void TestUserSettings::blankNamesAreIgnored_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::newRow("program") << "  " << "Settings" << "Language";
    QTest::newRow("section") << "Ocellus" << "" << "Language";
    QTest::newRow("key") << "Ocellus" << "Settings" << "\t";
}

void TestUserSettings::blankNamesAreIgnored()
{
    QFETCH(QString, program);
    QFETCH(QString, section);
    QFETCH(QString, key);
    saveUserSetting(program, section, key, QStringLiteral("x"));
    QCOMPARE(userSetting(program, section, key, QStringLiteral("default")), QStringLiteral("default"));
    QVERIFY(QDir(m_root->filePath(QStringLiteral("user"))).isEmpty());
}

void TestUserSettings::programsAreSeparate()
{
    saveUserSetting(QStringLiteral("One"), kSection, QStringLiteral("Language"), QStringLiteral("German"));
    saveUserSetting(QStringLiteral("Two"), kSection, QStringLiteral("Language"), QStringLiteral("French"));
    saveUserSetting(QStringLiteral("One"), QStringLiteral("Other"), QStringLiteral("Language"), QStringLiteral("Dutch"));
    QCOMPARE(userSetting(QStringLiteral("One"), kSection, QStringLiteral("Language"), QString()),
             QStringLiteral("German"));
    QCOMPARE(userSetting(QStringLiteral("Two"), kSection, QStringLiteral("Language"), QString()),
             QStringLiteral("French"));
    QCOMPARE(userSetting(QStringLiteral("One"), QStringLiteral("Other"), QStringLiteral("Language"), QString()),
             QStringLiteral("Dutch"));
    // A program name cannot reach outside the store.
    QCOMPARE(userSettingsFilePath(QStringLiteral("../x")), m_root->filePath(QStringLiteral("user/.._x/.._x.ini")));
}

void TestUserSettings::handWrittenListReadsAsText()
{
    const QString file = userSettingsFilePath(kProgram);
    QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("[Settings]\nLanguage=English, German\n");
    out.close();
    QCOMPARE(userSetting(kProgram, kSection, QStringLiteral("Language"), QString()),
             QStringLiteral("English, German"));
}

void TestUserSettings::unwritableStoreIsSilent()
{
    // A regular file where the program's folder belongs: nothing can be written,
    // whoever runs the test.
    QVERIFY(QDir().mkpath(m_root->filePath(QStringLiteral("user"))));
    QFile blocker(m_root->filePath(QStringLiteral("user/Ocellus")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    saveUserSetting(kProgram, kSection, QStringLiteral("Language"), QStringLiteral("English"));
    QCOMPARE(userSetting(kProgram, kSection, QStringLiteral("Language"), QStringLiteral("none")),
             QStringLiteral("none"));
}

QTEST_GUILESS_MAIN(TestUserSettings)
#include "tst_settings_user.moc"
