#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

// The typical step of a time column: the median of its positive finite steps, read at up to
// `places` places spread over it; 0 when it has none. `Times` has size() and at(i).
template <typename Times> double typicalStep(const Times &times, int places)
{
    const int count = int(times.size());
    const int stride = std::max(1, (count - 1) / places);
    std::vector<double> steps;
    for (int i = 1; i < count; i += stride) {
        const double step = times.at(i) - times.at(i - 1);
        if (std::isfinite(step) && step > 0.0)
            steps.push_back(step);
    }
    if (steps.empty())
        return 0.0;
    const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    return *middle;
}
