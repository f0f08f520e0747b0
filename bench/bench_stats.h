#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

// Median and 99th percentile of a set of samples, printed in one line.
inline void printPercentiles(const char* what, std::vector<double> samples, const char* unit) {
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) { return samples[size_t(q * double(samples.size() - 1))]; };
    std::printf("%-48s median %8.3f %s   p99 %8.3f %s   (n=%zu)\n", what, at(0.5), unit, at(0.99),
                unit, samples.size());
}
