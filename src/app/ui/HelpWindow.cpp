// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/HelpWindow.h"

#include "app/Identity.h"
#include "app/RtfReader.h"
#include "app/SettingsKeys.h"
#include "platform/ui/WindowUtils.h"
#include "platform/AppFolder.h"
#include "platform/PathUtils.h"
#include "platform/SettingsStore.h"
#include "platform/Twips.h"
#include "platform/ui/ModelessWindow.h"
#include "platform/ui/ShellOpen.h"
#include "platform/ui/WindowUtils.h"

#include <QCheckBox>
#include <QFile>
#include <QKeyEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>

#include <algorithm>

namespace {

const QString HelpFileName = QStringLiteral("Help.rtf");

} // namespace

HelpWindow::HelpWindow(QWidget *owner)
    : QWidget(owner, (owner ? Qt::Dialog : Qt::Tool) | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                         | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("Form8"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Readme/Help"));
    setFixedSize(Twips::toPx(10290), Twips::toPx(7920));

    m_document = new QTextBrowser(this);
    m_document->setObjectName(QStringLiteral("rtf1"));
    m_document->setGeometry(Twips::rect(0, 0, 10275, 7515));
    m_document->setReadOnly(true);
    m_document->setOpenLinks(false);
    connect(m_document, &QTextBrowser::anchorClicked, this, &HelpWindow::followLink);

    m_showAtStartup = new QCheckBox(QStringLiteral("Show at Startup"), this);
    m_showAtStartup->setObjectName(QStringLiteral("Check1"));
    m_showAtStartup->setChecked(true);
    // Room for the caption in every shipped language (the box is clicked on its caption, so
    // it is not made wider than a caption needs).
    const QRect place = Twips::rect(60, 7620, 3000, 0);
    m_showAtStartup->setGeometry(place.left(), place.top(), place.width(),
                                 std::min(m_showAtStartup->sizeHint().height(), height() - place.top()));
    // Every change of the box is stored, the one load makes included.
    connect(m_showAtStartup, &QCheckBox::toggled, this, &HelpWindow::storeShowAtStartup);
}

HelpWindow *HelpWindow::open(QPointer<HelpWindow> &holder, QWidget *owner)
{
    const auto make = [owner] { return new HelpWindow(owner); };
    if (holder)
        return showModeless(holder, make);
    auto *window = make();
    if (!window->load()) {
        delete window;
        return nullptr;
    }
    holder = window;
    centreOnScreen(window);
    showModeless(holder, make);
    centreOnScreen(window);
    return window;
}

bool HelpWindow::load()
{
    const QString path = AppFolder::file(HelpFileName);
    if (!fileExists(path))
        return false;

    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        readRtfInto(file.read(MaxDocumentBytes), m_document->document());
    // Filling the document carries the view's cursor to the end: show the beginning.
    m_document->moveCursor(QTextCursor::Start);
    m_document->verticalScrollBar()->setValue(m_document->verticalScrollBar()->minimum());

    const QString stored =
        userSetting(identity().programName, SettingsKeys::Section, SettingsKeys::ShowHelp, QStringLiteral("1"));
    bool isNumber = false;
    const int value = stored.trimmed().toInt(&isNumber);
    if (isNumber && (value == 0 || value == 1))
        m_showAtStartup->setChecked(value == 1);
    return true;
}

void HelpWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HelpWindow::storeShowAtStartup()
{
    saveUserSetting(identity().programName, SettingsKeys::Section, SettingsKeys::ShowHelp,
                    m_showAtStartup->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void HelpWindow::followLink(const QUrl &link)
{
    if (link.isRelative() && link.path().isEmpty() && link.hasFragment()) {
        m_document->scrollToAnchor(link.fragment());
        return;
    }
    shellOpen(link.toString(), 0);
}

