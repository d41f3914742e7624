// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class ImageControl;
class Picture;

// The full-screen view `Form6`: a black top-level window shown full screen, showing the
// selected camera's picture (`Image1`) stretched to the window,
// with the refresh indicator `picrefresh` over it while a fetch runs. A click on the
// picture (or Escape, or the window manager's close) closes it; while it is open the
// desktop's screen saver is held off. Deleted when closed.
class FullScreenView : public QWidget
{
    Q_OBJECT
public:
    explicit FullScreenView(QWidget *parent = nullptr);
    ~FullScreenView() override;

    // Shows the view full screen with `picture`; the screen saver is held off from now on.
    void open(const Picture &picture);
    void showPicture(const Picture &picture);
    const Picture &picture() const;
    void setIndicatorVisible(bool visible);
    bool indicatorVisible() const;

    // The view was closed; the window only awaits its deletion and must not be shown again.
    bool isUnloaded() const { return m_unloaded; }
    // Open and not closed yet.
    bool isActive() const { return m_opened && !m_unloaded; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void unload();

    ImageControl *m_picture = nullptr;
    ImageControl *m_indicator = nullptr;
    bool m_opened = false;
    bool m_unloaded = false;
};
