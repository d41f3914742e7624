// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class MainWindow;
class QTimer;

// The start-up window: fills the product identity, counts 75 ticks of its timer,
// then loads and shows the main window and hides itself. It stays loaded (hidden)
// until the process ends.
class SplashWindow : public QWidget
{
    Q_OBJECT
public:
    explicit SplashWindow(QWidget *parent = nullptr);
    ~SplashWindow() override;

    void load();
    MainWindow *mainWindow() const { return m_mainWindow; }
    int ticks() const { return m_count / 2; }

Q_SIGNALS:
    // The main window was loaded and shown (after the 75th tick).
    void mainWindowShown(MainWindow *mainWindow);

private:
    void tick();

    QTimer *m_timer = nullptr;   // Timer2
    qint16 m_count = 0;          // counts 2 per tick
    MainWindow *m_mainWindow = nullptr;
};
