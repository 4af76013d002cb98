#pragma once

#include <cmath>

// Least and greatest finite value over a stretch of samples, each with the index of its
// first occurrence, and whether the stretch holds a NaN or an infinity. Stretches merge
// left to right with the same result as one scan over their samples in order.
struct SampleExtremes
{
    double least = 0.0;
    double greatest = 0.0;
    int leastIndex = -1; // -1: no finite value
    int greatestIndex = -1;
    bool nonFinite = false;

    bool hasFinite() const { return leastIndex >= 0; }

    void add(double value, int index)
    {
        if (!std::isfinite(value)) {
            nonFinite = true;
            return;
        }
        if (leastIndex < 0 || value < least) {
            least = value;
            leastIndex = index;
        }
        if (greatestIndex < 0 || value > greatest) {
            greatest = value;
            greatestIndex = index;
        }
    }

    // `later` covers samples after this one's; its indexes are moved by `shift`.
    void merge(const SampleExtremes &later, int shift)
    {
        nonFinite = nonFinite || later.nonFinite;
        if (!later.hasFinite())
            return;
        if (leastIndex < 0 || later.least < least) {
            least = later.least;
            leastIndex = later.leastIndex + shift;
        }
        if (greatestIndex < 0 || later.greatest > greatest) {
            greatest = later.greatest;
            greatestIndex = later.greatestIndex + shift;
        }
    }
};
