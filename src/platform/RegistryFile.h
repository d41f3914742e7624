// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Value types, numbered as the registry numbers them (REG_SZ = 1, REG_DWORD = 4, ...).
namespace RegistryType {
inline constexpr quint32 None = 0;
inline constexpr quint32 String = 1;
inline constexpr quint32 ExpandString = 2;
inline constexpr quint32 Binary = 3;
inline constexpr quint32 Dword = 4;
inline constexpr quint32 MultiString = 7;
inline constexpr quint32 Qword = 11;
} // namespace RegistryType

// One named value of a registry key.
struct RegistryValue
{
    QString name;                       // "" is the key's default value (written "@")
    quint32 type = RegistryType::String;
    QString text;                       // the value when type == String
    QByteArray data;                    // raw bytes of any other type (dword: 4 bytes, little-endian)
};

// The machine-wide settings file: keys and values in the text form of a registry
// export, UTF-8, for example
//
//   Windows Registry Editor Version 5.00
//
//   [SOFTWARE\Quillmark\Ocellus\Settings]
//   "autoSave"="1"
//   "count"=dword:00000005
//   "blob"=hex:01,02
//   "other"=hex(7):41,00,00,00
//
// Strings escape "\" as \\, '"' as \", line feed as \n, carriage return as \r and
// U+0000 as \0; every other character is written as it is. hex(1) data (a string as
// UTF-16LE bytes, terminating zero included) is read as a string. Hex data may go on
// over several lines, each but the last ending in "\". Lines starting with ";" are
// comments. Key paths and value names compare without regard to letter case, as in
// the registry; the case first written is kept.
class RegistryFile
{
public:
    // Reads `bytes`; false (and `out` untouched) when they are not valid UTF-8 or a
    // line is not a header, comment, key or value line. A repeated value replaces
    // the earlier one; a repeated key adds to it.
    static bool parse(const QByteArray &bytes, RegistryFile *out);

    QByteArray serialize() const;

    bool hasKey(const QString &keyPath) const;

    // The value `name` of key `keyPath`, or nullptr when either is missing. The
    // pointer stays valid until the next change to this object.
    const RegistryValue *value(const QString &keyPath, const QString &name) const;

    // Creates the key when missing and stores `text` as a string value. False (and
    // nothing changed) when the key path cannot be written on a key line: empty,
    // holding a line break, starting with "-" or with blanks at either end.
    bool setString(const QString &keyPath, const QString &name, const QString &text);

    // Removes the value; a key left without values is removed too. False when the
    // value was not there.
    bool removeValue(const QString &keyPath, const QString &name);

    // Escaping of quoted strings, shared with the tests.
    static QString quote(const QString &text);

private:
    struct Key
    {
        QString path;
        QList<RegistryValue> values;
    };

    Key *findKey(const QString &keyPath);
    const Key *findKey(const QString &keyPath) const;

    QList<Key> m_keys;
};
