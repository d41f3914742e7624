// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/ui/MainWindow.h"

#include "app/Identity.h"
#include "app/ui/AboutDialog.h"
#include "app/ui/HelpWindow.h"
#include "app/ui/WebsiteLauncher.h"
#include "camlist/ui/CameraDialog.h"
#include "camlist/ui/NoticeDialog.h"
#include "localization/DefaultMessages.h"
#include "localization/ui/LanguageWindow.h"
#include "monitor/CameraMonitor.h"
#include "monitor/ui/SlotView.h"
#include "platform/AppFolder.h"
#include "platform/Twips.h"
#include "platform/ui/DeferredPaints.h"
#include "platform/ui/RedrawLock.h"
#include "platform/ui/StatusPanel.h"
#include "viewer/ui/FullScreenView.h"
#include "viewer/ui/ImageControl.h"
#include "viewer/ui/ViewerPanel.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>

namespace {

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, const QString &tip,
                        const QRect &twips)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(tip);
    button->setGeometry(Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
    return button;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_cameras(new CameraMonitor(this))
    , m_pins(CertificatePins::userFilePath(identity().programName))
{
    setObjectName(QStringLiteral("Form1"));
    addDefaultMessages(m_languages);
    m_blank = resourcePicture(QStringLiteral(":/blank.png"));
    m_refreshIndicator = resourcePicture(QStringLiteral(":/picrefresh.png"));
    m_notFound = resourcePicture(QStringLiteral(":/notFound.png"));
    m_progressPaints = new DeferredPaints(ProgressPaintIntervalMs, this);

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    setCentralWidget(central);

    buildMenus();
    buildControlsColumn();
    buildSlotsColumn();
    m_viewer = new ViewerPanel(central);
    connect(m_viewer, &ViewerPanel::saveRequested, this, &MainWindow::saveShownPicture);
    connect(m_viewer, &ViewerPanel::fullScreenRequested, this, &MainWindow::openFullScreen);
    connect(m_viewer, &ViewerPanel::certificateRequested, this, [this] {
        if (m_viewerSlot >= 0)
            openCertificate(m_viewerSlot);
    });
    buildHistoryActions();

    m_status = new StatusPanel(this);
    m_status->setObjectName(QStringLiteral("StatusBar1Panel1"));
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(m_status, 1);

    m_cameras->setSaveFolder(AppFolder::file(QStringLiteral("cam")));
    // The certificates the user trusts: a file read once here, rewritten at each new trust.
    m_pins.load();
    m_cameras->setCertificatePins(&m_pins);
    for (int slot = 0; slot < SlotCount; ++slot)
        connectCamera(m_cameras->camera(slot));

    resize(Twips::toPx(15900), Twips::toPx(11600));
    // Drawing is never held back while the full-screen view shows or this window is minimised.
    setRedrawConditions(this, [this] { return fullScreenShowing(); });
}

MainWindow::~MainWindow()
{
    // The engines go first: nothing they report may reach half-destroyed windows.
    delete m_cameras;
    m_cameras = nullptr;
    delete m_fullScreen.data();
}

void MainWindow::buildMenus()
{
    auto addMenu = [this](const char *name, const QString &caption) {
        QMenu *menu = menuBar()->addMenu(caption);
        menu->setObjectName(QLatin1String(name));
        menu->menuAction()->setObjectName(QLatin1String(name));
        return menu;
    };
    // Menu items are control-array elements: object name of the array, "Index" the element.
    auto addItem = [](QMenu *menu, const char *name, int index, const QString &caption) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setProperty("Index", index);
        return action;
    };

    QMenu *file = addMenu("mnuFile", tr("File"));
    // Reopening at start is the user's choice, stored at once; the cameras open at the exit
    // are remembered whatever it is.
    m_reopenAtStart = addItem(file, "mnuFileItem", 1, tr("Reopen Cameras at Start"));
    m_reopenAtStart->setCheckable(true);
    connect(m_reopenAtStart, &QAction::toggled, this, &MainWindow::storeReopenChoice);
    connect(addItem(file, "mnuFileItem", 2, tr("Saved Pictures…")), &QAction::triggered, this,
            &MainWindow::showSavedPicturesWindow);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &MainWindow::rememberOpenCameras);
    file->addSeparator();
    // "Exit" ends the program at once: no window's closing handler runs.
    QAction *exit = addItem(file, "mnuFileItem", 0, tr("Exit"));
    // Named keys rather than the platform's standard ones: some platforms bind no key to Quit.
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(exit, &QAction::triggered, this, [] { QCoreApplication::exit(0); });

    QMenu *cams = addMenu("mnuCams", tr("Cams"));
    const std::pair<QString, void (MainWindow::*)()> camItems[] = {
        {tr("Add a Cam"), &MainWindow::addCamera},
        {tr("Delete Selected Cam"), &MainWindow::removeSelectedCamera},
        {tr("Edit Selected Cam"), &MainWindow::editSelectedCamera},
        {tr("Start Selected Cam"), &MainWindow::startSelectedCamera},
        {tr("Stop All Cams"), nullptr},
    };
    for (int i = 0; i < 5; ++i) {
        QAction *item = addItem(cams, "mnuCamItem", i, camItems[i].first);
        if (camItems[i].second)
            connect(item, &QAction::triggered, this, camItems[i].second);
        else
            connect(item, &QAction::triggered, m_cameras, &CameraMonitor::stopAll);
    }

    connect(addItem(addMenu("mnuLanguages", tr("Languages")), "mnuLanguageItem", 0, tr("Change Language")),
            &QAction::triggered, this, &MainWindow::showLanguageWindow);
    QAction *help = addItem(addMenu("mnuHelp", tr("Help")), "mnuHelpItem", 0, tr("View Help"));
    help->setShortcut(QKeySequence(Qt::Key_F1));
    connect(help, &QAction::triggered, this, &MainWindow::showHelp);
    connect(addItem(addMenu("mnuAbout", tr("About")), "mnuAboutItem", 0, tr("About this software")),
            &QAction::triggered, this, &MainWindow::showAbout);

    // F11: the selected camera full screen, as the viewer's "Screensaver" does. Not a menu
    // item (it has no object name, so re-captioning leaves it alone).
    auto *fullScreen = new QAction(this);
    fullScreen->setShortcut(Qt::Key_F11);
    addAction(fullScreen);
    connect(fullScreen, &QAction::triggered, this, [this] {
        if (m_viewerSlot >= 0)
            openFullScreen();
    });
}

