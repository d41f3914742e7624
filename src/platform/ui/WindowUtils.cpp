// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/WindowUtils.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace {

QIcon loadIcon(const QString &iconResourceName)
{
    const QPixmap picture(QStringLiteral(":/") + iconResourceName + QStringLiteral(".png"));
    if (picture.isNull())
        return QIcon();
    QIcon icon;
    for (const QStyle::PixelMetric metric : {QStyle::PM_LargeIconSize, QStyle::PM_SmallIconSize}) {
        const int side = QApplication::style()->pixelMetric(metric);
        icon.addPixmap(side > 0 ? picture.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation) : picture);
    }
    icon.addPixmap(picture);
    return icon;
}

} // namespace

void setWindowIcons(QWidget *window, const QString &iconResourceName, bool owner)
{
    if (!window)
        return;
    const QIcon icon = loadIcon(iconResourceName);
    if (icon.isNull())
        return;
    if (owner) {
        QWidget *top = window->window();
        while (QWidget *parent = top->parentWidget())
            top = parent->window();
        top->setWindowIcon(icon);
    }
    window->setWindowIcon(icon);
}

void setTopmost(QWidget *window, bool onTop)
{
    if (!window)
        return;
    QWidget *top = window->window();
    if (top->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    const bool visible = top->isVisible();
    const QRect geometry = top->geometry();
    const Qt::WindowStates state = top->windowState();
    // Changing the flags of a shown window hides it and may move it.
    top->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    top->setWindowState(state);
    if (!(state & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)))
        top->setGeometry(geometry);
    if (visible && !top->isVisible())
        top->show();
}

void centreOnScreen(QWidget *window)
{
    if (!window)
        return;
    QWidget *owner = window->parentWidget();
    QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize frame = window->frameGeometry().size();
    // move() places the frame's top-left corner.
    window->move(area.left() + (area.width() - frame.width()) / 2, area.top() + (area.height() - frame.height()) / 2);
}
