#pragma once

#include "camlist/ui/CameraRecordFields.h"

#include <QWidget>

class CameraListHost;

// The add-camera dialog: name, picture URL and refresh interval of a new camera.
// Not modal; deleted when closed. Client size 4740 x 2235 twips.
class Form2 : public QWidget
{
    Q_OBJECT
public:
    // `host` must outlive the dialog; the dialog is a window owned by `owner`.
    explicit Form2(CameraListHost *host, QWidget *owner = nullptr);

    // Loads the dialog owned by host->hostWindow() and shows it, or brings the open
    // one forward with its current contents.
    static Form2 *showAdd(CameraListHost *host);
    // The open add dialog, if any.
    static Form2 *instance();

    // Caption: the program name followed by " :: Add a Cam"; the fields take their
    // defaults "My Cam", "http://" and "60"; the window is centred on its screen.
    void load();
    // OK: with all three fields filled, appends the camera to the list file, refills
    // the host's list and closes. An empty field shows the "MSG_ALLINFO" message; a
    // failed write says so; either way the dialog stays open with what was typed.
    void Command1_Click();
    // Cancel: closes without writing.
    void Command2_Click();

    QLabel *Label1 = nullptr; // "Name:"
    QLabel *Label2 = nullptr; // "URL:"
    QLabel *Label3 = nullptr; // "Refresh:"
    QLabel *Label4 = nullptr; // "seconds"
    QLineEdit *Text1 = nullptr; // name
    QLineEdit *Text2 = nullptr; // picture URL
    QLineEdit *Text3 = nullptr; // refresh interval in seconds, at most 3 characters
    QToolButton *Command1 = nullptr; // OK
    QToolButton *Command2 = nullptr; // Cancel

private:
    CameraListHost *m_host;
    CameraRecordFields m_fields;
};
