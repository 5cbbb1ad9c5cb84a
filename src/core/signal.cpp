#include "core/signal.hpp"

#include "core/stats.hpp"

#include <algorithm>
#include <cmath>

namespace vexari::core::signal {

Outcome<Vector> normalize(const Vector& values) {
    if (values.empty()) return fail("values must be nonempty");
    const double low = stats::minimum(values);
    const double range = stats::maximum(values) - low;
    // A NaN range fails this test and spreads NaN below, as it should.
    if (std::fabs(range) < stats::epsilon) return Vector(values.size(), 0.0);
    Vector out(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) out[i] = (values[i] - low) / range;
    return out;
}

std::vector<Peak> find_peaks(const Vector& values, double threshold) {
    std::vector<Peak> peaks;
    for (std::size_t i = 1; i + 1 < values.size(); ++i) {
        const double v = values[i];
        if (v >= threshold && v > values[i - 1] && v > values[i + 1]) peaks.push_back({i, v});
    }
    return peaks;
}

// The sum is carried from sample to sample, never recomputed: its rounding
// carries forward, and an infinity poisons every later output once it leaves.
Outcome<Vector> moving_average(const Vector& values, std::uint64_t window) {
    if (values.empty() || window == 0) return fail("window and values must be nonempty");
    Vector out(values.size());
    double running = 0.0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        running = running + values[i];
        if (i >= window) running = running - values[i - window];
        out[i] = running / static_cast<double>(std::min<std::uint64_t>(i + 1, window));
    }
    return out;
}

Outcome<Vector> exponential_smooth(const Vector& values, double alpha) {
    if (values.empty() || !(0.0 <= alpha && alpha <= 1.0))
        return fail("values must be nonempty and alpha must be within [0, 1]");
    Vector out(values.size());
    out[0] = values[0];
    for (std::size_t i = 1; i < values.size(); ++i) out[i] = (1.0 - alpha) * out[i - 1] + alpha * values[i];
    return out;
}

}  // namespace vexari::core::signal
