// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/Picture.h"

#include <QGroupBox>

class CachedGroupBox;
class QCheckBox;
class ImageControl;
class QLabel;
class QPushButton;
class QScrollBar;

// What the viewer's details show of the selected camera.
struct CameraDetails
{
    QString name;           // "Name:"
    QString refresh;        // "Refresh Rate:", the refresh text as typed
    QString lastChanged;    // "Last Changed:"
    QString lastRefreshed;  // "Last Refreshed:"
    QString status;         // "Status:", the outcome of the last fetch in words
    bool certificate = false; // the outcome is about the camera's certificate: "Certificate…" shows
};

// Where the main window's layout puts the viewer's resizable parts, in twips relative to
// the viewer (`Picture1`, `frmDetails`, `VScroll2`, `HScroll1` and the corner button
// `Command1`).
struct ViewerParts
{
    qint64 viewportWidth = 8415;
    qint64 viewportHeight = 6915;
    qint64 detailsTop = 7200;
    qint64 detailsWidth = 8475;
    qint64 vbarLeft = 8160;
    qint64 vbarHeight = 6660;
    qint64 hbarTop = 6660;
    qint64 hbarWidth = 8160;
    qint64 cornerLeft = 8160;
    qint64 cornerTop = 6660;
};

// The detail viewer: the frame `frmMain` ("Viewer") in the main window's third column. It
// shows the selected camera's picture at zoom 1 to 5 (`Slider1`) with scroll bars, or
// whole, scaled to the viewport with its proportions kept ("Fit", `chkFit`), and its
// details; "Save Image", "Screensaver" and a double click on the picture are reported as
// requests. The mouse wheel over the picture moves the zoom bar (leaving Fit); dragging the
// picture pans it, the scroll bars following. Geometry is kept in twips (15 to a pixel at
// 96 dpi).
class ViewerPanel : public QGroupBox
{
    Q_OBJECT
public:
    static constexpr qint64 BarThickness = 195; // twips

    explicit ViewerPanel(QWidget *parent);

    // Shows or hides the viewer with its details.
    void showViewer();
    void hideViewer();

    // A newly selected camera's picture (null: an empty viewer): measures its natural size,
    // then lays out the zoomed picture and the scroll ranges.
    void showPicture(const Picture &picture);
    // A new picture of the selected camera: replaces the picture, keeping the zoomed size
    // and the pan position. When the viewer was showing no picture yet, the new one is laid
    // out as a selection would lay it out.
    void updatePicture(const Picture &picture);
    const Picture &picture() const;
    ImageControl *pictureControl() const { return m_picture; }

    // The part of the picture that a new picture of the same size would show, in its pixels,
    // when the viewer shows its picture at natural size; null when the whole picture may be
    // needed (zoomed, scaled or hidden).
    QRect shownArea() const;

    void showDetails(const CameraDetails &details);
    // The countdown under "Next Refresh:".
    void showNextRefresh(const QString &text);

    void layOut(const ViewerParts &parts);

    // The zoom factor, 1..5.
    int zoom() const;
    // "Fit": the whole picture scaled into the viewport.
    bool fitsPicture() const;
    void setFitsPicture(bool fit);
    // Natural size of the selected picture, twips, measured on selection only.
    qint64 naturalWidth() const { return m_naturalWidth; }
    qint64 naturalHeight() const { return m_naturalHeight; }
    // Position (the pan offsets, <= 0) and size of the picture, twips.
    qint64 pictureLeft() const { return m_imgLeft; }
    qint64 pictureTop() const { return m_imgTop; }
    qint64 pictureWidth() const { return m_imgWidth; }
    qint64 pictureHeight() const { return m_imgHeight; }

Q_SIGNALS:
    void saveRequested();
    // "Certificate…": the camera's certificate, to look at and trust.
    void certificateRequested();
    // "Screensaver", or a double click on the picture.
    void fullScreenRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildDetails();
    void placePicture();
    // Sizes the picture from the zoom factor and the natural size; sets the scroll ranges.
    void layOutPicture();
    void panHorizontally();
    void panVertically();
    void zoomByWheel(int angleDelta);

    QWidget *m_viewport = nullptr;    // Picture1
    ImageControl *m_picture = nullptr; // imgMain
    QScrollBar *m_hbar = nullptr;      // HScroll1
    QScrollBar *m_vbar = nullptr;      // VScroll2
    QPushButton *m_corner = nullptr;   // Command1
    CachedGroupBox *m_details = nullptr; // frmDetails
    QScrollBar *m_zoom = nullptr;      // Slider1
    QCheckBox *m_fit = nullptr;        // chkFit
    QLabel *m_name = nullptr;
    QLabel *m_lastRefreshed = nullptr;
    QLabel *m_lastChanged = nullptr;
    QLabel *m_refresh = nullptr;
    QLabel *m_nextRefresh = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_certificate = nullptr;

    ViewerParts m_parts;
    qint64 m_naturalWidth = 0;
    qint64 m_naturalHeight = 0;
    qint64 m_imgLeft = 0;
    qint64 m_imgTop = 0;
    qint64 m_imgWidth = 150;
    qint64 m_imgHeight = 150;
    int m_wheelRemainder = 0;          // eighths of a degree not yet turned into a zoom step
    bool m_dragging = false;
    QPoint m_dragStart;                // global position of the press, pixels
    QPoint m_dragStartValues;          // the bars' values then
};
