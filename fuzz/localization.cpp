// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the localization reader as the decoded Localization.txt:
// the language list scan, loading languages from it and caption and message lookups.

#include "app/Identity.h"
#include "localization/LocalizationFile.h"
#include "localization/LanguageTable.h"
#include "localization/DefaultMessages.h"

#include <QStringDecoder>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void lookUp(const LanguageTable &languages, const QString &key)
{
    const std::optional<QString> caption = languages.tryCaption(key);
    check(languages.caption(key) == caption.value_or(QString()));
    if (!languages.translationLines)
        check(!caption.has_value());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool identityLoaded = [] {
        loadIdentity();
        return true;
    }();
    (void)identityLoaded;

    const QByteArray bytes
        = QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);

    const QStringList names = languageNamesInFile(text);

    LanguageTable languages;
    check(languages.lastLineIndex() == -1);
    check(!languages.tryCaption(QStringLiteral("FORM1_CAPTION")).has_value());

    QStringList requested {QStringLiteral("English"), QStringLiteral("Deutsch")};
    for (qsizetype i = 0; i < names.size() && i < 3; ++i)
        requested.append(names.at(i));
    for (const QString &language : requested) {
        const std::optional<QStringList> before = languages.translationLines;
        const bool ok = languages.loadLanguageFromText(text, language);
        // A failed load leaves the previous lines; a successful one either keeps them
        // (no such group) or holds the item block: at most one line per line end (CR LF,
        // LF or a lone CR), plus one.
        if (!ok)
            check(languages.translationLines == before);
        if (languages.translationLines) {
            check(languages.lastLineIndex() >= 0);
            const qsizetype lineEnds = text.count(QLatin1Char('\n')) + text.count(QLatin1Char('\r'))
                - text.count(QStringLiteral("\r\n"));
            check(languages.lastLineIndex() <= lineEnds);
        }
        for (const char *key : {"FORM1_CAPTION", "MSG_DELETE1", "A", "", "KEY"})
            lookUp(languages, QString::fromLatin1(key));
        // The keys the lines themselves name, as far as they are short enough to type.
        if (languages.translationLines) {
            for (qsizetype i = 0; i < languages.translationLines->size() && i < 8; ++i) {
                const QString &line = languages.translationLines->at(i);
                const qsizetype lt = line.indexOf(QLatin1Char('<'));
                const qsizetype gt = line.indexOf(QLatin1Char('>'), lt + 1);
                if (lt >= 0 && gt > lt && gt - lt < 64)
                    lookUp(languages, line.mid(lt + 1, gt - lt - 1));
            }
        }
    }

    addDefaultMessages(languages);
    languages.setMessage(text.left(32), text.mid(32, 256));
    check(languages.message(QStringLiteral("MSG_DELETE2")) == QStringLiteral("Confirm Delete"));
    (void)languages.message(text.left(32));
    return 0;
}