void MainWindow::buildControlsColumn()
{
    m_controls = new QGroupBox(tr("Controls"), centralWidget());
    m_controls->setObjectName(QStringLiteral("Frame1"));
    m_controls->setGeometry(Twips::rect(0, 0, 3315, 10815));

    QPushButton *add = makeButton(m_controls, "cmdAdd", tr("Add"), tr("Add a Cam"), QRect(120, 240, 975, 855));
    QPushButton *remove
        = makeButton(m_controls, "cmdRemove", tr("Del"), tr("Remove Selected Cam"), QRect(1170, 240, 975, 855));
    QPushButton *edit = makeButton(m_controls, "cmdEdit", tr("Edit"), tr("Edit Selected Cam"), QRect(2220, 240, 975, 855));
    QPushButton *start = makeButton(m_controls, "cmdStartCam", tr("Start Cam"), tr("Start Selected Cam"),
                                    QRect(120, 1140, 1500, 855));
    QPushButton *stopAll
        = makeButton(m_controls, "cmdStopAll", tr("Stop All"), tr("Stop All Cams"), QRect(1695, 1140, 1500, 855));
    m_websiteButton = makeButton(m_controls, "Command2", QString(), QString(), QRect(120, 2040, 3075, 855));

    m_autosave = new QCheckBox(tr("AutoSave New Pictures"), m_controls);
    m_autosave->setObjectName(QStringLiteral("chkSave"));
    m_autosave->setGeometry(Twips::rect(120, 2940, 3075, 375));

    auto *listCaption = new QLabel(tr("Webcam Listing"), m_controls);
    listCaption->setObjectName(QStringLiteral("Label1"));
    listCaption->setTextFormat(Qt::PlainText);
    listCaption->setGeometry(Twips::rect(60, 3540, 3135, 240));

    m_cameraList = new QListWidget(m_controls);
    m_cameraList->setObjectName(QStringLiteral("List1"));
    m_cameraList->setGeometry(Twips::rect(60, 3780, 3135, 6300));

    connect(add, &QPushButton::clicked, this, &MainWindow::addCamera);
    connect(remove, &QPushButton::clicked, this, &MainWindow::removeSelectedCamera);
    connect(edit, &QPushButton::clicked, this, &MainWindow::editSelectedCamera);
    connect(start, &QPushButton::clicked, this, &MainWindow::startSelectedCamera);
    connect(stopAll, &QPushButton::clicked, m_cameras, &CameraMonitor::stopAll);
    connect(m_websiteButton, &QPushButton::clicked, this, &MainWindow::openWebsite);
    // The engines follow the box at once; only a click by the user stores the setting
    // (start-up sets the box silently).
    connect(m_autosave, &QCheckBox::toggled, m_cameras, &CameraMonitor::setAutosave);
    connect(m_autosave, &QCheckBox::clicked, this, &MainWindow::storeAutosaveChoice);
    connect(m_cameraList, &QListWidget::itemDoubleClicked, this, [this] {
        if (!selectedCameraName().isEmpty())
            m_cameras->openIfNotOpen(selectedCameraName());
    });
}

