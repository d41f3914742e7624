#pragma once

#include <QWidget>

class ImageControl;

// True while the full-screen view is open; the fetch and acceptance handlers read it
// to update the view. Window thread only.
extern bool FullScreenActive;

// The full-screen view: a borderless black window over the whole screen, not in the
// task bar, showing the selected camera's picture stretched to the window. A click on
// the picture (or Escape, or the window manager's close) closes it; while it is open
// the desktop's screen saver is held off.
class FullScreenView : public QWidget
{
    Q_OBJECT
public:
    explicit FullScreenView(QWidget *parent = nullptr);
    ~FullScreenView() override;

    void load();
    // The unload step ran (the view was closed); the window only awaits deletion and
    // must not be shown again.
    bool isUnloaded() const { return m_unloaded; }

    ImageControl *Image1 = nullptr;
    ImageControl *picrefresh = nullptr;

public Q_SLOTS:
    void Image1_Click();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void layoutContents();
    void unload();
    bool m_unloaded = false;
};
