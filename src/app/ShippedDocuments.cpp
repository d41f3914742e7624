// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ShippedDocuments.h"

#include "app/Identity.h"

#include <QDir>
#include <QFile>

namespace ShippedDocuments {

QStringList names() { return {QStringLiteral("Localization.txt"), QStringLiteral("Help.rtf")}; }

ShippedFiles::Places places()
{
    return ShippedFiles::Places{
        QStringLiteral(OCELLUS_BUILD_DIR),
        QStringLiteral(OCELLUS_SOURCE_DATADIR),
        QStringLiteral(OCELLUS_RELATIVE_DATADIR),
        QStringLiteral(OCELLUS_INSTALL_DATADIR),
    };
}

QList<QByteArray> earlierCopies()
{
    return {
        // Localization.txt
        "dc798005399f773294920c13c4c178eb3179826944ccc56d3a2018fccd252d43",
        "4acedbeee153558fbfe7138ca43f8aae3163391a792f255754f18fb519765b3c",
        "f807afddc16f6261eea58b89df0e9df77b4b2bb0fde5c6b234f2921146b173ae",
        "fb8f8caa20f2c3f6e8ed306855e5b2f64366f4a1a4a1521910f1a50fbac57ce7",
        "ff1821fa2464bdf89fa0bd4009d20c24fa45368f6fe682404d5354ad1cdf6ea2",
        // Help.rtf
        "b12c6e622c2fb3461acd3c812b428b73d29b534c9a26cd644040bc92bdd21b35",
    };
}

QList<QPair<QString, ShippedFiles::Outcome>> refreshAll(const QString &folder, const QString &executableDir,
                                                        const QString &fallbackFolder)
{
    const QStringList documents = names();
    QString source = ShippedFiles::dataFolder(executableDir, places(), documents);
    if (source.isEmpty())
        source = fallbackFolder;
    const QVersionNumber version(identity().versionMajor, identity().versionMinor);
    QList<QPair<QString, ShippedFiles::Outcome>> outcomes;
    for (const QString &name : documents) {
        QFile shipped(source + QLatin1Char('/') + name);
        // The shipped documents are a few hundred kilobytes; a larger one is not read.
        constexpr qint64 MaxShippedBytes = 16 * 1024 * 1024;
        if (!shipped.open(QIODevice::ReadOnly) || shipped.size() > MaxShippedBytes)
            continue;
        outcomes.append({name, ShippedFiles::refresh(folder, name, shipped.readAll(), version, earlierCopies())});
    }
    return outcomes;
}

} // namespace ShippedDocuments
