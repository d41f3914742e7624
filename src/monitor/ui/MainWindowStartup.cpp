// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up and shut-down of the main window, the autosave switch and the secondary windows
// it opens.

#include "monitor/ui/MainWindow.h"

#include "app/Identity.h"
#include "app/SettingsKeys.h"
#include "app/ui/AboutDialog.h"
#include "app/ui/HelpWindow.h"
#include "app/ui/WebsiteLauncher.h"
#include "camlist/ui/CameraDialog.h"
#include "camlist/ui/NoticeDialog.h"
#include "history/ui/HistoryWindow.h"
#include "history/ui/SavedPicturesWindow.h"
#include "localization/DefaultMessages.h"
#include "localization/LanguageLocale.h"
#include "localization/LocalizationFile.h"
#include "localization/SessionLanguage.h"
#include "localization/ui/LanguageWindow.h"
#include "localization/ui/WindowCaptions.h"
#include "monitor/CameraMonitor.h"
#include "monitor/ui/CertificateWindow.h"
#include "monitor/ui/SlotView.h"
#include "platform/AppFolder.h"
#include "platform/OperationError.h"
#include "platform/PathUtils.h"
#include "platform/SettingsStore.h"
#include "platform/ui/ModelessWindow.h"
#include "platform/ui/RedrawLock.h"
#include "platform/ui/WindowUtils.h"
#include "viewer/ui/FullScreenView.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QPushButton>
#include <QSignalBlocker>

namespace {
const QString &program() { return identity().programName; }
} // namespace

void MainWindow::load()
{
    setWindowIcons(this, QStringLiteral("AAA"), true);
    QString language = userSetting(program(), SettingsKeys::Section, SettingsKeys::Language, QString());
    const bool firstStart = language.isEmpty();
    if (firstStart) {
        // The first start offers the session's language when the file has it, else English.
        language = sessionLanguage(languageNamesInFile(readWholeFileUtf8(localizationFilePath())));
        saveUserSetting(program(), SettingsKeys::Section, SettingsKeys::Language, language);
    }
    applyLanguageToWindow(language);

    if (firstStart) {
        LanguageWindow window(m_languages, this);
        connect(&window, &LanguageWindow::languageChosen, this, &MainWindow::applyLanguageToWindow);
        m_languageWindow = &window;
        window.load();
        window.exec();
    }

    setWindowState(windowState() | Qt::WindowMaximized);

    QString autoSave = QStringLiteral("0");
    try {
        autoSave = machineSetting(program(), SettingsKeys::Section, SettingsKeys::AutoSave, QStringLiteral("0"));
    } catch (const OperationError &error) {
        setStatusText(m_languages.message(QStringLiteral("MSG_AUTOSAVEUNREADABLE")).arg(error.description()));
    }
    bool isNumber = false;
    const int autoSaveValue = autoSave.trimmed().toInt(&isNumber);
    m_autosave->setChecked(isNumber && autoSaveValue != 0);
    {
        const QSignalBlocker quiet(m_reopenAtStart);
        m_reopenAtStart->setChecked(
            userSetting(program(), SettingsKeys::Section, SettingsKeys::ReopenCameras, QStringLiteral("0"))
            == QLatin1String("1"));
    }

    m_websiteButton->setText(identity().website);
    setWindowTitle(identity().programName);

    const QString camFolder = AppFolder::file(QStringLiteral("cam"));
    if (!folderExists(camFolder))
        QDir().mkpath(camFolder);

    lockRedraw(this, true);
    for (SlotView *view : m_slots)
        view->setIndicatorPicture(m_refreshIndicator);
    lockRedraw(this, false);

    loadCameraList();
    // Once the folder exists and the list is read: the keeper prunes the listed cameras.
    startPictureKeeper();

    if (userSetting(program(), SettingsKeys::Section, SettingsKeys::ShowHelp, QStringLiteral("1"))
        == QLatin1String("1"))
        showHelp();
}

