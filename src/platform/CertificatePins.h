// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QString>

// Certificates the user chose to trust, one per host and port ("trust on first use"). A
// pinned certificate is identified by the SHA-256 fingerprint of its DER form.
//
// The file, UTF-8 text, one pin per line:
//   <host> <port> <fingerprint>
// fields separated by one or more spaces or tabs; host as the camera address names it
// (lower-cased when read, no blank or control character); port 1..65535 in decimal digits;
// fingerprint 64 hex digits (either case when read, lower-case when written). Lines end with
// LF or CR LF. Empty lines and lines starting with "#" are skipped, and so is every damaged
// line (another number of fields, a bad host, port or fingerprint, bytes that are not UTF-8).
// When a host and port appear twice, the later line counts. Only the first MaxFileBytes of a
// larger file are read (the line cut there is skipped).
//
// The file is rewritten whole through a temporary file renamed into place (QSaveFile), with
// permissions 0600 (read and write for the owner only), whatever they were before.
// For the user-interface thread; one object per file.
class CertificatePins
{
public:
    struct Pin
    {
        QString host;           // lower-case
        quint16 port = 0;       // 1..65535
        QByteArray fingerprint; // 64 lower-case hex digits

        bool operator==(const Pin &other) const = default;
    };

    static constexpr qint64 MaxFileBytes = qint64(1) << 20;
    static constexpr qsizetype MaxHostLength = 255;

    // A store for the file at `filePath`; nothing is read until load().
    explicit CertificatePins(const QString &filePath);

    // "certificate-pins" in the folder of userSettingsFilePath(program) (SettingsStore.h).
    static QString userFilePath(const QString &program);

    QString filePath() const { return m_filePath; }

    // Replaces the pins held with those of the file. A missing file gives no pins and true.
    // False, with errorString(), when the file exists but cannot be read; the pins are then
    // emptied.
    bool load();

    // Pins `certificate` for `host` (compared ignoring letter case) and `port`, replacing an
    // earlier pin of theirs: reads the file again (keeping pins another process wrote), adds
    // the pin, and rewrites the file, creating its folder when missing. False, with
    // errorString(), when the host, port or certificate is not usable or the file cannot be
    // written; the pins held and the file are then as before.
    bool pin(const QString &host, quint16 port, const QSslCertificate &certificate);

    // The pinned fingerprint for `host` (any letter case) and `port`; empty when none.
    QByteArray fingerprintFor(const QString &host, quint16 port) const;

    QList<Pin> pins() const { return m_pins; }
    QString errorString() const { return m_error; }

    // SHA-256 of the certificate's DER form, 64 lower-case hex digits; empty for a null
    // certificate.
    static QByteArray fingerprint(const QSslCertificate &certificate);

    // The pins of file text `bytes` as described above, in file order, one per host and port
    // (a later line replaces the earlier pin in its place).
    static QList<Pin> parse(const QByteArray &bytes);

    // File text for `pins`: a comment line, then one line per pin, each ending with LF.
    // parse(format(pins)) == pins for pins that are valid, one per host and port.
    static QByteArray format(const QList<Pin> &pins);

    // A host the file can hold: 1 to MaxHostLength characters, none of them a blank (space,
    // tab) or a control character (below U+0020, U+007F to U+009F).
    static bool isValidHost(const QString &host);

private:
    bool readFile(QList<Pin> &into);
    bool writeFile(const QList<Pin> &pins);

    QString m_filePath;
    QList<Pin> m_pins;
    QString m_error;
};
