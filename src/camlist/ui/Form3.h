#pragma once

#include "camlist/CameraListFile.h"
#include "camlist/ui/CameraRecordFields.h"

#include <QWidget>

class CameraListHost;

// The edit-camera dialog for the list's current entry. It keeps the record it was
// opened for and shows the camera's previous name as its caption; the caption is how
// the open slots of that camera are found after the edit. Not modal; deleted when
// closed. Client size 4740 x 2415 twips.
class Form3 : public QWidget
{
    Q_OBJECT
public:
    // `host` must outlive the dialog; the dialog is a window owned by `owner`.
    explicit Form3(CameraListHost *host, QWidget *owner = nullptr);

    // With no entry of the host's list selected, shows the notice window NoticeDialog and
    // returns nullptr. Otherwise loads the dialog for the current entry, sets its
    // caption to the entry's name and shows it. An open edit dialog is brought
    // forward as it stands, still holding the camera it was opened for.
    static Form3 *showEdit(CameraListHost *host);
    // The open edit dialog, if any.
    static Form3 *instance();

    // Looks the name of the list's current entry up in the camera list file into the
    // dialog's own record, then sets the caption and Text1 to its name, Text2 to its
    // URL and Text3 to its refresh text. An entry missing from the file leaves the
    // record as it was (empty in a new dialog). A refresh text longer than the
    // field's usual 3 characters is shown whole.
    void load();
    // OK: with all three fields filled, replaces the dialog's record by the fields in
    // one rewrite of the file (the edited record goes to the end), refills the host's
    // list, passes the change to the host's open slots and closes. An empty field
    // shows the "MSG_ALLINFO" message; a failed write says so and leaves the file as it
    // was; either way the dialog stays open.
    void Command1_Click();
    // Cancel: closes without writing.
    void Command2_Click();

    // The record the dialog was opened for, as the file held it.
    const CameraListFile::CameraRecord &previousRecord() const { return m_previous; }

    QLabel *Label5 = nullptr; // the bold note about open cameras
    QLabel *Label1 = nullptr; // "Name:"
    QLabel *Label2 = nullptr; // "URL:"
    QLabel *Label3 = nullptr; // "Refresh:"
    QLabel *Label4 = nullptr; // "seconds"
    QLineEdit *Text1 = nullptr; // name
    QLineEdit *Text2 = nullptr; // picture URL
    QLineEdit *Text3 = nullptr; // refresh interval in seconds, at most 3 characters typed
    QToolButton *Command1 = nullptr; // OK
    QToolButton *Command2 = nullptr; // Cancel

private:
    CameraListHost *m_host;
    CameraRecordFields m_fields;
    CameraListFile::CameraRecord m_previous;
};
