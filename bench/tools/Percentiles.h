#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

// Nearest-rank percentile of microsecond samples; sorts them.
inline double percentile(std::vector<double>& samples, double fraction)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const size_t rank = size_t(fraction * double(samples.size() - 1) + 0.5);
    return samples[std::min(rank, samples.size() - 1)];
}

// One line a script can read: "p50=.. p99=.. max=.. n=.." in microseconds.
inline void printLatencies(std::vector<double>& samples)
{
    const double p50 = percentile(samples, 0.50);
    const double p99 = percentile(samples, 0.99);
    std::printf("p50=%.1f p99=%.1f max=%.1f n=%zu\n", p50, p99, samples.empty() ? 0.0 : samples.back(), samples.size());
}
