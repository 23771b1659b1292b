// SPDX-License-Identifier: GPL-3.0-or-later
// The program's modal message boxes: one OK button (a question: yes and no), the program's name
// in the title bar.
#pragma once

#include <QString>

class QWidget;

namespace MessageBox {

// The program's name, in the title bar of every box.
inline const QString Title = QStringLiteral("Tavoli");

void showStop(QWidget *parent, const QString &text);        // failures
void showInformation(QWidget *parent, const QString &text); // the two success messages
// A warning that asks before something is lost; true for yes. No is the default.
bool askWarning(QWidget *parent, const QString &text);

} // namespace MessageBox
