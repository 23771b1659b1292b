// SPDX-License-Identifier: GPL-3.0-or-later
#include "longcommandlist.h"

#include "commandliststore.h"
#include "storetexts.h"

#include <QStringList>

#include <array>

namespace LongCommandList {

QString make(int entries)
{
    // Settings a Hayes modem accepts one at a time; the three placeholders are filled in by
    // the program from the ring count and the selected speed.
    static const std::array<const char *, 24> bodies = {
        "S0=#",  "S37=#",  "+MS=V#", "B0",   "L2", "M1", "Y1", "N1",  "&D0",  "&S0",    "X4", "&C1",
        "S7=50", "S10=14", "S11=95", "S8=2", "L1", "M0", "B1", "&D2", "S9=6", "S12=50", "X3", "N0"};
    QStringList list;
    list.reserve(entries);
    for (int i = 0; i < entries; ++i)
        list << QString::fromLatin1(bodies[std::size_t(i) % bodies.size()]);
    return list.join(QLatin1Char(';'));
}

QString store(const QString &list)
{
    CommandListStore store;
    const StoreResult written = store.write(list);
    if (!written)
        return StoreTexts::whyNotSaved(written);
    if (store.read() != list)
        return QStringLiteral("the list read back from %1 differs from the one written")
            .arg(store.filePath());
    return QString();
}

} // namespace LongCommandList
