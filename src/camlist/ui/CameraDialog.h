// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "camlist/CameraListFile.h"

#include <QPointer>
#include <QWidget>

class CameraListHost;
class QLineEdit;

// The camera dialog, in two modes:
// - Add (`Form2`, client size 4740 x 2235 twips): name, picture URL and refresh interval of
//   a new camera, appended to the camera list file;
// - Edit (`Form3`, 4740 x 2415 twips): the same rows for one camera of the list, under a
//   bold note that open cameras keep their values until restarted; its caption is the
//   camera's previous name, which is how the open cameras of that name are found after
//   the edit.
// Rows: "Name:" (`Text1`), "URL:" (`Text2`), "Refresh:" (`Text3`, at most 3 characters typed)
// with "seconds"; buttons OK (`Command1`) and Cancel (`Command2`). Line breaks typed or pasted
// into a field are dropped: a record's values must each stay on one line. Enter confirms
// as OK does, Escape cancels. Not modal; deleted when closed.
class CameraDialog : public QWidget
{
    Q_OBJECT
public:
    enum class Mode { Add, Edit };

    // The URL field's tooltip, 110 characters: it ends with the quoted word and has no
    // closing parenthesis.
    static const QString UrlToolTip;
    static const QString RefreshToolTip;
    // Most characters the refresh field accepts from the keyboard.
    static constexpr int RefreshMaxLength = 3;

    // `host` must outlive the dialog; the dialog is a window owned by `owner`.
    CameraDialog(Mode mode, CameraListHost *host, QWidget *owner);

    // Loads an add dialog into `holder` (or brings the one it holds forward, as it stands)
    // and shows it: the caption is the program name followed by " :: Add a Cam", the fields
    // hold "My Cam", "http://" and "60", the window is centred on its screen.
    static CameraDialog *openAdd(QPointer<CameraDialog> &holder, CameraListHost *host, QWidget *owner);
    // Loads an edit dialog for the camera `name` into `holder` and shows it: its record is
    // looked up in the file (a name missing from the file leaves the fields empty) and its
    // name becomes the caption. A dialog already held is brought forward as it stands,
    // still holding the camera it was opened for.
    static CameraDialog *openEdit(QPointer<CameraDialog> &holder, CameraListHost *host, const QString &name,
                                  QWidget *owner);

    Mode mode() const { return m_mode; }
    // Edit: the record the dialog was opened for, as the file held it.
    const CameraListFile::CameraRecord &previousRecord() const { return m_previous; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void loadForAdd();
    void loadForEdit(const QString &name);
    // OK: with all three fields filled and a name no other camera of the list has (the
    // "MSG_NAMETAKEN" message otherwise), adds the camera (Add) or replaces the dialog's record
    // in one rewrite of the file, the edited record going to the end (Edit); then refills the
    // host's list, passes an edit to the host's open cameras and closes. An empty field shows
    // the "MSG_ALLINFO" message; a failed write says so and leaves the file as it was; either
    // way the dialog stays open with what was typed.
    void confirm();
    CameraListFile::CameraRecord typedRecord() const;
    void showError(const QString &text);

    const Mode m_mode;
    CameraListHost *m_host;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_url = nullptr;
    QLineEdit *m_refresh = nullptr;
    CameraListFile::CameraRecord m_previous;
};
