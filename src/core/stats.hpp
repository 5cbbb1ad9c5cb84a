#pragma once
// Descriptive statistics over Vectors of samples. Every sum runs in index
// order into an accumulator that starts at -0.0, so an empty sum (or a sum of
// negative zeros) is -0.0; means come first, deviations in a second pass.

#include "core/error.hpp"
#include "core/vector.hpp"

#include <cmath>
#include <cstdint>

namespace vexari::core::stats {

// The only threshold of the statistics: 2^-52, the double-precision epsilon.
inline constexpr double epsilon = 2.220446049250313e-16;

// The definitions shared by the descriptive routines and the fits.
double sum(const Vector& values);
double arithmetic_mean(const Vector& values);
// Sum of (v - m)(v - m) about the given mean.
double squared_deviations(const Vector& values, double mean);
// Sum of (a - ma)(b - mb) over the common length of a and b.
double cross_deviations(const Vector& a, double mean_a, const Vector& b, double mean_b);
double population_variance(const Vector& values);

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
double minimum(const Vector& values);
double maximum(const Vector& values);

struct Summary {
    std::uint64_t count;
    double mean;
    double variance;  // population
    double std_dev;
    double min;
    double max;
};

Outcome<double> mean(const Vector& values);
Outcome<double> variance(const Vector& values, bool sample);
Outcome<double> covariance(const Vector& left, const Vector& right, bool sample);
Outcome<double> correlation(const Vector& left, const Vector& right);
Outcome<Summary> summary(const Vector& values);

}  // namespace vexari::core::stats
