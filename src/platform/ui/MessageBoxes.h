// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMessageBox>

// A modal message box over `parent` whose title and text are shown as plain text, never as
// rich text: the texts come from the localization file, from camera names and from file
// names, and markup in them must show as typed. Returns the button pressed (the escape
// button when the box was closed otherwise). The box is made on the heap and goes with
// `parent` if the parent is deleted while it is open.
QMessageBox::StandardButton showMessage(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                        const QString &text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
