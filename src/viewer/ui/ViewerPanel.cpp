// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ui/ViewerPanel.h"

#include "platform/Twips.h"
#include "platform/ui/CachedGroupBox.h"
#include "viewer/ViewerLayout.h"
#include "viewer/ui/ImageControl.h"

#include <QCheckBox>
#include <QFont>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QLabel>
#include <QPushButton>
#include <QTextDocument>
#include <QScrollBar>

namespace {

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, qint64 left, qint64 top, qint64 width,
                  qint64 height, bool bold)
{
    auto *label = new QLabel(text, parent);
    // Camera names and server texts are shown as typed, never as rich text.
    label->setTextFormat(Qt::PlainText);
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

    m_viewport = new QWidget(this);
    m_viewport->setObjectName(QStringLiteral("Picture1"));
    m_viewport->setAutoFillBackground(true);

    m_picture = new ImageControl(m_viewport);
    m_picture->setObjectName(QStringLiteral("imgMain"));

    m_hbar = makeBar(m_viewport, "HScroll1", Qt::Horizontal);
    m_vbar = makeBar(m_viewport, "VScroll2", Qt::Vertical);
    for (QScrollBar *bar : {m_hbar, m_vbar}) {
        coverPicture(bar);
        bar->setRange(0, 0);
        bar->setSingleStep(300);
        bar->setPageStep(2000);
        bar->setEnabled(false);
    }

    m_corner = new QPushButton(m_viewport);
    m_corner->setObjectName(QStringLiteral("Command1"));
    m_corner->setFocusPolicy(Qt::NoFocus);

    buildDetails();
    layOut(m_parts);
    placePicture();

    connect(m_hbar, &QScrollBar::valueChanged, this, &ViewerPanel::panHorizontally);
    connect(m_vbar, &QScrollBar::valueChanged, this, &ViewerPanel::panVertically);
    connect(m_zoom, &QScrollBar::valueChanged, this, &ViewerPanel::layOutPicture);
    // The picture and the viewport around it take the wheel, the drag and the double click.
    m_viewport->installEventFilter(this);
    m_picture->installEventFilter(this);

    m_details->hide();
    hide();
}

void ViewerPanel::buildDetails()
{
    // Its labels change every second; the drawn frame beneath them is copied, not drawn again.
    m_details = new CachedGroupBox(this);
    m_details->setObjectName(QStringLiteral("frmDetails"));
    m_details->setGeometry(Twips::rect(120, 7200, 8475, 3555));

    makeLabel(m_details, "Label6", tr("Zoom:"), 180, 180, 1500, 240, false);
    m_zoom = makeBar(m_details, "Slider1", Qt::Horizontal);
    m_zoom->setRange(1, 5);
    m_zoom->setValue(1);
    m_zoom->setSingleStep(1);
    m_zoom->setPageStep(1);
    m_zoom->setGeometry(Twips::rect(180, 420, 2835, 315));
    m_fit = new QCheckBox(tr("Fit"), m_details);
    m_fit->setObjectName(QStringLiteral("chkFit"));
    m_fit->setGeometry(Twips::rect(3120, 420, 1500, 315));
    connect(m_fit, &QCheckBox::toggled, this, [this](bool fit) {
        m_zoom->setEnabled(!fit);
        layOutPicture();
    });

    auto *save = new QPushButton(QIcon(QStringLiteral(":/save32.png")), tr("Save Image"), m_details);
    save->setObjectName(QStringLiteral("cmdSave"));
    save->setGeometry(Twips::rect(180, 840, 1395, 855));
    save->setToolTip(QStringLiteral("save image in you /cam/ folder"));
    connect(save, &QPushButton::clicked, this, &ViewerPanel::saveRequested);

    auto *fullScreen = new QPushButton(QIcon(QStringLiteral(":/screen32.png")), tr("Screensaver"), m_details);
    fullScreen->setObjectName(QStringLiteral("Command3"));
    fullScreen->setGeometry(Twips::rect(1620, 840, 1395, 855));
    fullScreen->setToolTip(QStringLiteral("full screen, auto refreshing view of current cam.  click to close."));
    connect(fullScreen, &QPushButton::clicked, this, &ViewerPanel::fullScreenRequested);

    makeLabel(m_details, "Label7", tr("Name:"), 180, 1920, 2700, 255, true);
    makeLabel(m_details, "Label8", tr("Last Refreshed:"), 180, 2160, 2700, 255, true);
    makeLabel(m_details, "Label9", tr("Last Changed:"), 180, 2400, 2700, 255, true);
    makeLabel(m_details, "Label12", tr("Status:"), 180, 2640, 2700, 255, true);
    makeLabel(m_details, "Label10", tr("Refresh Rate:"), 180, 2880, 2700, 255, true);
    makeLabel(m_details, "Label11", tr("Next Refresh:"), 180, 3120, 2700, 255, true);
    m_name = makeLabel(m_details, "lblName", QString(), 3000, 1980, 5300, 255, false);
    m_lastRefreshed = makeLabel(m_details, "lblLastRefreshed", QString(), 3000, 2250, 5300, 255, false);
    m_lastChanged = makeLabel(m_details, "lblLastChanged", QString(), 3000, 2490, 5300, 255, false);
    m_refresh = makeLabel(m_details, "lblRefresh", QString(), 3000, 2970, 5300, 255, false);
    m_nextRefresh = makeLabel(m_details, "lblNextRefresh", QString(), 3000, 3225, 5300, 255, false);
    m_status = makeLabel(m_details, "lblStatus", QString(), 3000, 2730, 5300, 255, false);
    m_status->setAccessibleName(tr("Status:"));

    m_certificate = new QPushButton(tr("Certificate…"), m_details);
    m_certificate->setObjectName(QStringLiteral("cmdCertificate"));
    m_certificate->setGeometry(Twips::rect(3120, 840, 1800, 420));
    m_certificate->hide();
    connect(m_certificate, &QPushButton::clicked, this, &ViewerPanel::certificateRequested);
}

