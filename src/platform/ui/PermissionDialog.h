// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// Makes saveMachineSetting ask its permission question with a modal message box
// (buttons Abort, Retry and Ignore) over `parent`. `parent` is not owned and may be
// null or destroyed later; the box then has no parent. Closing the box without a
// button counts as Abort.
void installPermissionDialog(QWidget *parent);
