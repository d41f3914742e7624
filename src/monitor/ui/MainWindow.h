// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "camlist/ui/CameraListHost.h"
#include "imaging/Picture.h"
#include "localization/LanguageTable.h"
#include "localization/QtTranslations.h"
#include "monitor/CameraEngine.h"
#include "monitor/MainWindowLayout.h"
#include "platform/CertificatePins.h"

#include <QLocale>
#include <QMainWindow>
#include <QPointer>

#include <array>

class AboutDialog;
class CertificateWindow;
class CameraDialog;
class CameraMonitor;
class DeferredPaints;
class FullScreenView;
class HelpWindow;
class HistoryWindow;
class PictureKeeper;
class SavedPicturesWindow;
class LanguageWindow;
class NoticeDialog;
class SlotView;
class StatusPanel;
class ViewerPanel;
class WebsiteLauncher;

class QPushButton;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QScrollBar;

// The main window `Form1`: the "Controls" column with the camera list, the "Webcams"
// column with the 24 camera slots, and the detail viewer. The cameras themselves are
// the engines of a CameraMonitor; the window shows what they report, lays itself out,
// keeps the viewer's selection and opens the secondary windows, each of which it holds
// while it is open. The class is split over several files by concern: MainWindow.cpp
// (controls), MainWindowLayout.cpp, MainWindowStartup.cpp (start-up, shut-down, the
// secondary windows), MainWindowCameras.cpp (the camera list commands),
// MainWindowSlots.cpp (what the engines report), MainWindowStatus.cpp (how each camera is),
// MainWindowViewer.cpp.
class MainWindow : public QMainWindow, public CameraListHost
{
    Q_OBJECT
public:
    static constexpr int SlotCount = 24;

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Start-up: the ordered load sequence, run once by the splash window.
    void load();

    CameraMonitor &cameras() const { return *m_cameras; }

    // Fills the camera list box from the camera list file (creating the file when missing).
    void loadCameraList();
    // The camera selected in the list is opened in the first closed slot ("Start Cam" and
    // a double click); without a selection the notice window says what to do.
    void startSelectedCamera();
    // Opens every camera of the list in list order, as a double click on each would.
    void openAllListedCameras();
    // With "Reopen Cameras at Start" checked: opens the cameras open at the last exit, each
    // in its slot. Called once the start-up sequence is done.
    void reopenCamerasIfAsked();
    // Stores the open cameras by slot for the next start (done when the program quits).
    void rememberOpenCameras();
    // The slot `slot` is shown in the viewer, as a click on its picture does.
    void showSlotInViewer(int slot);
    // The slot shown in the viewer; -1 for none.
    int viewerSlot() const { return m_viewerSlot; }
    // The viewer's "Screensaver": the selected camera full screen.
    void openFullScreen();
    // The viewer's "Save Image": the selected slot's picture saved in the cam folder.
    void saveShownPicture();
    FullScreenView *fullScreenView() const;

    void setStatusText(const QString &text);
    QString statusText() const;

    // Saved pictures over time (MainWindowHistory.cpp): the keeper of the cam folder (null
    // before load()), the history of the camera in `slot`, the "Saved Pictures…" window.
    PictureKeeper *pictureKeeper() const { return m_keeper; }
    void showHistory(int slot);
    void showSavedPicturesWindow();
    HistoryWindow *historyWindow() const;

    // CameraListHost
    const LanguageTable &languages() const override { return m_languages; }
    void refillCameraList() override;
    void applyEditToOpenCameras(const QString &previousName, const CameraListFile::CameraRecord &edited) override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Construction (MainWindow.cpp).
    void buildMenus();
    void buildControlsColumn();
    void buildSlotsColumn();

    // Layout (MainWindowLayout.cpp).
    void layOut();
    void scrollSlots();

    // Start-up, shut-down and the secondary windows (MainWindowStartup.cpp).
    void applyLanguageToWindow(const QString &language);
    // Captions a secondary window in the loaded language (its captions, title and tooltips).
    void captionSecondaryWindow(QWidget *window) const;
    void storeAutosaveChoice();
    void storeReopenChoice(bool reopen);
    void closeSecondaryWindows();
    void keepSecondaryWindowsAbove();
    void showHelp();
    void showAbout();
    void showLanguageWindow();
    void openWebsite();
    void showNotice();

