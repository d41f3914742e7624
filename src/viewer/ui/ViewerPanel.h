#pragma once

#include "imaging/Picture.h"

#include <QGroupBox>

class ImageControl;
class QLabel;
class QPushButton;
class QScrollBar;

// The detail viewer: the frame `frmMain` ("Viewer") in the main window's third
// column. It owns its controls; the main window drives it (selection, new pictures,
// the countdown). Geometry is kept in twips (15 to a pixel).
class ViewerPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit ViewerPanel(QWidget *parent);

    // Zoomed natural size of the selected slot's picture at zoom 1, twips, measured
    // on selection only.
    qint32 ViewerNaturalWidth = 0;
    qint32 ViewerNaturalHeight = 0;

    // Shows `picture` (null: an empty viewer) and measures its natural size; then
    // lays out the zoomed picture and the scroll ranges.
    void showPicture(const Picture &picture);

    // A new picture of the selected slot: replaces the picture, keeping the zoomed
    // size and the pan position. When the viewer was showing no picture yet, the new
    // one is laid out as a selection would lay it out.
    void updatePicture(const Picture &picture);

    // The part of the picture that a new picture of the same size would show, in its pixels,
    // when imgMain shows its picture at natural size; null when the whole picture may be
    // needed (zoomed, scaled or hidden).
    QRect shownArea() const;

    // Sizes imgMain from the zoom factor and the natural size; sets the scroll ranges.
    void LayoutViewer();

    // Twips geometry of the parts that the main window's layout moves.
    void setPicture1Size(qint64 widthTwips, qint64 heightTwips);

    // The controls, named as the main window's localization and handlers know them.
    QWidget *Picture1 = nullptr;
    ImageControl *imgMain = nullptr;
    QScrollBar *HScroll1 = nullptr;
    QScrollBar *VScroll2 = nullptr;
    QPushButton *Command1 = nullptr;
    QGroupBox *frmDetails = nullptr;
    QLabel *Label6 = nullptr;
    QScrollBar *Slider1 = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *Command3 = nullptr;
    QLabel *Label7 = nullptr;   // "Name:"
    QLabel *Label8 = nullptr;   // "Last Refreshed:"
    QLabel *Label9 = nullptr;   // "Last Changed:"
    QLabel *Label10 = nullptr;  // "Refresh Rate:"
    QLabel *Label11 = nullptr;  // "Next Refresh:"
    QLabel *lblName = nullptr;
    QLabel *lblLastRefreshed = nullptr;
    QLabel *lblLastChanged = nullptr;
    QLabel *lblRefresh = nullptr;
    QLabel *lblNextRefresh = nullptr;

    // Geometry of the viewport parts in twips, as last set (the scroll arithmetic
    // works on these, not on rounded pixels).
    qint64 picture1Width = 8415;
    qint64 picture1Height = 6915;
    static constexpr qint64 BarThickness = 195;

    // Left and Top of imgMain in twips (the pan offsets, <= 0).
    qint64 imgMainLeft() const { return m_imgLeft; }
    qint64 imgMainTop() const { return m_imgTop; }
    qint64 imgMainWidth() const { return m_imgWidth; }
    qint64 imgMainHeight() const { return m_imgHeight; }

public Q_SLOTS:
    void Slider1_Change();
    void HScroll1_Change();
    void VScroll2_Change();

private:
    void placeImgMain();
    void buildDetails();

    qint64 m_imgLeft = 0;
    qint64 m_imgTop = 0;
    qint64 m_imgWidth = 150;
    qint64 m_imgHeight = 150;
};
