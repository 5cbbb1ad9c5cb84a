#pragma once
// Descriptive statistics over samples. Every sum runs in index order into an
// accumulator that starts at -0.0, so an empty sum (or a sum of negative
// zeros) is -0.0; means come first, deviations in a second pass.

#include "core/error.hpp"
#include "core/vector.hpp"

#include <cmath>
#include <cstdint>

namespace vexari::core::stats {

// The only threshold of the statistics: 2^-52, the double-precision epsilon.
inline constexpr double epsilon = 2.220446049250313e-16;

// The definitions shared by the descriptive routines and the fits.
template <Values V>
double sum(const V& values) {
    double total = -0.0;
    for (std::size_t i = 0; i < values.size(); ++i) total = total + values[i];
    return total;
}

template <Values V>
double arithmetic_mean(const V& values) {
    return sum(values) / static_cast<double>(values.size());
}

// Sum of (v - m)(v - m) about the given mean.
template <Values V>
double squared_deviations(const V& values, double mean) {
    double total = -0.0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double deviation = values[i] - mean;
        total = total + deviation * deviation;
    }
    return total;
}

// Sum of (a - ma)(b - mb) over the common length of a and b.
template <Values A, Values B>
double cross_deviations(const A& a, double mean_a, const B& b, double mean_b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    double total = -0.0;
    for (std::size_t i = 0; i < n; ++i) total = total + (a[i] - mean_a) * (b[i] - mean_b);
    return total;
}

template <Values V>
double population_variance(const V& values) {
    return squared_deviations(values, arithmetic_mean(values)) / static_cast<double>(values.size());
}

// IEEE 754-2008 minNum and maxNum: a NaN operand yields the other one, and
// -0.0 orders below +0.0.
inline double min_num(double a, double b) {
    if (std::isnan(a)) return b;
    if (std::isnan(b)) return a;
    if (a == b) return std::signbit(a) ? a : b;
    return a < b ? a : b;
}
inline double max_num(double a, double b) {
    if (std::isnan(a)) return b;
    if (std::isnan(b)) return a;
    if (a == b) return std::signbit(a) ? b : a;
    return a > b ? a : b;
}

// Folds from +inf and -inf, so NaN entries are skipped and an all-NaN input
// leaves the starting values.
template <Values V>
double minimum(const V& values) {
    double result = INFINITY;
    for (std::size_t i = 0; i < values.size(); ++i) result = min_num(result, values[i]);
    return result;
}

template <Values V>
double maximum(const V& values) {
    double result = -INFINITY;
    for (std::size_t i = 0; i < values.size(); ++i) result = max_num(result, values[i]);
    return result;
}

struct Summary {
    std::uint64_t count;
    double mean;
    double variance;  // population
    double std_dev;
    double min;
    double max;
};

template <Values V>
Outcome<double> mean(const V& values) {
    if (values.size() == 0) return fail("values must not be empty");
    return arithmetic_mean(values);
}

template <Values V>
Outcome<double> variance(const V& values, bool sample) {
    const std::size_t d = sample ? 1 : 0;
    if (values.size() < d + 1) return fail("not enough values for variance");
    return squared_deviations(values, arithmetic_mean(values)) / static_cast<double>(values.size() - d);
}

template <Values A, Values B>
Outcome<double> covariance(const A& left, const B& right, bool sample) {
    if (left.size() == 0 || left.size() != right.size()) return fail("vectors must have equal nonzero length");
    const std::size_t d = sample ? 1 : 0;
    if (left.size() < d + 1) return fail("not enough values for sample covariance");
    const double sc = cross_deviations(left, arithmetic_mean(left), right, arithmetic_mean(right));
    return sc / static_cast<double>(left.size() - d);
}

// The checks interleave with the work on purpose: a constant vector is
// reported before a length mismatch.
template <Values A, Values B>
Outcome<double> correlation(const A& left, const B& right) {
    if (left.size() == 0) return fail("not enough values for variance");
    const double spread_left = std::sqrt(population_variance(left));
    if (right.size() == 0) return fail("not enough values for variance");
    const double spread_right = std::sqrt(population_variance(right));
    if (spread_left <= epsilon || spread_right <= epsilon) return fail("correlation is undefined for constant vectors");
    if (left.size() != right.size()) return fail("vectors must have equal nonzero length");
    const double n = static_cast<double>(left.size());
    const double sc = cross_deviations(left, arithmetic_mean(left), right, arithmetic_mean(right));
    return (sc / n) / (spread_left * spread_right);
}

// The deviations, the minimum and the maximum share the second pass: three
// independent folds, each in index order as its own routine runs it.
template <Values V>
Outcome<Summary> summary(const V& values) {
    if (values.size() == 0) return fail("values must not be empty");
    const double m = arithmetic_mean(values);
    double deviations = -0.0;
    double low = INFINITY;
    double high = -INFINITY;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double value = values[i];
        const double deviation = value - m;
        deviations = deviations + deviation * deviation;
        low = min_num(low, value);
        high = max_num(high, value);
    }
    const double var = deviations / static_cast<double>(values.size());
    return Summary{values.size(), m, var, std::sqrt(var), low, high};
}

}  // namespace vexari::core::stats
