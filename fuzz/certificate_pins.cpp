// SPDX-License-Identifier: GPL-3.0-or-later
// Reads a certificate pin file. Aborts when a pin is not one the file format allows, a host
// and port appear twice, or writing the pins and reading them back changes them.
#include "platform/CertificatePins.h"

#include <QSet>

#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QList<CertificatePins::Pin> pins = CertificatePins::parse(bytes);
    check(pins.size() <= bytes.count('\n') + 1);
    QSet<QString> seen;
    for (const CertificatePins::Pin &pin : pins) {
        check(CertificatePins::isValidHost(pin.host) && pin.host == pin.host.toLower());
        check(pin.port != 0);
        check(pin.fingerprint.size() == 64);
        for (const char c : pin.fingerprint)
            check((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'));
        const QString key = pin.host + QLatin1Char(' ') + QString::number(pin.port);
        check(!seen.contains(key));
        seen.insert(key);
    }
    const QByteArray written = CertificatePins::format(pins);
    check(CertificatePins::parse(written) == pins);
    check(CertificatePins::format(CertificatePins::parse(written)) == written);
    return 0;
}
