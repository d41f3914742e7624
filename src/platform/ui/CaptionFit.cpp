// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/CaptionFit.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextDocument>
#include <QToolButton>

#include <algorithm>

namespace {

// Dynamic properties kept on a fitted control.
constexpr const char *DesignedFontProperty = "captionFitDesignedFont"; // QFont before any fitting
constexpr const char *FullTextProperty = "captionFitFullText";         // the caption as given
constexpr const char *ShownTextProperty = "captionFitShownText";       // the caption as broken, if it was
constexpr const char *OwnTipProperty = "captionFitOwnTip";             // the control's own tooltip
constexpr const char *FitTipProperty = "captionFitTip";                // the tooltip set here
constexpr const char *DesignedWrapProperty = "captionFitDesignedWrap"; // a label's own word wrap

// Gap between a button's icon and its text, as the styles draw it (pixels).
constexpr int IconGap = 4;
// Space the styles leave around a group box's title (pixels, both sides together).
constexpr int GroupTitleInset = 16;

// A button's style option with its text and icon, as the styles lay it out.
QStyleOptionButton buttonOption(const QAbstractButton *button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    return option;
}

QRect checkBoxRoom(const QAbstractButton *box)
{
    const QStyleOptionButton option = buttonOption(box);
    const QStyle::SubElement element = qobject_cast<const QRadioButton *>(box) ? QStyle::SE_RadioButtonContents
                                                                              : QStyle::SE_CheckBoxContents;
    QRect room = box->style()->subElementRect(element, &option, box);
    if (!box->icon().isNull())
        room.setLeft(room.left() + box->iconSize().width() + IconGap);
    return room;
}

QRect pushButtonRoom(const QPushButton *button)
{
    QStyleOptionButton option = buttonOption(button);
    if (button->isDefault())
        option.features |= QStyleOptionButton::DefaultButton;
    if (button->isFlat())
        option.features |= QStyleOptionButton::Flat;
    QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    if (!button->icon().isNull())
        room.setLeft(room.left() + button->iconSize().width() + IconGap);
    return room;
}

QRect toolButtonRoom(const QToolButton *button)
{
    const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
    QRect room = button->rect().adjusted(frame, frame, -frame, -frame);
    if (button->icon().isNull())
        return room;
    switch (button->toolButtonStyle()) {
    case Qt::ToolButtonTextUnderIcon:
        room.setTop(room.top() + button->iconSize().height() + IconGap - 1);
        room.setBottom(room.bottom() - 1);
        break;
    case Qt::ToolButtonTextBesideIcon:
        room.setLeft(room.left() + button->iconSize().width() + IconGap);
        break;
    case Qt::ToolButtonIconOnly:
        return {};
    default:
        break;
    }
    return room;
}

QRect labelRoom(const QLabel *label)
{
    const int margin = label->margin();
    QRect room = label->contentsRect().adjusted(margin, margin, -margin, -margin);
    if (label->indent() > 0)
        room.setLeft(room.left() + label->indent());
    return room;
}

int textFlags(const QWidget *control)
{
    return qobject_cast<const QAbstractButton *>(control) ? int(Qt::TextShowMnemonic) : 0;
}

bool wraps(const QWidget *control)
{
    const auto *label = qobject_cast<const QLabel *>(control);
    return label && label->wordWrap();
}

void setShownText(QWidget *control, const QString &text)
{
    if (auto *label = qobject_cast<QLabel *>(control))
        label->setText(text);
    else if (auto *button = qobject_cast<QAbstractButton *>(control))
        button->setText(text);
}

// `text` broken into two lines at the space nearest its middle; `text` itself when it
// has no space to break at.
QString brokenInTwo(const QString &text)
{
    const qsizetype middle = text.size() / 2;
    qsizetype best = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char(' ') && (best < 0 || std::abs(i - middle) < std::abs(best - middle)))
            best = i;
    }
    if (best < 0)
        return text;
    return text.left(best) + QLatin1Char('\n') + text.mid(best + 1);
}

// The smallest font a control of designed font `designed` may be given.
qreal floorPointSize(const QFont &designed)
{
    return std::max(CaptionFit::SmallestPointSize, designed.pointSizeF() * CaptionFit::SmallestFontShare);
}

// Tries the designed font, then ever smaller ones down to the floor, then the same sizes
// narrower (a condensed face where the system has one); leaves the control in the first
// font that fits, or in the smallest and narrowest. Fonts set in pixels are not resized.
bool shrinkUntilFits(QWidget *control, const QFont &designed)
{
    control->setFont(designed);
    if (CaptionFit::fits(control))
        return true;
    if (designed.pointSizeF() <= 0)
        return false;
    const qreal floor = floorPointSize(designed);
    // 0 keeps the designed font's own width.
    for (const int stretch : {0, int(QFont::SemiCondensed), int(QFont::Condensed)}) {
        QFont smaller = designed;
        if (stretch != 0)
            smaller.setStretch(stretch);
        for (qreal size = designed.pointSizeF(); size >= floor - 0.001; size -= 0.25) {
            smaller.setPointSizeF(size);
            control->setFont(smaller);
            if (CaptionFit::fits(control))
                return true;
        }
    }
    return false;
}

