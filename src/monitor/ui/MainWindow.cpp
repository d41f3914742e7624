#include "monitor/ui/MainWindow.h"

#include "platform/SlotSocket.h"
#include "platform/Twips.h"
#include "platform/ui/CachedGroupBox.h"
#include "platform/ui/DeferredPaints.h"
#include "platform/ui/HiddenText.h"
#include "platform/ui/RedrawLock.h"
#include "platform/ui/StatusPanel.h"
#include "viewer/ui/ImageControl.h"
#include "viewer/ui/ViewerPanel.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

namespace {

// Control-array element: the object name is the array's name, "Index" the element.
template<typename T>
T *element(T *object, const char *name, int index)
{
    object->setObjectName(QLatin1String(name));
    object->setProperty("Index", index);
    return object;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, const QString &tip,
                        const QRect &twips)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(tip);
    button->setGeometry(Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
    return button;
}

HiddenText *hiddenText(QWidget *parent, const char *name, int index, qint64 top, const QString &text = QString())
{
    auto *edit = element(new HiddenText(text, parent), name, index);
    edit->setGeometry(Twips::rect(120, top, 1395, 285));
    return edit;
}

} // namespace

bool CameraSlot::isOpen() const { return Frame && !Frame->isHidden(); }

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    blank = resourcePicture(QStringLiteral(":/blank.png"));
    picrefresh = resourcePicture(QStringLiteral(":/picrefresh.png"));
    notFound = resourcePicture(QStringLiteral(":/notFound.png"));
    m_progressPaints = new DeferredPaints(ProgressPaintIntervalMs, this);

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    setCentralWidget(central);

    buildMenus();
    buildControlsColumn();
    buildSlotsColumn();
    viewer = new ViewerPanel(central);
    connect(viewer->cmdSave, &QPushButton::clicked, this, &MainWindow::cmdSave_Click);
    connect(viewer->Command3, &QPushButton::clicked, this, &MainWindow::Command3_Click);

    statusPanel1 = new StatusPanel(this);
    statusPanel1->setObjectName(QStringLiteral("StatusBar1Panel1"));
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(statusPanel1, 1);

    resize(Twips::toPx(15900), Twips::toPx(11600));
    // Drawing is never held back while the full-screen view shows or this window is minimised.
    setRedrawConditions(this, [] { return FullScreenActive; });
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenus()
{
    auto addMenu = [this](const char *name, const QString &caption) {
        QMenu *menu = menuBar()->addMenu(caption);
        menu->setObjectName(QLatin1String(name));
        menu->menuAction()->setObjectName(QLatin1String(name));
        return menu;
    };
    auto addItem = [](QMenu *menu, QList<QAction *> &array, const char *name, const QString &caption) {
        QAction *action = menu->addAction(caption);
        element(action, name, int(array.size()));
        array.append(action);
        return action;
    };

    mnuFile = addMenu("mnuFile", tr("File"));
    connect(addItem(mnuFile, mnuFileItem, "mnuFileItem", tr("Exit")), &QAction::triggered, this,
            [this] { mnuFileItem_Click(0); });

    mnuCams = addMenu("mnuCams", tr("Cams"));
    const QString camItems[] = {tr("Add a Cam"), tr("Delete Selected Cam"), tr("Edit Selected Cam"),
                                tr("Start Selected Cam"), tr("Stop All Cams")};
    for (int i = 0; i < 5; ++i) {
        connect(addItem(mnuCams, mnuCamItem, "mnuCamItem", camItems[i]), &QAction::triggered, this,
                [this, i] { mnuCamItem_Click(i); });
    }

    mnuLanguages = addMenu("mnuLanguages", tr("Languages"));
    connect(addItem(mnuLanguages, mnuLanguageItem, "mnuLanguageItem", tr("Change Language")), &QAction::triggered,
            this, &MainWindow::mnuLanguageItem_Click);
    mnuHelp = addMenu("mnuHelp", tr("Help"));
    connect(addItem(mnuHelp, mnuHelpItem, "mnuHelpItem", tr("View Help")), &QAction::triggered, this,
            &MainWindow::mnuHelpItem_Click);
    mnuAbout = addMenu("mnuAbout", tr("About"));
    connect(addItem(mnuAbout, mnuAboutItem, "mnuAboutItem", tr("About this software")), &QAction::triggered,
            this, &MainWindow::mnuAboutItem_Click);
}

