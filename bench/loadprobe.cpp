// SPDX-License-Identifier: GPL-3.0-or-later
#include "loadprobe.h"

#include <QFile>
#include <QStringList>

namespace LoadProbe {

static QStringList fields()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readLine()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString loadAverage()
{
    const QStringList f = fields();
    if (f.size() < 3)
        return QStringLiteral("?");
    return f.mid(0, 3).join(QLatin1Char(' '));
}

double oneMinute()
{
    const QStringList f = fields();
    bool ok = false;
    const double v = f.isEmpty() ? -1 : f.at(0).toDouble(&ok);
    return ok ? v : -1;
}

} // namespace LoadProbe
