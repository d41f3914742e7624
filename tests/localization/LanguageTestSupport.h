// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers of the re-captioning and language-window suites: localization files built
// in the file's layout, the file that ships with the program, and a combo box's list.

#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QList>
#include <QPair>
#include <QTest>

namespace langtest {

// Item keys and texts, written as given (no escaping).
using Items = QList<QPair<QByteArray, QByteArray>>;

// One language group: tab indentation, every line ended by `eol`.
inline QByteArray languageGroup(
    const QByteArray &name, const Items &items = {}, const QByteArray &eol = "\r\n")
{
    QByteArray g = "<LANGUAGE_GROUP xml:lang=\"xx\">" + eol + "\t<LANGUAGE_NAME>" + name + "</LANGUAGE_NAME>"
        + eol + "\t<TRANSLATION_ITEMS>" + eol;
    for (const auto &[key, text] : items)
        g += "\t\t<" + key + ">" + text + "</" + key + ">" + eol;
    return g + "\t</TRANSLATION_ITEMS>" + eol + "</LANGUAGE_GROUP>" + eol;
}

// `count` items "ITEMn" with short texts, for files of some size.
inline Items numberedItems(int count)
{
    Items items;
    for (int i = 0; i < count; ++i)
        items.append({"ITEM" + QByteArray::number(i), "Text " + QByteArray::number(i)});
    return items;
}

// A whole file: declaration, root element and the groups in order.
inline QByteArray localizationFile(const QList<QByteArray> &groups)
{
    QByteArray f = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<XML_DIZ_INFO>\r\n";
    for (const QByteArray &g : groups)
        f += g;
    return f + "</XML_DIZ_INFO>\r\n";
}

// The localization file that ships with the program (English, Deutsch, Français,
// Español), as bytes.
inline QByteArray shippedLocalization()
{
    QFile f(QStringLiteral(":/Localization.txt"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline QStringList comboItems(const QComboBox *combo)
{
    QStringList all;
    for (int i = 0; i < combo->count(); ++i)
        all << combo->itemText(i);
    return all;
}

// Picks `name` from the combo box's drop-down list the way a user does with the
// keyboard: open the list, move to the entry, press Return.
inline void pickFromList(QComboBox *combo, const QString &name)
{
    const int row = combo->findText(name);
    QVERIFY2(row >= 0, qPrintable(name));
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    QTRY_VERIFY(view->isVisible());
    view->setCurrentIndex(view->model()->index(row, combo->modelColumn()));
    QTest::keyClick(view, Qt::Key_Return);
    QVERIFY(!view->isVisible());
}

} // namespace langtest
