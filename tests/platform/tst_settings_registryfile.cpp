// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/RegistryFile.h"

#include <QTest>

namespace {
const QString kKey = QStringLiteral("SOFTWARE\\Quillmark\\Ocellus\\Settings");
}

class TestRegistryFile : public QObject
{
    Q_OBJECT

private slots:
    void parsesValues_data();
    void parsesValues();
    void rejectsCorrupt_data();
    void rejectsCorrupt();
    void lookupIgnoresLetterCase();
    void stringsRoundTrip_data();
    void stringsRoundTrip();
    void otherTypesSurviveRewrite();
    void setStringRefusesUnwritablePaths_data();
    void setStringRefusesUnwritablePaths();
    void removeValueDropsEmptyKey();
    void everyPrefixRewritesStably();
};

void TestRegistryFile::parsesValues_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<uint>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("data");

    const QByteArray head = "Windows Registry Editor Version 5.00\n\n[SOFTWARE\\Quillmark\\Ocellus\\Settings]\n";
    QTest::newRow("string") << head + "\"autoSave\"=\"1\"\n" << "autoSave" << 1u << "1" << QByteArray();
    QTest::newRow("empty string") << head + "\"a\"=\"\"\n" << "a" << 1u << "" << QByteArray();
    QTest::newRow("escapes") << head + "\"a\"=\"x\\\\y\\\"z\\n\\r\\0\"\n" << "a" << 1u
                             << QStringLiteral("x\\y\"z\n\r") + QChar(u'\0') << QByteArray();
    QTest::newRow("utf-8") << head + "\"a\"=\"K\xc3\xa4se \xe2\x82\xac\"\n" << "a" << 1u
                           << QString::fromUtf8("K\xc3\xa4se \xe2\x82\xac") << QByteArray();
    QTest::newRow("dword") << head + "\"n\"=dword:00000105\n" << "n" << 4u << "" << QByteArray("\x05\x01\x00\x00", 4);
    QTest::newRow("short dword") << head + "\"n\"=dword:5\n" << "n" << 4u << "" << QByteArray("\x05\x00\x00\x00", 4);
    QTest::newRow("binary") << head + "\"b\"=hex:01,02,ff\n" << "b" << 3u << "" << QByteArray("\x01\x02\xff", 3);
    QTest::newRow("empty binary") << head + "\"b\"=hex:\n" << "b" << 3u << "" << QByteArray();
    QTest::newRow("typed hex") << head + "\"m\"=hex(7):41,00,00,00\n" << "m" << 7u << ""
                               << QByteArray("\x41\x00\x00\x00", 4);
    QTest::newRow("qword") << head + "\"q\"=hex(b):01,00,00,00,00,00,00,00\n" << "q" << 11u << ""
                           << QByteArray("\x01\0\0\0\0\0\0\0", 8);
    QTest::newRow("continued hex") << head + "\"b\"=hex:01,02,\\\n  03,\\\n  04\n" << "b" << 3u << ""
                                   << QByteArray("\x01\x02\x03\x04", 4);
    QTest::newRow("hex(1) is a string") << head + "\"s\"=hex(1):48,00,69,00,00,00\n" << "s" << 1u << "Hi"
                                        << QByteArray();
    QTest::newRow("default value") << head + "@=\"d\"\n" << "" << 1u << "d" << QByteArray();
    QTest::newRow("crlf, bom, comment") << QByteArray("\xef\xbb\xbf" "REGEDIT4\r\n; note\r\n[SOFTWARE\\Quillmark\\Ocellus\\Settings]\r\n"
                                                      "\"a\"=\"v\"\r\n")
                                        << "a" << 1u << "v" << QByteArray();
    QTest::newRow("last of repeated wins") << head + "\"a\"=\"1\"\n\"A\"=\"2\"\n" << "a" << 1u << "2" << QByteArray();
    QTest::newRow("repeated key adds") << head + "\"a\"=\"1\"\n[OTHER]\n\"x\"=\"y\"\n" + head + "\"b\"=\"2\"\n"
                                       << "b" << 1u << "2" << QByteArray();
}

void TestRegistryFile::parsesValues()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(uint, type);
    QFETCH(QString, text);
    QFETCH(QByteArray, data);

    RegistryFile file;
    QVERIFY(RegistryFile::parse(bytes, &file));
    const RegistryValue *value = file.value(kKey, name);
    QVERIFY(value);
    QCOMPARE(value->type, type);
    if (type == RegistryType::String)
        QCOMPARE(value->text, text);
    else
        QCOMPARE(value->data, data);
}

