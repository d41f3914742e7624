// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/LanguageTable.h"

#include "app/Identity.h"
#include "localization/LocalizationFile.h"
#include "platform/PathUtils.h"

#include <QDir>
#include <QDirIterator>

namespace {

// Upper-cases the first character (a whole surrogate pair when it starts with one);
// the rest is left as it is.
void upperFirst(QString &text)
{
    if (text.isEmpty())
        return;
    if (text.size() >= 2 && text.at(0).isHighSurrogate() && text.at(1).isLowSurrogate()) {
        const char32_t code = QChar::surrogateToUcs4(text.at(0), text.at(1));
        const char32_t upper = QChar::toUpper(code);
        if (upper != code && QChar::requiresSurrogates(upper)) {
            text[0] = QChar(QChar::highSurrogate(upper));
            text[1] = QChar(QChar::lowSurrogate(upper));
        }
        return;
    }
    text[0] = text.at(0).toUpper();
}

// The key of an item line: the text before the first ">" (the whole line without
// one), then, when that is longer than 2 characters, what follows its first "<".
// nullopt for lines that are never matched (empty, or 2 characters or fewer).
std::optional<QStringView> lineKey(QStringView line)
{
    if (line.isEmpty())
        return std::nullopt;
    const qsizetype gt = line.indexOf(u'>');
    QStringView key = gt < 0 ? line : line.first(gt);
    if (key.size() <= 2)
        return std::nullopt;
    const qsizetype lt = key.indexOf(u'<');
    if (lt >= 0)
        key = key.sliced(lt + 1);
    return key;
}

} // namespace

void LanguageTable::setMessage(const QString &key, const QString &text)
{
    for (MessageEntry &entry : messages) {
        if (!entry.used) {
            entry.used = true;
            entry.name = key;
            entry.text = text;
            return;
        }
    }
}

QString LanguageTable::message(const QString &key) const
{
    for (const MessageEntry &entry : messages) {
        if (entry.name.compare(key, Qt::CaseInsensitive) == 0) {
            QString text = replaceIdentityPlaceholders(entry.text, false);
            upperFirst(text);
            return text;
        }
        if (!entry.used)
            break;
    }
    return QString();
}

std::optional<QString> LanguageTable::tryCaption(const QString &key) const
{
    if (!translationLines)
        return std::nullopt;
    QString text;
    for (const QString &line : *translationLines) {
        const std::optional<QStringView> lineKeyView = lineKey(line);
        if (!lineKeyView || lineKeyView->compare(key, Qt::CaseInsensitive) != 0)
            continue;
        const QString openTag = QStringLiteral("<") + key + QLatin1Char('>');
        const QString closeTag = QStringLiteral("</") + key + QLatin1Char('>');
        const qsizetype openAt = line.indexOf(openTag, 0, Qt::CaseInsensitive);
        if (openAt < 0)
            return std::nullopt;
        const qsizetype start = openAt + openTag.size();
        const qsizetype end = line.indexOf(closeTag, 0, Qt::CaseInsensitive);
        if (end < start)
            return std::nullopt;
        text = line.sliced(start, end - start);
        break;
    }
    text = replaceIdentityPlaceholders(text, true);
    upperFirst(text);
    return text;
}

QString LanguageTable::caption(const QString &key) const
{
    return tryCaption(key).value_or(QString());
}

bool LanguageTable::loadLanguage(const QString &language)
{
    m_currentLanguage = language;
    const QString path = localizationFilePath();
    if (!fileExistsIgnoringCase(path))
        return true;
    bool readOk = false;
    const QString text = readWholeFileUtf8(path, &readOk);
    if (!readOk)
        return false;
    return loadLanguageFromText(text, language);
}

bool LanguageTable::loadLanguageFromText(const QString &text, const QString &language)
{
    const LanguageGroupMatch match = findLanguageGroup(text, language);
    switch (match.status) {
    case LanguageGroupMatch::Status::NotFound:
        return true;
    case LanguageGroupMatch::Status::Malformed:
        return false;
    case LanguageGroupMatch::Status::Found:
        break;
    }
    // CR LF, a lone LF and a lone CR each end one line: the file reads the same whichever
    // line ends the editor that saved it wrote.
    const QStringView items = match.items;
    QStringList lines;
    qsizetype from = 0;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QChar c = items[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        if (lines.size() + 1 >= MaxTranslationLines)
            return false;
        lines.append(items.sliced(from, i - from).toString());
        if (c == QLatin1Char('\r') && i + 1 < items.size() && items[i + 1] == QLatin1Char('\n'))
            ++i;
        from = i + 1;
    }
    lines.append(items.sliced(from).toString());
    translationLines = std::move(lines);
    return true;
}

bool LanguageTable::fileExistsIgnoringCase(const QString &asPath) const
{
    const QString name = fileNamePart(asPath);
    if (name.isEmpty())
        return false;
    QString folder = asPath.first(asPath.size() - name.size());
    if (folder.isEmpty())
        folder = QStringLiteral(".");
    // Regular files and links to them, hidden ones included; no folders, devices or
    // FIFOs (reading those could block).
    QDirIterator it(folder, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        if (it.nextFileInfo().fileName().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString LanguageTable::fileNamePart(const QString &asPath) const
{
    return fileNameOf(asPath);
}

int LanguageTable::lastLineIndex() const
{
    return translationLines ? static_cast<int>(translationLines->size()) - 1 : -1;
}
