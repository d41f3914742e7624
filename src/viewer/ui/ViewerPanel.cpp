#include "viewer/ui/ViewerPanel.h"

#include "platform/Twips.h"
#include "platform/ui/CachedGroupBox.h"
#include "viewer/ViewerLayout.h"
#include "viewer/ui/ImageControl.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

namespace {

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, qint64 left, qint64 top, qint64 width,
                  qint64 height, bool bold)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(Twips::rect(left, top, width, height));
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(9.75);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

QScrollBar *makeBar(QWidget *parent, const char *name, Qt::Orientation orientation)
{
    auto *bar = new QScrollBar(orientation, parent);
    bar->setObjectName(QLatin1String(name));
    // Committed changes only: the picture moves when the thumb is released.
    bar->setTracking(false);
    return bar;
}

// The bars lie on top of the picture, which changes with every refresh of the viewed camera.
// A scroll bar paints every pixel of its area, so it is declared opaque: the picture's updates
// then leave out the area beneath it, and the bar is not painted again for each picture. (The
// style clears the attribute when it polishes a widget: it is set after that.)
void coverPicture(QScrollBar *bar)
{
    bar->ensurePolished();
    bar->setAttribute(Qt::WA_OpaquePaintEvent);
}

} // namespace

ViewerPanel::ViewerPanel(QWidget *parent)
    : QGroupBox(tr("Viewer"), parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setGeometry(Twips::rect(7200, 0, 8655, 10815));

    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setAutoFillBackground(true);

    imgMain = new ImageControl(Picture1);
    imgMain->setObjectName(QStringLiteral("imgMain"));

    HScroll1 = makeBar(Picture1, "HScroll1", Qt::Horizontal);
    coverPicture(HScroll1);
    HScroll1->setRange(0, 0);
    HScroll1->setSingleStep(300);
    HScroll1->setPageStep(2000);
    HScroll1->setEnabled(false);

    VScroll2 = makeBar(Picture1, "VScroll2", Qt::Vertical);
    coverPicture(VScroll2);
    VScroll2->setRange(0, 0);
    VScroll2->setSingleStep(300);
    VScroll2->setPageStep(2000);
    VScroll2->setEnabled(false);

    Command1 = new QPushButton(Picture1);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setFocusPolicy(Qt::NoFocus);

    buildDetails();
    setPicture1Size(picture1Width, picture1Height);
    placeImgMain();

    connect(HScroll1, &QScrollBar::valueChanged, this, &ViewerPanel::HScroll1_Change);
    connect(VScroll2, &QScrollBar::valueChanged, this, &ViewerPanel::VScroll2_Change);
    connect(Slider1, &QScrollBar::valueChanged, this, &ViewerPanel::Slider1_Change);

    frmDetails->hide();
    hide();
}

void ViewerPanel::buildDetails()
{
    // Its labels change every second; the drawn frame beneath them is copied, not drawn again.
    frmDetails = new CachedGroupBox(this);
    frmDetails->setObjectName(QStringLiteral("frmDetails"));
    frmDetails->setGeometry(Twips::rect(120, 7200, 8475, 3555));

    Label6 = makeLabel(frmDetails, "Label6", tr("Zoom:"), 180, 180, 1500, 240, false);
    Slider1 = makeBar(frmDetails, "Slider1", Qt::Horizontal);
    Slider1->setRange(1, 5);
    Slider1->setValue(1);
    Slider1->setSingleStep(1);
    Slider1->setPageStep(1);
    Slider1->setGeometry(Twips::rect(180, 420, 2835, 315));

    cmdSave = new QPushButton(QIcon(QStringLiteral(":/save32.png")), tr("Save Image"), frmDetails);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdSave->setGeometry(Twips::rect(180, 840, 1395, 855));
    cmdSave->setToolTip(QStringLiteral("save image in you /cam/ folder"));

    Command3 = new QPushButton(QIcon(QStringLiteral(":/screen32.png")), tr("Screensaver"), frmDetails);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setGeometry(Twips::rect(1620, 840, 1395, 855));
    Command3->setToolTip(QStringLiteral("full screen, auto refreshing view of current cam.  click to close."));

    Label7 = makeLabel(frmDetails, "Label7", tr("Name:"), 180, 1920, 2700, 255, true);
    Label8 = makeLabel(frmDetails, "Label8", tr("Last Refreshed:"), 180, 2160, 2700, 255, true);
    Label9 = makeLabel(frmDetails, "Label9", tr("Last Changed:"), 180, 2400, 2700, 255, true);
    Label10 = makeLabel(frmDetails, "Label10", tr("Refresh Rate:"), 180, 2880, 2700, 255, true);
    Label11 = makeLabel(frmDetails, "Label11", tr("Next Refresh:"), 180, 3120, 2700, 255, true);
    lblName = makeLabel(frmDetails, "lblName", QString(), 3000, 1980, 5300, 255, false);
    lblLastRefreshed = makeLabel(frmDetails, "lblLastRefreshed", QString(), 3000, 2250, 5300, 255, false);
    lblLastChanged = makeLabel(frmDetails, "lblLastChanged", QString(), 3000, 2490, 5300, 255, false);
    lblRefresh = makeLabel(frmDetails, "lblRefresh", QString(), 3000, 2970, 5300, 255, false);
    lblNextRefresh = makeLabel(frmDetails, "lblNextRefresh", QString(), 3000, 3225, 5300, 255, false);
}

