// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/ui/HistoryWindow.h"

#include "history/PictureLoader.h"
#include "localization/LanguageTable.h"
#include "monitor/PictureAcceptance.h"
#include "platform/ui/ModelessWindow.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>

// The picture, fitted into the widget and centred; black around it.
class HistoryPictureView : public QWidget
{
public:
    explicit HistoryPictureView(QWidget *parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("imgHistory"));
        setMinimumSize(320, 180);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    void setImage(const QImage &image)
    {
        m_image = image;
        m_image.setDevicePixelRatio(devicePixelRatioF());
        update();
    }
    const QImage &image() const { return m_image; }
    // The size a picture is decoded for, in device pixels.
    QSize devicePixels() const { return size() * devicePixelRatioF(); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        if (m_image.isNull())
            return;
        // The picture comes decoded for this size: drawn 1:1 when it fits, else fitted.
        const QSizeF logical = QSizeF(m_image.size()) / m_image.devicePixelRatio();
        const QSizeF fitted = logical.width() <= width() && logical.height() <= height()
            ? logical
            : logical.scaled(QSizeF(size()), Qt::KeepAspectRatio);
        const QRectF target(QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, fitted != logical);
        painter.drawImage(target, m_image);
    }

private:
    QImage m_image;
};

namespace {
constexpr int PageStep = 10;
const int Speeds[] = {1, 2, 5, 10, 25};
} // namespace

HistoryWindow::HistoryWindow(const QString &cameraName, const QString &folder, const QStringList &otherCameras,
                             const LanguageTable &languages, QWidget *owner)
    : QWidget(owner, Qt::Window)
    , m_cameraName(cameraName)
    , m_languages(languages)
    , m_loader(new PictureLoader(this))
    , m_playTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("frmHistory"));
    const auto message = [&languages](const char *key) { return languages.message(QLatin1String(key)); };
    setWindowTitle(message("MSG_HISTORY_TITLE").arg(cameraName));

    m_view = new HistoryPictureView(this);
    m_time = new QLabel(this);
    m_time->setObjectName(QStringLiteral("lblTime"));
    m_time->setTextFormat(Qt::PlainText);
    m_position = new QLabel(message("MSG_HISTORY_LOADING"), this);
    m_position->setObjectName(QStringLiteral("lblPosition"));
    m_position->setTextFormat(Qt::PlainText);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("sldTime"));
    m_slider->setEnabled(false);
    m_slider->setPageStep(PageStep);
    m_slider->setFocusPolicy(Qt::NoFocus); // the window's keys move through the pictures
    auto button = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setFocusPolicy(Qt::NoFocus);
        b->setEnabled(false);
        return b;
    };
    m_previous = button("cmdPrevious", message("MSG_HISTORY_PREVIOUS"));
    m_next = button("cmdNext", message("MSG_HISTORY_NEXT"));
    m_play = button("cmdPlay", message("MSG_HISTORY_PLAY"));
    m_play->setCheckable(true);
    m_speed = new QComboBox(this);
    m_speed->setObjectName(QStringLiteral("cboSpeed"));
    m_speed->setFocusPolicy(Qt::NoFocus);
    for (const int speed : Speeds)
        m_speed->addItem(message("MSG_HISTORY_SPEED").arg(speed), speed);
    m_speed->setCurrentIndex(2);
    // Export of a time range: wired by the exporter (setExportAvailable).
    m_export = button("cmdExport", message("MSG_HISTORY_EXPORT"));
    m_export->hide();

    auto *controls = new QHBoxLayout;
    controls->addWidget(m_previous);
    controls->addWidget(m_play);
    controls->addWidget(m_next);
    controls->addWidget(m_speed);
    controls->addStretch(1);
    controls->addWidget(m_position);
    controls->addWidget(m_export);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_time);
    layout->addWidget(m_slider);
    layout->addLayout(controls);
    resize(900, 640);

    connect(m_slider, &QSlider::valueChanged, this, [this](int value) { showPicture(value); });
    connect(m_previous, &QPushButton::clicked, this, [this] { step(-1); });
    connect(m_next, &QPushButton::clicked, this, [this] { step(1); });
    connect(m_play, &QPushButton::toggled, this, &HistoryWindow::setPlaying);
    connect(m_speed, &QComboBox::currentIndexChanged, this, [this] {
        if (m_playTimer->isActive())
            m_playTimer->start(1000 / speed());
    });
    connect(m_playTimer, &QTimer::timeout, this, &HistoryWindow::advancePlay);
    connect(m_export, &QPushButton::clicked, this, [this] {
        emit exportRequested(m_cameraName, picturesBetween(QDateTime(), QDateTime()));
    });
    connect(m_loader, &PictureLoader::loaded, this, &HistoryWindow::onLoaded);

    // The list is read on a worker; the window answers meanwhile.
    QPointer<HistoryWindow> self(this);
    QThreadPool::globalInstance()->start([self, cameraName, folder, otherCameras] {
        auto index = std::make_shared<const SavedPictureIndex>(
            SavedPictureIndex::scan(folder, cameraName, otherCameras, NamePattern(), {}));
        QMetaObject::invokeMethod(QCoreApplication::instance(), [self, index] {
            if (self)
                self->onIndexLoaded(index);
        }, Qt::QueuedConnection);
    });
}

HistoryWindow::~HistoryWindow() = default;

