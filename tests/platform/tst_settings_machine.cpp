// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SettingsStore.h"
#include "platform/OperationError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/stat.h>

namespace {
const QString kProgram = QStringLiteral("Ocellus");
const QString kSection = QStringLiteral("Settings");
const QString kCompany = QStringLiteral("Quillmark");
const QByteArray kKeyLine = "[SOFTWARE\\Quillmark\\Ocellus\\Settings]\n";

const QString kPermissionText = QStringLiteral(
    "Ocellus requires read/write access to the system registry and hard drive in order to run properly.  This "
    "user account does not have the proper permissions set.  As a result some or all of your settings may not "
    "be properly saved.  Please contact your system administrator or change the permission settings for this "
    "account.\r\n\r\nIf you would like to prevent this error message from being displayed again, please press "
    "'Ignore'.");

bool writeFile(const QString &path, const QByteArray &bytes)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The error machineSetting throws, or number 0 when it returns.
OperationError machineError(const QString &program, const QString &section, const QString &key)
{
    try {
        machineSetting(program, section, key, QString());
    } catch (const OperationError &e) {
        return e;
    }
    return OperationError(0, QString(), QString());
}
} // namespace

class TestMachineSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void pathsFollowRootsAndCompany();
    void absentGivesDefault_data();
    void absentGivesDefault();
    void saveCreatesKeyAndReadsBack();
    void blankNamesFail_data();
    void blankNamesFail();
    void nonStringFails_data();
    void nonStringFails();
    void unreadableStoreFails_data();
    void unreadableStoreFails();
    void accessDeniedIsStatus5();
    void valuesRoundTrip_data();
    void valuesRoundTrip();
    void saveKeepsOtherValues();
    void overlayTakesWritesAndWinsReads();
    void unparsableFileIsNotOverwritten();
    void newMachineFileIsReadableByEveryone();
    void blankNamesOnSaveAreSkipped();
    void noPromptBehavesAsAbort();
    void abortEndsSave();
    void retryAttemptsAgain();
    void ignoreStopsLaterPrompts();
    void ignoreSettingSuppressesPrompt();

private:
    QString machineRoot() const { return m_root->filePath(QStringLiteral("machine")); }
    QString userRoot() const { return m_root->filePath(QStringLiteral("user")); }
    // A regular file where a folder of the store belongs: no account can write there.
    void blockMachine() { QVERIFY(writeFile(machineRoot() + QStringLiteral("/Quillmark"), "x")); }
    void blockOverlay() { QVERIFY(writeFile(userRoot() + QStringLiteral("/VirtualStore/Quillmark"), "x")); }
    void unblockMachine() { QVERIFY(QFile::remove(machineRoot() + QStringLiteral("/Quillmark"))); }

    std::unique_ptr<QTemporaryDir> m_root;
    int m_prompts = 0;
};

void TestMachineSettings::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    qputenv("OCELLUS_USER_SETTINGS_ROOT", QFile::encodeName(userRoot()));
    qputenv("OCELLUS_MACHINE_SETTINGS_ROOT", QFile::encodeName(machineRoot()));
    setMachineSettingsCompany(kCompany);
    m_prompts = 0;
    setPermissionPrompt([this](const QString &, const QString &) {
        ++m_prompts;
        return PermissionAnswer::Abort;
    });
}

void TestMachineSettings::cleanup()
{
    setPermissionPrompt({});
    m_root.reset();
}

void TestMachineSettings::pathsFollowRootsAndCompany()
{
    QCOMPARE(machineSettingsFilePath(kProgram), machineRoot() + QStringLiteral("/Quillmark/Ocellus.reg"));
    QCOMPARE(machineOverlayFilePath(QStringLiteral(" Ocellus ")),
             userRoot() + QStringLiteral("/VirtualStore/Quillmark/Ocellus.reg"));
    setMachineSettingsCompany(QStringLiteral(" Other Co "));
    QCOMPARE(machineSettingsFilePath(kProgram), machineRoot() + QStringLiteral("/Other Co/Ocellus.reg"));
    setMachineSettingsCompany(QString());
    QCOMPARE(machineSettingsFilePath(kProgram), machineRoot() + QStringLiteral("/Ocellus.reg"));
    setMachineSettingsCompany(QStringLiteral(".."));
    QCOMPARE(machineSettingsFilePath(QStringLiteral("a/b")), machineRoot() + QStringLiteral("/_/a_b.reg"));
}