    // The camera list commands (MainWindowCameras.cpp).
    QString selectedCameraName() const;
    void addCamera();
    void editSelectedCamera();
    void removeSelectedCamera();

    // What the engines report (MainWindowSlots.cpp).
    void connectCamera(CameraEngine *camera);
    CameraEngine::Display displayFor(int slot) const;
    void onFetchStarted(int slot);
    void onProgressed(int slot, float barValue, bool barTakesValue, const QString &statusText);
    void onFetchFinished(int slot, CameraEngine::FetchResult result);
    void onPictureSaved(int slot, const Picture &saved, const QDateTime &at, const QString &path);
    void onSaveFailed(int slot, const QDateTime &at, const QString &path, const QString &reason);
    void onTicked(int slot);
    void onStopped(int slot);

    // What each camera's state looks like (MainWindowStatus.cpp).
    void showCameraState(int slot);
    QString outcomeWords(const FetchOutcome &outcome) const;
    QString ageText(qint64 seconds) const;
    void showSlotMenu(int slot, const QPoint &globalPos);
    void openCertificate(int slot);
    void trustCertificate(int slot, const FetchOutcome &outcome);

    // Saved pictures over time (MainWindowHistory.cpp).
    void buildHistoryActions();
    void startPictureKeeper();
    void noteSavedPicture(int slot, const QDateTime &at, const QString &path);
    void addHistoryItem(QMenu &menu, int slot);
    void onAutosavePauseChanged(bool paused, const QString &statusText);
    QStringList listedCameraNames() const;

    // The viewer (MainWindowViewer.cpp).
    void showViewerDetails(int slot);
    bool fullScreenShowing() const;

    CameraMonitor *m_cameras = nullptr;
    LanguageTable m_languages;
    // Dates and times shown to the user: the locale of the language last applied (the
    // system's until then).
    QLocale m_displayLocale;
    QtTranslations m_qtTranslations; // Qt's own texts, in the language of m_languages
    CertificatePins m_pins;
    int m_viewerSlot = -1;
    MainWindowGeometry m_geometry;

    // Picture sources: the stopped slot, the refresh indicator and the failed fetch.
    Picture m_blank;
    Picture m_refreshIndicator;
    Picture m_notFound;

    QGroupBox *m_controls = nullptr;       // Frame1
    QCheckBox *m_autosave = nullptr;       // chkSave
    QAction *m_reopenAtStart = nullptr;    // mnuFileItem(1)
    QListWidget *m_cameraList = nullptr;   // List1
    QGroupBox *m_slotsFrame = nullptr;     // frmCams
    QWidget *m_slotsViewport = nullptr;    // picWindowOuter
    QWidget *m_slotsPanel = nullptr;       // picWindowInner
    QScrollBar *m_slotsScroll = nullptr;   // VScroll1
    std::array<SlotView *, SlotCount> m_slots {};
    ViewerPanel *m_viewer = nullptr;       // frmMain
    StatusPanel *m_status = nullptr;       // first panel of StatusBar1
    QPushButton *m_websiteButton = nullptr; // Command2

    // The slots' progress bars and the download status text are painted at most this often
    // while pieces arrive.
    static constexpr int ProgressPaintIntervalMs = 100;
    DeferredPaints *m_progressPaints = nullptr;

    // The secondary windows, each while it is open.
    QPointer<CameraDialog> m_addDialog;
    QPointer<CameraDialog> m_editDialog;
    QPointer<NoticeDialog> m_notice;
    QPointer<FullScreenView> m_fullScreen;
    QPointer<HelpWindow> m_help;
    QPointer<AboutDialog> m_about;
    QPointer<LanguageWindow> m_languageWindow;
    QPointer<WebsiteLauncher> m_websiteLauncher;
    QPointer<CertificateWindow> m_certificateWindow;
    QPointer<HistoryWindow> m_history;
    QPointer<SavedPicturesWindow> m_savedPictures;

    PictureKeeper *m_keeper = nullptr;
    QLabel *m_autosavePause = nullptr; // lblAutosavePaused, in the status bar while autosave waits
};
