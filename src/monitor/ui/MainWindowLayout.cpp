// SPDX-License-Identifier: GPL-3.0-or-later
// Main window layout: the columns follow the window's size, the slot panel scrolls.

#include "monitor/ui/MainWindow.h"

#include "platform/Twips.h"
#include "viewer/ui/ViewerPanel.h"

#include <QGroupBox>
#include <QListWidget>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStatusBar>

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    layOut();
}

void MainWindow::layOut()
{
    const QRect outer = frameGeometry();
    const qint64 height = Twips::fromPx(outer.height());
    const qint64 width = Twips::fromPx(outer.width());
    const qint64 statusBarHeight
        = Twips::fromPx(statusBar()->isVisible() ? statusBar()->height() : statusBar()->sizeHint().height());
    MainWindowGeometry &g = m_geometry;
    layoutMainWindow(g, height, width, statusBarHeight);

    auto setHeight = [](QWidget *w, qint64 twips) { w->resize(w->width(), Twips::toPx(twips)); };
    setHeight(m_controls, g.frame1Height);
    setHeight(m_slotsFrame, g.frmCamsHeight);
    m_viewer->resize(Twips::toPx(g.frmMainWidth), Twips::toPx(g.frmMainHeight));
    setHeight(m_cameraList, g.list1Height);
    setHeight(m_slotsViewport, g.picWindowOuterHeight);
    setHeight(m_slotsScroll, g.vscroll1Height);

    ViewerParts parts;
    parts.viewportWidth = g.picture1Width;
    parts.viewportHeight = g.picture1Height;
    parts.detailsTop = g.frmDetailsTop;
    parts.detailsWidth = g.frmDetailsWidth;
    parts.vbarLeft = g.vscroll2Left;
    parts.vbarHeight = g.vscroll2Height;
    parts.hbarTop = g.hscroll1Top;
    parts.hbarWidth = g.hscroll1Width;
    parts.cornerLeft = g.command1Left;
    parts.cornerTop = g.command1Top;
    m_viewer->layOut(parts);
}

void MainWindow::scrollSlots()
{
    m_slotsPanel->move(m_slotsPanel->x(), Twips::toPx(slotPanelTop(m_slotsScroll->value())));
}
