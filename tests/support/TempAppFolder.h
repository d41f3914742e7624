// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh application folder for one test: AppFolder::set() points at it while the
// object lives, and the previous folder is restored afterwards.
class TempAppFolder
{
public:
    TempAppFolder();
    ~TempAppFolder();

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.path() + QLatin1Char('/') + name; }

    // Writes `bytes` to `name` inside the folder (creating sub-folders); returns the path.
    QString write(const QString &name, const QByteArray &bytes) const;
    QByteArray read(const QString &name) const;

private:
    QTemporaryDir m_dir;
    QString m_previous;
};
