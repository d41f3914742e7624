// SPDX-License-Identifier: GPL-3.0-or-later
// The certificate pin store: the file's lines, damaged lines, rewrites, permissions, the
// fingerprint against openssl's.
#include "platform/CertificatePins.h"
#include "platform/SettingsStore.h"

#include "support/TestCertificates.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Pin = CertificatePins::Pin;
using PinList = QList<Pin>;
Q_DECLARE_METATYPE(PinList)

namespace {

const QByteArray kPrintA = QByteArray(64, 'a');
const QByteArray kPrintB = QByteArray("0123456789abcdef").repeated(4);

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QFileDevice::Permissions ownerOnly() { return QFileDevice::ReadOwner | QFileDevice::WriteOwner; }

QFileDevice::Permissions permissionsOf(const QString &path)
{
    // The user and other bits only: QFile reports ReadUser and ReadOwner alike.
    return QFile::permissions(path)
        & (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
           | QFileDevice::WriteGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther
           | QFileDevice::ExeOther);
}

} // namespace

class TestCertificatePins : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void parse_data();
    void parse();
    void formatReadsBack();
    void largeFileIsReadUpToTheBound();

    void missingFileHasNoPins();
    void pinWritesAPrivateFile();
    void pinReplacesAndKeepsOthers();
    void pinRefusesWhatItCannotHold_data();
    void pinRefusesWhatItCannotHold();
    void unwritableFolderKeepsEverything();
    void unreadableFile();
    void userFileLiesBesideTheSettings();
    void fingerprintIsOpensslsSha256();

private:
    std::unique_ptr<TestCertificates> m_certs;
    std::unique_ptr<TestCertificates> m_other;
};

void TestCertificatePins::initTestCase()
{
    m_certs = std::make_unique<TestCertificates>(TestCertificates::Kind::SelfSigned);
    QVERIFY2(m_certs->isValid(), qPrintable(m_certs->errorString()));
    m_other = std::make_unique<TestCertificates>(TestCertificates::Kind::SelfSigned);
    QVERIFY2(m_other->isValid(), qPrintable(m_other->errorString()));
}

void TestCertificatePins::parse_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<PinList>("pins");

    const QByteArray a = kPrintA;
    const QByteArray b = kPrintB;
    QTest::newRow("empty") << QByteArray() << PinList{};
    QTest::newRow("one line") << "cam.local 443 " + a + "\n" << PinList{{"cam.local", 443, a}};
    QTest::newRow("no final line break") << "cam.local 443 " + a << PinList{{"cam.local", 443, a}};
    QTest::newRow("CR LF, tabs, several blanks, blanks around")
        << "  cam.local\t \t8443   " + a + " \r\n" << PinList{{"cam.local", 8443, a}};
    QTest::newRow("comments and empty lines")
        << "# a comment cam.local 443 " + a + "\n\n\r\n   \ncam.local 443 " + a + "\n" << PinList{{"cam.local", 443, a}};
    QTest::newRow("letter case: host and fingerprint lowered")
        << "CAM.Local 443 " + b.toUpper() + "\n" << PinList{{"cam.local", 443, b}};
    QTest::newRow("UTF-8 host lowered") << QByteArray("K\xC3\x84MERA 80 ") + a << PinList{{QString::fromUtf8("k\xC3\xA4mera"), 80, a}};
    QTest::newRow("same host and port twice: the later counts, in the first's place")
        << "x 1 " + a + "\ny 2 " + a + "\nX 1 " + b + "\n" << PinList{{"x", 1, b}, {"y", 2, a}};
    QTest::newRow("same host, other ports") << "x 80 " + a + "\nx 81 " + b << PinList{{"x", 80, a}, {"x", 81, b}};
    QTest::newRow("port bounds") << "x 1 " + a + "\nx 65535 " + a + "\nx 00080 " + a
                                 << PinList{{"x", 1, a}, {"x", 65535, a}, {"x", 80, a}};

    // Damaged lines are skipped; the good line after each is kept.
    const QList<QPair<const char *, QByteArray>> damaged{
        {"two fields", "x 443"},
        {"four fields", "x 443 " + a + " extra"},
        {"port 0", "x 0 " + a},
        {"port 65536", "x 65536 " + a},
        {"port of six digits", "x 000080 " + a},
        {"port with a sign", "x +80 " + a},
        {"port with letters", "x 80a " + a},
        {"fingerprint of 63 digits", "x 80 " + a.left(63)},
        {"fingerprint of 65 digits", "x 80 " + a + "0"},
        {"fingerprint with a colon", "x 80 " + a.left(62) + ":a"},
        {"fingerprint not hex", "x 80 " + a.left(63) + "g"},
        {"host with a control character", "x\x01y 80 " + a},
        {"host with DEL", "x\x7Fy 80 " + a},
        {"host with a C1 control", "x\xC2\x85y 80 " + a},
        {"host not UTF-8", "x\xFFy 80 " + a},
        {"host with NUL", QByteArray("x\0y 80 ", 7) + a},
        {"host of 256 characters", QByteArray(256, 'h') + " 80 " + a},
        {"lone CR inside", "x 80\r" + a},
    };
    for (const auto &[name, line] : damaged)
        QTest::newRow(name) << line + "\ngood 443 " + b + "\n" << PinList{{"good", 443, b}};
    QTest::newRow("host of 255 characters")
        << QByteArray(255, 'h') + " 80 " + a << PinList{{QString(255, QLatin1Char('h')), 80, a}};
}

