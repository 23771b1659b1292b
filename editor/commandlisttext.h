// The stored command string and the editor's list of entries, one into the other.
#pragma once

#include <QString>
#include <QStringList>

namespace CommandListText {

// The entries of a stored text read by the editor. Lists written before ";" was the
// separator used ",": a text without any ";" is split at "," instead.
QStringList SplitStored(const QString &stored);

// The entries of a text split at one separator only (the chipset lists always use ";").
// An empty last piece is dropped, so "V0;" gives the single entry "V0" and "" gives none.
QStringList SplitWith(const QString &text, const QString &separator);

// The text the editor stores: the entries joined by ";", empty entries included.
QString Join(const QStringList &entries);

} // namespace CommandListText
