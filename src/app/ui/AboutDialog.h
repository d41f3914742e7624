#pragma once

#include <QWidget>

class QLabel;

// The About window: product name, version (major.minor), company and website; a
// click on the website opens it in the desktop's browser. Fixed single border
// without minimise or maximise, centred on the screen, unloaded when closed.
class AboutDialog : public QWidget
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget *owner = nullptr);

    // Loads the About window (or brings the open one forward) and shows it, not modal.
    static AboutDialog *showAbout(QWidget *owner);
    // The open About window, if any.
    static AboutDialog *instance();

    // Caption "About " + program name; fills the labels from the identity.
    void load();
    // WebsiteRequest := "Website", then loads the website launcher.
    void lblWebsite_Click();

    // "2" and "1" -> "2.1": both parts as plain decimal numbers.
    static QString versionText(int major, int minor);

    QLabel *Picture1 = nullptr;     // header, 0, 0, 7515 x 1035 twips
    QLabel *Label1 = nullptr;       // product name on the header, Verdana 14.25 pt bold
    QLabel *lblNotice = nullptr;
    QLabel *lblVersion = nullptr;   // rows: Verdana 12 pt bold, values at Left 2580 twips
    QLabel *lblCompany = nullptr;
    QLabel *lblWebsite = nullptr;   // blue, pointing hand; a left click runs lblWebsite_Click

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
