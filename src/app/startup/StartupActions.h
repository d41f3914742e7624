// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct StartupOptions;
class MainWindow;

// What the command line asks of the main window once it is shown, in this order:
// --open-all opens every camera of the list in list order, as a double click on each
// entry would (a camera already open is not opened again; at most 24 are open); --view
// then shows slot viewSlot (1..24) in the viewer, as a click on its picture would, if that
// slot is open.
void applyStartupActions(MainWindow &window, const StartupOptions &options);
