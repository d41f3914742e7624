// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/RegistryFile.h"

#include <QStringDecoder>
#include <QtEndian>

namespace {

const QString kHeader = QStringLiteral("Windows Registry Editor Version 5.00");
const QString kHeader4 = QStringLiteral("REGEDIT4");

bool sameName(const QString &a, const QString &b) { return QString::compare(a, b, Qt::CaseInsensitive) == 0; }

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Reads 1 to 8 hex digits as the whole of `text`.
bool parseHexNumber(QStringView text, quint32 *out)
{
    if (text.isEmpty() || text.size() > 8)
        return false;
    quint32 n = 0;
    for (const QChar c : text) {
        const int d = hexDigit(c);
        if (d < 0)
            return false;
        n = (n << 4) | static_cast<quint32>(d);
    }
    *out = n;
    return true;
}

// "01,02,ab" -> bytes; an empty list is no bytes.
bool parseHexBytes(QStringView text, QByteArray *out)
{
    QByteArray bytes;
    if (text.trimmed().isEmpty()) {
        *out = bytes;
        return true;
    }
    for (QStringView piece : text.split(u',')) {
        piece = piece.trimmed();
        if (piece.isEmpty() || piece.size() > 2)
            return false;
        quint32 b = 0;
        if (!parseHexNumber(piece, &b))
            return false;
        bytes.append(static_cast<char>(b));
    }
    *out = bytes;
    return true;
}

// Reads a quoted string that starts at text[*pos] == '"'; leaves *pos after the
// closing quote.
bool parseQuoted(QStringView text, qsizetype *pos, QString *out)
{
    qsizetype i = *pos;
    if (i >= text.size() || text[i] != u'"')
        return false;
    ++i;
    QString result;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c == u'"') {
            *pos = i + 1;
            *out = result;
            return true;
        }
        if (c == u'\\') {
            if (i + 1 >= text.size())
                return false;
            switch (text[i + 1].unicode()) {
            case u'\\': result.append(u'\\'); break;
            case u'"': result.append(u'"'); break;
            case u'n': result.append(u'\n'); break;
            case u'r': result.append(u'\r'); break;
            case u'0': result.append(QChar(u'\0')); break;
            default: return false;
            }
            i += 2;
            continue;
        }
        result.append(c);
        ++i;
    }
    return false;
}

// hex(1) data: UTF-16LE, one terminating zero dropped, an odd last byte ignored.
QString stringFromUtf16Bytes(const QByteArray &data)
{
    QString s;
    const qsizetype units = data.size() / 2;
    s.reserve(units);
    for (qsizetype i = 0; i < units; ++i) {
        const auto lo = static_cast<uchar>(data[2 * i]);
        const auto hi = static_cast<uchar>(data[2 * i + 1]);
        s.append(QChar(static_cast<char16_t>(lo | (hi << 8))));
    }
    if (!s.isEmpty() && s.back() == QChar(u'\0'))
        s.chop(1);
    return s;
}

QString hexList(const QByteArray &data)
{
    QString out;
    out.reserve(data.size() * 3);
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (i > 0)
            out.append(u',');
        out.append(QStringLiteral("%1").arg(static_cast<uchar>(data[i]), 2, 16, QLatin1Char('0')));
    }
    return out;
}

// A value line after its name: the data part, continuation lines already joined.
bool parseData(QStringView data, RegistryValue *value)
{
    if (data.startsWith(u'"')) {
        qsizetype pos = 0;
        QString text;
        if (!parseQuoted(data, &pos, &text) || !data.mid(pos).trimmed().isEmpty())
            return false;
        value->type = RegistryType::String;
        value->text = text;
        return true;
    }
    if (data.startsWith(u"dword:")) {
        quint32 n = 0;
        if (!parseHexNumber(data.mid(6).trimmed(), &n))
            return false;
        value->type = RegistryType::Dword;
        value->data = QByteArray(4, '\0');
        for (int i = 0; i < 4; ++i)
            value->data[i] = static_cast<char>((n >> (8 * i)) & 0xffu);
        return true;
    }
    quint32 type = RegistryType::Binary;
    QStringView bytes;
    if (data.startsWith(u"hex:")) {
        bytes = data.mid(4);
    } else if (data.startsWith(u"hex(")) {
        const qsizetype close = data.indexOf(u')');
        if (close < 0 || close + 1 >= data.size() || data[close + 1] != u':')
            return false;
        if (!parseHexNumber(data.mid(4, close - 4), &type))
            return false;
        bytes = data.mid(close + 2);
    } else {
        return false;
    }
    QByteArray raw;
    if (!parseHexBytes(bytes, &raw))
        return false;
    value->type = type;
    if (type == RegistryType::String) {
        value->text = stringFromUtf16Bytes(raw);
    } else {
        value->data = raw;
    }
    return true;
}

} // namespace

