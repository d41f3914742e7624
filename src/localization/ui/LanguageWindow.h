#pragma once

#include <QDialog>
#include <QPointer>

class QComboBox;
class QLabel;
class QPushButton;

// The language window: pick the language of the program from the groups of
// Localization.txt, download the newest file, or open it for translating.
class LanguageWindow : public QDialog
{
    Q_OBJECT
public:
    explicit LanguageWindow(QWidget *mainWindow);

    // From the menu: loads the window (or brings the open one forward), not modal.
    static LanguageWindow *showLanguageWindow(QWidget *mainWindow);
    // The very first start: shows the window modally; returns when it closes.
    static void showModalFirstRun(QWidget *mainWindow);
    static LanguageWindow *instance();

    void load();
    void FillLanguageList();

    QLabel *Label1 = nullptr;       // shown as a "SkinLabel"
    QComboBox *Combo1 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;

public Q_SLOTS:
    void Combo1_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

private:
    void setButtonsEnabled(bool enabled);
    QPointer<QWidget> m_mainWindow;
};
