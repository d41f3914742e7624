// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/SavedPictureIndex.h"

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QWidget>

#include <memory>

class LanguageTable;
class PictureLoader;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;
class HistoryPictureView;
class ThumbnailStrip;

// The history window `frmHistory`: one camera's saved pictures in time order, one shown
// large, with a time slider (`sldTime`), "Previous" (`cmdPrevious`), "Next" (`cmdNext`) and
// "Play" (`cmdPlay`) at the speed chosen in `cboSpeed`, and a row of thumbnails around the
// picture shown (`lstThumbnails`). Keys: Left/Right the previous/next picture, Page Up/Page
// Down ten back/on, Home/End the first/last, Space plays or pauses, Escape closes. The list
// of pictures is read on a worker thread when the window opens and the newest picture is
// shown first; every picture is read and decoded by a PictureLoader, scaled to the window,
// only for the position the slider stands at. Pictures saved while the window is open join
// the list (addSavedPicture()); a window showing the newest picture follows them.
//
// `cmdExport` is the place of the export of a time range: hidden until an exporter is
// connected to exportRequested() and setExportAvailable(true) is called.
class HistoryWindow : public QWidget
{
    Q_OBJECT
public:
    // `otherCameras`: the names of the list, so that another camera's pictures are not shown.
    HistoryWindow(const QString &cameraName, const QString &folder, const QStringList &otherCameras,
                  const LanguageTable &languages, QWidget *owner);
    ~HistoryWindow() override;

    // Loads the window for `cameraName` into `holder` (a window of another camera is
    // replaced) and shows it, not modal.
    static HistoryWindow *open(QPointer<HistoryWindow> &holder, const QString &cameraName, const QString &folder,
                               const QStringList &otherCameras, const LanguageTable &languages, QWidget *owner);

    const QString &cameraName() const { return m_cameraName; }
    bool indexReady() const { return m_index != nullptr; }
    qsizetype pictureCount() const { return m_index ? m_index->size() : 0; }
    // The position shown, 0..pictureCount()-1; -1 while nothing is.
    qsizetype currentIndex() const { return m_current; }
    QString currentFileName() const;
    // The picture on screen (null before its decode arrives).
    QImage shownImage() const;
    bool playing() const;
    // Pictures per second while playing.
    int speed() const;

    void showPicture(qsizetype index);
    void setPlaying(bool play);

    // The camera saved a picture at `at` to `path`: it joins the list in its place (a path
    // outside the window's folder is ignored). Showing the newest picture and not playing,
    // the window moves on to it; else it stays on the picture it shows.
    void addSavedPicture(const QString &path, const QDateTime &at);
    // Reads the list again (pictures were deleted), staying on the picture shown while it
    // is still there.
    void reload();
    ThumbnailStrip *thumbnails() const { return m_strip; }

    // The pictures whose time lies in [from, to], oldest first, with their paths.
    QList<QPair<QDateTime, QString>> picturesBetween(const QDateTime &from, const QDateTime &to) const;
    void setExportAvailable(bool available);

Q_SIGNALS:
    // The list of pictures is read (again); `count` of them.
    void indexLoaded(qsizetype count);
    // The picture at `index` is on screen, decoded.
    void pictureShown(qsizetype index);
    // "Export…": all pictures of the camera; the export dialog chooses the time range.
    void exportRequested(const QString &cameraName, const QList<QPair<QDateTime, QString>> &pictures);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void startScan();
    void onIndexLoaded(std::shared_ptr<SavedPictureIndex> index);
    void onLoaded(quint64 serial, const QString &path, const QImage &image);
    void requestPicture();
    void showPosition();
    void step(qsizetype by);
    void advancePlay();
    QString timeText(qsizetype index) const;

    QString m_cameraName;
    QString m_folder;
    QStringList m_otherCameras;
    const LanguageTable &m_languages;
    NamePattern m_pattern;
    std::shared_ptr<SavedPictureIndex> m_index;
    // Pictures saved while the list is read: taken in when it arrives (the scan may have read
    // the folder before they were written).
    QList<SavedPicture> m_savedDuringScan;
    bool m_scanning = false;
    qsizetype m_current = -1;
    quint64 m_serial = 0;
    PictureLoader *m_loader = nullptr;
    HistoryPictureView *m_view = nullptr;
    ThumbnailStrip *m_strip = nullptr;
    QSlider *m_slider = nullptr;
    QLabel *m_time = nullptr;
    QLabel *m_position = nullptr;
    QPushButton *m_previous = nullptr;
    QPushButton *m_next = nullptr;
    QPushButton *m_play = nullptr;
    QPushButton *m_export = nullptr;
    QComboBox *m_speed = nullptr;
    QTimer *m_playTimer = nullptr;
};
