// SPDX-License-Identifier: GPL-3.0-or-later
#include "threadpinning.h"

#include <pthread.h>
#include <sched.h>

namespace ThreadPinning {

bool twoCores(int *first, int *second)
{
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) != 0)
        return false;
    int found = 0;
    for (int cpu = 0; cpu < CPU_SETSIZE && found < 2; ++cpu) {
        if (!CPU_ISSET(cpu, &allowed))
            continue;
        *(found == 0 ? first : second) = cpu;
        ++found;
    }
    return found == 2;
}

bool pinCurrentThread(int cpu)
{
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    return ::pthread_setaffinity_np(::pthread_self(), sizeof one, &one) == 0;
}

} // namespace ThreadPinning
