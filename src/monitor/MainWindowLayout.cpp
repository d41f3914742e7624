// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/MainWindowLayout.h"

#include <cstdlib>

void layoutMainWindow(MainWindowGeometry &g, qint64 H, qint64 W, qint64 SB)
{
    using std::llabs;
    g.frame1Height = llabs(H - SB - g.frame1Top - 800);
    g.frmCamsHeight = llabs(H - SB - g.frmCamsTop - 800);
    g.frmMainHeight = llabs(H - SB - g.frmMainTop - 800);
    g.frmMainWidth = llabs(W - g.frmMainLeft);
    g.list1Height = llabs(g.frmCamsHeight - g.list1Top - 20);
    g.picWindowOuterHeight = llabs(g.list1Top + g.list1Height - 280);
    g.vscroll1Height = llabs(g.picWindowOuterHeight);
    g.picture1Height = llabs(g.frmMainHeight - g.frmDetailsHeight - SB);
    g.picture1Width = llabs(g.frmMainWidth - 400);
    g.frmDetailsTop = llabs(g.picture1Height + g.picture1Top);
    g.frmDetailsWidth = llabs(g.picture1Width);
    g.vscroll2Height = llabs(g.picture1Height - g.command1Height - 60);
    g.vscroll2Left = llabs(g.picture1Width - g.vscroll2Width - 60);
    g.hscroll1Width = llabs(g.picture1Width - g.command1Width - 60);
    g.hscroll1Top = llabs(g.picture1Height - g.hscroll1Height - 60);
    g.command1Top = llabs(g.hscroll1Top);
    g.command1Left = llabs(g.vscroll2Left);
}
