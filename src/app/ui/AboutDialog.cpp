// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/AboutDialog.h"

#include "app/Identity.h"
#include "platform/ui/WindowUtils.h"
#include "platform/Twips.h"
#include "platform/ui/ModelessWindow.h"

#include <QLabel>
#include <QLinearGradient>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>

namespace {

QFont verdana(qreal pointSize)
{
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(pointSize);
    font.setBold(true);
    return font;
}

// The header: the splash window's blue gradient with the eye of the program icon at
// its right end, `size` in pixels.
QPixmap headerPicture(const QSize &size)
{
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, 0, size.height());
    gradient.setColorAt(0.0, QColor(0x0b, 0x1a, 0x33));
    gradient.setColorAt(1.0, QColor(0x1f, 0x5a, 0xa0));
    painter.fillRect(picture.rect(), gradient);
    const QPixmap icon(QStringLiteral(":/AAA.png"));
    if (!icon.isNull()) {
        const int side = size.height() - 12;
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(QRect(size.width() - side - 16, 6, side, side), icon);
    }
    return picture;
}

QLabel *rowLabel(QWidget *parent, const QString &name, const QString &text, const QRect &place)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setObjectName(name);
    label->setFont(verdana(12));
    label->setGeometry(place);
    return label;
}

} // namespace

AboutDialog::AboutDialog(QWidget *owner)
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                         | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Twips::toPx(7455), Twips::toPx(2535));

    auto *header = new QLabel(this);
    header->setObjectName(QStringLiteral("Picture1"));
    header->setGeometry(Twips::rect(0, 0, 7515, 1035));
    header->setPixmap(headerPicture(header->size()));

    m_programName = new QLabel(QStringLiteral("Your Program Name"), header);
    m_programName->setTextFormat(Qt::PlainText);
    m_programName->setObjectName(QStringLiteral("Label1"));
    m_programName->setFont(verdana(14.25));
    m_programName->setGeometry(Twips::rect(180, 0, 5700, 1035));
    m_programName->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette onHeader = m_programName->palette();
    onHeader.setColor(QPalette::WindowText, Qt::white);
    m_programName->setPalette(onHeader);

    m_notice = new QLabel(this);
    m_notice->setTextFormat(Qt::PlainText);
    m_notice->setObjectName(QStringLiteral("lblNotice"));
    QFont small = m_notice->font();
    small.setPointSizeF(7);
    small.setItalic(true);
    m_notice->setFont(small);
    m_notice->setGeometry(Twips::rect(180, 1050, 7155, 195));

    constexpr int rowTops[] = {1260, 1680, 2100};
    constexpr int captionLeft = 180;
    constexpr int valueLeft = 2580;
    constexpr int rowHeight = 300;
    const int valueWidth = 7455 - valueLeft - 120;
    const int captionWidth = valueLeft - captionLeft - 60;
    rowLabel(this, QStringLiteral("lblVersionCaption"), QStringLiteral("Version:"),
             Twips::rect(captionLeft, rowTops[0], captionWidth, rowHeight));
    rowLabel(this, QStringLiteral("lblCompanyCaption"), QStringLiteral("Owned By:"),
             Twips::rect(captionLeft, rowTops[1], captionWidth, rowHeight));
    rowLabel(this, QStringLiteral("lblWebsiteCaption"), QStringLiteral("Website:"),
             Twips::rect(captionLeft, rowTops[2], captionWidth, rowHeight));
    m_version = rowLabel(this, QStringLiteral("lblVersion"), QString(),
                          Twips::rect(valueLeft, rowTops[0], valueWidth, rowHeight));
    m_company = rowLabel(this, QStringLiteral("lblCompany"), QString(),
                          Twips::rect(valueLeft, rowTops[1], valueWidth, rowHeight));
    m_website = rowLabel(this, QStringLiteral("lblWebsite"), QString(),
                          Twips::rect(valueLeft, rowTops[2], valueWidth, rowHeight));
    QPalette link = m_website->palette();
    link.setColor(QPalette::WindowText, Qt::blue);
    m_website->setPalette(link);
    m_website->setCursor(Qt::PointingHandCursor);
    m_website->installEventFilter(this);
}

AboutDialog *AboutDialog::open(QPointer<AboutDialog> &holder, QWidget *owner)
{
    const auto make = [owner] { return new AboutDialog(owner); };
    if (holder)
        return showModeless(holder, make);
    holder = make();
    holder->load();
    centreOnScreen(holder);
    showModeless(holder, make);
    centreOnScreen(holder);
    return holder;
}

QString AboutDialog::versionText(int major, int minor)
{
    return QString::number(major) + QLatin1Char('.') + QString::number(minor);
}

void AboutDialog::load()
{
    const ProductIdentity &id = identity();
    setWindowTitle(QStringLiteral("About ") + id.programName);
    m_programName->setText(id.programName);
    m_company->setText(id.companyName);
    m_version->setText(versionText(id.versionMajor, id.versionMinor));
    m_website->setText(id.website);
    m_notice->setText(id.programName + QStringLiteral(" is provided as is, without warranty of any kind."));
}

void AboutDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool AboutDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_website && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && m_website->rect().contains(mouse->position().toPoint())) {
            emit websiteRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