void TestMachineSettings::absentGivesDefault_data()
{
    QTest::addColumn<QByteArray>("content"); // of the machine file; empty: no file
    QTest::newRow("no file") << QByteArray();
    QTest::newRow("other section") << QByteArray("[SOFTWARE\\Quillmark\\Ocellus\\Other]\n\"autoSave\"=\"1\"\n");
    QTest::newRow("other value") << kKeyLine + "\"showHelp\"=\"1\"\n";
    QTest::newRow("key without values") << kKeyLine;
}

void TestMachineSettings::absentGivesDefault()
{
    QFETCH(QByteArray, content);
    if (!content.isEmpty())
        QVERIFY(writeFile(machineSettingsFilePath(kProgram), content));
    QCOMPARE(machineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("0")),
             QStringLiteral("0"));
    QCOMPARE(machineSetting(kProgram, kSection, QStringLiteral("autoSave"), QString()), QString());
}

void TestMachineSettings::saveCreatesKeyAndReadsBack()
{
    saveMachineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("1"));
    const QString file = machineSettingsFilePath(kProgram);
    const QByteArray content = readFile(file);
    QVERIFY2(content.contains(kKeyLine + "\"autoSave\"=\"1\"\n"), content.constData());
    QCOMPARE(machineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("0")),
             QStringLiteral("1"));
    // Company, program and section are trimmed; the registry ignores letter case.
    setMachineSettingsCompany(QStringLiteral("  Quillmark "));
    QCOMPARE(machineSetting(QStringLiteral(" Ocellus\t"), QStringLiteral(" settings "), QStringLiteral("AUTOSAVE"),
                               QStringLiteral("0")),
             QStringLiteral("1"));
    // Rewritten in place: nothing but the file stays in its folder.
    QCOMPARE(QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("Ocellus.reg")});
    QCOMPARE(m_prompts, 0);
    QVERIFY(!QFile::exists(machineOverlayFilePath(kProgram)));
}

void TestMachineSettings::blankNamesFail_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("description");
    QTest::newRow("program empty") << "" << "Settings" << "autoSave" << -2147220504 << "AppName may not be empty";
    QTest::newRow("program blank") << " \t " << "Settings" << "autoSave" << -2147220504 << "AppName may not be empty";
    QTest::newRow("program first") << " " << " " << " " << -2147220504 << "AppName may not be empty";
    QTest::newRow("section blank") << "Ocellus" << "  " << "autoSave" << -2147220503 << "Section may not be empty";
    QTest::newRow("section first") << "Ocellus" << "" << "" << -2147220503 << "Section may not be empty";
    QTest::newRow("key blank") << "Ocellus" << "Settings" << "\t" << -2147220502 << "Key may not be empty";
}

void TestMachineSettings::blankNamesFail()
{
    QFETCH(QString, program);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(int, number);
    QFETCH(QString, description);
    const OperationError e = machineError(program, section, key);
    QCOMPARE(e.number(), number);
    QCOMPARE(e.description(), description);
    QCOMPARE(e.source(), QStringLiteral("SettingsStore"));
}

void TestMachineSettings::nonStringFails_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("number");
    QTest::newRow("REG_DWORD") << QByteArray("dword:00000001") << -2147219504 + 4;
    QTest::newRow("REG_BINARY") << QByteArray("hex:31") << -2147219504 + 3;
    QTest::newRow("REG_EXPAND_SZ") << QByteArray("hex(2):31,00,00,00") << -2147219504 + 2;
    QTest::newRow("REG_MULTI_SZ") << QByteArray("hex(7):31,00,00,00,00,00") << -2147219504 + 7;
    QTest::newRow("REG_QWORD") << QByteArray("hex(b):01,00,00,00,00,00,00,00") << -2147219504 + 11;
    QTest::newRow("REG_NONE") << QByteArray("hex(0):") << -2147219504;
}