void MainWindow::buildControlsColumn()
{
    Frame1 = new QGroupBox(tr("Controls"), centralWidget());
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(Twips::rect(0, 0, 3315, 10815));

    cmdAdd = makeButton(Frame1, "cmdAdd", tr("Add"), tr("Add a Cam"), QRect(120, 240, 975, 855));
    cmdRemove = makeButton(Frame1, "cmdRemove", tr("Del"), tr("Remove Selected Cam"), QRect(1170, 240, 975, 855));
    cmdEdit = makeButton(Frame1, "cmdEdit", tr("Edit"), tr("Edit Selected Cam"), QRect(2220, 240, 975, 855));
    cmdStartCam = makeButton(Frame1, "cmdStartCam", tr("Start Cam"), tr("Start Selected Cam"),
                             QRect(120, 1140, 1500, 855));
    cmdStopAll = makeButton(Frame1, "cmdStopAll", tr("Stop All"), tr("Stop All Cams"), QRect(1695, 1140, 1500, 855));
    Command2 = makeButton(Frame1, "Command2", QString(), QString(), QRect(120, 2040, 3075, 855));

    chkSave = new QCheckBox(tr("AutoSave New Pictures"), Frame1);
    chkSave->setObjectName(QStringLiteral("chkSave"));
    chkSave->setGeometry(Twips::rect(120, 2940, 3075, 375));

    Label1 = new QLabel(tr("Webcam Listing"), Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(Twips::rect(60, 3540, 3135, 240));

    List1 = new QListWidget(Frame1);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(Twips::rect(60, 3780, 3135, 6300));

    connect(cmdAdd, &QPushButton::clicked, this, &MainWindow::cmdAdd_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &MainWindow::cmdRemove_Click);
    connect(cmdEdit, &QPushButton::clicked, this, &MainWindow::cmdEdit_Click);
    connect(cmdStartCam, &QPushButton::clicked, this, &MainWindow::cmdStartCam_Click);
    connect(cmdStopAll, &QPushButton::clicked, this, &MainWindow::cmdStopAll_Click);
    connect(Command2, &QPushButton::clicked, this, &MainWindow::Command2_Click);
    // Only a click by the user stores the setting; start-up sets the box silently.
    connect(chkSave, &QCheckBox::clicked, this, &MainWindow::chkSave_Click);
    connect(List1, &QListWidget::itemDoubleClicked, this, &MainWindow::List1_DblClick);
}

void MainWindow::buildSlotsColumn()
{
    frmCams = new QGroupBox(tr("Webcams"), centralWidget());
    frmCams->setObjectName(QStringLiteral("frmCams"));
    frmCams->setGeometry(Twips::rect(3360, 0, 3915, 10815));

    picWindowOuter = new QWidget(frmCams);
    picWindowOuter->setObjectName(QStringLiteral("picWindowOuter"));
    picWindowOuter->setGeometry(Twips::rect(120, 240, 3495, 10450));

    picWindowInner = new QWidget(picWindowOuter);
    picWindowInner->setObjectName(QStringLiteral("picWindowInner"));
    picWindowInner->setGeometry(Twips::rect(-60, 0, 3555, 24060));

    VScroll1 = new QScrollBar(Qt::Vertical, frmCams);
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    VScroll1->setGeometry(Twips::rect(3615, 240, 255, 10450));
    VScroll1->setRange(0, 18000);
    VScroll1->setSingleStep(600);
    VScroll1->setPageStep(2000);
    connect(VScroll1, &QScrollBar::valueChanged, this, &MainWindow::VScroll1_Change);

    for (int i = 0; i < SlotCount; ++i)
        buildSlot(i);
}

void MainWindow::buildSlot(int i)
{
    CameraSlot &slot = cams[i];
    slot.index = i;

    slot.Frame = element(new CachedGroupBox(QStringLiteral("[WebCam]"), picWindowInner), "Frame", i);
    slot.Frame->setGeometry(Twips::rect(slotLeft(i), slotTop(i), 1635, 1935));
    slot.Frame->setFont(QFont(QStringLiteral("Verdana")));

    slot.Picture2 = element(new QWidget(slot.Frame), "Picture2", i);
    slot.Picture2->setGeometry(Twips::rect(180, 300, 1275, 915));
    slot.imgCam = element(new ImageControl(slot.Picture2), "imgCam", i);
    slot.imgCam->setStretch(true);
    slot.imgCam->setGeometry(Twips::rect(-10, -10, 1275, 960));

    slot.imgRefresh = element(new ImageControl(slot.Frame), "imgRefresh", i);
    slot.imgRefresh->setStretch(true);
    slot.imgRefresh->setGeometry(Twips::rect(660, 660, 315, 255));
    slot.imgRefresh->hide();

    slot.prgCam = element(new QProgressBar(slot.Frame), "prgCam", i);
    slot.prgCam->setRange(0, 100);
    slot.prgCam->setValue(0);
    slot.prgCam->setTextVisible(false);
    slot.prgCam->setGeometry(Twips::rect(180, 1200, 1275, 135));

    // Small graphical buttons: the picture above a short caption.
    auto slotButton = [&](const char *name, const QString &icon, const QString &caption, qint64 left) {
        auto *button = element(new QToolButton(slot.Frame), name, i);
        button->setIcon(QIcon(icon));
        button->setIconSize(QSize(12, 12));
        button->setText(caption);
        button->setToolTip(caption);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        QFont small = button->font();
        small.setPointSizeF(5.5);
        button->setFont(small);
        button->setGeometry(Twips::rect(left, 1380, 495, 435));
        return button;
    };
    slot.cmdRefresh = slotButton("cmdRefresh", QStringLiteral(":/refresh16.png"), tr("Refresh"), 180);
    slot.cmdStop = slotButton("cmdStop", QStringLiteral(":/stop16.png"), tr("Stop"), 960);

    slot.txtRefreshed = hiddenText(slot.Frame, "txtRefreshed", i, 2880);
    slot.txtAddress = hiddenText(slot.Frame, "txtAddress", i, 3180);
    slot.txtRefresh = hiddenText(slot.Frame, "txtRefresh", i, 3480, QStringLiteral("30"));
    slot.txtName = hiddenText(slot.Frame, "txtName", i, 3780);
    slot.txtUpdated = hiddenText(slot.Frame, "txtUpdated", i, 4080);
    slot.cmdStart = element(new QPushButton(QStringLiteral("start"), slot.Frame), "cmdStart", i);
    slot.cmdStart->setGeometry(Twips::rect(120, 4380, 1395, 255));
    slot.cmdStart->hide();

    slot.timRefresh = element(new QTimer(this), "timRefresh", i);
    slot.timRefresh->setInterval(1000);
    slot.wsCam = element(new SlotSocket(i, this), "wsCam", i);

    connect(slot.cmdStart, &QPushButton::clicked, this, [this, i] { cmdStart_Click(i); });
    connect(slot.cmdRefresh, &QToolButton::clicked, this, [this, i] { cmdRefresh_Click(i); });
    connect(slot.cmdStop, &QToolButton::clicked, this, [this, i] { cmdStop_Click(i); });
    connect(slot.timRefresh, &QTimer::timeout, this, [this, i] { timRefresh_Timer(i); });
    connect(slot.imgCam, &ImageControl::clicked, this, [this, i] { imgCam_Click(i); });
    connect(slot.imgRefresh, &ImageControl::clicked, this, [this, i] { imgRefresh_Click(i); });
    connect(slot.wsCam, &SlotSocket::connected, this, &MainWindow::wsCam_Connect);
    connect(slot.wsCam, &SlotSocket::dataArrived, this, &MainWindow::wsCam_DataArrival);
    connect(slot.wsCam, &SlotSocket::closedByPeer, this, &MainWindow::wsCam_Close);

    slot.Frame->hide();
}

void MainWindow::setStatusText(const QString &text) { statusPanel1->setText(text); }

QString MainWindow::statusText() const { return statusPanel1->text(); }
