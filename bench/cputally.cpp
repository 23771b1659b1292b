// SPDX-License-Identifier: GPL-3.0-or-later
#include "cputally.h"

#include <sched.h>

void CpuTally::record()
{
    const int cpu = ::sched_getcpu();
    if (cpu >= 0 && cpu < Slots)
        m_counts[std::size_t(cpu)].fetch_add(1, std::memory_order_relaxed);
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
