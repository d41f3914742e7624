// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/MessageBoxes.h"

#include <QPointer>

QMessageBox::StandardButton showMessage(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                        const QString &text, QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton)
{
    QPointer<QMessageBox> box = new QMessageBox(icon, title, text, buttons, parent);
    box->setTextFormat(Qt::PlainText);
    if (defaultButton != QMessageBox::NoButton)
        box->setDefaultButton(defaultButton);
    const int answer = box->exec();
    delete box.data();
    return static_cast<QMessageBox::StandardButton>(answer);
}
