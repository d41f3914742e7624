// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

// Secondary windows are loaded on demand, shown without being modal and unloaded
// (deleted) when closed. Asking for one that is already open brings it forward with
// its current contents instead of loading a second one.
template<typename Window, typename Factory>
Window *showModeless(QPointer<Window> &holder, Factory &&make)
{
    if (!holder) {
        holder = make();
        holder->setAttribute(Qt::WA_DeleteOnClose);
    }
    holder->show();
    holder->raise();
    holder->activateWindow();
    return holder.data();
}
