// SPDX-License-Identifier: GPL-3.0-or-later
#include "camlist/ui/CameraDialog.h"

#include "app/Identity.h"
#include "camlist/CameraListEdit.h"
#include "camlist/ui/CameraListHost.h"
#include "localization/LanguageTable.h"
#include "localization/ui/WindowCaptions.h"
#include "platform/Twips.h"
#include "platform/ui/ModelessWindow.h"
#include "platform/ui/WindowUtils.h"
#include "platform/ui/MessageBoxes.h"

#include <QFont>
#include <QFontMetrics>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include <algorithm>

const QString CameraDialog::UrlToolTip
    = QStringLiteral("enter the exact path to the image (found by right clicking an image in your browser "
                     "and selecting \"properties\"");
const QString CameraDialog::RefreshToolTip = QStringLiteral("Enter the time in seconds");

namespace {

// Layout in twips.
constexpr int ClientWidth = 4740;
constexpr int LabelLeft = 60;
constexpr int FieldLeft = 840;
constexpr int RowStep = 360;   // between rows
constexpr int LabelDrop = 60;  // from a field's top to its label's top
constexpr int FieldHeight = 285;
constexpr int LabelHeight = 255;
constexpr int LabelWidth = 735;
constexpr int WideField = 3855;
constexpr int RefreshFieldWidth = 735;
constexpr int SecondsLeft = 1620;
constexpr int ButtonWidth = 975;
constexpr int ButtonHeight = 855;
constexpr int OkLeft = 60;
constexpr int CancelLeft = 3720;

// What differs between the modes.
struct ModeLayout
{
    const char *objectName;
    int clientHeight;
    int fieldsTop;
    int buttonsTop;
    const char *nameToolTip;
};
constexpr ModeLayout AddLayout {"Form2", 2235, 0, 1320, "create a unique name"};
constexpr ModeLayout EditLayout {"Form3", 2415, 360, 1500, "Create a unique name for the cam"};

QString withoutLineBreaks(QString text)
{
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    return text;
}

QLabel *makeLabel(QWidget *dialog, const char *name, const QString &text, int left, int top, int width)
{
    auto *label = new QLabel(text, dialog);
    label->setTextFormat(Qt::PlainText);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(Twips::rect(left, top, width, LabelHeight));
    return label;
}

QLineEdit *makeField(QWidget *dialog, const char *name, int top, int width, const QString &toolTip)
{
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPointSizeF(8.25);
    auto *field = new QLineEdit(dialog);
    field->setObjectName(QLatin1String(name));
    field->setGeometry(Twips::rect(FieldLeft, top, width, FieldHeight));
    field->setFont(verdana);
    field->setToolTip(toolTip);
    QObject::connect(field, &QLineEdit::textEdited, field, [field](const QString &text) {
        if (!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
            return;
        const int cursor = field->cursorPosition();
        const int dropped = static_cast<int>(
            text.left(cursor).count(QLatin1Char('\r')) + text.left(cursor).count(QLatin1Char('\n')));
        field->setText(withoutLineBreaks(text));
        field->setCursorPosition(cursor - dropped);
    });
    return field;
}

QToolButton *makeButton(QWidget *dialog, const char *name, const QString &text, const QString &picture, int left,
                        int top)
{
    auto *button = new QToolButton(dialog);
    button->setObjectName(QLatin1String(name));
    button->setText(text);
    button->setIcon(QIcon(picture));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setGeometry(Twips::rect(left, top, ButtonWidth, ButtonHeight));
    return button;
}

} // namespace

CameraDialog::CameraDialog(Mode mode, CameraListHost *host, QWidget *owner)
    : QWidget(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                         | Qt::WindowSystemMenuHint)
    , m_mode(mode)
    , m_host(host)
{
    const ModeLayout &layout = mode == Mode::Add ? AddLayout : EditLayout;
    setObjectName(QLatin1String(layout.objectName));
    setFixedSize(Twips::toPx(ClientWidth), Twips::toPx(layout.clientHeight));

    if (mode == Mode::Edit) {
        auto *note = new QLabel(QStringLiteral("(Cams that are already open will need to be restarted)"), this);
        note->setObjectName(QStringLiteral("Label5"));
        note->setTextFormat(Qt::PlainText);
        note->setGeometry(Twips::rect(60, 60, ClientWidth - 120, 255));
        // Made smaller where the text needs it when the dialog is captioned.
        QFont bold = note->font();
        bold.setBold(true);
        note->setFont(bold);
    }

    const int nameTop = layout.fieldsTop;
    const int urlTop = nameTop + RowStep;
    const int refreshTop = nameTop + 2 * RowStep;
    makeLabel(this, "Label1", QStringLiteral("Name:"), LabelLeft, nameTop + LabelDrop, LabelWidth);
    makeLabel(this, "Label2", QStringLiteral("URL:"), LabelLeft, urlTop + LabelDrop, LabelWidth);
    makeLabel(this, "Label3", QStringLiteral("Refresh:"), LabelLeft, refreshTop + LabelDrop, LabelWidth);
    makeLabel(this, "Label4", QStringLiteral("seconds"), SecondsLeft, refreshTop + LabelDrop, 1000);
    m_name = makeField(this, "Text1", nameTop, WideField, QLatin1String(layout.nameToolTip));
    m_url = makeField(this, "Text2", urlTop, WideField, UrlToolTip);
    m_refresh = makeField(this, "Text3", refreshTop, RefreshFieldWidth, RefreshToolTip);
    m_refresh->setMaxLength(RefreshMaxLength);
    QToolButton *ok
        = makeButton(this, "Command1", QStringLiteral("OK"), QStringLiteral(":/ok32.png"), OkLeft, layout.buttonsTop);
    QToolButton *cancel = makeButton(this, "Command2", QStringLiteral("Cancel"), QStringLiteral(":/cancel32.png"),
                                     CancelLeft, layout.buttonsTop);
    QWidget::setTabOrder(m_name, m_url);
    QWidget::setTabOrder(m_url, m_refresh);
    QWidget::setTabOrder(m_refresh, ok);
    QWidget::setTabOrder(ok, cancel);

    connect(ok, &QToolButton::clicked, this, &CameraDialog::confirm);
    connect(cancel, &QToolButton::clicked, this, &CameraDialog::close);
}

CameraDialog *CameraDialog::openAdd(QPointer<CameraDialog> &holder, CameraListHost *host, QWidget *owner)
{
    return showModeless(holder, [host, owner] {
        auto *dialog = new CameraDialog(Mode::Add, host, owner);
        dialog->loadForAdd();
        return dialog;
    });
}

CameraDialog *CameraDialog::openEdit(QPointer<CameraDialog> &holder, CameraListHost *host, const QString &name,
                                     QWidget *owner)
{
    return showModeless(holder, [host, &name, owner] {
        auto *dialog = new CameraDialog(Mode::Edit, host, owner);
        dialog->loadForEdit(name);
        return dialog;
    });
}

void CameraDialog::loadForAdd()
{
    setWindowTitle(identity().programName + QStringLiteral(" :: Add a Cam"));
    captionWindow(this, m_host->languages());
    m_name->setText(m_host->languages().message(QStringLiteral("MSG_NEWCAMNAME")));
    m_url->setText(QStringLiteral("http://"));
    m_refresh->setText(QStringLiteral("60"));
    centreOnScreen(this);
}

void CameraDialog::loadForEdit(const QString &name)
{
    CameraListFile::findCameraRecord(name, m_previous);
    // The caption is the name the open cameras know, found in the file or not.
    captionWindow(this, m_host->languages());
    setWindowTitle(name);
    m_name->setText(m_previous.name);
    m_url->setText(m_previous.url);
    // A hand-edited file may hold a longer interval; it must not be cut short unseen.
    m_refresh->setMaxLength(std::max<int>(RefreshMaxLength, static_cast<int>(m_previous.refresh.size())));
    m_refresh->setText(m_previous.refresh);
    centreOnScreen(this);
}

CameraListFile::CameraRecord CameraDialog::typedRecord() const
{
    return {withoutLineBreaks(m_name->text()), withoutLineBreaks(m_url->text()),
            withoutLineBreaks(m_refresh->text())};
}

void CameraDialog::confirm()
{
    const CameraListFile::CameraRecord typed = typedRecord();
    if (typed.name.isEmpty() || typed.url.isEmpty() || typed.refresh.isEmpty()) {
        showError(m_host->languages().message(QStringLiteral("MSG_ALLINFO")));
        return;
    }
    // Names are how cameras are found in the list: a second camera of a name already listed
    // could never be opened, and deleting it would delete the first.
    CameraListFile::CameraRecord listed;
    const bool renamed = m_mode == Mode::Add || typed.name != m_previous.name;
    if (renamed && CameraListFile::findCameraRecord(typed.name, listed)) {
        showError(m_host->languages().message(QStringLiteral("MSG_NAMETAKEN")).arg(typed.name));
        return;
    }
    const bool written = m_mode == Mode::Add
        ? CameraListFile::appendCameraRecord(typed.name, typed.url, typed.refresh)
        : CameraListFile::replaceCameraRecord(m_previous, typed);
    if (!written) {
        showError(m_host->languages().message(QStringLiteral("MSG_LISTNOTSAVED")).arg(CameraListFile::path()));
        return;
    }
    m_host->refillCameraList();
    if (m_mode == Mode::Edit)
        m_host->applyEditToOpenCameras(windowTitle(), typed);
    close();
}

void CameraDialog::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        confirm();
        return;
    case Qt::Key_Escape:
        close();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CameraDialog::showError(const QString &text)
{
    showMessage(this, QMessageBox::NoIcon, m_host->languages().message(QStringLiteral("MSG_ERRORTITLE")), text);
}
