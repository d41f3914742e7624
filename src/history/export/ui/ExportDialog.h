// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/export/ExportItem.h"
#include "history/export/ExportOutcome.h"

#include <QDialog>
#include <QPointer>

class ExportTask;
class LanguageTable;
class QButtonGroup;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QWidget;

// The export window `frmExport` of one camera's saved pictures: a time range
// (`dtpFrom`, `dtpTo`, all pictures at first; `lblCount` says how many it holds), a copy
// into a folder (`optCopy`, `txtFolder`, `cmdBrowseFolder`) or a time-lapse video
// (`optVideo`, `txtVideo`, `cmdBrowseVideo`, frames a second `spnFrameRate`, frame size
// `cboSize`), "Export" (`cmdStart`), a progress bar (`prgExport`), "Cancel" (`cmdCancel`)
// and the outcome in words (`lblOutcome`). The work runs on a thread of its own; the
// window only shows its progress. Closing the window while an export runs cancels it and
// the window closes when the work has stopped.
class ExportDialog : public QDialog
{
    Q_OBJECT
public:
    // `items`: the camera's saved pictures in time order. Texts from `languages`, which
    // must outlive the window.
    ExportDialog(const QString &cameraName, ExportItems items, const LanguageTable &languages,
        QWidget *parent = nullptr);
    ~ExportDialog() override;

    // The pictures of the range chosen now.
    ExportItems chosenItems() const;
    bool isExporting() const;

Q_SIGNALS:
    // An export ended; lblOutcome already tells how.
    void exportFinished(const ExportOutcome &outcome);

public Q_SLOTS:
    void reject() override;

private:
    QString message(const char *key) const;
    void buildLayout(const QString &cameraName);
    void updateCount();
    void updateMode();
    void chooseFolder();
    void chooseVideo();
    void startExport();
    void showProgress(int done, int total);
    void finishExport(const ExportOutcome &outcome);
    QString outcomeText(const ExportOutcome &outcome, bool video) const;
    void setRunning(bool running);

    const ExportItems m_items;
    const LanguageTable &m_languages;
    QPointer<ExportTask> m_task;
    bool m_video = false; // the running or last export made a video
    bool m_closeWhenStopped = false;

    QWidget *m_settings = nullptr;
    QDateTimeEdit *m_from = nullptr;
    QDateTimeEdit *m_to = nullptr;
    QLabel *m_count = nullptr;
    QButtonGroup *m_mode = nullptr;
    QWidget *m_copyRow = nullptr;
    QWidget *m_videoRows = nullptr;
    QLineEdit *m_folder = nullptr;
    QLineEdit *m_videoFile = nullptr;
    QSpinBox *m_frameRate = nullptr;
    QComboBox *m_size = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_outcome = nullptr;
    QPushButton *m_start = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_close = nullptr;
};