void MainWindow::buildSlotsColumn()
{
    m_slotsFrame = new QGroupBox(tr("Webcams"), centralWidget());
    m_slotsFrame->setObjectName(QStringLiteral("frmCams"));
    m_slotsFrame->setGeometry(Twips::rect(3360, 0, 3915, 10815));

    m_slotsViewport = new QWidget(m_slotsFrame);
    m_slotsViewport->setObjectName(QStringLiteral("picWindowOuter"));
    m_slotsViewport->setGeometry(Twips::rect(120, 240, 3495, 10450));

    m_slotsPanel = new QWidget(m_slotsViewport);
    m_slotsPanel->setObjectName(QStringLiteral("picWindowInner"));
    m_slotsPanel->setGeometry(Twips::rect(-60, 0, 3555, 24060));

    m_slotsScroll = new QScrollBar(Qt::Vertical, m_slotsFrame);
    m_slotsScroll->setObjectName(QStringLiteral("VScroll1"));
    m_slotsScroll->setGeometry(Twips::rect(3615, 240, 255, 10450));
    m_slotsScroll->setRange(0, 18000);
    m_slotsScroll->setSingleStep(600);
    m_slotsScroll->setPageStep(2000);
    connect(m_slotsScroll, &QScrollBar::valueChanged, this, &MainWindow::scrollSlots);

    for (int i = 0; i < SlotCount; ++i) {
        auto *view = new SlotView(i, m_slotsPanel);
        m_slots[static_cast<size_t>(i)] = view;
        connect(view, &SlotView::pictureClicked, this, &MainWindow::showSlotInViewer);
        connect(view, &SlotView::refreshClicked, this, [this](int slot) { m_cameras->camera(slot)->refresh(); });
        connect(view, &SlotView::stopClicked, this, [this](int slot) { m_cameras->camera(slot)->stop(); });
        connect(view, &SlotView::menuRequested, this, &MainWindow::showSlotMenu);
    }
}

void MainWindow::setStatusText(const QString &text) { m_status->setText(text); }

QString MainWindow::statusText() const { return m_status->text(); }
