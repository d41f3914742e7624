// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CertificatePins.h"

#include "platform/AtomicFile.h"
#include "platform/FolderCreation.h"
#include "platform/SettingsStore.h"

#include <QByteArrayView>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPair>
#include <QStringDecoder>

namespace {

bool isFieldSeparator(char c) { return c == ' ' || c == '\t'; }

QList<QByteArrayView> fields(QByteArrayView line)
{
    QList<QByteArrayView> out;
    qsizetype pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && isFieldSeparator(line[pos]))
            ++pos;
        const qsizetype start = pos;
        while (pos < line.size() && !isFieldSeparator(line[pos]))
            ++pos;
        if (pos > start)
            out.append(line.sliced(start, pos - start));
        if (out.size() > 3)
            break;
    }
    return out;
}

// 1..65535 in decimal digits only; 0 otherwise.
quint16 portOf(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > 5)
        return 0;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= 65535 ? static_cast<quint16>(value) : 0;
}

// 64 hex digits, returned lower-case; empty otherwise.
QByteArray fingerprintOf(QByteArrayView text)
{
    if (text.size() != 64)
        return QByteArray();
    QByteArray out(text.data(), text.size());
    for (char &c : out) {
        if (c >= 'A' && c <= 'F')
            c = static_cast<char>(c - 'A' + 'a');
        else if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return QByteArray();
    }
    return out;
}

bool isControlOrBlank(char16_t c)
{
    return c < 0x21 || (c >= 0x7F && c <= 0x9F);
}

// Replaces the pin of the same host and port in place, or appends.
void putPin(QList<CertificatePins::Pin> &pins, const CertificatePins::Pin &pin)
{
    for (CertificatePins::Pin &existing : pins) {
        if (existing.host == pin.host && existing.port == pin.port) {
            existing.fingerprint = pin.fingerprint;
            return;
        }
    }
    pins.append(pin);
}

} // namespace

CertificatePins::CertificatePins(const QString &filePath)
    : m_filePath(filePath)
{
}

QString CertificatePins::userFilePath(const QString &program)
{
    return QFileInfo(userSettingsFilePath(program)).path() + QStringLiteral("/certificate-pins");
}

bool CertificatePins::isValidHost(const QString &host)
{
    if (host.isEmpty() || host.size() > MaxHostLength)
        return false;
    for (const QChar c : host) {
        if (isControlOrBlank(c.unicode()))
            return false;
    }
    return true;
}

QByteArray CertificatePins::fingerprint(const QSslCertificate &certificate)
{
    if (certificate.isNull())
        return QByteArray();
    return QCryptographicHash::hash(certificate.toDer(), QCryptographicHash::Sha256).toHex();
}

QList<CertificatePins::Pin> CertificatePins::parse(const QByteArray &bytes)
{
    QList<Pin> pins;
    QHash<QPair<QString, quint16>, qsizetype> places; // host and port -> index in pins
    const QByteArrayView all(bytes);
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype end = all.indexOf('\n', start);
        if (end < 0)
            end = all.size();
        QByteArrayView line = all.sliced(start, end - start);
        start = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArrayView> parts = fields(line);
        if (parts.size() != 3)
            continue;
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString host = QString(decoder.decode(parts[0])).toLower();
        const quint16 port = portOf(parts[1]);
        const QByteArray print = fingerprintOf(parts[2]);
        if (decoder.hasError() || !isValidHost(host) || port == 0 || print.isEmpty())
            continue;
        const auto place = places.constFind(qMakePair(host, port));
        if (place != places.cend()) {
            pins[*place].fingerprint = print;
        } else {
            places.insert(qMakePair(host, port), pins.size());
            pins.append(Pin{host, port, print});
        }
    }
    return pins;
}

QByteArray CertificatePins::format(const QList<Pin> &pins)
{
    QByteArray out = "# Certificates trusted by the user: host, port, SHA-256 fingerprint (hex).\n";
    for (const Pin &pin : pins)
        out += pin.host.toUtf8() + ' ' + QByteArray::number(pin.port) + ' ' + pin.fingerprint + '\n';
    return out;
}

bool CertificatePins::readFile(QList<Pin> &into)
{
    QFile file(m_filePath);
    if (!file.exists()) {
        into.clear();
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("%1: %2").arg(m_filePath, file.errorString());
        return false;
    }
    QByteArray bytes = file.read(MaxFileBytes);
    if (file.error() != QFileDevice::NoError) {
        m_error = QStringLiteral("%1: %2").arg(m_filePath, file.errorString());
        return false;
    }
    if (!file.atEnd()) {
        // Cut inside a line: that line is not read.
        const qsizetype lastBreak = bytes.lastIndexOf('\n');
        bytes.truncate(lastBreak < 0 ? 0 : lastBreak + 1);
    }
    into = parse(bytes);
    return true;
}

bool CertificatePins::writeFile(const QList<Pin> &pins)
{
    const QFileInfo info(m_filePath);
    if (!createFolderPath(info.path(), 0700)) {
        m_error = QStringLiteral("%1: the folder cannot be created").arg(info.path());
        return false;
    }
    // Readable by its owner only, whatever stood there.
    AtomicFile::Options options;
    options.permissions = AtomicFile::Permissions::OwnerOnly;
    const AtomicFile::Result written = AtomicFile::replace(m_filePath, format(pins), options);
    if (!written.ok()) {
        m_error = QStringLiteral("%1: %2").arg(m_filePath, written.message);
        return false;
    }
    return true;
}

bool CertificatePins::load()
{
    m_error.clear();
    QList<Pin> read;
    if (!readFile(read)) {
        m_pins.clear();
        return false;
    }
    m_pins = read;
    return true;
}

bool CertificatePins::pin(const QString &host, quint16 port, const QSslCertificate &certificate)
{
    m_error.clear();
    const QString key = host.toLower();
    if (!isValidHost(key) || port == 0 || certificate.isNull()) {
        m_error = QStringLiteral("no usable host, port and certificate to pin");
        return false;
    }
    QList<Pin> pins;
    if (!readFile(pins))
        return false;
    putPin(pins, Pin{key, port, fingerprint(certificate)});
    if (!writeFile(pins))
        return false;
    m_pins = pins;
    return true;
}

QByteArray CertificatePins::fingerprintFor(const QString &host, quint16 port) const
{
    const QString key = host.toLower();
    for (const Pin &pin : m_pins) {
        if (pin.port == port && pin.host == key)
            return pin.fingerprint;
    }
    return QByteArray();
}
