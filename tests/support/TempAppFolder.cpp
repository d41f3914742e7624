// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TempAppFolder.h"

#include "platform/AppFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TempAppFolder::TempAppFolder()
    : m_previous(AppFolder::path())
{
    Q_ASSERT(m_dir.isValid());
    AppFolder::set(m_dir.path());
}

TempAppFolder::~TempAppFolder() { AppFolder::set(m_previous); }

QString TempAppFolder::write(const QString &name, const QByteArray &bytes) const
{
    const QString target = file(name);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile f(target);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    f.write(bytes);
    return target;
}

QByteArray TempAppFolder::read(const QString &name) const
{
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}
