// SPDX-License-Identifier: GPL-3.0-or-later
#include "cputally.h"

#include <QDir>
#include <QFile>

#include <sched.h>

void CpuTally::record()
{
    const int cpu = ::sched_getcpu();
    if (cpu >= 0 && cpu < Slots)
        m_counts[std::size_t(cpu)].fetch_add(1, std::memory_order_relaxed);
}

void CpuTally::recordThread(int tid)
{
    QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(tid));
    if (!stat.open(QIODevice::ReadOnly))
        return;
    // After the name in parentheses, the processor is the 37th field.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    bool ok = false;
    const int cpu = fields.value(36).toInt(&ok);
    if (ok && cpu >= 0 && cpu < Slots)
        m_counts[std::size_t(cpu)].fetch_add(1, std::memory_order_relaxed);
}

int CpuTally::threadNamed(const char *name)
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name)
            return tid.toInt();
    }
    return 0;
}

void CpuTally::clear()
{
    for (std::atomic<unsigned> &count : m_counts)
        count.store(0, std::memory_order_relaxed);
}

int CpuTally::dominant() const
{
    int best = -1;
    unsigned most = 0;
    for (int cpu = 0; cpu < Slots; ++cpu) {
        const unsigned n = m_counts[std::size_t(cpu)].load(std::memory_order_relaxed);
        if (n > most) {
            most = n;
            best = cpu;
        }
    }
    return best;
}

double CpuTally::share(int cpu) const
{
    unsigned total = 0;
    for (const std::atomic<unsigned> &count : m_counts)
        total += count.load(std::memory_order_relaxed);
    if (total == 0 || cpu < 0 || cpu >= Slots)
        return 0;
    return double(m_counts[std::size_t(cpu)].load(std::memory_order_relaxed)) / total;
}

QString CpuTally::describe() const
{
    const int cpu = dominant();
    if (cpu < 0)
        return QStringLiteral("?");
    return QStringLiteral("cpu%1 %2 %").arg(cpu).arg(qRound(share(cpu) * 100));
}
