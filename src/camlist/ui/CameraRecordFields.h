#pragma once

#include "camlist/CameraListFile.h"

#include <QString>
#include <Qt>

class QLabel;
class QLineEdit;
class QToolButton;
class QWidget;

// The rows and buttons that the add (Form2) and edit (Form3) camera dialogs share:
// "Name:", "URL:" and "Refresh:" with their text fields, "seconds", and the OK and
// Cancel picture buttons. The widgets are children of the dialog and owned by it.
struct CameraRecordFields
{
    // The URL field's tooltip, 110 characters: it ends with the quoted word and has
    // no closing parenthesis.
    static const QString UrlToolTip;
    static const QString RefreshToolTip;
    // Most characters the refresh field accepts from the keyboard.
    static constexpr int RefreshMaxLength = 3;

    QLabel *nameLabel = nullptr;
    QLabel *urlLabel = nullptr;
    QLabel *refreshLabel = nullptr;
    QLabel *secondsLabel = nullptr;
    QLineEdit *name = nullptr;
    QLineEdit *url = nullptr;
    QLineEdit *refresh = nullptr;
    QToolButton *ok = nullptr;
    QToolButton *cancel = nullptr;

    // Creates the rows in `dialog`. `fieldsTop` is the top of the name field in
    // twips; the URL and refresh fields stand 360 and 720 twips lower, each label 60
    // twips below its field's top. `buttonsTop` is the top of both buttons in twips.
    // Tab order: name, URL, refresh, OK, Cancel. Line breaks typed or pasted into a
    // field are dropped as they arrive: a record's values must each stay on one line.
    static CameraRecordFields create(
        QWidget *dialog, int fieldsTop, int buttonsTop, const QString &nameToolTip);

    // True when none of the three values (line breaks removed) is empty.
    bool complete() const;

    // The three fields as a record, line breaks removed.
    CameraListFile::CameraRecord record() const;
};

namespace CameraDialog {

// Window flags of the dialogs: fixed single border, title and close box, no
// minimise or maximise button.
constexpr Qt::WindowFlags Flags = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
    | Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint;

// Places `window` in the middle of the available area of its screen.
void centreOnScreen(QWidget *window);

// The "MSG_ALLINFO" message box, title ":: error", OK only; returns when closed.
// `dialog` may have been deleted by then; callers return at once.
void showMissingInformation(QWidget *dialog);

// Tells the user that the camera list file could not be written and that nothing
// was changed; title ":: error", OK only; returns when closed (the dialog may have
// been deleted by then, as above).
void showNotSaved(QWidget *dialog);

} // namespace CameraDialog
