// SPDX-License-Identifier: GPL-3.0-or-later
// On which processor a thread ran, counted at chosen moments. On a machine with few cores the
// round trip differs with placement: two threads on one core hand over without waking another
// core, but their work can no longer overlap.
#pragma once

#include <QString>

#include <array>
#include <atomic>

class CpuTally
{
public:
    // Counts the processor the calling thread runs on now; safe from any thread.
    void record();
    // Counts the processor thread `tid` of this process ran on last.
    void recordThread(int tid);
    // The id of this process's thread named `name` (as the kernel has it), or 0.
    static int threadNamed(const char *name);
    void clear();
    // The processor counted most often, or -1 when nothing was counted.
    int dominant() const;
    // Share (0 to 1) of the counts on `cpu`.
    double share(int cpu) const;
    // "cpu1 97 %", or "?" when nothing was counted.
    QString describe() const;

private:
    static constexpr int Slots = 256;
    std::array<std::atomic<unsigned>, Slots> m_counts{};
};