// Whether `control` lies inside `window` without another window between them.
bool belongsTo(const QWidget *control, const QWidget *window)
{
    for (const QWidget *w = control; w; w = w->parentWidget()) {
        if (w == window)
            return true;
        if (w->isWindow())
            return false;
    }
    return false;
}

} // namespace

namespace CaptionFit {

QString caption(const QWidget *control)
{
    if (const auto *label = qobject_cast<const QLabel *>(control))
        return label->pixmap().isNull() ? label->text() : QString();
    if (const auto *button = qobject_cast<const QAbstractButton *>(control))
        return button->text();
    if (const auto *box = qobject_cast<const QGroupBox *>(control))
        return box->title();
    return {};
}

QRect captionRoom(const QWidget *control)
{
    if (const auto *label = qobject_cast<const QLabel *>(control))
        return labelRoom(label);
    if (const auto *button = qobject_cast<const QPushButton *>(control))
        return pushButtonRoom(button);
    if (const auto *button = qobject_cast<const QToolButton *>(control))
        return toolButtonRoom(button);
    if (const auto *box = qobject_cast<const QAbstractButton *>(control))
        return checkBoxRoom(box);
    if (const auto *box = qobject_cast<const QGroupBox *>(control)) {
        const int height = box->fontMetrics().height();
        return QRect(GroupTitleInset / 2, 0, std::max(0, box->width() - GroupTitleInset), height);
    }
    return {};
}

bool fits(const QWidget *control)
{
    const QString text = caption(control);
    if (text.isEmpty())
        return true;
    const QRect room = captionRoom(control);
    const QFontMetrics metrics = control->fontMetrics();
    QSize needed;
    if (wraps(control)) {
        // A word longer than the line is not broken: it shows as a line wider than the room.
        needed = metrics.boundingRect(QRect(0, 0, std::max(1, room.width()), 100000),
                                      Qt::TextWordWrap, text).size();
        for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            needed.setWidth(std::max(needed.width(), metrics.horizontalAdvance(word)));
    } else {
        needed = metrics.size(textFlags(control), text);
    }
    return needed.width() <= room.width() && needed.height() <= room.height();
}

bool fitCaption(QWidget *control)
{
    const QString shown = caption(control);
    if (shown.isEmpty() || qobject_cast<QGroupBox *>(control)) {
        // A group box passes its font on to every control inside it: its title is not resized.
        return fits(control);
    }

    // The caption as given: the one broken here earlier, or a new one set since.
    QString full = shown;
    if (control->property(ShownTextProperty).toString() == shown)
        full = control->property(FullTextProperty).toString();
    control->setProperty(FullTextProperty, full);
    control->setProperty(ShownTextProperty, QVariant());
    if (full != shown)
        setShownText(control, full);

    const QVariant stored = control->property(DesignedFontProperty);
    const QFont designed = stored.isValid() ? stored.value<QFont>() : control->font();
    if (!stored.isValid())
        control->setProperty(DesignedFontProperty, designed);

    // The tooltip the control has of its own, unless it is the one set here.
    QString ownTip = control->toolTip();
    if (control->property(FitTipProperty).isValid() && control->property(FitTipProperty).toString() == ownTip)
        ownTip = control->property(OwnTipProperty).toString();
    control->setProperty(OwnTipProperty, ownTip);

    auto *label = qobject_cast<QLabel *>(control);
    if (label) {
        const QVariant designedWrap = label->property(DesignedWrapProperty);
        if (!designedWrap.isValid())
            label->setProperty(DesignedWrapProperty, label->wordWrap());
        label->setWordWrap(label->property(DesignedWrapProperty).toBool());
    }

    bool fitted = shrinkUntilFits(control, designed);
    if (!fitted) {
        if (label) {
            label->setWordWrap(true);
        } else {
            const QString broken = brokenInTwo(full);
            setShownText(control, broken);
            control->setProperty(ShownTextProperty, broken);
        }
        fitted = shrinkUntilFits(control, designed);
    }

    const bool wrapped = label ? label->wordWrap() != label->property(DesignedWrapProperty).toBool()
                               : caption(control) != full;
    const bool changed = wrapped || control->font() != designed;
    if (!changed) {
        control->setToolTip(ownTip);
        control->setProperty(FitTipProperty, QVariant());
        return fitted;
    }
    QString tip = full;
    if (!ownTip.isEmpty() && ownTip != full)
        tip += QLatin1Char('\n') + ownTip;
    // Shown as typed, never as rich text (a tooltip would otherwise render markup).
    if (Qt::mightBeRichText(tip))
        tip = Qt::convertFromPlainText(tip, Qt::WhiteSpaceNormal);
    control->setToolTip(tip);
    control->setProperty(FitTipProperty, tip);
    return fitted;
}

void fitCaptions(QWidget *window)
{
    const QList<QWidget *> controls = window->findChildren<QWidget *>();
    for (QWidget *control : controls) {
        if (!belongsTo(control, window) || control->objectName().startsWith(QLatin1String("qt_")))
            continue;
        if (qobject_cast<QLabel *>(control) || qobject_cast<QAbstractButton *>(control))
            fitCaption(control);
    }
}

} // namespace CaptionFit
