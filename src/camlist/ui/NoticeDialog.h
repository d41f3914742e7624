#pragma once

#include <QWidget>

class QLabel;

// The notice window "Oops!": one line telling the user to select a camera first.
// It has no button; the window's close box closes it.
class NoticeDialog : public QWidget
{
    Q_OBJECT
public:
    explicit NoticeDialog(QWidget *owner = nullptr);

    // Loads the notice (or brings the open one forward) and shows it, not modal.
    static NoticeDialog *showNotice(QWidget *owner);
    // The open notice window, if any.
    static NoticeDialog *instance();

    QLabel *Label1 = nullptr;
};
