#pragma once
// Operations on a sampled signal: full convolution, min-max scaling, strict
// local maxima, a trailing moving average and exponential smoothing.

#include "core/error.hpp"
#include "core/numeric_function.hpp"
#include "core/vector.hpp"

#include <cstdint>
#include <vector>

namespace vexari::core::signal {

struct Peak {
    std::uint64_t index;
    double value;
};

// Full convolution: out[i + j] += signal[i] * kernel[j], i outer, from +0.0.
// The watch is asked after every row of the kernel; once it has failed the
// run stops and its partial output is the caller's to discard.
template <class Watch>
Outcome<Vector> convolve(const Vector& signal, const Vector& kernel, const Watch& watch) {
    if (signal.empty() || kernel.empty()) return fail("signal and kernel must be nonempty");
    Vector out(signal.size() + kernel.size() - 1, 0.0);
    for (std::size_t i = 0; i < signal.size(); ++i) {
        for (std::size_t j = 0; j < kernel.size(); ++j) out[i + j] = out[i + j] + signal[i] * kernel[j];
        if (has_failed(watch)) break;
    }
    return out;
}

Outcome<Vector> normalize(const Vector& values);
std::vector<Peak> find_peaks(const Vector& values, double threshold);
Outcome<Vector> moving_average(const Vector& values, std::uint64_t window);
Outcome<Vector> exponential_smooth(const Vector& values, double alpha);

}  // namespace vexari::core::signal
