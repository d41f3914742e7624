// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/PermissionDialog.h"

#include "platform/SettingsStore.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

void installPermissionDialog(QWidget *parent)
{
    const QPointer<QWidget> guardedParent(parent);
    setPermissionPrompt([guardedParent](const QString &title, const QString &text) {
        QString shown = text;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QMessageBox box(QMessageBox::Warning, title, shown,
                        QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore, guardedParent.data());
        box.setTextFormat(Qt::PlainText);
        box.setDefaultButton(QMessageBox::Abort);
        box.setEscapeButton(QMessageBox::Abort);
        switch (box.exec()) {
        case QMessageBox::Retry:
            return PermissionAnswer::Retry;
        case QMessageBox::Ignore:
            return PermissionAnswer::Ignore;
        default:
            return PermissionAnswer::Abort;
        }
    });
}
