// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <exception>

// An error raised by an operation for its caller to handle: a signed 32-bit number,
// the source that raised it and a description, as message boxes and callers expect.
class OperationError : public std::exception
{
public:
    OperationError(qint32 number, QString source, QString description)
        : m_number(number)
        , m_source(std::move(source))
        , m_description(std::move(description))
        , m_what(m_description.toUtf8())
    {
    }

    qint32 number() const { return m_number; }
    const QString &source() const { return m_source; }
    const QString &description() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    qint32 m_number;
    QString m_source;
    QString m_description;
    QByteArray m_what;
};