void TestCertificatePins::parse()
{
    QFETCH(QByteArray, text);
    QFETCH(PinList, pins);
    QCOMPARE(CertificatePins::parse(text), pins);
}

void TestCertificatePins::formatReadsBack()
{
    const PinList pins{{"cam.local", 443, kPrintA}, {QString::fromUtf8("k\xC3\xA4mera"), 8443, kPrintB}, {"10.0.0.7", 1, kPrintB}};
    const QByteArray text = CertificatePins::format(pins);
    QVERIFY(text.startsWith('#'));
    QVERIFY(text.endsWith('\n'));
    QCOMPARE(text.count('\n'), pins.size() + 1);
    QCOMPARE(CertificatePins::parse(text), pins);
    QCOMPARE(CertificatePins::parse(CertificatePins::format({})), PinList{});
}

void TestCertificatePins::largeFileIsReadUpToTheBound()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("certificate-pins"));
    const QByteArray line = "h 443 " + kPrintA + "\n"; // 71 bytes
    const qint64 bound = CertificatePins::MaxFileBytes;
    // The pin of the line cut at the bound, and the one after it, are not read.
    QByteArray bytes = line.repeated(bound / line.size());
    bytes += "cut 443 " + kPrintA + "\n";
    bytes += "after 443 " + kPrintA + "\n";
    QVERIFY(bytes.size() > bound);
    QVERIFY(bound - (bound / line.size()) * line.size() < line.size());
    QVERIFY(writeBytes(path, bytes));

    CertificatePins pins(path);
    QVERIFY(pins.load());
    QCOMPARE(pins.pins(), (PinList{{"h", 443, kPrintA}}));
    QVERIFY(pins.fingerprintFor(QStringLiteral("cut"), 443).isEmpty());
    QVERIFY(pins.fingerprintFor(QStringLiteral("after"), 443).isEmpty());
}

void TestCertificatePins::missingFileHasNoPins()
{
    QTemporaryDir dir;
    CertificatePins pins(dir.filePath(QStringLiteral("sub/certificate-pins")));
    QVERIFY(pins.load());
    QCOMPARE(pins.pins(), PinList{});
    QVERIFY(pins.errorString().isEmpty());
    QVERIFY(pins.fingerprintFor(QStringLiteral("x"), 443).isEmpty());
    QVERIFY(!QFileInfo::exists(pins.filePath()));
}

void TestCertificatePins::pinWritesAPrivateFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("config/Ocellus/certificate-pins"));
    CertificatePins pins(path);
    QVERIFY2(pins.pin(QStringLiteral("Cam.Local"), 443, m_certs->serverCertificate()), qPrintable(pins.errorString()));

    const QByteArray print = CertificatePins::fingerprint(m_certs->serverCertificate());
    QCOMPARE(pins.fingerprintFor(QStringLiteral("cam.local"), 443), print);
    QCOMPARE(pins.fingerprintFor(QStringLiteral("CAM.LOCAL"), 443), print);
    QVERIFY(pins.fingerprintFor(QStringLiteral("cam.local"), 444).isEmpty());
    QCOMPARE(readBytes(path), CertificatePins::format({{"cam.local", 443, print}}));
    QCOMPARE(permissionsOf(path), ownerOnly());
    // Nothing but the file is left in its folder.
    QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("certificate-pins")});

    // A file that others could read becomes private with the next pin.
    QVERIFY(QFile::setPermissions(path, ownerOnly() | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    QVERIFY(pins.pin(QStringLiteral("other"), 80, m_other->serverCertificate()));
    QCOMPARE(permissionsOf(path), ownerOnly());

    CertificatePins again(path);
    QVERIFY(again.load());
    QCOMPARE(again.pins(), pins.pins());
}

void TestCertificatePins::pinReplacesAndKeepsOthers()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("certificate-pins"));
    QVERIFY(writeBytes(path, "# by hand\ngarbage line\nkept 80 " + kPrintB + "\n"));
    CertificatePins pins(path);
    QVERIFY(pins.load());
    QVERIFY(pins.pin(QStringLiteral("cam"), 443, m_certs->serverCertificate()));

    // Another process pins a camera meanwhile; the next pin keeps it.
    CertificatePins elsewhere(path);
    QVERIFY(elsewhere.pin(QStringLiteral("theirs"), 8443, m_other->serverCertificate()));
    QVERIFY(pins.pin(QStringLiteral("cam"), 443, m_other->serverCertificate()));

    const QByteArray other = CertificatePins::fingerprint(m_other->serverCertificate());
    const PinList expected{{"kept", 80, kPrintB}, {"cam", 443, other}, {"theirs", 8443, other}};
    QCOMPARE(pins.pins(), expected);
    // Damaged lines and comments are not written back.
    QCOMPARE(readBytes(path), CertificatePins::format(expected));
}