void TestRegistryFile::rejectsCorrupt_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray head = "[SOFTWARE\\Quillmark\\Ocellus\\Settings]\n";
    QTest::newRow("value before key") << QByteArray("\"a\"=\"1\"\n");
    QTest::newRow("plain text") << head + "autoSave=1\n";
    QTest::newRow("unterminated string") << head + "\"a\"=\"1\n";
    QTest::newRow("unterminated name") << head + "\"a=\"1\"\n";
    QTest::newRow("unknown escape") << head + "\"a\"=\"\\t\"\n";
    QTest::newRow("text after string") << head + "\"a\"=\"1\" x\n";
    QTest::newRow("missing equals") << head + "\"a\" \"1\"\n";
    QTest::newRow("dword too long") << head + "\"n\"=dword:000000001\n";
    QTest::newRow("dword not hex") << head + "\"n\"=dword:0000000g\n";
    QTest::newRow("dword empty") << head + "\"n\"=dword:\n";
    QTest::newRow("hex byte too long") << head + "\"b\"=hex:123\n";
    QTest::newRow("hex empty byte") << head + "\"b\"=hex:01,,02\n";
    QTest::newRow("hex type unclosed") << head + "\"b\"=hex(7:01\n";
    QTest::newRow("continuation at end") << head + "\"b\"=hex:01,\\\n";
    QTest::newRow("deletion") << head + "\"a\"=-\n";
    QTest::newRow("key deletion") << QByteArray("[-SOFTWARE\\Quillmark]\n");
    QTest::newRow("empty key") << QByteArray("[]\n");
    QTest::newRow("unclosed key") << QByteArray("[SOFTWARE\n");
    QTest::newRow("invalid utf-8") << head + "\"a\"=\"\xff\xfe\"\n";
}

void TestRegistryFile::rejectsCorrupt()
{
    QFETCH(QByteArray, bytes);
    RegistryFile file;
    QVERIFY(file.setString(kKey, QStringLiteral("kept"), QStringLiteral("yes")));
    QVERIFY(!RegistryFile::parse(bytes, &file));
    // A failed parse leaves the target as it was.
    QVERIFY(file.value(kKey, QStringLiteral("kept")));
}

void TestRegistryFile::lookupIgnoresLetterCase()
{
    RegistryFile file;
    QVERIFY(RegistryFile::parse("[Software\\QUILLMARK\\Ocellus\\settings]\n\"AutoSave\"=\"1\"\n", &file));
    QVERIFY(file.hasKey(kKey));
    const RegistryValue *value = file.value(kKey, QStringLiteral("autosave"));
    QVERIFY(value);
    QCOMPARE(value->text, QStringLiteral("1"));

    // Rewriting keeps the case first written.
    QVERIFY(file.setString(kKey, QStringLiteral("AUTOSAVE"), QStringLiteral("0")));
    const QByteArray out = file.serialize();
    QVERIFY2(out.contains("[Software\\QUILLMARK\\Ocellus\\settings]\n\"AutoSave\"=\"0\"\n"), out.constData());
}

void TestRegistryFile::stringsRoundTrip_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << "autoSave" << "1";
    QTest::newRow("empty") << "e" << "";
    QTest::newRow("quotes") << "q\"uote" << "say \"hi\"";
    QTest::newRow("backslashes") << "back\\slash" << "C:\\cam\\";
    QTest::newRow("line breaks") << "lines" << "one\ntwo\r\nthree\r";
    QTest::newRow("zero") << "zero" << QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b");
    QTest::newRow("blanks kept") << "  spaced  " << "  padded\t ";
    QTest::newRow("syntax inside") << "[x]=" << "\"]=[hex:01\\";
    QTest::newRow("unicode") << QString::fromUtf8("n\xc3\xa4me") << QString::fromUtf8("\xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x93\xb7");
    QTest::newRow("default value") << "" << "d";
}

void TestRegistryFile::stringsRoundTrip()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    RegistryFile file;
    QVERIFY(file.setString(kKey, name, text));
    RegistryFile reread;
    const QByteArray bytes = file.serialize();
    QVERIFY2(RegistryFile::parse(bytes, &reread), bytes.constData());
    const RegistryValue *value = reread.value(kKey, name);
    QVERIFY(value);
    QCOMPARE(value->type, RegistryType::String);
    QCOMPARE(value->name, name);
    QCOMPARE(value->text, text);
}

