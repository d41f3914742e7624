#include "localization/ui/LanguageWindow.h"

#include "app/Identity.h"
#include "app/SettingsKeys.h"
#include "localization/LocalizationFile.h"
#include "localization/LanguageTable.h"
#include "localization/ui/WindowCaptions.h"
#include "platform/AtomicFile.h"
#include "platform/Downloader.h"
#include "platform/PathUtils.h"
#include "platform/SettingsStore.h"
#include "platform/Twips.h"
#include "platform/ui/ModelessWindow.h"
#include "platform/ui/ShellOpen.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace {
QPointer<LanguageWindow> g_window;
const QString ChoosePrompt = QStringLiteral("Choose Language Here");
} // namespace

LanguageWindow::LanguageWindow(QWidget *mainWindow)
    : QDialog(mainWindow)
    , m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("frmLanguage"));
    setWindowTitle(QStringLiteral("Language Selection"));
    setFixedSize(Twips::toPx(5400), Twips::toPx(2700));

    Label1 = new QLabel(QStringLiteral("Please select the language you would like to use:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setProperty("vbType", QStringLiteral("SkinLabel"));
    Label1->setWordWrap(true);
    Label1->setGeometry(Twips::rect(240, 180, 4920, 480));

    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setEditText(ChoosePrompt);
    Combo1->setGeometry(Twips::rect(240, 780, 4920, 360));

    Command1 = new QPushButton(QStringLiteral("Check for language updates"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(Twips::rect(240, 1380, 4920, 420));
    Command3 = new QPushButton(QStringLiteral("Translate this program"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setGeometry(Twips::rect(240, 1980, 3000, 420));
    Command2 = new QPushButton(QStringLiteral("OK"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(Twips::rect(3360, 1980, 1800, 420));
    Command2->setDefault(true);

    connect(Combo1, &QComboBox::activated, this, &LanguageWindow::Combo1_Click);
    connect(Command1, &QPushButton::clicked, this, &LanguageWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &LanguageWindow::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &LanguageWindow::Command3_Click);
}

LanguageWindow *LanguageWindow::showLanguageWindow(QWidget *mainWindow)
{
    const bool loaded = !g_window.isNull();
    LanguageWindow *window = showModeless(g_window, [mainWindow] { return new LanguageWindow(mainWindow); });
    if (!loaded)
        window->load();
    return window;
}

void LanguageWindow::showModalFirstRun(QWidget *mainWindow)
{
    LanguageWindow window(mainWindow);
    g_window = &window;
    window.load();
    window.exec();
}

LanguageWindow *LanguageWindow::instance() { return g_window.data(); }

void LanguageWindow::load()
{
    applyLanguage(this, CurrentLanguage);
    setWindowTitle(Languages().message(QStringLiteral("MSG_TITLELANGUAGE")));
    applyLanguage(this, CurrentLanguage);
    FillLanguageList();
}

void LanguageWindow::FillLanguageList()
{
    Combo1->clear();
    const QString path = localizationFilePath();
    if (!fileExists(path))
        return;
    bool ok = false;
    const QString text = readWholeFileUtf8(path, &ok);
    if (!ok)
        return;
    const QString stored = userSetting(identity().programName, SettingsKeys::Section, SettingsKeys::Language,
                                          QStringLiteral("English"));
    for (const QString &name : languageNamesInFile(text)) {
        Combo1->addItem(name);
        Combo1->setEditText(stored);
    }
}

void LanguageWindow::Combo1_Click()
{
    const QString language = Combo1->currentText();
    if (language == ChoosePrompt)
        return;
    saveUserSetting(identity().programName, SettingsKeys::Section, SettingsKeys::Language, language);
    if (m_mainWindow)
        applyLanguage(m_mainWindow, language);
    applyLanguage(this, language);
}

void LanguageWindow::setButtonsEnabled(bool enabled)
{
    for (QWidget *w : {static_cast<QWidget *>(Combo1), static_cast<QWidget *>(Command1),
                       static_cast<QWidget *>(Command2), static_cast<QWidget *>(Command3)})
        w->setEnabled(enabled);
}

void LanguageWindow::Command1_Click()
{
    QPointer<LanguageWindow> self(this);
    setButtonsEnabled(false);
    QByteArray content = downloadUrlText(languageUpdateUrl(identity().website, identity().productNumber));
    if (!self)
        return;   // the window was closed while the download ran
    setButtonsEnabled(true);
    if (!content.contains("<TRANSLATION_ITEMS>") && !content.toUpper().contains("<TRANSLATION_ITEMS>"))
        return;
    const qsizetype firstTag = content.indexOf('<');
    if (firstTag > 0)
        content.remove(0, firstTag);
    content += "\r\n";

    // The new file replaces the old one only when it is completely written.
    const bool hadFile = QFileInfo(localizationFilePath()).isFile();
    const AtomicFile::Result written = AtomicFile::replace(localizationFilePath(), content);
    if (!written.ok()) {
        const QString kept = hadFile ? tr(" The previous file is kept.") : QString();
        QMessageBox::warning(this, identity().programName,
                             tr("The downloaded language file could not be saved as %1 (%2).")
                                     .arg(localizationFilePath(), written.message)
                                 + kept);
        return;
    }
    FillLanguageList();
    QMessageBox::information(this, identity().programName, Languages().message(QStringLiteral("MSG_DOWNLOADED")));
}

void LanguageWindow::Command2_Click() { close(); }

void LanguageWindow::Command3_Click()
{
    const QString path = localizationFilePath();
    if (fileExists(path))
        shellOpen(path, 1);
}
