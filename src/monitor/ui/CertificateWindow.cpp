// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/ui/CertificateWindow.h"

#include "localization/LanguageLocale.h"
#include "localization/LanguageTable.h"
#include "platform/ui/ModelessWindow.h"
#include "platform/ui/WindowUtils.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The certificate's distinguished name as one line ("CN=cam, O=Maker").
QString nameOf(const QSslCertificate &certificate, bool issuer)
{
    const QStringList parts = issuer ? certificate.issuerDisplayName().split(QLatin1Char('\n'))
                                     : certificate.subjectDisplayName().split(QLatin1Char('\n'));
    return parts.join(QStringLiteral(", "));
}

// 64 hex digits in pairs: "ab:cd:..."
QString grouped(const QByteArray &hex)
{
    QStringList pairs;
    for (qsizetype i = 0; i + 1 < hex.size(); i += 2)
        pairs.append(QString::fromLatin1(hex.mid(i, 2)));
    return pairs.join(QLatin1Char(':'));
}

QLabel *line(QWidget *parent, const char *name, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

CertificateWindow::CertificateWindow(const QString &cameraName, const FetchOutcome &outcome,
                                     const LanguageTable &languages, QWidget *owner)
    : QWidget(owner, Qt::Dialog)
    , m_outcome(outcome)
{
    setObjectName(QStringLiteral("frmCertificate"));
    const auto message = [&languages](const char *key) { return languages.message(QLatin1String(key)); };
    setWindowTitle(message("MSG_CERT_TITLE").arg(cameraName));
    const QLocale locale = localeOfLanguage(languages.currentLanguage());
    const QSslCertificate certificate = outcome.certificate.value_or(QSslCertificate());

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(line(this, "lblHost", message("MSG_CERT_HOST").arg(outcome.host).arg(outcome.port)));
    layout->addWidget(line(this, "lblSubject", message("MSG_CERT_SUBJECT").arg(nameOf(certificate, false))));
    layout->addWidget(line(this, "lblIssuer", message("MSG_CERT_ISSUER").arg(nameOf(certificate, true))));
    layout->addWidget(line(this, "lblValidity",
                           message("MSG_CERT_VALIDITY")
                               .arg(locale.toString(certificate.effectiveDate().toLocalTime(), QLocale::ShortFormat),
                                    locale.toString(certificate.expiryDate().toLocalTime(), QLocale::ShortFormat))));
    layout->addWidget(line(this, "lblFingerprint", message("MSG_CERT_FINGERPRINT").arg(grouped(outcome.peerFingerprint))));
    if (!outcome.pinnedFingerprint.isEmpty())
        layout->addWidget(line(this, "lblPinned",
                               message("MSG_CERT_TRUSTEDFINGERPRINT").arg(grouped(outcome.pinnedFingerprint))));
    QStringList found = outcome.certificateErrors;
    if (!outcome.detail.isEmpty() && found.isEmpty())
        found.append(outcome.detail);
    if (!found.isEmpty())
        layout->addWidget(line(this, "lblErrors", message("MSG_CERT_ERRORS") + QLatin1Char('\n') + found.join(QLatin1Char('\n'))));

    auto *buttons = new QHBoxLayout;
    auto *trust = new QPushButton(message("MSG_CERT_TRUST"), this);
    trust->setObjectName(QStringLiteral("cmdTrust"));
    auto *close = new QPushButton(message("MSG_CERT_CLOSE"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(trust);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    setMinimumWidth(520);

    connect(trust, &QPushButton::clicked, this, [this] {
        emit trustRequested(m_outcome);
        this->close();
    });
    connect(close, &QPushButton::clicked, this, &CertificateWindow::close);
}

CertificateWindow *CertificateWindow::open(QPointer<CertificateWindow> &holder, const QString &cameraName,
                                           const FetchOutcome &outcome, const LanguageTable &languages,
                                           QWidget *owner)
{
    // Another camera's or an older outcome: the window shows the one asked for now.
    delete holder.data();
    CertificateWindow *window
        = showModeless(holder, [&] { return new CertificateWindow(cameraName, outcome, languages, owner); });
    centreOnScreen(window);
    return window;
}

void CertificateWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
