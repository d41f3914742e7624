// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QString>
#include <QWidget>

#include <functional>

class PictureLoader;
class QTimer;
class SavedPictureIndex;

// The row of thumbnails `lstThumbnails` under a history window's picture: the pictures around
// the one shown, that one framed and as near the middle as the ends of the list allow. A click
// (or the mouse wheel) chooses a picture. Thumbnails are read and decoded by a loader of their
// own, reduced in the DCT domain, only for the places on screen once the row stands still
// for a moment: moving on replaces what is still waiting. Decoded thumbnails stay cached
// while they are near the ones shown.
class ThumbnailStrip : public QWidget
{
    Q_OBJECT
public:
    // Logical pixels of one thumbnail's place, and of the gap between two.
    static constexpr int ThumbWidth = 112;
    static constexpr int ThumbHeight = 63;
    static constexpr int Gap = 6;

    explicit ThumbnailStrip(QWidget *parent = nullptr);
    ~ThumbnailStrip() override;

    // The pictures (owned by the window, which outlives the strip; null for none), and the one
    // shown. Call again after the list changed.
    void setPictures(const SavedPictureIndex *index, qsizetype current);
    // The text of the tooltip of the picture at an index.
    void setToolTipText(std::function<QString(qsizetype)> text) { m_toolTipText = std::move(text); }

    // The places on screen: the first picture's index and how many (0 without pictures).
    qsizetype firstShown() const { return m_first; }
    int shownCount() const { return m_shown; }
    // The thumbnail of the picture at `index` once decoded; null before, or when unreadable.
    QImage thumbnail(qsizetype index) const;
    // The picture whose place holds `point`; -1 between or beside them.
    qsizetype indexAt(QPoint point) const;
    // The place of the picture at `index`; empty when it is not on screen.
    QRect placeOf(qsizetype index) const;

Q_SIGNALS:
    void pictureChosen(qsizetype index);
    // A thumbnail was decoded and drawn.
    void thumbnailLoaded(qsizetype index);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutPlaces();
    void requestShown();
    void onLoaded(quint64 serial, const QString &path, const QImage &image);

    PictureLoader *m_loader = nullptr;
    QTimer *m_settle = nullptr;
    QElapsedTimer m_moving; // since the row began to move without its thumbnails asked for
    const SavedPictureIndex *m_index = nullptr;
    std::function<QString(qsizetype)> m_toolTipText;
    qsizetype m_current = -1;
    qsizetype m_first = 0;
    int m_shown = 0;
    int m_left = 0;              // x of the first place
    int m_wheel = 0;             // wheel turns not yet a notch, in eighths of a degree
    QHash<QString, QImage> m_cache; // by path; a null image: unreadable
    QStringList m_asked;            // the paths of the latest request, in their order
    quint64 m_serial = 0;
};