void ViewerPanel::setPicture1Size(qint64 widthTwips, qint64 heightTwips)
{
    picture1Width = widthTwips;
    picture1Height = heightTwips;
    Picture1->setGeometry(Twips::rect(120, 240, widthTwips, heightTwips));
}

void ViewerPanel::placeImgMain()
{
    imgMain->setGeometry(Twips::rect(m_imgLeft, m_imgTop, m_imgWidth, m_imgHeight));
    imgMain->lower();
}

void ViewerPanel::showPicture(const Picture &picture)
{
    // Reset to 10 x 10 twips, stretching off: the control takes the natural size.
    imgMain->setStretch(false);
    m_imgWidth = 10;
    m_imgHeight = 10;
    imgMain->setPicture(picture);
    if (!picture.isNull()) {
        m_imgWidth = Twips::fromPx(picture.size().width());
        m_imgHeight = Twips::fromPx(picture.size().height());
    }
    placeImgMain();
    ViewerNaturalWidth = static_cast<qint32>(m_imgWidth);
    ViewerNaturalHeight = static_cast<qint32>(m_imgHeight);
    LayoutViewer();
}

void ViewerPanel::updatePicture(const Picture &picture)
{
    if (!imgMain->hasPicture() && !picture.isNull()) {
        showPicture(picture);
        return;
    }
    imgMain->setStretch(true);
    imgMain->setPicture(picture);
}

QRect ViewerPanel::shownArea() const
{
    if (!imgMain->hasPicture() || !imgMain->isVisible() || imgMain->devicePixelRatioF() != 1.0
        || imgMain->size() != imgMain->naturalSize())
        return QRect();
    const QRect shown = imgMain->visibleRegion().boundingRect();
    return shown.isEmpty() ? QRect() : shown;
}

void ViewerPanel::LayoutViewer()
{
    const std::optional<ViewerLayout> layout =
        computeViewerLayout(Slider1->value(), ViewerNaturalWidth, ViewerNaturalHeight, picture1Width,
                            picture1Height, BarThickness, BarThickness);
    if (!layout)
        return;
    imgMain->setStretch(true);
    m_imgWidth = layout->pictureWidth;
    m_imgHeight = layout->pictureHeight;
    placeImgMain();

    if (layout->hEnabled) {
        // A value above the new maximum falls to it and raises the change handler.
        HScroll1->setMaximum(static_cast<int>(layout->hMaximum));
        HScroll1->setEnabled(true);
    } else {
        HScroll1->setEnabled(false);
        m_imgLeft = 0;
        placeImgMain();
    }
    if (layout->vEnabled) {
        VScroll2->setMaximum(static_cast<int>(layout->vMaximum));
        VScroll2->setEnabled(true);
    } else {
        VScroll2->setEnabled(false);
        m_imgTop = 0;
        placeImgMain();
    }
}

void ViewerPanel::Slider1_Change() { LayoutViewer(); }

void ViewerPanel::HScroll1_Change()
{
    m_imgLeft = -qint64(HScroll1->value());
    placeImgMain();
}

void ViewerPanel::VScroll2_Change()
{
    m_imgTop = -qint64(VScroll2->value());
    placeImgMain();
}
