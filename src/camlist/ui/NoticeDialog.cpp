#include "camlist/ui/NoticeDialog.h"

#include "platform/Twips.h"
#include "platform/ui/ModelessWindow.h"

#include <QLabel>

namespace {
QPointer<NoticeDialog> g_form4;
}

NoticeDialog::NoticeDialog(QWidget *owner)
    : QWidget(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                         | Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Oops!"));
    setFixedSize(Twips::toPx(3060), Twips::toPx(480));
    Label1 = new QLabel(QStringLiteral("You must first select a cam from the list."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(Twips::rect(120, 120, 2880, 255));
}

NoticeDialog *NoticeDialog::showNotice(QWidget *owner)
{
    return showModeless(g_form4, [owner] { return new NoticeDialog(owner); });
}

NoticeDialog *NoticeDialog::instance() { return g_form4.data(); }
