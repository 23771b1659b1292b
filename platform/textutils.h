// SPDX-License-Identifier: GPL-3.0-or-later
// Small text operations shared by the windows and the dialogue engine.
#pragma once

#include <QString>
#include <QtGlobal>

namespace TextUtils {

// Adds 1 to a 16-bit counter held by the caller; saturates at the top instead of wrapping.
void IncrementIndex(qint16 &index);

// Replaces, inside target, every occurrence of search by replacement.
// An empty search text changes nothing.
void ReplaceAll(const QString &search, const QString &replacement, QString &target);

// Decimal text of a 16-bit integer, without blanks ("-5", "0", "32767").
QString NumberText(qint16 value);

// Removes from the front of text everything up to and including the first separator and
// returns the part before it. Without a separator it returns the whole text and leaves it empty.
QString TakeToken(QString &text, const QString &separator);

// The text a label shows for a caption: "&&" stands for one "&", a lone "&" marks an
// access key and is not shown.
QString LabelText(const QString &caption);

// The text with each control character (C0, DEL, C1) shown as <xNN>, as the transcript shows
// bytes: a text from outside (a device's name, a modem's answer) can then neither start a line
// of its own in an output read line by line nor steer the terminal that shows it.
QString ShowControls(const QString &text);

} // namespace TextUtils
