// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;

// The About window `frmAbout`: product name, version (major.minor), company and website;
// a click on the website asks for the website to be opened (websiteRequested). Fixed single border
// without minimise or maximise, centred on the screen, unloaded when closed.
class AboutDialog : public QWidget
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget *owner = nullptr);

    // Loads the About window into `holder` (or brings the one it holds forward) and shows
    // it, not modal.
    static AboutDialog *open(QPointer<AboutDialog> &holder, QWidget *owner);

    // Caption "About " + program name; fills the labels from the identity.
    void load();
    // "2" and "1" -> "2.1": both parts as plain decimal numbers.
    static QString versionText(int major, int minor);

Q_SIGNALS:
    // A left click on the website.
    void websiteRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Escape closes the window.
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLabel *m_programName = nullptr; // Label1: on the header, Verdana 14.25 pt bold
    QLabel *m_notice = nullptr;      // lblNotice
    QLabel *m_version = nullptr;     // lblVersion; rows: Verdana 12 pt bold, values at Left 2580 twips
    QLabel *m_company = nullptr;     // lblCompany
    QLabel *m_website = nullptr;     // lblWebsite: blue, pointing hand
};
