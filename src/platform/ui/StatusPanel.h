// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>

// One panel of a status bar: a line of plain text, drawn as a QLabel draws plain text, whose
// size does not follow its text. A QLabel asks for its layout to be redone at every new text,
// and inside a status bar that redoes the main window's whole layout; the program changes its
// status text several times a second while pictures arrive. The panel is as tall as a line of
// its font; it takes the width the status bar gives it and clips a longer text.
class StatusPanel : public QWidget
{
public:
    using QWidget::QWidget;

    QString text() const { return m_text; }
    // Shows `text`; repaints when it differs, and never asks for a new layout.
    void setText(const QString &text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
};
