// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Finding a window's controls as the localization keys know them: by object name, and for
// the elements of a control array by their "Index" property.

#include <QObject>
#include <QString>
#include <QVariant>

// The descendant of `parent` named `name` (with "Index" == `index` when `index` >= 0), or
// nullptr.
template<typename T> T *control(const QObject *parent, const char *name, int index = -1)
{
    const QList<T *> found = parent->findChildren<T *>(QLatin1String(name));
    for (T *candidate : found) {
        if (index < 0 || candidate->property("Index") == QVariant(index))
            return candidate;
    }
    return nullptr;
}
