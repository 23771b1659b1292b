// SPDX-License-Identifier: GPL-3.0-or-later
#include "latencysummary.h"

#include <algorithm>
#include <cmath>
#include <numeric>

double percentileOfSorted(const std::vector<double> &sorted, double share)
{
    if (sorted.empty())
        return 0;
    const auto rank = static_cast<std::size_t>(std::ceil(share * double(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

LatencySummary LatencySummary::of(std::vector<double> values)
{
    LatencySummary s;
    s.count = values.size();
    if (values.empty())
        return s;
    std::sort(values.begin(), values.end());
    s.median = percentileOfSorted(values, 0.50);
    s.p99 = percentileOfSorted(values, 0.99);
    s.max = values.back();
    s.mean = std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
    return s;
}
