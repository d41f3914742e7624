// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/ui/SlotView.h"

#include "monitor/CameraEngine.h"
#include "monitor/MainWindowLayout.h"
#include "platform/Twips.h"
#include "platform/ui/CachedProgressBar.h"
#include "viewer/ui/ImageControl.h"

#include <QContextMenuEvent>
#include <QPainter>
#include <QProgressBar>
#include <QTextDocument>
#include <QToolButton>

namespace {

// Control-array element: the object name is the array's name, "Index" the element.
template<typename T>
T *element(T *object, const char *name, int index)
{
    object->setObjectName(QLatin1String(name));
    object->setProperty("Index", index);
    return object;
}

// A round mark: red for a failed fetch, amber for an old picture.
class StatusBadge : public QWidget
{
public:
    using QWidget::QWidget;
    void setColour(const QColor &colour)
    {
        m_colour = colour;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::white, 1));
        painter.setBrush(m_colour);
        painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }

private:
    QColor m_colour;
};

} // namespace

SlotView::SlotView(int index, QWidget *parent)
    : CachedGroupBox(CameraEngine::NeverOpenedCaption, parent)
    , m_index(index)
    , m_badge(nullptr)
{
    element(this, "Frame", index);
    setGeometry(Twips::rect(slotLeft(index), slotTop(index), 1635, 1935));
    setFont(QFont(QStringLiteral("Verdana")));

    auto *frame = element(new QWidget(this), "Picture2", index);
    frame->setGeometry(Twips::rect(180, 300, 1275, 915));
    m_picture = element(new ImageControl(frame), "imgCam", index);
    m_picture->setStretch(true);
    m_picture->setGeometry(Twips::rect(-10, -10, 1275, 960));

    m_indicator = element(new ImageControl(this), "imgRefresh", index);
    m_indicator->setStretch(true);
    m_indicator->setGeometry(Twips::rect(660, 660, 315, 255));
    // The indicator stays shown and is lit by giving it its picture: showing and hiding a
    // widget at every fetch makes the window work out again which widgets cover which.
    m_indicator->raise();

    m_progress = element(new CachedProgressBar(this), "prgCam", index);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setGeometry(Twips::rect(180, 1200, 1275, 135));

    // Small graphical buttons: the picture above a short caption.
    auto button = [this, index](const char *name, const QString &icon, const QString &caption, qint64 left) {
        auto *made = element(new QToolButton(this), name, index);
        made->setIcon(QIcon(icon));
        made->setIconSize(QSize(12, 12));
        made->setText(caption);
        made->setToolTip(caption);
        made->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        QFont small = made->font();
        small.setPointSizeF(5.5);
        made->setFont(small);
        made->setGeometry(Twips::rect(left, 1380, 495, 435));
        return made;
    };
    QToolButton *refresh = button("cmdRefresh", QStringLiteral(":/refresh16.png"), tr("Refresh"), 180);
    QToolButton *stop = button("cmdStop", QStringLiteral(":/stop16.png"), tr("Stop"), 960);

    auto *badge = element(new StatusBadge(this), "imgStatus", index);
    badge->setGeometry(Twips::rect(1380, 60, 180, 180));
    badge->hide();
    m_badge = badge;

    connect(m_picture, &ImageControl::clicked, this, [this] { emit pictureClicked(m_index); });
    connect(m_indicator, &ImageControl::clicked, this, [this] { emit pictureClicked(m_index); });
    connect(refresh, &QToolButton::clicked, this, [this] { emit refreshClicked(m_index); });
    connect(stop, &QToolButton::clicked, this, [this] { emit stopClicked(m_index); });
    hide();
}

void SlotView::showPicture(const Picture &picture) { m_picture->setPicture(picture); }

const Picture &SlotView::picture() const { return m_picture->picture(); }

QSize SlotView::pictureDevicePixels() const { return m_picture->devicePixelSize(); }

void SlotView::paintPictureNow()
{
    if (m_picture->isVisible())
        m_picture->repaint();
}

void SlotView::setIndicatorPicture(const Picture &picture)
{
    m_indicatorPicture = picture;
    if (m_indicatorLit)
        m_indicator->setPicture(picture);
}

void SlotView::setIndicatorVisible(bool visible)
{
    if (m_indicatorLit == visible)
        return;
    m_indicatorLit = visible;
    m_indicator->setPicture(visible ? m_indicatorPicture : Picture());
}

bool SlotView::indicatorVisible() const
{
    return m_indicatorLit;
}

void SlotView::showState(Mark mark, const QString &text)
{
    m_mark = mark;
    m_badge->setVisible(mark != Mark::None);
    if (mark != Mark::None)
        static_cast<StatusBadge *>(m_badge)->setColour(mark == Mark::Failed ? QColor(0xd0, 0x20, 0x20)
                                                                            : QColor(0xe0, 0x90, 0x10));
    // A tooltip holding markup would be shown as rich text: the text is escaped for it.
    const QString tip = Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
    if (toolTip() != tip) {
        setToolTip(tip);
        m_badge->setToolTip(tip);
    }
    if (accessibleDescription() != text) {
        setAccessibleDescription(text);
        m_picture->setAccessibleDescription(text);
    }
}

void SlotView::contextMenuEvent(QContextMenuEvent *event)
{
    emit menuRequested(m_index, event->globalPos());
    event->accept();
}
