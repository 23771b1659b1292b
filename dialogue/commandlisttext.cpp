// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandlisttext.h"

#include "textutils.h"

namespace CommandListText {

static const QString StoredSeparator = QString(Separator);
static const QString OldSeparator = QStringLiteral(",");

QStringList SplitStored(const QString &stored)
{
    return SplitWith(stored, stored.contains(StoredSeparator) ? StoredSeparator : OldSeparator);
}

QStringList SplitWith(const QString &text, const QString &separator)
{
    QStringList entries;
    QString rest = text;
    while (!rest.isEmpty())
        entries.append(TextUtils::TakeToken(rest, separator));
    return entries;
}

QString Join(const QStringList &entries)
{
    QString stored = entries.join(StoredSeparator);
    if (!stored.contains(StoredSeparator) && stored.contains(OldSeparator))
        stored += StoredSeparator; // the empty last piece is dropped again on reading
    return stored;
}

} // namespace CommandListText
