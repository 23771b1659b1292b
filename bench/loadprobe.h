// SPDX-License-Identifier: GPL-3.0-or-later
// How busy the machine is: the benchmark shares its cores with whatever else runs.
#pragma once

#include <QString>

namespace LoadProbe {

// "/proc/loadavg" as "1-min 5-min 15-min", or "?" where it cannot be read.
QString loadAverage();
// The 1-minute load average, or -1.
double oneMinute();

} // namespace LoadProbe