void ViewerPanel::showViewer()
{
    show();
    m_details->show();
}

void ViewerPanel::hideViewer()
{
    hide();
    m_details->hide();
}

void ViewerPanel::layOut(const ViewerParts &parts)
{
    m_parts = parts;
    m_viewport->setGeometry(Twips::rect(120, 240, parts.viewportWidth, parts.viewportHeight));
    m_details->setGeometry(m_details->x(), Twips::toPx(parts.detailsTop), Twips::toPx(parts.detailsWidth),
                           m_details->height());
    m_vbar->setGeometry(Twips::toPx(parts.vbarLeft), m_vbar->y(), Twips::toPx(BarThickness),
                        Twips::toPx(parts.vbarHeight));
    m_hbar->setGeometry(m_hbar->x(), Twips::toPx(parts.hbarTop), Twips::toPx(parts.hbarWidth),
                        Twips::toPx(BarThickness));
    m_corner->setGeometry(Twips::toPx(parts.cornerLeft), Twips::toPx(parts.cornerTop), Twips::toPx(BarThickness),
                          Twips::toPx(BarThickness));
}

void ViewerPanel::placePicture()
{
    m_picture->setGeometry(Twips::rect(m_imgLeft, m_imgTop, m_imgWidth, m_imgHeight));
    m_picture->lower();
}

void ViewerPanel::showPicture(const Picture &picture)
{
    // Reset to 10 x 10 twips, stretching off: the control takes the natural size.
    m_picture->setStretch(false);
    m_imgWidth = 10;
    m_imgHeight = 10;
    m_picture->setPicture(picture);
    if (!picture.isNull()) {
        m_imgWidth = Twips::fromPx(picture.size().width());
        m_imgHeight = Twips::fromPx(picture.size().height());
    }
    placePicture();
    m_naturalWidth = m_imgWidth;
    m_naturalHeight = m_imgHeight;
    layOutPicture();
}

void ViewerPanel::updatePicture(const Picture &picture)
{
    if (!m_picture->hasPicture() && !picture.isNull()) {
        showPicture(picture);
        return;
    }
    m_picture->setStretch(true);
    m_picture->setPicture(picture);
}

const Picture &ViewerPanel::picture() const { return m_picture->picture(); }

QRect ViewerPanel::shownArea() const
{
    if (!m_picture->hasPicture() || !m_picture->isVisible() || m_picture->devicePixelRatioF() != 1.0
        || m_picture->size() != m_picture->naturalSize())
        return QRect();
    const QRect shown = m_picture->visibleRegion().boundingRect();
    return shown.isEmpty() ? QRect() : shown;
}

