#pragma once

#include "camlist/CameraListFile.h"
#include "camlist/ui/CameraListHost.h"
#include "monitor/MainWindowLayout.h"
#include "monitor/ui/CameraSlot.h"
#include "viewer/ui/FullScreenView.h"

#include "imaging/Picture.h"

#include <QMainWindow>
#include <QPointer>

#include <array>

class DeferredPaints;
class StatusPanel;

class QAction;
class QDateTime;
class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QScrollBar;
class ViewerPanel;

// The main window: the "Controls" column with the camera list, the "Webcams" column
// with the 24 camera slots, and the detail viewer. Event handlers carry the names of
// the controls and events they answer; the logic they call lives in the widget-free
// monitor, camlist and viewer libraries. The class is split over several files by
// concern: MainWindow.cpp (controls), Form1Layout.cpp, Form1Load.cpp (start-up and
// shut-down), Form1Fetch.cpp, Form1Accept.cpp, Form1Schedule.cpp, Form1Viewer.cpp,
// Form1Cams.cpp (camera dialogs and menus).
class MainWindow : public QMainWindow, public CameraListHost
{
    Q_OBJECT
public:
    static constexpr int SlotCount = 24;

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // --- state shared by the slots and the viewer ---
    std::array<CameraSlot, SlotCount> cams;
    int currentCam = -1;        // slot shown in the viewer, -1 for none
    int openCamCount = 0;       // open slots, 0..24
    CameraListFile::CameraRecord lastFound;   // loadName, loadUrl, loadRefresh: the record last found

    // Picture sources: the stopped slot, the refresh indicator and the failed fetch.
    Picture blank;
    Picture picrefresh;
    Picture notFound;

    // --- controls ---
    QGroupBox *Frame1 = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdRemove = nullptr;
    QPushButton *cmdEdit = nullptr;
    QPushButton *cmdStartCam = nullptr;
    QPushButton *cmdStopAll = nullptr;
    QPushButton *Command2 = nullptr;    // the website button
    QCheckBox *chkSave = nullptr;
    QLabel *Label1 = nullptr;           // "Webcam Listing"
    QListWidget *List1 = nullptr;
    QGroupBox *frmCams = nullptr;
    QWidget *picWindowOuter = nullptr;
    QWidget *picWindowInner = nullptr;
    QScrollBar *VScroll1 = nullptr;
    ViewerPanel *viewer = nullptr;      // frmMain
    StatusPanel *statusPanel1 = nullptr; // first panel of StatusBar1
    QMenu *mnuFile = nullptr;
    QMenu *mnuCams = nullptr;
    QMenu *mnuLanguages = nullptr;
    QMenu *mnuHelp = nullptr;
    QMenu *mnuAbout = nullptr;
    QList<QAction *> mnuFileItem;
    QList<QAction *> mnuCamItem;
    QList<QAction *> mnuLanguageItem;
    QList<QAction *> mnuHelpItem;
    QList<QAction *> mnuAboutItem;

    MainWindowGeometry geometryTwips;

    // --- Part of the window's public surface used by the dialogs and tests ---
    bool AnyCameraSelected() const;
    void OpenSelectedCamera();
    void OpenCameraByName(const QString &name);
    void LayoutMainWindow();
    void ReadCameraNamesIntoList(bool mainWindowVariant);
    // CameraListHost: what the camera dialogs need of the main window.
    QListWidget *cameraListBox() override;
    QWidget *hostWindow() override;
    void refillCameraList() override;
    void ApplyEditToOpenSlots(const QString &previousName, const QString &name, const QString &url,
                              const QString &refresh) override;
    void setStatusText(const QString &text);
    QString statusText() const;
    FullScreenView *fullScreenWindow() const { return m_form6; }

    // Start-up: the ordered load sequence, run once by the splash window.
    void load();

public Q_SLOTS:
    // Camera list and slots.
    void List1_DblClick();
    void VScroll1_Change();
    void cmdStartCam_Click();
    void cmdStopAll_Click();
    void cmdStart_Click(int index);
    void cmdRefresh_Click(int index);
    void cmdStop_Click(int index);
    void timRefresh_Timer(int index);
    void wsCam_Connect(int index);
    void wsCam_DataArrival(int index, qint32 bytesTotal);
    void wsCam_Close(int index);
    // Viewer.
    void imgCam_Click(int index);
    void imgRefresh_Click(int index);
    void cmdSave_Click();
    void Command3_Click();
    // Camera dialogs and menus.
    void cmdAdd_Click();
    void cmdRemove_Click();
    void cmdEdit_Click();
    void mnuCamItem_Click(int index);
    void chkSave_Click();
    void Command2_Click();
    void mnuFileItem_Click(int index);
    void mnuLanguageItem_Click();
    void mnuHelpItem_Click();
    void mnuAboutItem_Click();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControlsColumn();
    void buildSlotsColumn();
    void buildSlot(int index);
    void buildMenus();
    void layoutContents();
    void unload();
    void ShowSlotInViewer(int index);
    void acceptPicture(int index, const QByteArray &header, const QByteArray &body);
    void showNotFound(int index);
    void autosave(int index);
    // The free file name in the cam folder for a picture of `cameraName` saved at `now`.
    QString savePath(const QString &cameraName, const QDateTime &now) const;

    QPointer<FullScreenView> m_form6;
    // The slots' progress bars and the download status text are painted at most this often
    // while pieces arrive.
    static constexpr int ProgressPaintIntervalMs = 100;
    DeferredPaints *m_progressPaints = nullptr;
};