bool RegistryFile::parse(const QByteArray &bytes, RegistryFile *out)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return false;
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    RegistryFile file;
    Key *current = nullptr;
    const QList<QStringView> lines = QStringView(text).split(u'\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QStringView line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line == kHeader || line == kHeader4)
            continue;
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']') || line.size() < 3 || line[1] == u'-')
                return false;
            const QString path = line.mid(1, line.size() - 2).toString();
            current = file.findKey(path);
            if (!current) {
                file.m_keys.append(Key{path, {}});
                current = &file.m_keys.last();
            }
            continue;
        }
        if (!current)
            return false;

        RegistryValue value;
        qsizetype pos = 0;
        if (line.startsWith(u'@')) {
            pos = 1;
        } else if (!parseQuoted(line, &pos, &value.name)) {
            return false;
        }
        if (pos >= line.size() || line[pos] != u'=')
            return false;
        QString data = line.mid(pos + 1).trimmed().toString();
        if (data.startsWith(QLatin1String("hex"))) {
            while (data.endsWith(u'\\')) {
                data.chop(1);
                if (++n >= lines.size())
                    return false;
                data.append(lines[n].trimmed());
            }
        }
        if (!parseData(data, &value))
            return false;

        bool replaced = false;
        for (RegistryValue &existing : current->values) {
            if (sameName(existing.name, value.name)) {
                value.name = existing.name;
                existing = value;
                replaced = true;
                break;
            }
        }
        if (!replaced)
            current->values.append(value);
    }
    *out = std::move(file);
    return true;
}

QString RegistryFile::quote(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out.append(u'"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\': out.append(QLatin1String("\\\\")); break;
        case u'"': out.append(QLatin1String("\\\"")); break;
        case u'\n': out.append(QLatin1String("\\n")); break;
        case u'\r': out.append(QLatin1String("\\r")); break;
        case u'\0': out.append(QLatin1String("\\0")); break;
        default: out.append(c); break;
        }
    }
    out.append(u'"');
    return out;
}

QByteArray RegistryFile::serialize() const
{
    QString out = kHeader + QLatin1Char('\n');
    for (const Key &key : m_keys) {
        out += QLatin1String("\n[") + key.path + QLatin1String("]\n");
        for (const RegistryValue &v : key.values) {
            out += v.name.isEmpty() ? QStringLiteral("@") : quote(v.name);
            out += QLatin1Char('=');
            if (v.type == RegistryType::String)
                out += quote(v.text);
            else if (v.type == RegistryType::Dword && v.data.size() == 4)
                out += QStringLiteral("dword:%1").arg(qFromLittleEndian<quint32>(v.data.constData()), 8, 16, QLatin1Char('0'));
            else if (v.type == RegistryType::Binary)
                out += QLatin1String("hex:") + hexList(v.data);
            else
                out += QStringLiteral("hex(%1):").arg(v.type, 0, 16) + hexList(v.data);
            out += QLatin1Char('\n');
        }
    }
    return out.toUtf8();
}

RegistryFile::Key *RegistryFile::findKey(const QString &keyPath)
{
    for (Key &key : m_keys) {
        if (sameName(key.path, keyPath))
            return &key;
    }
    return nullptr;
}

const RegistryFile::Key *RegistryFile::findKey(const QString &keyPath) const
{
    for (const Key &key : m_keys) {
        if (sameName(key.path, keyPath))
            return &key;
    }
    return nullptr;
}

bool RegistryFile::hasKey(const QString &keyPath) const { return findKey(keyPath) != nullptr; }

const RegistryValue *RegistryFile::value(const QString &keyPath, const QString &name) const
{
    const Key *key = findKey(keyPath);
    if (!key)
        return nullptr;
    for (const RegistryValue &v : key->values) {
        if (sameName(v.name, name))
            return &v;
    }
    return nullptr;
}

bool RegistryFile::setString(const QString &keyPath, const QString &name, const QString &text)
{
    if (keyPath.isEmpty() || keyPath != keyPath.trimmed() || keyPath.startsWith(u'-')
        || keyPath.contains(u'\n') || keyPath.contains(u'\r'))
        return false;
    Key *key = findKey(keyPath);
    if (!key) {
        m_keys.append(Key{keyPath, {}});
        key = &m_keys.last();
    }
    for (RegistryValue &v : key->values) {
        if (sameName(v.name, name)) {
            v.type = RegistryType::String;
            v.text = text;
            v.data.clear();
            return true;
        }
    }
    RegistryValue v;
    v.name = name;
    v.text = text;
    key->values.append(v);
    return true;
}

bool RegistryFile::removeValue(const QString &keyPath, const QString &name)
{
    for (qsizetype k = 0; k < m_keys.size(); ++k) {
        Key &key = m_keys[k];
        if (!sameName(key.path, keyPath))
            continue;
        for (qsizetype i = 0; i < key.values.size(); ++i) {
            if (sameName(key.values[i].name, name)) {
                key.values.removeAt(i);
                if (key.values.isEmpty())
                    m_keys.removeAt(k);
                return true;
            }
        }
        return false;
    }
    return false;
}