void TestMachineSettings::nonStringFails()
{
    QFETCH(QByteArray, data);
    QFETCH(int, number);
    QVERIFY(writeFile(machineSettingsFilePath(kProgram), kKeyLine + "\"autoSave\"=" + data + "\n\"ok\"=\"1\"\n"));
    const OperationError e = machineError(kProgram, kSection, QStringLiteral("autoSave"));
    QCOMPARE(e.number(), number);
    QCOMPARE(e.description(), QStringLiteral("Registry data not a string"));
    // The other value of the same key reads normally.
    QCOMPARE(machineSetting(kProgram, kSection, QStringLiteral("ok"), QString()), QStringLiteral("1"));
}

void TestMachineSettings::unreadableStoreFails_data()
{
    QTest::addColumn<bool>("overlay");
    QTest::addColumn<QByteArray>("content"); // empty: a folder in the file's place
    const QByteArray corrupt = kKeyLine + "autoSave=1\n";
    QTest::newRow("machine corrupt") << false << corrupt;
    QTest::newRow("machine not utf-8") << false << kKeyLine + "\"autoSave\"=\"\xc0\"\n";
    QTest::newRow("machine is a folder") << false << QByteArray();
    QTest::newRow("machine over 1 MiB") << false << kKeyLine + "\"a\"=\"" + QByteArray(1 << 20, 'x') + "\"\n";
    QTest::newRow("overlay corrupt") << true << corrupt;
    QTest::newRow("overlay is a folder") << true << QByteArray();
}

void TestMachineSettings::unreadableStoreFails()
{
    QFETCH(bool, overlay);
    QFETCH(QByteArray, content);
    const QString path = overlay ? machineOverlayFilePath(kProgram) : machineSettingsFilePath(kProgram);
    if (content.isEmpty())
        QVERIFY(QDir().mkpath(path));
    else
        QVERIFY(writeFile(path, content));
    const OperationError e = machineError(kProgram, kSection, QStringLiteral("autoSave"));
    QCOMPARE(e.number(), -2147219504 + 1009);
    QCOMPARE(e.description(), QStringLiteral("Could not open registry section"));
}

void TestMachineSettings::accessDeniedIsStatus5()
{
    const QString path = machineSettingsFilePath(kProgram);
    QVERIFY(writeFile(path, kKeyLine + "\"autoSave\"=\"1\"\n"));
    QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
    QFile probe(path);
    if (probe.open(QIODevice::ReadOnly))
        QSKIP("This account reads files whatever their permissions (root)");
    const OperationError e = machineError(kProgram, kSection, QStringLiteral("autoSave"));
    QCOMPARE(e.number(), -2147219504 + 5);
    QCOMPARE(e.description(), QStringLiteral("Could not open registry section"));
}

void TestMachineSettings::valuesRoundTrip_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << "a" << "";
    QTest::newRow("quotes") << "say \"x\"" << "\"quoted\" \"\"";
    QTest::newRow("backslashes") << "b" << "\\\\server\\share\\";
    QTest::newRow("line breaks") << "c" << "1\r\n2\n3\r";
    QTest::newRow("registry syntax") << "[d]" << "\"=dword:00000001\n[SOFTWARE]";
    QTest::newRow("unicode") << QString::fromUtf8("\xc3\xa9t\xc3\xa9") << QString::fromUtf8("\xe2\x82\xac \xf0\x9f\x8e\xa5");
    QTest::newRow("blanks kept") << " padded " << "  two  ";
}

void TestMachineSettings::valuesRoundTrip()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    saveMachineSetting(kProgram, kSection, key, value);
    QCOMPARE(machineSetting(kProgram, kSection, key, QStringLiteral("absent")), value);
}

