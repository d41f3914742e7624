// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/ui/WindowCaptions.h"

#include "localization/LanguageTable.h"
#include "platform/ui/CaptionFit.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeWidget>

#include <optional>

namespace {

// The window's controls in creation order: a depth-first walk over the children of
// each object in the order they were added. Other top-level windows owned by the
// window (dialogs) are not its controls; its menus are.
void collectControls(QObject *parent, QList<QObject *> &out)
{
    for (QObject *child : parent->children()) {
        if (auto *widget = qobject_cast<QWidget *>(child)) {
            if (widget->isWindow() && !qobject_cast<QMenu *>(widget))
                continue;
        }
        if (!child->objectName().isEmpty() && !child->objectName().startsWith(QLatin1String("qt_")))
            out.append(child);
        collectControls(child, out);
    }
}

// Texts from the localization file are shown as typed: never as rich text (a label would
// otherwise render markup and load pictures named in it).
void setCaption(QObject *control, const QString &text)
{
    if (auto *label = qobject_cast<QLabel *>(control)) {
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
    } else if (auto *button = qobject_cast<QAbstractButton *>(control))
        button->setText(text);
    else if (auto *frame = qobject_cast<QGroupBox *>(control))
        frame->setTitle(text);
    else if (auto *action = qobject_cast<QAction *>(control))
        action->setText(text);
}

void refresh(QObject *control)
{
    if (auto *widget = qobject_cast<QWidget *>(control))
        widget->update();
}

// Index of a control-array element; nullopt for a control outside an array.
std::optional<int> arrayIndex(const QObject *control)
{
    const QVariant index = control->property("Index");
    if (!index.isValid())
        return std::nullopt;
    return index.toInt();
}

void applyText(const LanguageTable &languages, QObject *control, const QString &key)
{
    const std::optional<QString> text = languages.tryCaption(key);
    if (text && !text->isEmpty())
        setCaption(control, *text);
}

} // namespace

QString controlTypeName(const QObject *control)
{
    const QVariant forced = control->property("vbType");
    if (forced.isValid())
        return forced.toString();
    if (qobject_cast<const QCheckBox *>(control))
        return QStringLiteral("CheckBox");
    if (qobject_cast<const QRadioButton *>(control))
        return QStringLiteral("OptionButton");
    if (qobject_cast<const QPushButton *>(control) || qobject_cast<const QToolButton *>(control))
        return QStringLiteral("CommandButton");
    if (qobject_cast<const QLabel *>(control))
        return QStringLiteral("Label");
    if (qobject_cast<const QGroupBox *>(control))
        return QStringLiteral("Frame");
    if (qobject_cast<const QTabBar *>(control))
        return QStringLiteral("TabStrip");
    if (auto *tree = qobject_cast<const QTreeWidget *>(control))
        return tree->isHeaderHidden() ? QString() : QStringLiteral("ListView");
    if (auto *action = qobject_cast<const QAction *>(control))
        return action->isSeparator() ? QString() : QStringLiteral("Menu");
    return QString();
}

void captionWindow(QWidget *window, const LanguageTable &languages)
{
    const QString form = window->objectName();
    QList<QObject *> controls;
    collectControls(window, controls);
    for (QObject *control : std::as_const(controls)) {
        const QString type = controlTypeName(control);
        const QString name = control->objectName();
        const QString base = form + QLatin1Char('_') + name;
        if (auto *widget = qobject_cast<QWidget *>(control)) {
            const std::optional<QString> tip = languages.tryCaption(base + QStringLiteral("_TOOLTIP"));
            // Shown as typed, never as rich text.
            if (tip && !tip->isEmpty())
                widget->setToolTip(Qt::mightBeRichText(*tip) ? Qt::convertFromPlainText(*tip, Qt::WhiteSpaceNormal)
                                                              : *tip);
        }
        if (type == QLatin1String("Label") || type == QLatin1String("CommandButton")
            || type == QLatin1String("SkinLabel") || type == QLatin1String("Frame")
            || type == QLatin1String("CheckBox")) {
            applyText(languages, control, base);
            refresh(control);
        } else if (type == QLatin1String("TabStrip")) {
            auto *tabs = qobject_cast<QTabBar *>(control);
            for (int n = 1; tabs && n <= tabs->count(); ++n) {
                const std::optional<QString> text = languages.tryCaption(base + QStringLiteral("_TABS") + QString::number(n));
                if (text && !text->isEmpty())
                    tabs->setTabText(n - 1, *text);
                refresh(control);
            }
        } else if (type == QLatin1String("ListView")) {
            auto *list = qobject_cast<QTreeWidget *>(control);
            QTreeWidgetItem *header = list ? list->headerItem() : nullptr;
            for (int n = 1; header && n <= list->columnCount(); ++n) {
                const std::optional<QString> text = languages.tryCaption(base + QStringLiteral("_COL") + QString::number(n));
                if (text && !text->isEmpty())
                    header->setText(n - 1, *text);
                refresh(control);
            }
        } else if (type == QLatin1String("OptionButton")) {
            // An option button outside a control array has no index: no key.
            if (const std::optional<int> index = arrayIndex(control)) {
                applyText(languages, control, base + QString::number(*index));
                refresh(control);
            }
        } else if (type == QLatin1String("Menu")) {
            const std::optional<int> index = arrayIndex(control);
            applyText(languages, control, base + QString::number(index.value_or(0)));
        }
    }

    const std::optional<QString> title = languages.tryCaption(form.toUpper() + QStringLiteral("_CAPTION"));
    if (title && !title->isEmpty())
        window->setWindowTitle(*title);
    CaptionFit::fitCaptions(window);
}

void applyLanguage(QWidget *window, LanguageTable &languages, const QString &language)
{
    languages.loadLanguage(language);
    if (languages.lastLineIndex() <= 0)
        languages.loadLanguage(QStringLiteral("English"));
    captionWindow(window, languages);

    for (LanguageTable::MessageEntry &entry : languages.messages) {
        if (!entry.used)
            continue;
        const std::optional<QString> text = languages.tryCaption(entry.name);
        if (text && !text->isEmpty())
            entry.text = *text;
    }
}
