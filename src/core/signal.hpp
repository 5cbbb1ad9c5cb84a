#pragma once
// Operations on a sampled signal: full convolution, min-max scaling, strict
// local maxima, a trailing moving average and exponential smoothing.

#include "core/error.hpp"
#include "core/vector.hpp"

#include <cstdint>
#include <vector>

namespace vexari::core::signal {

struct Peak {
    std::uint64_t index;
    double value;
};

Outcome<Vector> convolve(const Vector& signal, const Vector& kernel);
Outcome<Vector> normalize(const Vector& values);
std::vector<Peak> find_peaks(const Vector& values, double threshold);
Outcome<Vector> moving_average(const Vector& values, std::uint64_t window);
Outcome<Vector> exponential_smooth(const Vector& values, double alpha);

}  // namespace vexari::core::signal
