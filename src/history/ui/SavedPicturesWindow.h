// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/SavedPicturesSettings.h"

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class LanguageTable;
class QCheckBox;
class QSpinBox;
class QTableWidget;

// The window `frmSavedPictures` (File > "Saved Pictures…"): the limits of every camera's
// saved pictures (`txtMaxMegabytes`, `txtMaxDays`), the free space autosave leaves
// (`chkAutomaticFloor`, `txtMinFree`), and in `grdCameras` each camera of the list with the
// count and size of its saved pictures (read on a worker thread when the window opens) and
// limits of its own. "Save" (`cmdSave`) hands the settings on; "Close" (`cmdClose`) and
// Escape close without saving.
class SavedPicturesWindow : public QWidget
{
    Q_OBJECT
public:
    enum Column { CameraColumn, CountColumn, SizeColumn, OwnColumn, MegabytesColumn, DaysColumn, ColumnCount };

    SavedPicturesWindow(const QString &folder, const QStringList &cameras, const SavedPicturesSettings &settings,
                        const LanguageTable &languages, QWidget *owner);

    static SavedPicturesWindow *open(QPointer<SavedPicturesWindow> &holder, const QString &folder,
                                     const QStringList &cameras, const SavedPicturesSettings &settings,
                                     const LanguageTable &languages, QWidget *owner);

    // The settings as the window shows them.
    SavedPicturesSettings settings() const;
    bool countsReady() const { return m_countsReady; }

Q_SIGNALS:
    // "Save": the settings to store and apply.
    void settingsSaved(const SavedPicturesSettings &settings);
    // The counts and sizes are in the table.
    void countsLoaded();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Count
    {
        qint64 pictures = 0;
        qint64 bytes = 0;
    };
    void showCounts(const QHash<QString, Count> &counts);
    QSpinBox *spinBox(const char *name, int maximum);

    const LanguageTable &m_languages;
    QStringList m_cameras;
    QSpinBox *m_maxMegabytes = nullptr;
    QSpinBox *m_maxDays = nullptr;
    QCheckBox *m_automaticFloor = nullptr;
    QSpinBox *m_minFree = nullptr;
    QTableWidget *m_table = nullptr;
    bool m_countsReady = false;
};
