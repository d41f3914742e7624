// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/ui/HistoryWindow.h"

#include "history/PictureLoader.h"
#include "history/ui/ThumbnailStrip.h"
#include "localization/LanguageTable.h"
#include "monitor/PictureAcceptance.h"
#include "platform/ui/ModelessWindow.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

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
    , m_folder(folder)
    , m_otherCameras(otherCameras)
    , m_languages(languages)
    , m_loader(new PictureLoader(this))
    , m_playTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("frmHistory"));
    const auto message = [&languages](const char *key) { return languages.message(QLatin1String(key)); };
    setWindowTitle(message("MSG_HISTORY_TITLE").arg(cameraName));

    m_view = new HistoryPictureView(this);
    m_strip = new ThumbnailStrip(this);
    m_strip->setToolTipText([this](qsizetype index) { return timeText(index); });
    m_strip->setAccessibleName(message("MSG_HISTORY_THUMBNAILS"));
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
    layout->addWidget(m_strip);
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
    connect(m_strip, &ThumbnailStrip::pictureChosen, this, &HistoryWindow::showPicture);
    startScan();
}

void HistoryWindow::startScan()
{
    // The list is read on a worker; the window answers meanwhile.
    m_scanning = true;
    QPointer<HistoryWindow> self(this);
    QThreadPool::globalInstance()->start([self, cameraName = m_cameraName, folder = m_folder,
                                          otherCameras = m_otherCameras, pattern = m_pattern] {
        auto index = std::make_shared<SavedPictureIndex>(
            SavedPictureIndex::scan(folder, cameraName, otherCameras, pattern, {}));
        QMetaObject::invokeMethod(QCoreApplication::instance(), [self, index] {
            if (self)
                self->onIndexLoaded(index);
        }, Qt::QueuedConnection);
    });
}

void HistoryWindow::reload()
{
    if (!m_scanning)
        startScan();
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

void HistoryWindow::onIndexLoaded(std::shared_ptr<SavedPictureIndex> index)
{
    m_scanning = false;
    // What the window showed, to stay on it; the newest picture at first and while shown.
    const bool newest = !m_index || m_current < 0 || m_current + 1 >= m_index->size();
    const SavedPicture shown = m_index && m_current >= 0 ? m_index->pictures()[static_cast<size_t>(m_current)]
                                                         : SavedPicture();
    m_index = std::move(index);
    for (const SavedPicture &saved : std::as_const(m_savedDuringScan))
        m_index->insert(saved);
    m_savedDuringScan.clear();
    const qsizetype count = m_index->size();
    m_current = -1;
    if (count == 0) {
        m_view->setImage({});
        showPosition();
        emit indexLoaded(0);
        return;
    }
    qsizetype at = count - 1;
    if (!newest) {
        at = m_index->find(shown.fileName, shown.time);
        if (at < 0)
            at = m_index->indexAtOrBefore(shown.time);
    }
    showPicture(at);
    emit indexLoaded(count);
}

void HistoryWindow::addSavedPicture(const QString &path, const QDateTime &at)
{
    const QFileInfo file(path);
    if (QDir::cleanPath(file.absolutePath()) != QDir::cleanPath(QFileInfo(m_folder).absoluteFilePath()))
        return;
    SavedPicture picture;
    picture.fileName = file.fileName();
    const NamePattern::Reading reading
        = m_pattern.read(picture.fileName, NamePattern::cameraPrefix(m_cameraName).size());
    picture.variant = reading.variant;
    picture.timeFromName = reading.matches;
    // The time the name says, as a later reading of the folder finds it.
    picture.time = reading.nearestTo(LocalTimeKey::of(at));
    if (m_scanning)
        m_savedDuringScan.append(picture);
    if (!m_index)
        return;
    const bool follow = (m_current < 0 || m_current + 1 >= m_index->size()) && !playing();
    const qsizetype inserted = m_index->insert(picture);
    if (inserted < 0)
        return;
    if (follow) {
        showPicture(m_index->size() - 1);
        return;
    }
    if (inserted <= m_current)
        ++m_current; // the same picture, one place on
    showPosition();
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
    showPosition();
    requestPicture();
}

void HistoryWindow::showPosition()
{
    const qsizetype count = m_index ? m_index->size() : 0;
    for (QPushButton *b : {m_play, m_export})
        b->setEnabled(count > 0);
    m_slider->setEnabled(count > 0);
    m_strip->setPictures(m_index.get(), m_current);
    if (count == 0 || m_current < 0) {
        m_previous->setEnabled(false);
        m_next->setEnabled(false);
        m_time->clear();
        m_position->setText(m_languages.message(QStringLiteral("MSG_HISTORY_NONE")).arg(m_cameraName));
        return;
    }
    {
        const QSignalBlocker quiet(m_slider);
        m_slider->setRange(0, static_cast<int>(std::min<qsizetype>(count - 1, std::numeric_limits<int>::max())));
        m_slider->setValue(static_cast<int>(m_current));
    }
    m_time->setText(timeText(m_current));
    m_position->setText(m_languages.message(QStringLiteral("MSG_HISTORY_POSITION")).arg(m_current + 1).arg(count));
    m_previous->setEnabled(m_current > 0);
    m_next->setEnabled(m_current + 1 < count);
}

QString HistoryWindow::timeText(qsizetype index) const
{
    const SavedPicture &picture = m_index->pictures()[static_cast<size_t>(index)];
    const QDateTime at = LocalTimeKey::toDateTime(picture.time);
    return picture.timeFromName ? refreshedStamp(at)
                                : m_languages.message(QStringLiteral("MSG_HISTORY_FILETIME")).arg(refreshedStamp(at));
}

void HistoryWindow::requestPicture()
{
    if (!m_index || m_current < 0)
        return;
    m_loader->request(++m_serial, m_index->filePath(m_current), m_view->devicePixels());
}

void HistoryWindow::onLoaded(quint64 serial, const QString &, const QImage &image)
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
