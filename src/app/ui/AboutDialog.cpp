#include "app/ui/AboutDialog.h"

#include "app/Identity.h"
#include "app/ui/CentreOnScreen.h"
#include "app/ui/WebsiteLauncher.h"
#include "platform/Twips.h"
#include "platform/ui/ModelessWindow.h"

#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>

namespace {

QPointer<AboutDialog> g_about;

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

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(Twips::rect(0, 0, 7515, 1035));
    Picture1->setPixmap(headerPicture(Picture1->size()));

    Label1 = new QLabel(QStringLiteral("Your Program Name"), Picture1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(verdana(14.25));
    Label1->setGeometry(Twips::rect(180, 0, 5700, 1035));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette onHeader = Label1->palette();
    onHeader.setColor(QPalette::WindowText, Qt::white);
    Label1->setPalette(onHeader);

    lblNotice = new QLabel(this);
    lblNotice->setObjectName(QStringLiteral("lblNotice"));
    QFont small = lblNotice->font();
    small.setPointSizeF(7);
    small.setItalic(true);
    lblNotice->setFont(small);
    lblNotice->setGeometry(Twips::rect(180, 1050, 7155, 195));

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
    lblVersion = rowLabel(this, QStringLiteral("lblVersion"), QString(),
                          Twips::rect(valueLeft, rowTops[0], valueWidth, rowHeight));
    lblCompany = rowLabel(this, QStringLiteral("lblCompany"), QString(),
                          Twips::rect(valueLeft, rowTops[1], valueWidth, rowHeight));
    lblWebsite = rowLabel(this, QStringLiteral("lblWebsite"), QString(),
                          Twips::rect(valueLeft, rowTops[2], valueWidth, rowHeight));
    QPalette link = lblWebsite->palette();
    link.setColor(QPalette::WindowText, Qt::blue);
    lblWebsite->setPalette(link);
    lblWebsite->setCursor(Qt::PointingHandCursor);
    lblWebsite->installEventFilter(this);
}

AboutDialog *AboutDialog::showAbout(QWidget *owner)
{
    const auto make = [owner] { return new AboutDialog(owner); };
    if (g_about)
        return showModeless(g_about, make);
    g_about = make();
    g_about->load();
    centreOnScreen(g_about);
    showModeless(g_about, make);
    centreOnScreen(g_about);
    return g_about;
}

AboutDialog *AboutDialog::instance() { return g_about.data(); }

QString AboutDialog::versionText(int major, int minor)
{
    return QString::number(major) + QLatin1Char('.') + QString::number(minor);
}

void AboutDialog::load()
{
    const ProductIdentity &id = identity();
    setWindowTitle(QStringLiteral("About ") + id.programName);
    Label1->setText(id.programName);
    lblCompany->setText(id.companyName);
    lblVersion->setText(versionText(id.versionMajor, id.versionMinor));
    lblWebsite->setText(id.website);
    lblNotice->setText(id.programName + QStringLiteral(" is provided as is, without warranty of any kind."));
}

void AboutDialog::lblWebsite_Click()
{
    WebsiteRequest = QStringLiteral("Website");
    WebsiteLauncher::launch();
}

bool AboutDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lblWebsite && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && lblWebsite->rect().contains(mouse->position().toPoint())) {
            lblWebsite_Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

