// Main window layout: the columns follow the window's size, the slot panel scrolls.

#include "monitor/ui/MainWindow.h"

#include "platform/Twips.h"
#include "viewer/ui/ViewerPanel.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStatusBar>

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    layoutContents();
}

void MainWindow::layoutContents() { LayoutMainWindow(); }

void MainWindow::LayoutMainWindow()
{
    const QRect outer = frameGeometry();
    const qint64 H = Twips::fromPx(outer.height());
    const qint64 W = Twips::fromPx(outer.width());
    const qint64 SB = Twips::fromPx(statusBar()->isVisible() ? statusBar()->height() : statusBar()->sizeHint().height());
    MainWindowGeometry &g = geometryTwips;
    layoutMainWindow(g, H, W, SB);

    auto setHeight = [](QWidget *w, qint64 twips) { w->resize(w->width(), Twips::toPx(twips)); };
    setHeight(Frame1, g.frame1Height);
    setHeight(frmCams, g.frmCamsHeight);
    viewer->resize(Twips::toPx(g.frmMainWidth), Twips::toPx(g.frmMainHeight));
    setHeight(List1, g.list1Height);
    setHeight(picWindowOuter, g.picWindowOuterHeight);
    setHeight(VScroll1, g.vscroll1Height);

    viewer->setPicture1Size(g.picture1Width, g.picture1Height);
    viewer->frmDetails->setGeometry(viewer->frmDetails->x(), Twips::toPx(g.frmDetailsTop),
                                    Twips::toPx(g.frmDetailsWidth), viewer->frmDetails->height());
    viewer->VScroll2->setGeometry(Twips::toPx(g.vscroll2Left), viewer->VScroll2->y(),
                                  Twips::toPx(g.vscroll2Width), Twips::toPx(g.vscroll2Height));
    viewer->HScroll1->setGeometry(viewer->HScroll1->x(), Twips::toPx(g.hscroll1Top), Twips::toPx(g.hscroll1Width),
                                  Twips::toPx(g.hscroll1Height));
    viewer->Command1->setGeometry(Twips::toPx(g.command1Left), Twips::toPx(g.command1Top),
                                  Twips::toPx(g.command1Width), Twips::toPx(g.command1Height));
}

void MainWindow::VScroll1_Change()
{
    picWindowInner->move(picWindowInner->x(), Twips::toPx(slotPanelTop(VScroll1->value())));
}
