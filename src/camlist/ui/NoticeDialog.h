// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

// The notice window `Form4`, "Oops!": one line telling the user to select a camera first.
// It has no button; the window's close box closes it.
class NoticeDialog : public QWidget
{
    Q_OBJECT
public:
    explicit NoticeDialog(QWidget *owner = nullptr);

    // Loads the notice into `holder` (or brings the one it holds forward) and shows it, not
    // modal.
    static NoticeDialog *open(QPointer<NoticeDialog> &holder, QWidget *owner);
};
