// Start-up and shut-down of the main window, the autosave switch and the menus that
// open the secondary windows.

#include "monitor/ui/MainWindow.h"

#include "app/Identity.h"
#include "app/SettingsKeys.h"
#include "app/ui/HelpWindow.h"
#include "app/ui/AboutDialog.h"
#include "app/ui/WebsiteLauncher.h"
#include "localization/LanguageTable.h"
#include "localization/DefaultMessages.h"
#include "localization/ui/WindowCaptions.h"
#include "localization/ui/LanguageWindow.h"
#include "platform/AppFolder.h"
#include "platform/PathUtils.h"
#include "platform/SettingsStore.h"
#include "platform/OperationError.h"
#include "platform/ui/RedrawLock.h"
#include "platform/ui/WindowUtils.h"
#include "viewer/ui/FullScreenView.h"
#include "viewer/ui/ImageControl.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {
const QString &program() { return identity().programName; }
} // namespace

void MainWindow::load()
{
    setWindowIcons(this, QStringLiteral("AAA"), true);
    const QString firstRunMarker = userSetting(program(), SettingsKeys::Section, SettingsKeys::Language, QString());
    Languages();
    CurrentLanguage = userSetting(program(), SettingsKeys::Section, SettingsKeys::Language, QStringLiteral("English"));
    DefaultMessagesNs::SetDefaultMessages();
    applyLanguage(this, CurrentLanguage);

    if (firstRunMarker.isEmpty()) {
        saveUserSetting(program(), SettingsKeys::Section, SettingsKeys::Language, QStringLiteral("English"));
        LanguageWindow::showModalFirstRun(this);
    }

    setWindowState(windowState() | Qt::WindowMaximized);
    // The first status panel spans the window (it stretches with the status bar).

    QString autoSave = QStringLiteral("0");
    try {
        autoSave = machineSetting(program(), SettingsKeys::Section, SettingsKeys::AutoSave, QStringLiteral("0"));
    } catch (const OperationError &error) {
        setStatusText(tr("The autosave setting could not be read (%1); autosave is off.").arg(error.description()));
    }
    bool isNumber = false;
    const int autoSaveValue = autoSave.trimmed().toInt(&isNumber);
    chkSave->setChecked(isNumber && autoSaveValue != 0);

    Command2->setText(identity().website);
    setWindowTitle(identity().programName);

    const QString camFolder = AppFolder::file(QStringLiteral("cam"));
    if (!folderExists(camFolder))
        QDir().mkpath(camFolder);

    lockRedraw(this, true);
    for (CameraSlot &slot : cams)
        slot.imgRefresh->setPicture(picrefresh);
    lockRedraw(this, false);

    CameraListFile::createIfMissing();
    ReadCameraNamesIntoList(true);

    if (userSetting(program(), SettingsKeys::Section, SettingsKeys::ShowHelp, QStringLiteral("1"))
        == QLatin1String("1"))
        HelpWindow::showHelpWindow(this);
}

void MainWindow::ReadCameraNamesIntoList(bool mainWindowVariant)
{
    if (mainWindowVariant) {
        CameraListFile::createIfMissing();
        lockRedraw(this, true);
    } else {
        List1->clear();
    }
    List1->addItems(CameraListFile::readCameraNames());
    if (mainWindowVariant)
        lockRedraw(this, false);
}

void MainWindow::chkSave_Click()
{
    saveMachineSetting(program(), SettingsKeys::Section, SettingsKeys::AutoSave,
                       chkSave->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Closing needs no confirmation and is never cancelled.
    event->accept();
    unload();
}

void MainWindow::unload()
{
    // Every secondary window that is loaded, in this order.
    const char *const secondary[] = {"Form2", "Form3", "Form4", "Form6", "Form8", "frmAbout", "frmWebsite"};
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const char *name : secondary) {
        for (QWidget *window : windows) {
            if (window->objectName() == QLatin1String(name))
                window->close();
        }
    }
    QCoreApplication::exit(0);
}

void MainWindow::mnuFileItem_Click(int index)
{
    // "Exit" ends the program at once: no window's closing handler runs.
    if (index == 0)
        QCoreApplication::exit(0);
}

void MainWindow::Command2_Click()
{
    WebsiteRequest = QStringLiteral("Website");
    WebsiteLauncher::launch();
}

void MainWindow::mnuLanguageItem_Click() { LanguageWindow::showLanguageWindow(this); }

void MainWindow::mnuHelpItem_Click() { HelpWindow::showHelpWindow(this); }

void MainWindow::mnuAboutItem_Click() { AboutDialog::showAbout(this); }
