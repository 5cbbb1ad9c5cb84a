#include "core/stats.hpp"

namespace vexari::core::stats {

double sum(const Vector& values) {
    double total = -0.0;
    for (double value : values) total = total + value;
    return total;
}

double arithmetic_mean(const Vector& values) { return sum(values) / static_cast<double>(values.size()); }

double squared_deviations(const Vector& values, double mean) {
    double total = -0.0;
    for (double value : values) {
        const double deviation = value - mean;
        total = total + deviation * deviation;
    }
    return total;
}

double cross_deviations(const Vector& a, double mean_a, const Vector& b, double mean_b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    double total = -0.0;
    for (std::size_t i = 0; i < n; ++i) total = total + (a[i] - mean_a) * (b[i] - mean_b);
    return total;
}

double population_variance(const Vector& values) {
    return squared_deviations(values, arithmetic_mean(values)) / static_cast<double>(values.size());
}

double minimum(const Vector& values) {
    double result = INFINITY;
    for (double value : values) result = min_num(result, value);
    return result;
}

double maximum(const Vector& values) {
    double result = -INFINITY;
    for (double value : values) result = max_num(result, value);
    return result;
}

Outcome<double> mean(const Vector& values) {
    if (values.empty()) return fail("values must not be empty");
    return arithmetic_mean(values);
}

Outcome<double> variance(const Vector& values, bool sample) {
    const std::size_t d = sample ? 1 : 0;
    if (values.size() < d + 1) return fail("not enough values for variance");
    return squared_deviations(values, arithmetic_mean(values)) / static_cast<double>(values.size() - d);
}

Outcome<double> covariance(const Vector& left, const Vector& right, bool sample) {
    if (left.empty() || left.size() != right.size()) return fail("vectors must have equal nonzero length");
    const std::size_t d = sample ? 1 : 0;
    if (left.size() < d + 1) return fail("not enough values for sample covariance");
    const double sc = cross_deviations(left, arithmetic_mean(left), right, arithmetic_mean(right));
    return sc / static_cast<double>(left.size() - d);
}

// The checks interleave with the work on purpose: a constant vector is
// reported before a length mismatch.
Outcome<double> correlation(const Vector& left, const Vector& right) {
    if (left.empty()) return fail("not enough values for variance");
    const double spread_left = std::sqrt(population_variance(left));
    if (right.empty()) return fail("not enough values for variance");
    const double spread_right = std::sqrt(population_variance(right));
    if (spread_left <= epsilon || spread_right <= epsilon) return fail("correlation is undefined for constant vectors");
    if (left.size() != right.size()) return fail("vectors must have equal nonzero length");
    const double n = static_cast<double>(left.size());
    const double sc = cross_deviations(left, arithmetic_mean(left), right, arithmetic_mean(right));
    return (sc / n) / (spread_left * spread_right);
}

Outcome<Summary> summary(const Vector& values) {
    if (values.empty()) return fail("values must not be empty");
    const double m = arithmetic_mean(values);
    const double var = squared_deviations(values, m) / static_cast<double>(values.size());
    return Summary{values.size(), m, var, std::sqrt(var), minimum(values), maximum(values)};
}

}  // namespace vexari::core::stats
