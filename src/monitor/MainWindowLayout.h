// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// Geometry of the main window's resizable parts, all in twips. The inputs are the
// values the layout reads but never changes; the outputs are the values it sets.
struct MainWindowGeometry
{
    // Read only.
    qint64 frame1Top = 0;
    qint64 frmCamsTop = 0;
    qint64 frmMainTop = 0;
    qint64 frmMainLeft = 7200;
    qint64 list1Top = 3780;
    qint64 picture1Top = 240;
    qint64 frmDetailsHeight = 3555;
    qint64 vscroll2Width = 195;
    qint64 hscroll1Height = 195;
    qint64 command1Width = 195;
    qint64 command1Height = 195;

    // Set by layoutMainWindow().
    qint64 frame1Height = 10815;
    qint64 frmCamsHeight = 10815;
    qint64 frmMainHeight = 10815;
    qint64 frmMainWidth = 8655;
    qint64 list1Height = 6300;
    qint64 picWindowOuterHeight = 10450;
    qint64 vscroll1Height = 10450;
    qint64 picture1Height = 6915;
    qint64 picture1Width = 8415;
    qint64 frmDetailsTop = 7200;
    qint64 frmDetailsWidth = 8475;
    qint64 vscroll2Height = 6660;
    qint64 vscroll2Left = 8160;
    qint64 hscroll1Width = 8160;
    qint64 hscroll1Top = 6660;
    qint64 command1Top = 6660;
    qint64 command1Left = 8160;
};

// Lays the window out for an outer height `windowHeight` and width `windowWidth`
// (border and title bar included) and a status bar `statusBarHeight` high, all in
// twips. Each size is the absolute value of its expression, so a window smaller than
// the fixed margins never yields a negative size. The column widths of the first two
// columns and the positions of the camera slots are not part of the layout.
void layoutMainWindow(MainWindowGeometry &g, qint64 windowHeight, qint64 windowWidth, qint64 statusBarHeight);

// Top of the slot panel (twips, relative to its viewport) for a scroll value.
constexpr qint64 slotPanelTop(qint64 scrollValue) { return -scrollValue - 30; }

// Position of slot `index` (0..23) inside the slot panel, twips: two columns, twelve rows.
constexpr qint64 slotLeft(int index) { return 60 + 1680 * (index % 2); }
constexpr qint64 slotTop(int index) { return 60 + 1980 * (index / 2); }