void TestMachineSettings::saveKeepsOtherValues()
{
    const QString path = machineSettingsFilePath(kProgram);
    QVERIFY(writeFile(path, "; kept by hand\n" + kKeyLine
                                + "\"count\"=dword:00000005\n\"autoSave\"=\"0\"\n"
                                  "[SOFTWARE\\Quillmark\\Ocellus\\Other]\n\"x\"=\"y\"\n"));
    saveMachineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("1"));
    QCOMPARE(machineSetting(kProgram, kSection, QStringLiteral("autoSave"), QString()), QStringLiteral("1"));
    QCOMPARE(machineSetting(kProgram, QStringLiteral("Other"), QStringLiteral("x"), QString()), QStringLiteral("y"));
    QCOMPARE(machineError(kProgram, kSection, QStringLiteral("count")).number(), -2147219504 + 4);
    QVERIFY(readFile(path).contains("\"count\"=dword:00000005\n"));
}

void TestMachineSettings::overlayTakesWritesAndWinsReads()
{
    const QString machine = machineSettingsFilePath(kProgram);
    const QString overlay = machineOverlayFilePath(kProgram);

    blockMachine();
    saveMachineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("1"));
    QCOMPARE(m_prompts, 0);
    QVERIFY(!QFile::exists(machine));
    QVERIFY(readFile(overlay).contains(kKeyLine + "\"autoSave\"=\"1\"\n"));
    QCOMPARE(machineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("0")),
             QStringLiteral("1"));

    // An administrator writes the machine file: the overlay's value still wins.
    unblockMachine();
    QVERIFY(writeFile(machine, kKeyLine + "\"autoSave\"=\"0\"\n\"showHelp\"=\"0\"\n"));
    QCOMPARE(machineSetting(kProgram, kSection, QStringLiteral("autoSave"), QString()), QStringLiteral("1"));
    // Values the overlay lacks come from the machine file.
    QCOMPARE(machineSetting(kProgram, kSection, QStringLiteral("showHelp"), QString()), QStringLiteral("0"));

    // Once the machine file takes a write, the overlay's copy must not hide it.
    saveMachineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("2"));
    QVERIFY(readFile(machine).contains("\"autoSave\"=\"2\"\n"));
    QVERIFY(!readFile(overlay).contains("autoSave"));
    QCOMPARE(machineSetting(kProgram, kSection, QStringLiteral("autoSave"), QString()), QStringLiteral("2"));
    QCOMPARE(m_prompts, 0);
}

void TestMachineSettings::unparsableFileIsNotOverwritten()
{
    const QString machine = machineSettingsFilePath(kProgram);
    const QByteArray corrupt = kKeyLine + "\"autoSave\"=\"1\"\nhalf a line";
    QVERIFY(writeFile(machine, corrupt));
    saveMachineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("0"));
    QCOMPARE(readFile(machine), corrupt);
    QVERIFY(readFile(machineOverlayFilePath(kProgram)).contains("\"autoSave\"=\"0\"\n"));
    QCOMPARE(machineSetting(kProgram, kSection, QStringLiteral("autoSave"), QString()), QStringLiteral("0"));
}

void TestMachineSettings::newMachineFileIsReadableByEveryone()
{
    const mode_t previous = ::umask(077);
    saveMachineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("1"));
    ::umask(previous);
    const QString file = machineSettingsFilePath(kProgram);
    QVERIFY(QFileInfo(file).permissions().testFlag(QFileDevice::ReadOther));
    const QFileDevice::Permissions folder = QFileInfo(QFileInfo(file).absolutePath()).permissions();
    QVERIFY(folder.testFlag(QFileDevice::ReadOther) && folder.testFlag(QFileDevice::ExeOther));
    // The overlay is private to the user.
    QVERIFY(writeFile(machineRoot() + QStringLiteral("/Blocked"), "x"));
    setMachineSettingsCompany(QStringLiteral("Blocked"));
    const mode_t again = ::umask(077);
    saveMachineSetting(QStringLiteral("Second"), kSection, QStringLiteral("autoSave"), QStringLiteral("1"));
    ::umask(again);
    const QString overlay = machineOverlayFilePath(QStringLiteral("Second"));
    QVERIFY(QFile::exists(overlay));
    QVERIFY(!QFileInfo(overlay).permissions().testFlag(QFileDevice::ReadOther));
}