void MainWindow::applyLanguageToWindow(const QString &language)
{
    m_qtTranslations.use(language);
    applyLanguage(this, m_languages, language);
    m_displayLocale = localeOfLanguage(m_languages.currentLanguage());
    const QString downloading = m_languages.message(QStringLiteral("MSG_STATUS_DOWNLOADING"));
    if (!downloading.isEmpty())
        m_cameras->setDownloadingText(downloading);
    // The secondary windows that are open follow the language, and the viewer its dates.
    const QList<QWidget *> windows {m_help, m_about, m_notice, m_addDialog, m_editDialog};
    for (QWidget *window : windows) {
        if (window)
            captionSecondaryWindow(window);
    }
    if (m_viewerSlot >= 0)
        showViewerDetails(m_viewerSlot);
}

void MainWindow::captionSecondaryWindow(QWidget *window) const
{
    if (window)
        captionWindow(window, m_languages);
}

void MainWindow::storeAutosaveChoice()
{
    saveMachineSetting(program(), SettingsKeys::Section, SettingsKeys::AutoSave,
                       m_autosave->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void MainWindow::storeReopenChoice(bool reopen)
{
    saveUserSetting(program(), SettingsKeys::Section, SettingsKeys::ReopenCameras,
                    reopen ? QStringLiteral("1") : QStringLiteral("0"));
}

void MainWindow::reopenCamerasIfAsked()
{
    if (!m_reopenAtStart->isChecked())
        return;
    m_cameras->reopen(userSettingList(program(), SettingsKeys::Section, SettingsKeys::OpenCameras));
}

void MainWindow::rememberOpenCameras()
{
    saveUserSettingList(program(), SettingsKeys::Section, SettingsKeys::OpenCameras, m_cameras->openCameraNames());
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Closing needs no confirmation and is never cancelled.
    event->accept();
    closeSecondaryWindows();
    QCoreApplication::exit(0);
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        keepSecondaryWindowsAbove();
}

void MainWindow::keepSecondaryWindowsAbove()
{
    // A window manager may raise this window above the windows it owns when it is clicked;
    // they stay above it: the help first, the dialogs above the help. Raising does not take
    // the focus from this window.
    const QList<QWidget *> windows {m_help, m_about, m_languageWindow, m_certificateWindow,
                                    m_notice, m_addDialog, m_editDialog, m_history, m_savedPictures};
    for (QWidget *window : windows) {
        if (window && window->isVisible())
            window->raise();
    }
}

void MainWindow::closeSecondaryWindows()
{
    // Every secondary window that is loaded, in this order.
    const QList<QWidget *> windows {m_addDialog, m_editDialog, m_notice, m_fullScreen, m_help, m_about,
                                    m_websiteLauncher, m_history, m_savedPictures};
    for (QWidget *window : windows) {
        if (window)
            window->close();
    }
}

void MainWindow::showHelp() { captionSecondaryWindow(HelpWindow::open(m_help, this)); }

void MainWindow::showAbout()
{
    const bool loaded = !m_about.isNull();
    AboutDialog *about = AboutDialog::open(m_about, this);
    captionSecondaryWindow(about);
    if (!loaded)
        connect(about, &AboutDialog::websiteRequested, this, &MainWindow::openWebsite);
}

void MainWindow::showLanguageWindow()
{
    const bool loaded = !m_languageWindow.isNull();
    LanguageWindow *window = showModeless(m_languageWindow, [this] { return new LanguageWindow(m_languages, this); });
    if (loaded)
        return;
    connect(window, &LanguageWindow::languageChosen, this, &MainWindow::applyLanguageToWindow);
    window->load();
}

void MainWindow::openWebsite() { WebsiteLauncher::launch(m_websiteLauncher, WebsiteLauncher::WebsiteRequest); }

void MainWindow::showNotice() { captionSecondaryWindow(NoticeDialog::open(m_notice, this)); }
