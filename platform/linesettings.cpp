// SPDX-License-Identifier: GPL-3.0-or-later
#include "linesettings.h"

#include <algorithm>

namespace LineSpeeds {

const SpeedRow &row(LineSpeed speed)
{
    const auto index = std::size_t(speed);
    return index < Table.size() ? Table[index] : Table.front();
}

std::optional<LineSpeed> named(QStringView caption)
{
    const auto found = std::find_if(Table.begin(), Table.end(),
                                    [caption](const SpeedRow &r) { return r.caption == caption; });
    if (found == Table.end())
        return std::nullopt;
    return found->speed;
}

} // namespace LineSpeeds

qint32 LineSettings::bitRate() const
{
    return LineSpeeds::row(speed).bitRate;
}

QString LineSettings::text() const
{
    return QStringLiteral("%1,N,8,%2").arg(bitRate()).arg(int(stopBits));
}