void TestRegistryFile::otherTypesSurviveRewrite()
{
    RegistryFile file;
    QVERIFY(RegistryFile::parse("[K]\n\"n\"=dword:deadbeef\n\"b\"=hex:00,7f,80\n\"m\"=hex(7):41,00,\\\n 00,00\n"
                                "\"z\"=hex(0):\n",
                                &file));
    QVERIFY(file.setString(QStringLiteral("K"), QStringLiteral("s"), QStringLiteral("new")));
    RegistryFile reread;
    QVERIFY(RegistryFile::parse(file.serialize(), &reread));
    const struct
    {
        const char *name;
        quint32 type;
        QByteArray data;
    } expected[] = {{"n", 4, QByteArray("\xef\xbe\xad\xde", 4)},
                    {"b", 3, QByteArray("\x00\x7f\x80", 3)},
                    {"m", 7, QByteArray("\x41\x00\x00\x00", 4)},
                    {"z", 0, QByteArray()}};
    for (const auto &e : expected) {
        const RegistryValue *value = reread.value(QStringLiteral("K"), QString::fromLatin1(e.name));
        QVERIFY2(value, e.name);
        QCOMPARE(value->type, e.type);
        QCOMPARE(value->data, e.data);
    }
    QCOMPARE(reread.value(QStringLiteral("K"), QStringLiteral("s"))->text, QStringLiteral("new"));
}

void TestRegistryFile::setStringRefusesUnwritablePaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("empty") << "";
    QTest::newRow("line feed") << "SOFTWARE\\A\nB";
    QTest::newRow("carriage return") << "SOFTWARE\\A\rB";
    QTest::newRow("deletion mark") << "-SOFTWARE";
    QTest::newRow("leading blank") << " SOFTWARE";
}

void TestRegistryFile::setStringRefusesUnwritablePaths()
{
    QFETCH(QString, path);
    RegistryFile file;
    QVERIFY(!file.setString(path, QStringLiteral("a"), QStringLiteral("1")));
    RegistryFile reread;
    QVERIFY(RegistryFile::parse(file.serialize(), &reread));
    QVERIFY(!reread.hasKey(path));
}

void TestRegistryFile::removeValueDropsEmptyKey()
{
    RegistryFile file;
    QVERIFY(file.setString(kKey, QStringLiteral("a"), QStringLiteral("1")));
    QVERIFY(file.setString(kKey, QStringLiteral("b"), QStringLiteral("2")));
    QVERIFY(file.removeValue(kKey, QStringLiteral("A")));
    QVERIFY(!file.value(kKey, QStringLiteral("a")));
    QVERIFY(file.hasKey(kKey));
    QVERIFY(!file.removeValue(kKey, QStringLiteral("a")));
    QVERIFY(file.removeValue(kKey, QStringLiteral("b")));
    QVERIFY(!file.hasKey(kKey));
    QVERIFY(!file.serialize().contains("SOFTWARE"));
}

void TestRegistryFile::everyPrefixRewritesStably()
{
    // A file cut anywhere either fails to parse or, once parsed, writes out a file
    // that reads back to the same content.
    const QByteArray sample = "Windows Registry Editor Version 5.00\r\n\r\n; c\r\n[SOFTWARE\\Q\\O\\Settings]\r\n"
                              "\"a\"=\"x\\\"y\\\\z\\n\"\r\n@=\"d\"\r\n\"n\"=dword:0000ff01\r\n"
                              "\"b\"=hex:01,02,\\\r\n  03\r\n\"s\"=hex(1):41,00,00,00,42,00\r\n"
                              "\"K\xc3\xa4se\"=hex(7):41,00,00,00\r\n[Other]\r\n\"e\"=\"\"\r\n";
    RegistryFile whole;
    QVERIFY(RegistryFile::parse(sample, &whole));
    QCOMPARE(whole.value(QStringLiteral("software\\q\\o\\settings"), QStringLiteral("s"))->text,
             QStringLiteral("A") + QChar(u'\0') + QStringLiteral("B"));
    int parsed = 0;
    for (qsizetype cut = 0; cut <= sample.size(); ++cut) {
        RegistryFile file;
        if (!RegistryFile::parse(sample.left(cut), &file))
            continue;
        ++parsed;
        const QByteArray once = file.serialize();
        RegistryFile again;
        QVERIFY2(RegistryFile::parse(once, &again), qPrintable(QStringLiteral("cut at %1").arg(cut)));
        QCOMPARE(again.serialize(), once);
    }
    QVERIFY(parsed > 10);
}

QTEST_GUILESS_MAIN(TestRegistryFile)
#include "tst_settings_registryfile.moc"
