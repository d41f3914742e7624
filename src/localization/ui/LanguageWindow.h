// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class LanguageTable;
class QComboBox;
class QPushButton;

// The language window `frmLanguage`: pick the language of the program from the groups of
// Localization.txt (`Combo1`), download the newest file ("Check for language updates",
// `Command1`), or open it for translating (`Command3`); `Command2` (OK) closes it. The
// window captions itself from `languages`; choosing a language stores it as the user's
// setting and announces it, so that the main window re-captions itself too.
class LanguageWindow : public QDialog
{
    Q_OBJECT
public:
    // `languages` must outlive the window.
    LanguageWindow(LanguageTable &languages, QWidget *mainWindow);

    // Captions the window in the current language and lists the languages of the file.
    void load();

    // Escape: closes the window.
    void reject() override;

Q_SIGNALS:
    // The user chose `language` (already stored as the user's setting).
    void languageChosen(const QString &language);

private:
    void fillLanguageList();
    void chooseLanguage();
    void downloadUpdate();
    void openForTranslating();
    void setButtonsEnabled(bool enabled);

    LanguageTable &m_languages;
    QComboBox *m_languageList = nullptr;
    QPushButton *m_download = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_translate = nullptr;
};
