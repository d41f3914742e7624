#include "viewer/ui/FullScreenView.h"

#include "platform/ScreenSaver.h"
#include "viewer/ui/ImageControl.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPalette>

bool FullScreenActive = false;

FullScreenView::FullScreenView(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::Tool)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Form6"));
    setAttribute(Qt::WA_DeleteOnClose);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    Image1 = new ImageControl(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setStretch(true);
    Image1->setGeometry(0, 0, 400 / 15, 400 / 15);

    picrefresh = new ImageControl(this);
    picrefresh->setObjectName(QStringLiteral("picrefresh"));
    picrefresh->setStretch(true);
    picrefresh->setPicture(resourcePicture(QStringLiteral(":/picrefresh.png")));
    picrefresh->setGeometry(0, 0, 48, 48);
    picrefresh->hide();
    // The indicator is drawn above the picture.
    picrefresh->raise();

    connect(Image1, &ImageControl::clicked, this, &FullScreenView::Image1_Click);
}

FullScreenView::~FullScreenView() { unload(); }

void FullScreenView::load() { layoutContents(); }

void FullScreenView::layoutContents()
{
    Image1->setGeometry(0, 0, width(), height());
    picrefresh->raise();
}

void FullScreenView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutContents();
}

void FullScreenView::Image1_Click()
{
    FullScreenActive = false;
    close();
}

void FullScreenView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FullScreenView::closeEvent(QCloseEvent *event)
{
    unload();
    event->accept();
}

void FullScreenView::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    // However the view closes, the other windows must stop addressing it.
    FullScreenActive = false;
    setScreenSaverActive(true);
}
