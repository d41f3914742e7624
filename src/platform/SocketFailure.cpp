// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SocketFailure.h"

#include <algorithm>

namespace {

bool anyOf(const QList<QSslError> &errors, std::initializer_list<QSslError::SslError> kinds)
{
    return std::any_of(errors.cbegin(), errors.cend(), [&kinds](const QSslError &error) {
        return std::find(kinds.begin(), kinds.end(), error.error()) != kinds.end();
    });
}

} // namespace

CertificateProblem certificateProblem(const QList<QSslError> &errors)
{
    if (anyOf(errors, {QSslError::SelfSignedCertificate, QSslError::SelfSignedCertificateInChain,
                       QSslError::UnableToGetLocalIssuerCertificate, QSslError::UnableToGetIssuerCertificate,
                       QSslError::UnableToVerifyFirstCertificate, QSslError::CertificateUntrusted,
                       QSslError::NoPeerCertificate}))
        return CertificateProblem::NotTrusted;
    if (anyOf(errors, {QSslError::CertificateExpired, QSslError::CertificateNotYetValid}))
        return CertificateProblem::Expired;
    if (anyOf(errors, {QSslError::HostNameMismatch}))
        return CertificateProblem::WrongName;
    return CertificateProblem::Other;
}
