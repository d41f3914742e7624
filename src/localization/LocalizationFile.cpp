// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/LocalizationFile.h"

#include "platform/AppFolder.h"
#include "platform/AtomicFile.h"
#include "platform/PathUtils.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace {

constexpr QStringView GroupOpen = u"<LANGUAGE_GROUP";
constexpr QStringView GroupClose = u"</LANGUAGE_GROUP>";
constexpr QStringView NameOpen = u"<LANGUAGE_NAME>";
constexpr QStringView NameClose = u"</LANGUAGE_NAME>";
constexpr QStringView ItemsOpen = u"<TRANSLATION_ITEMS>";
constexpr QStringView ItemsClose = u"</TRANSLATION_ITEMS>";

// The text between the first `open` and the first `close` of `text`, both searched
// from its start ignoring case; nullopt when either is missing or `close` comes first.
std::optional<QStringView> between(QStringView text, QStringView open, QStringView close)
{
    const qsizetype openAt = text.indexOf(open, 0, Qt::CaseInsensitive);
    if (openAt < 0)
        return std::nullopt;
    const qsizetype start = openAt + open.size();
    const qsizetype end = text.indexOf(close, 0, Qt::CaseInsensitive);
    if (end < start)
        return std::nullopt;
    return text.sliced(start, end - start);
}

// Walks the language groups of a text in file order. Each step searches on from
// where the previous group's closing tag ended; after the last group or the first
// malformed one every further step answers End.
class GroupScanner
{
public:
    enum class Step { Group, End, Malformed };

    explicit GroupScanner(QStringView text)
        : m_text(text)
    {
    }

    // On Group, `group` is the group without its closing tag and `name` its name.
    Step next(QStringView &group, QStringView &name)
    {
        if (m_done)
            return Step::End;
        const qsizetype groupAt = m_text.indexOf(GroupOpen, m_pos, Qt::CaseInsensitive);
        if (groupAt < 0)
            return finish(Step::End);
        const qsizetype closeAt = m_text.indexOf(GroupClose, m_pos, Qt::CaseInsensitive);
        if (closeAt < groupAt) // missing, or a stray closing tag before this group
            return finish(Step::Malformed);
        group = m_text.sliced(groupAt, closeAt - groupAt);
        m_pos = closeAt + GroupClose.size();
        const std::optional<QStringView> groupName = between(group, NameOpen, NameClose);
        if (!groupName)
            return finish(Step::Malformed);
        name = *groupName;
        return Step::Group;
    }

private:
    Step finish(Step step)
    {
        m_done = true;
        return step;
    }

    QStringView m_text;
    qsizetype m_pos = 0;
    bool m_done = false;
};

} // namespace

QString localizationFilePath()
{
    return AppFolder::file(QString::fromLatin1(LocalizationFileName));
}

QString readWholeFileUtf8(const QString &path, bool *ok, qint64 maxBytes)
{
    if (ok)
        *ok = false;
    // Only regular files: opening a FIFO or a device could block or never end.
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || info.size() > maxBytes)
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    // The file may have grown since its size was taken: ask for one byte more than
    // expected (never more than the limit allows) to notice.
    const QByteArray bytes = file.read(std::min(file.size(), maxBytes) + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > maxBytes)
        return QString();
    // Stateless: a sequence cut off at the end of the file becomes U+FFFD too.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (ok)
        *ok = true;
    return text;
}

LanguageGroupMatch findLanguageGroup(QStringView text, QStringView language)
{
    LanguageGroupMatch match;
    GroupScanner scanner(text);
    QStringView group;
    QStringView name;
    for (;;) {
        switch (scanner.next(group, name)) {
        case GroupScanner::Step::End:
            match.status = LanguageGroupMatch::Status::NotFound;
            return match;
        case GroupScanner::Step::Malformed:
            match.status = LanguageGroupMatch::Status::Malformed;
            return match;
        case GroupScanner::Step::Group:
            break;
        }
        if (name.compare(language, Qt::CaseInsensitive) != 0)
            continue;
        const std::optional<QStringView> items = between(group, ItemsOpen, ItemsClose);
        if (!items) {
            match.status = LanguageGroupMatch::Status::Malformed;
            return match;
        }
        match.status = LanguageGroupMatch::Status::Found;
        match.items = *items;
        return match;
    }
}

QStringList languageNamesInFile(const QString &fileText)
{
    QStringList names;
    GroupScanner scanner(fileText);
    QStringView group;
    QStringView name;
    while (scanner.next(group, name) == GroupScanner::Step::Group)
        names.append(name.toString());
    return names;
}

bool installLocalizationFileIfMissing(const QString &shippedCopy)
{
    const QString target = localizationFilePath();
    if (fileExists(target))
        return true;
    QFile source(shippedCopy);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = source.read(std::min(source.size(), MaxLocalizationFileBytes) + 1);
    if (source.error() != QFileDevice::NoError || bytes.size() > MaxLocalizationFileBytes)
        return false;
    return AtomicFile::replace(target, bytes).ok();
}
