// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/Picture.h"
#include "platform/ui/CachedGroupBox.h"

class ImageControl;
class QProgressBar;
class QToolButton;

// One camera slot of the main window: the frame `Frame(i)` with the camera's picture
// `imgCam(i)` inside `Picture2(i)`, the refresh indicator `imgRefresh(i)`, the progress bar
// `prgCam(i)` and the buttons `cmdRefresh(i)` and `cmdStop(i)` (object names with the
// dynamic property "Index" = i, as the localization keys know them). It shows what its
// camera's engine reports and reports the clicks; it holds no state of the camera.
// Geometry in twips as designed: 1635 x 1935 at the slot grid's position.
class SlotView : public CachedGroupBox
{
    Q_OBJECT
public:
    SlotView(int index, QWidget *parent);

    int index() const { return m_index; }

    // The slot's picture, stretched to 1275 x 960 twips; a null picture clears it.
    void showPicture(const Picture &picture);
    const Picture &picture() const;
    // The picture shown came from the camera now open (a received picture or the
    // not-found picture), not from before its opening.
    bool showsCameraPicture() const { return m_cameraPicture; }
    void setShowsCameraPicture(bool fromCamera) { m_cameraPicture = fromCamera; }
    // Size the picture is drawn at, in device pixels.
    QSize pictureDevicePixels() const;
    ImageControl *pictureControl() const { return m_picture; }
    // Paints the picture now instead of after the events already queued.
    void paintPictureNow();

    void setIndicatorPicture(const Picture &picture);
    // The refresh indicator in front of the picture.
    void setIndicatorVisible(bool visible);
    bool indicatorVisible() const;

    QProgressBar *progressBar() const { return m_progress; }

    // How the camera is, shown where the user looks: the badge `imgStatus(i)` beside the
    // title (never over the picture) marks a camera whose last fetch failed or whose
    // picture is old; `text` (plain, one item per line) is the slot's tooltip and its
    // accessible description, for screen readers.
    enum class Mark { None, Failed, Stale };
    void showState(Mark mark, const QString &text);
    Mark mark() const { return m_mark; }

Q_SIGNALS:
    // A click on the picture or on the indicator over it.
    void pictureClicked(int index);
    void refreshClicked(int index);
    void stopClicked(int index);
    // The context menu was asked for at `globalPos`.
    void menuRequested(int index, const QPoint &globalPos);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    const int m_index;
    ImageControl *m_picture;
    ImageControl *m_indicator;
    Picture m_indicatorPicture;
    bool m_indicatorLit = false;
    QProgressBar *m_progress;
    QWidget *m_badge;
    Mark m_mark = Mark::None;
    bool m_cameraPicture = false;
};
