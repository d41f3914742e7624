// SPDX-License-Identifier: GPL-3.0-or-later
#include "camlist/ui/NoticeDialog.h"

#include "platform/Twips.h"
#include "platform/ui/ModelessWindow.h"

#include <QLabel>

NoticeDialog::NoticeDialog(QWidget *owner)
    : QWidget(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                         | Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Oops!"));
    setFixedSize(Twips::toPx(3060), Twips::toPx(480));
    auto *text = new QLabel(QStringLiteral("You must first select a cam from the list."), this);
    text->setObjectName(QStringLiteral("Label1"));
    text->setTextFormat(Qt::PlainText);
    text->setGeometry(Twips::rect(120, 120, 2880, 255));
}

NoticeDialog *NoticeDialog::open(QPointer<NoticeDialog> &holder, QWidget *owner)
{
    return showModeless(holder, [owner] { return new NoticeDialog(owner); });
}
