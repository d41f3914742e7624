#include "app/ui/HelpWindow.h"

#include "app/Identity.h"
#include "app/RtfReader.h"
#include "app/SettingsKeys.h"
#include "app/ui/CentreOnScreen.h"
#include "platform/AppFolder.h"
#include "platform/PathUtils.h"
#include "platform/SettingsStore.h"
#include "platform/Twips.h"
#include "platform/ui/ModelessWindow.h"
#include "platform/ui/ShellOpen.h"
#include "platform/ui/WindowUtils.h"

#include <QCheckBox>
#include <QFile>
#include <QPointer>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>

#include <algorithm>

namespace {

QPointer<HelpWindow> g_form8;

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

    rtf1 = new QTextBrowser(this);
    rtf1->setObjectName(QStringLiteral("rtf1"));
    rtf1->setGeometry(Twips::rect(0, 0, 10275, 7515));
    rtf1->setReadOnly(true);
    rtf1->setOpenLinks(false);
    connect(rtf1, &QTextBrowser::anchorClicked, this, &HelpWindow::rtf1_AnchorClicked);

    Check1 = new QCheckBox(QStringLiteral("Show at Startup"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setChecked(true);
    Check1->adjustSize();
    const QRect place = Twips::rect(60, 7620, 0, 0);
    Check1->move(place.topLeft());
    Check1->resize(Check1->width(), std::min(Check1->height(), height() - place.top()));
    // Every change of the box is stored, the one load makes included.
    connect(Check1, &QCheckBox::toggled, this, &HelpWindow::Check1_Click);
}

HelpWindow *HelpWindow::showHelpWindow(QWidget *owner)
{
    if (g_form8)
        return showModeless(g_form8, [owner] { return new HelpWindow(owner); });
    auto *window = new HelpWindow(owner);
    if (!window->load()) {
        delete window;
        return nullptr;
    }
    g_form8 = window;
    centreOnScreen(window);
    showModeless(g_form8, [owner] { return new HelpWindow(owner); });
    centreOnScreen(window);
    return window;
}

HelpWindow *HelpWindow::instance() { return g_form8.data(); }

bool HelpWindow::load()
{
    const QString path = AppFolder::file(HelpFileName);
    if (!fileExists(path))
        return false;

    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        readRtfInto(file.read(MaxDocumentBytes), rtf1->document());
    // Filling the document carries the view's cursor to the end: show the beginning.
    rtf1->moveCursor(QTextCursor::Start);
    rtf1->verticalScrollBar()->setValue(rtf1->verticalScrollBar()->minimum());

    setTopmost(this, true);

    const QString stored =
        userSetting(identity().programName, SettingsKeys::Section, SettingsKeys::ShowHelp, QStringLiteral("1"));
    bool isNumber = false;
    const int value = stored.trimmed().toInt(&isNumber);
    if (isNumber && (value == 0 || value == 1))
        Check1->setChecked(value == 1);
    return true;
}

void HelpWindow::Check1_Click()
{
    saveUserSetting(identity().programName, SettingsKeys::Section, SettingsKeys::ShowHelp,
                    Check1->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void HelpWindow::rtf1_AnchorClicked(const QUrl &link)
{
    if (link.isRelative() && link.path().isEmpty() && link.hasFragment()) {
        rtf1->scrollToAnchor(link.fragment());
        return;
    }
    shellOpen(link.toString(), 0);
}