HistoryWindow *HistoryWindow::open(QPointer<HistoryWindow> &holder, const QString &cameraName, const QString &folder,
                                   const QStringList &otherCameras, const LanguageTable &languages, QWidget *owner)
{
    if (holder && holder->cameraName() != cameraName) {
        holder->close();
        holder = nullptr;
    }
    return showModeless(holder, [&] { return new HistoryWindow(cameraName, folder, otherCameras, languages, owner); });
}

void HistoryWindow::onIndexLoaded(std::shared_ptr<const SavedPictureIndex> index)
{
    m_index = std::move(index);
    const qsizetype count = m_index->size();
    if (count == 0) {
        m_position->setText(m_languages.message(QStringLiteral("MSG_HISTORY_NONE")).arg(m_cameraName));
        emit indexLoaded(0);
        return;
    }
    for (QPushButton *b : {m_previous, m_next, m_play, m_export})
        b->setEnabled(true);
    m_slider->setEnabled(true);
    {
        const QSignalBlocker quiet(m_slider);
        m_slider->setRange(0, static_cast<int>(std::min<qsizetype>(count - 1, std::numeric_limits<int>::max())));
        m_slider->setValue(m_slider->maximum());
    }
    emit indexLoaded(count);
    showPicture(count - 1);
}

QString HistoryWindow::currentFileName() const
{
    return m_index && m_current >= 0 ? m_index->pictures()[static_cast<size_t>(m_current)].fileName : QString();
}

QImage HistoryWindow::shownImage() const { return m_view->image(); }

bool HistoryWindow::playing() const { return m_playTimer->isActive(); }

int HistoryWindow::speed() const { return std::max(1, m_speed->currentData().toInt()); }

void HistoryWindow::showPicture(qsizetype index)
{
    if (!m_index || m_index->isEmpty())
        return;
    index = std::clamp<qsizetype>(index, 0, m_index->size() - 1);
    if (index == m_current)
        return;
    m_current = index;
    if (m_slider->value() != index) {
        const QSignalBlocker quiet(m_slider);
        m_slider->setValue(static_cast<int>(index));
    }
    const SavedPicture &picture = m_index->pictures()[static_cast<size_t>(index)];
    const QDateTime at = LocalTimeKey::toDateTime(picture.time);
    m_time->setText(picture.timeFromName
                        ? refreshedStamp(at)
                        : m_languages.message(QStringLiteral("MSG_HISTORY_FILETIME")).arg(refreshedStamp(at)));
    m_position->setText(m_languages.message(QStringLiteral("MSG_HISTORY_POSITION")).arg(index + 1).arg(m_index->size()));
    m_previous->setEnabled(index > 0);
    m_next->setEnabled(index + 1 < m_index->size());
    requestPicture();
}

void HistoryWindow::requestPicture()
{
    if (!m_index || m_current < 0)
        return;
    m_loader->request(++m_serial, m_index->filePath(m_current), m_view->devicePixels());
}

void HistoryWindow::onLoaded(quint64 serial, const QImage &image)
{
    // Only the answer to the newest request is shown; the ones it replaced are dropped.
    if (serial != m_serial)
        return;
    m_view->setImage(image);
    emit pictureShown(m_current);
}

void HistoryWindow::step(qsizetype by)
{
    if (m_current >= 0)
        showPicture(m_current + by);
}

void HistoryWindow::setPlaying(bool play)
{
    if (play && (!m_index || m_index->isEmpty()))
        play = false;
    if (play && m_current + 1 >= m_index->size())
        showPicture(0); // playing from the end starts over
    if (play)
        m_playTimer->start(1000 / speed());
    else
        m_playTimer->stop();
    const QSignalBlocker quiet(m_play);
    m_play->setChecked(play);
    m_play->setText(m_languages.message(play ? QStringLiteral("MSG_HISTORY_PAUSE") : QStringLiteral("MSG_HISTORY_PLAY")));
}

void HistoryWindow::advancePlay()
{
    if (!m_index || m_current + 1 >= m_index->size()) {
        setPlaying(false);
        return;
    }
    step(1);
}

QList<QPair<QDateTime, QString>> HistoryWindow::picturesBetween(const QDateTime &from, const QDateTime &to) const
{
    QList<QPair<QDateTime, QString>> pictures;
    if (!m_index)
        return pictures;
    const qint64 first = from.isValid() ? LocalTimeKey::of(from) : std::numeric_limits<qint64>::min();
    const qint64 last = to.isValid() ? LocalTimeKey::of(to) : std::numeric_limits<qint64>::max();
    for (qsizetype i = 0; i < m_index->size(); ++i) {
        const SavedPicture &picture = m_index->pictures()[static_cast<size_t>(i)];
        if (picture.time >= first && picture.time <= last)
            pictures.append({LocalTimeKey::toDateTime(picture.time), m_index->filePath(i)});
    }
    return pictures;
}

void HistoryWindow::setExportAvailable(bool available) { m_export->setVisible(available); }

void HistoryWindow::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left: step(-1); break;
    case Qt::Key_Right: step(1); break;
    case Qt::Key_PageUp: step(-PageStep); break;
    case Qt::Key_PageDown: step(PageStep); break;
    case Qt::Key_Home: showPicture(0); break;
    case Qt::Key_End: showPicture(pictureCount() - 1); break;
    case Qt::Key_Space: setPlaying(!playing()); break;
    case Qt::Key_Escape: close(); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void HistoryWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The picture shown is decoded again for the new size.
    requestPicture();
}
