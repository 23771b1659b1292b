#include "commandlisttext.h"

#include "textutils.h"

namespace CommandListText {

static const QString StoredSeparator = QStringLiteral(";");
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
    return entries.join(StoredSeparator);
}

} // namespace CommandListText
