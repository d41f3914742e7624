#include "camlist/ui/CameraRecordFields.h"

#include "localization/LanguageTable.h"
#include "platform/Twips.h"

#include <QFont>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QToolButton>

const QString CameraRecordFields::UrlToolTip
    = QStringLiteral("enter the exact path to the image (found by right clicking an image in your browser "
                     "and selecting \"properties\"");
const QString CameraRecordFields::RefreshToolTip = QStringLiteral("Enter the time in seconds");

namespace {

constexpr int LabelLeft = 60;
constexpr int FieldLeft = 840;
constexpr int RowStep = 360; // twips between rows
constexpr int LabelDrop = 60; // twips from a field's top to its label's top
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

QString withoutLineBreaks(QString text)
{
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    return text;
}

QLabel *makeLabel(QWidget *dialog, const char *name, const QString &text, int left, int top, int width)
{
    auto *label = new QLabel(text, dialog);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(Twips::rect(left, top, width, LabelHeight));
    return label;
}

QLineEdit *makeField(QWidget *dialog, const char *name, int top, int width, const QString &toolTip)
{
    static const QFont font = [] {
        QFont verdana(QStringLiteral("Verdana"));
        verdana.setPointSizeF(8.25);
        return verdana;
    }();
    auto *field = new QLineEdit(dialog);
    field->setObjectName(QLatin1String(name));
    field->setGeometry(Twips::rect(FieldLeft, top, width, FieldHeight));
    field->setFont(font);
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

QToolButton *makeButton(
    QWidget *dialog, const char *name, const QString &text, const QString &picture, int left, int top)
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

// On the heap: if the dialog is deleted while the box is open (the main window
// closing), the box goes with it instead of being deleted twice.
void showError(QWidget *dialog, const QString &text)
{
    QPointer<QMessageBox> box
        = new QMessageBox(QMessageBox::NoIcon, QStringLiteral(":: error"), text, QMessageBox::Ok, dialog);
    box->exec();
    delete box.data();
}

} // namespace

CameraRecordFields CameraRecordFields::create(
    QWidget *dialog, int fieldsTop, int buttonsTop, const QString &nameToolTip)
{
    const int urlTop = fieldsTop + RowStep;
    const int refreshTop = fieldsTop + 2 * RowStep;
    CameraRecordFields f;
    f.nameLabel
        = makeLabel(dialog, "Label1", QStringLiteral("Name:"), LabelLeft, fieldsTop + LabelDrop, LabelWidth);
    f.urlLabel
        = makeLabel(dialog, "Label2", QStringLiteral("URL:"), LabelLeft, urlTop + LabelDrop, LabelWidth);
    f.refreshLabel = makeLabel(
        dialog, "Label3", QStringLiteral("Refresh:"), LabelLeft, refreshTop + LabelDrop, LabelWidth);
    f.secondsLabel
        = makeLabel(dialog, "Label4", QStringLiteral("seconds"), SecondsLeft, refreshTop + LabelDrop, 1000);
    f.name = makeField(dialog, "Text1", fieldsTop, WideField, nameToolTip);
    f.url = makeField(dialog, "Text2", urlTop, WideField, UrlToolTip);
    f.refresh = makeField(dialog, "Text3", refreshTop, RefreshFieldWidth, RefreshToolTip);
    f.refresh->setMaxLength(RefreshMaxLength);
    f.ok = makeButton(
        dialog, "Command1", QStringLiteral("OK"), QStringLiteral(":/ok32.png"), OkLeft, buttonsTop);
    f.cancel = makeButton(dialog, "Command2", QStringLiteral("Cancel"), QStringLiteral(":/cancel32.png"),
        CancelLeft, buttonsTop);

    QWidget::setTabOrder(f.name, f.url);
    QWidget::setTabOrder(f.url, f.refresh);
    QWidget::setTabOrder(f.refresh, f.ok);
    QWidget::setTabOrder(f.ok, f.cancel);
    return f;
}

bool CameraRecordFields::complete() const
{
    const CameraListFile::CameraRecord values = record();
    return !values.name.isEmpty() && !values.url.isEmpty() && !values.refresh.isEmpty();
}

CameraListFile::CameraRecord CameraRecordFields::record() const
{
    return {
        withoutLineBreaks(name->text()), withoutLineBreaks(url->text()), withoutLineBreaks(refresh->text())};
}

namespace CameraDialog {

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

void showMissingInformation(QWidget *dialog)
{
    showError(dialog, Languages().message(QStringLiteral("MSG_ALLINFO")));
}

void showNotSaved(QWidget *dialog)
{
    showError(dialog,
        QStringLiteral("The camera list could not be saved:\n%1\n\n"
                       "The folder may be missing or read-only, or the disk may be full. "
                       "The list was left as it was; what you typed is still here.")
            .arg(CameraListFile::path()));
}

} // namespace CameraDialog
