// Start-up and shut-down of the main window, the autosave switch and the menus that
// open the secondary windows.

#include "monitor/ui/Form1.h"

#include "app/Identity.h"
#include "app/SettingsKeys.h"
#include "app/ui/Form8.h"
#include "app/ui/frmAbout.h"
#include "app/ui/frmWebsite.h"
#include "localization/clsLanguages.h"
#include "localization/modLanguages.h"
#include "localization/ui/ChangeLanguage.h"
#include "localization/ui/frmLanguage.h"
#include "platform/AppFolder.h"
#include "platform/PathUtils.h"
#include "platform/SettingsStore.h"
#include "platform/VbError.h"
#include "platform/ui/RedrawLock.h"
#include "platform/ui/WindowUtils.h"
#include "viewer/ui/Form6.h"
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
const QString &program() { return Identity().programName; }
} // namespace

void Form1::Form_Load()
{
    SetWindowIcons(this, QStringLiteral("AAA"), true);
    const QString firstRunMarker = GetUserSetting(program(), SettingsKeys::Section, SettingsKeys::Language, QString());
    Languages();
    CurrentLanguage = GetUserSetting(program(), SettingsKeys::Section, SettingsKeys::Language, QStringLiteral("English"));
    modLanguages::SetDefaultMessages();
    ChangeLanguage(this, CurrentLanguage);

    if (firstRunMarker.isEmpty()) {
        SaveUserSetting(program(), SettingsKeys::Section, SettingsKeys::Language, QStringLiteral("English"));
        frmLanguage::showModalFirstRun(this);
    }

    setWindowState(windowState() | Qt::WindowMaximized);
    // The first status panel spans the window (it stretches with the status bar).

    QString autoSave = QStringLiteral("0");
    try {
        autoSave = GetMachineSetting(program(), SettingsKeys::Section, SettingsKeys::AutoSave, QStringLiteral("0"));
    } catch (const VbError &error) {
        setStatusText(tr("The autosave setting could not be read (%1); autosave is off.").arg(error.description()));
    }
    bool isNumber = false;
    const int autoSaveValue = autoSave.trimmed().toInt(&isNumber);
    chkSave->setChecked(isNumber && autoSaveValue != 0);

    Command2->setText(Identity().website);
    setWindowTitle(Identity().programName);

    const QString camFolder = AppFolder::file(QStringLiteral("cam"));
    if (!FolderExists(camFolder))
        QDir().mkpath(camFolder);

    LockRedraw(this, true);
    for (CameraSlot &slot : cams)
        slot.imgRefresh->setPicture(picrefresh);
    LockRedraw(this, false);

    CameraListFile::createIfMissing();
    ReadCameraNamesIntoList(true);

    if (GetUserSetting(program(), SettingsKeys::Section, SettingsKeys::ShowHelp, QStringLiteral("1"))
        == QLatin1String("1"))
        Form8::showHelpWindow(this);
}

void Form1::ReadCameraNamesIntoList(bool mainWindowVariant)
{
    if (mainWindowVariant) {
        CameraListFile::createIfMissing();
        LockRedraw(this, true);
    } else {
        List1->clear();
    }
    List1->addItems(CameraListFile::ReadCameraNames());
    if (mainWindowVariant)
        LockRedraw(this, false);
}

void Form1::chkSave_Click()
{
    SaveMachineSetting(program(), SettingsKeys::Section, SettingsKeys::AutoSave,
                       chkSave->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Closing needs no confirmation and is never cancelled.
    event->accept();
    Form_Unload();
}

void Form1::Form_Unload()
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

void Form1::mnuFileItem_Click(int index)
{
    // "Exit" ends the program at once: no window's closing handler runs.
    if (index == 0)
        QCoreApplication::exit(0);
}

void Form1::Command2_Click()
{
    WebsiteRequest = QStringLiteral("Website");
    frmWebsite::launch();
}

void Form1::mnuLanguageItem_Click() { frmLanguage::showLanguageWindow(this); }

void Form1::mnuHelpItem_Click() { Form8::showHelpWindow(this); }

void Form1::mnuAboutItem_Click() { frmAbout::showAbout(this); }