void ViewerPanel::showDetails(const CameraDetails &details)
{
    m_name->setText(details.name);
    m_refresh->setText(details.refresh);
    m_lastChanged->setText(details.lastChanged);
    m_lastRefreshed->setText(details.lastRefreshed);
    m_status->setText(details.status);
    m_status->setToolTip(details.status.isEmpty() ? QString() : Qt::convertFromPlainText(details.status));
    m_certificate->setVisible(details.certificate);
}

void ViewerPanel::showNextRefresh(const QString &text) { m_nextRefresh->setText(text); }

int ViewerPanel::zoom() const { return m_zoom->value(); }

bool ViewerPanel::fitsPicture() const { return m_fit->isChecked(); }

void ViewerPanel::setFitsPicture(bool fit) { m_fit->setChecked(fit); }

void ViewerPanel::layOutPicture()
{
    if (m_fit->isChecked()) {
        const FitPlacement fit = computeFitPlacement(m_naturalWidth, m_naturalHeight,
                                                     m_parts.viewportWidth - BarThickness,
                                                     m_parts.viewportHeight - BarThickness);
        m_picture->setStretch(true);
        m_hbar->setEnabled(false);
        m_vbar->setEnabled(false);
        m_imgLeft = fit.left;
        m_imgTop = fit.top;
        m_imgWidth = std::max<qint64>(fit.width, 15);
        m_imgHeight = std::max<qint64>(fit.height, 15);
        placePicture();
        return;
    }
    const std::optional<ViewerLayout> layout = computeViewerLayout(
        m_zoom->value(), m_naturalWidth, m_naturalHeight, m_parts.viewportWidth, m_parts.viewportHeight,
        BarThickness, BarThickness);
    if (!layout)
        return;
    m_picture->setStretch(true);
    m_imgWidth = layout->pictureWidth;
    m_imgHeight = layout->pictureHeight;
    placePicture();

    if (layout->hEnabled) {
        // A value above the new maximum falls to it and pans there.
        m_hbar->setMaximum(static_cast<int>(layout->hMaximum));
        m_hbar->setEnabled(true);
        m_imgLeft = -qint64(m_hbar->value());
        placePicture();
    } else {
        m_hbar->setEnabled(false);
        m_imgLeft = 0;
        placePicture();
    }
    if (layout->vEnabled) {
        m_vbar->setMaximum(static_cast<int>(layout->vMaximum));
        m_vbar->setEnabled(true);
        m_imgTop = -qint64(m_vbar->value());
        placePicture();
    } else {
        m_vbar->setEnabled(false);
        m_imgTop = 0;
        placePicture();
    }
}

void ViewerPanel::zoomByWheel(int angleDelta)
{
    // One zoom step per notch of a wheel (120 eighths of a degree); finer wheels add up.
    m_wheelRemainder += angleDelta;
    const int steps = m_wheelRemainder / 120;
    m_wheelRemainder -= steps * 120;
    if (steps == 0)
        return;
    if (m_fit->isChecked())
        m_fit->setChecked(false);
    m_zoom->setValue(m_zoom->value() + steps);
}

bool ViewerPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_viewport && watched != m_picture)
        return QGroupBox::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Wheel:
        zoomByWheel(static_cast<QWheelEvent *>(event)->angleDelta().y());
        return true;
    case QEvent::MouseButtonDblClick:
        if (watched == m_picture && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            emit fullScreenRequested();
            return true;
        }
        break;
    case QEvent::MouseButtonPress: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            m_dragging = true;
            m_dragStart = mouse->globalPosition().toPoint();
            m_dragStartValues = QPoint(m_hbar->value(), m_vbar->value());
        }
        break;
    }
    case QEvent::MouseMove:
        if (m_dragging) {
            // The picture follows the pointer: the bars move the other way, in twips.
            const QPoint moved = static_cast<QMouseEvent *>(event)->globalPosition().toPoint() - m_dragStart;
            if (m_hbar->isEnabled())
                m_hbar->setValue(m_dragStartValues.x() - static_cast<int>(Twips::fromPx(moved.x())));
            if (m_vbar->isEnabled())
                m_vbar->setValue(m_dragStartValues.y() - static_cast<int>(Twips::fromPx(moved.y())));
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        m_dragging = false;
        break;
    default:
        break;
    }
    return QGroupBox::eventFilter(watched, event);
}

void ViewerPanel::panHorizontally()
{
    m_imgLeft = -qint64(m_hbar->value());
    placePicture();
}

void ViewerPanel::panVertically()
{
    m_imgTop = -qint64(m_vbar->value());
    placePicture();
}
