// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The product identity: program name, company, website and ProductNumber, set from
// the build settings (CMake cache values OCELLUS_PRODUCT_NAME and friends).
struct ProductIdentity
{
    QString programName;
    QString companyName;
    QString website;   // a host name, without scheme
    qint16 productNumber = 0;
    int versionMajor = 0;
    int versionMinor = 0;
};

// Fills the process-wide identity from the build settings; ProductNumber := 0.
// Can be called any number of times and yields the same values each time.
void loadIdentity();

// The process-wide identity (filled by loadIdentity, empty before).
const ProductIdentity &identity();

// Tests use this to stand in for a build with other settings.
void setIdentityForTesting(const ProductIdentity &identity);

// Replaces "[ProgramName]", "[CompanyName]" and, when `withWebsite`, "[Website]"
// in any letter case by the identity's values.
QString replaceIdentityPlaceholders(QString text, bool withWebsite);
