#include "camlist/ui/Form3.h"

#include "camlist/CameraListEdit.h"
#include "camlist/ui/CameraListHost.h"
#include "camlist/ui/NoticeDialog.h"
#include "platform/Twips.h"
#include "platform/ui/ModelessWindow.h"

#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QToolButton>

#include <algorithm>

namespace {
QPointer<Form3> g_form3;

constexpr int ClientWidth = 4740; // twips
constexpr int ClientHeight = 2415; // twips
constexpr int FieldsTop = 360;
constexpr int ButtonsTop = 1500;

// The text of the list's current entry; the first selected entry when the current
// one is not selected; "" with nothing selected.
QString currentEntryName(const QListWidget *list)
{
    const QListWidgetItem *current = list->currentItem();
    if (current && current->isSelected())
        return current->text();
    const QList<QListWidgetItem *> selected = list->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}
// `font` in bold, made smaller where needed (down to 6 pt) for `text` to fit in
// `width` pixels on one line.
QFont boldFittingWidth(QFont font, const QString &text, int width)
{
    font.setBold(true);
    constexpr qreal Smallest = 6.0;
    while (font.pointSizeF() > Smallest && QFontMetrics(font).horizontalAdvance(text) > width)
        font.setPointSizeF(std::max(Smallest, font.pointSizeF() - 0.25));
    return font;
}
} // namespace

Form3::Form3(CameraListHost *host, QWidget *owner)
    : QWidget(owner, CameraDialog::Flags)
    , m_host(host)
{
    setObjectName(QStringLiteral("Form3"));
    setFixedSize(Twips::toPx(ClientWidth), Twips::toPx(ClientHeight));

    Label5 = new QLabel(QStringLiteral("(Cams that are already open will need to be restarted)"), this);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setGeometry(Twips::rect(60, 60, ClientWidth - 120, 255));
    Label5->setFont(boldFittingWidth(Label5->font(), Label5->text(), Label5->width()));

    m_fields = CameraRecordFields::create(
        this, FieldsTop, ButtonsTop, QStringLiteral("Create a unique name for the cam"));
    Label1 = m_fields.nameLabel;
    Label2 = m_fields.urlLabel;
    Label3 = m_fields.refreshLabel;
    Label4 = m_fields.secondsLabel;
    Text1 = m_fields.name;
    Text2 = m_fields.url;
    Text3 = m_fields.refresh;
    Command1 = m_fields.ok;
    Command2 = m_fields.cancel;

    connect(Command1, &QToolButton::clicked, this, &Form3::Command1_Click);
    connect(Command2, &QToolButton::clicked, this, &Form3::Command2_Click);
}

Form3 *Form3::showEdit(CameraListHost *host)
{
    if (host->cameraListBox()->selectedItems().isEmpty()) {
        NoticeDialog::showNotice(host->hostWindow());
        return nullptr;
    }
    const bool loaded = !g_form3.isNull();
    Form3 *form = showModeless(g_form3, [host] {
        auto *made = new Form3(host, host->hostWindow());
        made->load();
        return made;
    });
    if (!loaded)
        form->setWindowTitle(currentEntryName(host->cameraListBox()));
    return form;
}

Form3 *Form3::instance()
{
    return g_form3.data();
}

void Form3::load()
{
    CameraListFile::findCameraRecord(currentEntryName(m_host->cameraListBox()), m_previous);
    setWindowTitle(m_previous.name);
    Text1->setText(m_previous.name);
    Text2->setText(m_previous.url);
    // A hand-edited file may hold a longer interval; it must not be cut short unseen.
    Text3->setMaxLength(
        std::max<int>(CameraRecordFields::RefreshMaxLength, static_cast<int>(m_previous.refresh.size())));
    Text3->setText(m_previous.refresh);
    CameraDialog::centreOnScreen(this);
}

void Form3::Command1_Click()
{
    if (!m_fields.complete()) {
        CameraDialog::showMissingInformation(this);
        return;
    }
    const CameraListFile::CameraRecord edited = m_fields.record();
    if (!CameraListFile::replaceCameraRecord(m_previous, edited)) {
        CameraDialog::showNotSaved(this);
        return;
    }
    m_host->refillCameraList();
    m_host->ApplyEditToOpenSlots(windowTitle(), edited.name, edited.url, edited.refresh);
    close();
}

void Form3::Command2_Click()
{
    close();
}
