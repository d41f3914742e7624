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
    MainWindow *mainWindow() const { return m_form1; }
    int ticks() const { return intTemp / 2; }

Q_SIGNALS:
    // The main window was loaded and shown (after the 75th tick).
    void mainWindowShown(MainWindow *form1);

private Q_SLOTS:
    void Timer2_Timer();

private:
    QTimer *Timer2 = nullptr;
    qint16 intTemp = 0;
    MainWindow *m_form1 = nullptr;
};
