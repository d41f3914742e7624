#pragma once

#include <QWidget>

class Form1;
class QTimer;

// The start-up window: fills the product identity, counts 75 ticks of its timer,
// then loads and shows the main window and hides itself. It stays loaded (hidden)
// until the process ends.
class frmSplash : public QWidget
{
    Q_OBJECT
public:
    explicit frmSplash(QWidget *parent = nullptr);
    ~frmSplash() override;

    void Form_Load();
    Form1 *mainWindow() const { return m_form1; }
    int ticks() const { return intTemp / 2; }

Q_SIGNALS:
    // The main window was loaded and shown (after the 75th tick).
    void mainWindowShown(Form1 *form1);

private Q_SLOTS:
    void Timer2_Timer();

private:
    QTimer *Timer2 = nullptr;
    qint16 intTemp = 0;
    Form1 *m_form1 = nullptr;
};
