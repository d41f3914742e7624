// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/Picture.h"

#include <QPixmap>
#include <QWidget>

// An image control: shows one picture, either at its natural size (stretch off: the
// control takes the picture's size in pixels) or scaled to fill the control in both
// directions (stretch on; the aspect ratio is not kept). Clicks are reported.
//
// The control keeps the shared Picture, not a decode of its own: a small control
// (a camera slot) draws a reduced decode, and only a control that needs the whole
// picture makes the picture decode it fully.
class ImageControl : public QWidget
{
    Q_OBJECT
public:
    explicit ImageControl(QWidget *parent = nullptr);

    // Shows `picture`; a null picture clears the control. With stretch off the control
    // is resized to the picture's natural size.
    void setPicture(const Picture &picture);
    const Picture &picture() const { return m_picture; }
    bool hasPicture() const { return !m_picture.isNull(); }

    void setStretch(bool stretch);
    bool stretch() const { return m_stretch; }

    // Natural size of the picture in pixels (0 x 0 without a picture).
    QSize naturalSize() const;

    // The size the picture is drawn at, in device pixels: the control's size times the
    // screen's pixel ratio.
    QSize devicePixelSize() const;

    // Number of paints since construction (diagnostics and tests).
    int paintCount() const { return m_paints; }

Q_SIGNALS:
    void clicked();
    // The first paint that drew a picture given to setPicture() has completed.
    void pictureShown();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // Draws the picture; false when there was nothing to draw (a decode that failed).
    bool drawPicture(QPaintEvent *event);

    Picture m_picture;
    bool m_stretch = false;
    int m_paints = 0;
    bool m_shownPending = false; // setPicture() gave a picture that has not been painted yet
};

// A picture from one of the program's resources (":/name.png").
Picture resourcePicture(const QString &resource);
