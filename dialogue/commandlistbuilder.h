// SPDX-License-Identifier: GPL-3.0-or-later
// Turns the stored command string into the commands a configuration sends: the ring count,
// the S37 speed code and the modulation code go in place of the "#" placeholders, and the
// string is split at ";" into one entry per command body. Every text the editor saves splits
// here into the entries it showed.
#pragma once

#include "commandlistresult.h"
#include "storeresult.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace CommandListBuilder {

// The ring count typed in the box: its leading number (blanks skipped, optional sign, digits
// and one decimal point; the first other character ends it; none at all counts as 0), rounded
// to the nearest whole number with halves going to the even neighbour, held in 16 bits.
qint16 RingCount(const QString &typed);
// RingCount as decimal text, as it is put into "S0=#".
QString RingText(const QString &typed);
// Whether the typed ring count may be sent: a whole number from 0 to 99 in digits, with blanks
// around it and a leading "+" allowed.
bool RingCountValid(const QString &typed);
// Whether the stored text holds "S0=#", the one place the ring count goes: a list without it
// needs none.
bool NeedsRingCount(const QString &stored);

// Splits at ";" only (never at ",", even in a text without any ";"), then fills "S0=#", "S37=#" and
// "+MS=V#" (in that order, every occurrence) in each entry. Bodies stay verbatim. A trailing
// separator adds no entry; a doubled or a leading one gives an empty one. The empty string gives
// the empty list.
QStringList Expand(const QString &stored, const QString &ringText, const QString &s37Code,
                   const QString &modulationCode);

// What a configuration sends, from the store's read of the list (`read`, failed when the file
// could not be read) and the typed ring count, checked where the list is read: the file read,
// the ring count sound when the list has "S0=#", the entries neither none nor too many. The S37
// code filled in for "S37=#" comes with the list, as the value the list asks the modem for.
CommandListResult Build(const StoreResult &read, const QString &stored, const QString &typedRings,
                        const QString &s37Code, const QString &modulationCode);

} // namespace CommandListBuilder
