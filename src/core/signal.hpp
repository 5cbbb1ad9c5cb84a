#pragma once
// Operations on a sampled signal: full convolution, min-max scaling, strict
// local maxima, a trailing moving average and exponential smoothing.

#include "core/error.hpp"
#include "core/numeric_function.hpp"
#include "core/stats.hpp"
#include "core/vector.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace vexari::core::signal {

struct Peak {
    std::uint64_t index;
    double value;
};

// Full convolution: out[i + j] += signal[i] * kernel[j], i outer, from +0.0.
// The watch is asked after a row of the kernel once about watch_interval
// products have been added since it was last asked (asking costs more than a
// short row); once it has failed the run stops and its partial output is the
// caller's to discard.
inline constexpr std::size_t watch_interval = std::size_t{1} << 14;

template <class Watch>
Outcome<Vector> convolve(const Vector& signal, const Vector& kernel, const Watch& watch) {
    if (signal.empty() || kernel.empty()) return fail("signal and kernel must be nonempty");
    Vector out(signal.size() + kernel.size() - 1, 0.0);
    std::size_t unwatched = 0;
    for (std::size_t i = 0; i < signal.size(); ++i) {
        for (std::size_t j = 0; j < kernel.size(); ++j) out[i + j] = out[i + j] + signal[i] * kernel[j];
        unwatched += kernel.size();
        if (unwatched >= watch_interval) {
            unwatched = 0;
            if (has_failed(watch)) break;
        }
    }
    return out;
}


template <Values V>
Outcome<Vector> normalize(const V& values) {
    if (values.size() == 0) return fail("values must be nonempty");
    // The minimum and the maximum share one pass: two folds, each in index order.
    double low = INFINITY;
    double high = -INFINITY;
    for (std::size_t i = 0; i < values.size(); ++i) {
        low = stats::min_num(low, values[i]);
        high = stats::max_num(high, values[i]);
    }
    const double range = high - low;
    // A NaN range fails this test and spreads NaN below, as it should.
    if (std::fabs(range) < stats::epsilon) return Vector(values.size(), 0.0);
    Vector out(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) out[i] = (values[i] - low) / range;
    return out;
}

// Every value is read, neighbours included, whatever the comparisons decide:
// a caller reading a list in place counts on seeing each item.
template <Values V>
std::vector<Peak> find_peaks(const V& values, double threshold) {
    std::vector<Peak> peaks;
    for (std::size_t i = 1; i + 1 < values.size(); ++i) {
        const double before = values[i - 1];
        const double v = values[i];
        const double after = values[i + 1];
        if (v >= threshold && v > before && v > after) peaks.push_back({i, v});
    }
    return peaks;
}

// What find_peaks reads in full: every value of three or more, none of fewer
// (they hold no peak).
struct FindPeaksReads {
    constexpr bool operator()(std::size_t, std::size_t size) const noexcept { return size >= 3; }
};

namespace detail {

// How many NaNs and infinities of each sign the window holds. They are kept
// out of the running sum, which they would poison for good: inf - inf is NaN.
struct NonFiniteCounts {
    std::size_t nan = 0;
    std::size_t positive = 0;
    std::size_t negative = 0;

    void enter(double v) { ++counter(v); }
    void leave(double v) { --counter(v); }
    bool any() const { return nan + positive + negative != 0; }
    // What a window holding them averages to.
    double average() const {
        if (nan != 0 || (positive != 0 && negative != 0)) return std::numeric_limits<double>::quiet_NaN();
        return positive != 0 ? INFINITY : -INFINITY;
    }

private:
    std::size_t& counter(double v) { return std::isnan(v) ? nan : v > 0.0 ? positive : negative; }
};

}  // namespace detail

// The sum of the finite values is carried from sample to sample, never
// recomputed, so its rounding carries forward.
template <Values V>
Outcome<Vector> moving_average(const V& values, std::uint64_t window) {
    if (values.size() == 0 || window == 0) return fail("window and values must be nonempty");
    Vector out(values.size());
    double running = 0.0;
    detail::NonFiniteCounts held;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double entering = values[i];
        if (std::isfinite(entering)) running = running + entering;
        else held.enter(entering);
        if (i >= window) {
            const double leaving = values[i - window];
            if (std::isfinite(leaving)) running = running - leaving;
            else held.leave(leaving);
        }
        out[i] = held.any() ? held.average() : running / static_cast<double>(std::min<std::uint64_t>(i + 1, window));
    }
    return out;
}

template <Values V>
Outcome<Vector> exponential_smooth(const V& values, double alpha) {
    if (values.size() == 0 || !(0.0 <= alpha && alpha <= 1.0))
        return fail("values must be nonempty and alpha must be within [0, 1]");
    Vector out(values.size());
    out[0] = values[0];
    for (std::size_t i = 1; i < values.size(); ++i) out[i] = (1.0 - alpha) * out[i - 1] + alpha * values[i];
    return out;
}

}  // namespace vexari::core::signal
