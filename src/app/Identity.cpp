// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Identity.h"

namespace {
ProductIdentity g_identity;
bool g_overridden = false;
} // namespace

void loadIdentity()
{
    if (g_overridden)
        return;
    g_identity.programName = QStringLiteral(OCELLUS_PRODUCT_NAME);
    g_identity.companyName = QStringLiteral(OCELLUS_COMPANY_NAME);
    g_identity.website = QStringLiteral(OCELLUS_WEBSITE);
    g_identity.versionMajor = OCELLUS_VERSION_MAJOR;
    g_identity.versionMinor = OCELLUS_VERSION_MINOR;
    g_identity.productNumber = 0;
}

const ProductIdentity &identity() { return g_identity; }

void setIdentityForTesting(const ProductIdentity &identity)
{
    g_identity = identity;
    g_overridden = true;
}

QString replaceIdentityPlaceholders(QString text, bool withWebsite)
{
    text.replace(QStringLiteral("[ProgramName]"), g_identity.programName, Qt::CaseInsensitive);
    text.replace(QStringLiteral("[CompanyName]"), g_identity.companyName, Qt::CaseInsensitive);
    if (withWebsite)
        text.replace(QStringLiteral("[Website]"), g_identity.website, Qt::CaseInsensitive);
    return text;
}