void TestCertificatePins::pinRefusesWhatItCannotHold_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("nullCertificate");
    QTest::newRow("empty host") << "" << 443 << false;
    QTest::newRow("host with a space") << "a b" << 443 << false;
    QTest::newRow("host with a line break") << "a\nb 1 " << 443 << false;
    QTest::newRow("host too long") << QString(256, QLatin1Char('h')) << 443 << false;
    QTest::newRow("port 0") << "cam" << 0 << false;
    QTest::newRow("null certificate") << "cam" << 443 << true;
}

void TestCertificatePins::pinRefusesWhatItCannotHold()
{
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(bool, nullCertificate);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("certificate-pins"));
    const QByteArray before = "kept 80 " + kPrintB + "\n";
    QVERIFY(writeBytes(path, before));
    CertificatePins pins(path);
    QVERIFY(pins.load());
    QVERIFY(!pins.pin(host, static_cast<quint16>(port), nullCertificate ? QSslCertificate() : m_certs->serverCertificate()));
    QVERIFY(!pins.errorString().isEmpty());
    QCOMPARE(pins.pins(), (PinList{{"kept", 80, kPrintB}}));
    QCOMPARE(readBytes(path), before);
}

void TestCertificatePins::unwritableFolderKeepsEverything()
{
    QTemporaryDir dir;
    // A file stands where the folder must go.
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("config")), "not a folder"));
    CertificatePins pins(dir.filePath(QStringLiteral("config/certificate-pins")));
    QVERIFY(pins.load());
    QVERIFY(!pins.pin(QStringLiteral("cam"), 443, m_certs->serverCertificate()));
    QVERIFY(!pins.errorString().isEmpty());
    QCOMPARE(pins.pins(), PinList{});
    QCOMPARE(readBytes(dir.filePath(QStringLiteral("config"))), QByteArray("not a folder"));

    // A folder stands where the file must go: the rename into place fails.
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("second/certificate-pins")));
    CertificatePins blocked(dir.filePath(QStringLiteral("second/certificate-pins")));
    QVERIFY(!blocked.pin(QStringLiteral("cam"), 443, m_certs->serverCertificate()));
    QCOMPARE(blocked.pins(), PinList{});
    QVERIFY(QFileInfo(blocked.filePath()).isDir());
    QCOMPARE(QDir(dir.filePath(QStringLiteral("second"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("certificate-pins")});
}

void TestCertificatePins::unreadableFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("certificate-pins"));
    QVERIFY(writeBytes(path, "cam 443 " + kPrintA + "\n"));
    CertificatePins pins(path);
    QVERIFY(pins.load());
    QCOMPARE(pins.pins().size(), 1);

    // A folder in place of the file cannot be read: no pins, and the reason.
    QVERIFY(QFile::remove(path));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("certificate-pins")));
    QVERIFY(!pins.load());
    QVERIFY(!pins.errorString().isEmpty());
    QCOMPARE(pins.pins(), PinList{});
}

void TestCertificatePins::userFileLiesBesideTheSettings()
{
    const QString settings = userSettingsFilePath(QStringLiteral("Ocellus"));
    QVERIFY(!settings.isEmpty());
    QCOMPARE(CertificatePins::userFilePath(QStringLiteral("Ocellus")),
             QFileInfo(settings).path() + QStringLiteral("/certificate-pins"));
}

void TestCertificatePins::fingerprintIsOpensslsSha256()
{
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"), {QStringLiteral("x509"), QStringLiteral("-noout"),
                                              QStringLiteral("-fingerprint"), QStringLiteral("-sha256"),
                                              QStringLiteral("-in"), m_certs->serverChainFile()});
    QVERIFY(openssl.waitForFinished(30000));
    QCOMPARE(openssl.exitCode(), 0);
    // "sha256 Fingerprint=AB:CD:..."
    QByteArray expected = openssl.readAllStandardOutput().trimmed();
    expected = expected.mid(expected.indexOf('=') + 1).replace(":", "").toLower();
    QCOMPARE(expected.size(), 64);
    QCOMPARE(CertificatePins::fingerprint(m_certs->serverCertificate()), expected);
    QVERIFY(CertificatePins::fingerprint(m_other->serverCertificate()) != expected);
    QCOMPARE(CertificatePins::fingerprint(QSslCertificate()), QByteArray());
}

QTEST_GUILESS_MAIN(TestCertificatePins)
#include "tst_certificatepins.moc"
