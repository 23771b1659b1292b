// SPDX-License-Identifier: GPL-3.0-or-later
// The stored command string and the editor's list of entries, one into the other. The
// configuration splits at ";" only; the editor also opens old texts without ";" split at ",",
// and Join saves so that both readings of what it saves agree.
#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

namespace CommandListText {

// What separates the entries of a stored text; no entry can hold it.
inline constexpr QChar Separator = u';';

// The entries of a stored text. Lists written before ";" was the separator used ",": a text
// without any ";" is split at "," instead.
QStringList SplitStored(const QString &stored);

// The entries of a text split at one separator only (the chipset lists always use ";").
// An empty last piece is dropped, so "V0;" gives the single entry "V0" and "" gives none.
QStringList SplitWith(const QString &text, const QString &separator);

// The text the editor stores: the entries joined by ";", empty entries included. A text that
// would hold a "," but no ";" gets a trailing ";", so that it is not read as an old list split
// at ",". SplitStored(Join(e)) gives e back, less an empty last entry.
QString Join(const QStringList &entries);

} // namespace CommandListText
