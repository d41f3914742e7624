// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QTextBrowser;

// The help window "Readme/Help": the document Help.rtf of the application folder,
// read-only, and the "Show at Startup" choice (per-user setting "showHelp", "1"/"0").
// A fixed-size dialog of its owner (the main window): kept out of the task bar, centred on
// the screen, above its owner but not above other programs nor above the dialogs its owner
// opens later. Escape closes it. Unloaded (deleted) when closed.
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HelpWindow(QWidget *owner = nullptr);

    // Loads the help window into `holder` (or brings the one it holds forward) and shows it,
    // not modal. Returns nullptr, and shows nothing, when Help.rtf is missing from the
    // application folder. `owner` (may be null) keeps the window out of the task bar and
    // takes it down with it.
    static HelpWindow *open(QPointer<HelpWindow> &holder, QWidget *owner);

    // Fills the window; false when Help.rtf is missing (the window must not appear).
    // The remaining steps ignore failures: an unreadable or damaged document shows
    // what could be read, an unusable setting leaves the box as it was.
    bool load();

    // Help.rtf larger than this (bytes) is read only up to it.
    static constexpr qint64 MaxDocumentBytes = 16 * 1024 * 1024;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Stores the box: "1" ticked, "0" clear. Runs on every change of the box, also when
    // load() sets it from the setting.
    void storeShowAtStartup();
    void followLink(const QUrl &link);

    QTextBrowser *m_document = nullptr;   // rtf1: 0, 0, 10275 x 7515 twips
    QCheckBox *m_showAtStartup = nullptr; // Check1: "Show at Startup" at 60, 7620 twips, ticked at first
};
