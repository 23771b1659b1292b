// SPDX-License-Identifier: GPL-3.0-or-later
// Median, 99th percentile, maximum and mean of a set of durations (any one unit).
#pragma once

#include <cstddef>
#include <vector>

struct LatencySummary
{
    std::size_t count = 0;
    double median = 0;
    double p99 = 0;
    double max = 0;
    double mean = 0;

    // Percentiles by nearest rank: the value below which at least that share of the set lies,
    // always one of the measured values.
    static LatencySummary of(std::vector<double> values);
};

// Nearest-rank percentile of sorted values, share in (0, 1].
double percentileOfSorted(const std::vector<double> &sorted, double share);
