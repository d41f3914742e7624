// SPDX-License-Identifier: GPL-3.0-or-later
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
#include "platform/ui/ShellOpen.h"
#include "platform/ui/MessageBoxes.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QFileInfo>
#include <QPointer>
#include <QPushButton>

namespace {
const QString ChoosePrompt = QStringLiteral("Choose Language Here");
} // namespace

LanguageWindow::LanguageWindow(LanguageTable &languages, QWidget *mainWindow)
    : QDialog(mainWindow)
    , m_languages(languages)
{
    setObjectName(QStringLiteral("frmLanguage"));
    setWindowTitle(QStringLiteral("Language Selection"));
    setFixedSize(Twips::toPx(5400), Twips::toPx(2700));

    auto *prompt = new QLabel(QStringLiteral("Please select the language you would like to use:"), this);
    prompt->setObjectName(QStringLiteral("Label1"));
    prompt->setTextFormat(Qt::PlainText);
    prompt->setProperty("vbType", QStringLiteral("SkinLabel"));
    prompt->setWordWrap(true);
    prompt->setGeometry(Twips::rect(240, 180, 4920, 480));

    m_languageList = new QComboBox(this);
    m_languageList->setObjectName(QStringLiteral("Combo1"));
    m_languageList->setEditable(true);
    m_languageList->setInsertPolicy(QComboBox::NoInsert);
    m_languageList->setEditText(ChoosePrompt);
    m_languageList->setGeometry(Twips::rect(240, 780, 4920, 360));

    m_download = new QPushButton(QStringLiteral("Check for language updates"), this);
    m_download->setObjectName(QStringLiteral("Command1"));
    m_download->setGeometry(Twips::rect(240, 1380, 4920, 420));
    m_translate = new QPushButton(QStringLiteral("Translate this program"), this);
    m_translate->setObjectName(QStringLiteral("Command3"));
    m_translate->setGeometry(Twips::rect(240, 1980, 3000, 420));
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("Command2"));
    m_ok->setGeometry(Twips::rect(3360, 1980, 1800, 420));
    m_ok->setDefault(true);

    connect(m_languageList, &QComboBox::activated, this, &LanguageWindow::chooseLanguage);
    connect(m_download, &QPushButton::clicked, this, &LanguageWindow::downloadUpdate);
    connect(m_ok, &QPushButton::clicked, this, &LanguageWindow::close);
    connect(m_translate, &QPushButton::clicked, this, &LanguageWindow::openForTranslating);
}

void LanguageWindow::reject()
{
    // Escape closes the window as OK does (a modeless dialog would only be hidden).
    QDialog::reject();
    close();
}

void LanguageWindow::load()
{
    applyLanguage(this, m_languages, m_languages.currentLanguage());
    setWindowTitle(m_languages.message(QStringLiteral("MSG_TITLELANGUAGE")));
    applyLanguage(this, m_languages, m_languages.currentLanguage());
    fillLanguageList();
}

void LanguageWindow::fillLanguageList()
{
    m_languageList->clear();
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
        m_languageList->addItem(name);
        m_languageList->setEditText(stored);
    }
}

void LanguageWindow::chooseLanguage()
{
    const QString language = m_languageList->currentText();
    if (language == ChoosePrompt)
        return;
    saveUserSetting(identity().programName, SettingsKeys::Section, SettingsKeys::Language, language);
    emit languageChosen(language);
    applyLanguage(this, m_languages, language);
}

void LanguageWindow::setButtonsEnabled(bool enabled)
{
    for (QWidget *w : {static_cast<QWidget *>(m_languageList), static_cast<QWidget *>(m_download),
                       static_cast<QWidget *>(m_ok), static_cast<QWidget *>(m_translate)})
        w->setEnabled(enabled);
}

void LanguageWindow::downloadUpdate()
{
    QPointer<LanguageWindow> self(this);
    setButtonsEnabled(false);
    const QString url = languageUpdateUrl(identity().website, identity().productNumber);
    const Download fetched = download(url);
    if (!self)
        return;   // the window was closed while the download ran
    setButtonsEnabled(true);
    const auto tell = [this](QMessageBox::Icon icon, const QString &text) {
        showMessage(this, icon, identity().programName, text);
    };
    if (!fetched.ok) {
        tell(QMessageBox::Warning,
             m_languages.message(QStringLiteral("MSG_DOWNLOADFAILED")).arg(url, fetched.error));
        return;
    }
    QByteArray content = fetched.body;
    if (fetched.status < 200 || fetched.status > 299) {
        const QString answer = QString::number(fetched.status) + QLatin1Char(' ') + fetched.reasonPhrase.trimmed();
        tell(QMessageBox::Warning, m_languages.message(QStringLiteral("MSG_DOWNLOADFAILED")).arg(url, answer.trimmed()));
        return;
    }
    if (!content.toUpper().contains("<TRANSLATION_ITEMS>")) {
        tell(QMessageBox::Warning, m_languages.message(QStringLiteral("MSG_NOTLANGUAGEFILE")).arg(url));
        return;
    }
    const qsizetype firstTag = content.indexOf('<');
    if (firstTag > 0)
        content.remove(0, firstTag);
    content += "\r\n";

    // The new file replaces the old one only when it is completely written.
    const bool hadFile = QFileInfo(localizationFilePath()).isFile();
    const AtomicFile::Result written = AtomicFile::replace(localizationFilePath(), content);
    if (!written.ok()) {
        const QString key = hadFile ? QStringLiteral("MSG_LANGFILENOTSAVEDKEPT") : QStringLiteral("MSG_LANGFILENOTSAVED");
        tell(QMessageBox::Warning, m_languages.message(key).arg(localizationFilePath(), written.message));
        return;
    }
    fillLanguageList();
    tell(QMessageBox::Information, m_languages.message(QStringLiteral("MSG_DOWNLOADED")));
}

void LanguageWindow::openForTranslating()
{
    const QString path = localizationFilePath();
    if (fileExists(path))
        shellOpen(path, 1);
}
