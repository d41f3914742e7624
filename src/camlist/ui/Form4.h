#pragma once

#include <QWidget>

class QLabel;

// The notice window "Oops!": one line telling the user to select a camera first.
// It has no button; the window's close box closes it.
class Form4 : public QWidget
{
    Q_OBJECT
public:
    explicit Form4(QWidget *owner = nullptr);

    // Loads the notice (or brings the open one forward) and shows it, not modal.
    static Form4 *showNotice(QWidget *owner);
    // The open notice window, if any.
    static Form4 *instance();

    QLabel *Label1 = nullptr;
};