void TestMachineSettings::blankNamesOnSaveAreSkipped()
{
    blockMachine();
    blockOverlay();
    saveMachineSetting(QStringLiteral(" "), kSection, QStringLiteral("autoSave"), QStringLiteral("1"));
    saveMachineSetting(kProgram, QString(), QStringLiteral("autoSave"), QStringLiteral("1"));
    saveMachineSetting(kProgram, QStringLiteral("A\nB"), QStringLiteral("autoSave"), QStringLiteral("1"));
    QCOMPARE(m_prompts, 0);
    unblockMachine();
    // A blank key is the key's default value.
    saveMachineSetting(kProgram, kSection, QString(), QStringLiteral("d"));
    QVERIFY(readFile(machineSettingsFilePath(kProgram)).contains(kKeyLine + "@=\"d\"\n"));
}

void TestMachineSettings::noPromptBehavesAsAbort()
{
    setPermissionPrompt({});
    blockMachine();
    blockOverlay();
    saveMachineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("1"));
    QCOMPARE(machineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("0")),
             QStringLiteral("0"));
    QCOMPARE(userSetting(kProgram, kSection, QStringLiteral("IgnorePermissionDeniedError"), QStringLiteral("0")),
             QStringLiteral("0"));
}

void TestMachineSettings::abortEndsSave()
{
    QString title;
    QString text;
    setPermissionPrompt([&](const QString &t, const QString &x) {
        ++m_prompts;
        title = t;
        text = x;
        return PermissionAnswer::Abort;
    });
    blockMachine();
    blockOverlay();
    saveMachineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("1"));
    QCOMPARE(m_prompts, 1);
    QCOMPARE(title, QStringLiteral("Permission Denied"));
    QCOMPARE(text, kPermissionText);
    QCOMPARE(machineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("0")),
             QStringLiteral("0"));
    QCOMPARE(userSetting(kProgram, kSection, QStringLiteral("IgnorePermissionDeniedError"), QStringLiteral("0")),
             QStringLiteral("0"));
    // Not ignored: the next failing save asks again.
    saveMachineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("1"));
    QCOMPARE(m_prompts, 2);
}

void TestMachineSettings::retryAttemptsAgain()
{
    setPermissionPrompt([this](const QString &, const QString &) {
        // The first Retry meets the same obstacle; before the second the path is freed.
        if (++m_prompts == 2)
            unblockMachine();
        return PermissionAnswer::Retry;
    });
    blockMachine();
    blockOverlay();
    saveMachineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("1"));
    QCOMPARE(m_prompts, 2);
    QVERIFY(readFile(machineSettingsFilePath(kProgram)).contains("\"autoSave\"=\"1\"\n"));
    QCOMPARE(machineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("0")),
             QStringLiteral("1"));
}

void TestMachineSettings::ignoreStopsLaterPrompts()
{
    setPermissionPrompt([this](const QString &, const QString &) {
        ++m_prompts;
        return PermissionAnswer::Ignore;
    });
    blockMachine();
    blockOverlay();
    saveMachineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("1"));
    QCOMPARE(m_prompts, 1);
    QCOMPARE(userSetting(kProgram, kSection, QStringLiteral("IgnorePermissionDeniedError"), QStringLiteral("0")),
             QStringLiteral("1"));
    QCOMPARE(machineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("0")),
             QStringLiteral("0"));
    saveMachineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("1"));
    QCOMPARE(m_prompts, 1);
}

void TestMachineSettings::ignoreSettingSuppressesPrompt()
{
    saveUserSetting(kProgram, kSection, QStringLiteral("IgnorePermissionDeniedError"), QStringLiteral("1"));
    blockMachine();
    blockOverlay();
    saveMachineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("1"));
    QCOMPARE(m_prompts, 0);
    // Any other value than "1" still asks.
    saveUserSetting(kProgram, kSection, QStringLiteral("IgnorePermissionDeniedError"), QStringLiteral("true"));
    saveMachineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("1"));
    QCOMPARE(m_prompts, 1);
}

QTEST_GUILESS_MAIN(TestMachineSettings)
#include "tst_settings_machine.moc"
