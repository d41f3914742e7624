// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/FetchOutcome.h"

#include <QPointer>
#include <QWidget>

class LanguageTable;

// The certificate window `frmCertificate`: what an https camera presented when its
// certificate did not verify — host and port, subject, issuer, validity, the SHA-256
// fingerprint (and the one trusted until now, for a changed certificate) and what
// verification found — with "Trust this certificate for this camera" (`cmdTrust`) and
// "Close" (`cmdClose`). Escape closes it. Texts from `languages`, shown as plain text.
class CertificateWindow : public QWidget
{
    Q_OBJECT
public:
    // `outcome` is a certificate outcome (isCertificateOutcome()) of the camera `cameraName`.
    CertificateWindow(const QString &cameraName, const FetchOutcome &outcome, const LanguageTable &languages,
                      QWidget *owner);

    // Loads the window into `holder` (replacing one it holds) and shows it, not modal.
    static CertificateWindow *open(QPointer<CertificateWindow> &holder, const QString &cameraName,
                                   const FetchOutcome &outcome, const LanguageTable &languages, QWidget *owner);

    const FetchOutcome &outcome() const { return m_outcome; }

Q_SIGNALS:
    // The user trusts the certificate for the host and port of the outcome.
    void trustRequested(const FetchOutcome &outcome);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    FetchOutcome m_outcome;
};
