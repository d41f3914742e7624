#include "camlist/ui/Form2.h"

#include "app/Identity.h"
#include "camlist/CameraListFile.h"
#include "camlist/ui/CameraListHost.h"
#include "platform/Twips.h"
#include "platform/ui/ModelessWindow.h"

#include <QLineEdit>
#include <QToolButton>

namespace {
QPointer<Form2> g_form2;

constexpr int ClientWidth = 4740; // twips
constexpr int ClientHeight = 2235; // twips
constexpr int FieldsTop = 0;
constexpr int ButtonsTop = 1320;
} // namespace

Form2::Form2(CameraListHost *host, QWidget *owner)
    : QWidget(owner, CameraDialog::Flags)
    , m_host(host)
{
    setObjectName(QStringLiteral("Form2"));
    setFixedSize(Twips::toPx(ClientWidth), Twips::toPx(ClientHeight));

    m_fields
        = CameraRecordFields::create(this, FieldsTop, ButtonsTop, QStringLiteral("create a unique name"));
    Label1 = m_fields.nameLabel;
    Label2 = m_fields.urlLabel;
    Label3 = m_fields.refreshLabel;
    Label4 = m_fields.secondsLabel;
    Text1 = m_fields.name;
    Text2 = m_fields.url;
    Text3 = m_fields.refresh;
    Command1 = m_fields.ok;
    Command2 = m_fields.cancel;

    connect(Command1, &QToolButton::clicked, this, &Form2::Command1_Click);
    connect(Command2, &QToolButton::clicked, this, &Form2::Command2_Click);
}

Form2 *Form2::showAdd(CameraListHost *host)
{
    return showModeless(g_form2, [host] {
        auto *form = new Form2(host, host->hostWindow());
        form->load();
        return form;
    });
}

Form2 *Form2::instance()
{
    return g_form2.data();
}

void Form2::load()
{
    setWindowTitle(identity().programName + QStringLiteral(" :: Add a Cam"));
    Text1->setText(QStringLiteral("My Cam"));
    Text2->setText(QStringLiteral("http://"));
    Text3->setText(QStringLiteral("60"));
    CameraDialog::centreOnScreen(this);
}

void Form2::Command1_Click()
{
    if (!m_fields.complete()) {
        CameraDialog::showMissingInformation(this);
        return;
    }
    const CameraListFile::CameraRecord camera = m_fields.record();
    if (!CameraListFile::appendCameraRecord(camera.name, camera.url, camera.refresh)) {
        CameraDialog::showNotSaved(this);
        return;
    }
    m_host->refillCameraList();
    close();
}

void Form2::Command2_Click()
{
    close();
}
