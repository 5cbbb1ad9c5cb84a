#pragma once
// Least-squares fits of y against x: the closed-form straight line from the
// population moments, and the polynomial fit through its normal equations.

#include "core/error.hpp"
#include "core/linalg.hpp"
#include "core/numeric_function.hpp"
#include "core/stats.hpp"
#include "core/vector.hpp"

#include <cstdint>
#include <utility>

namespace vexari::core::stats {

struct LinearFit {
    double slope;
    double intercept;
    double r2;
};

template <Values X, Values Y>
Outcome<LinearFit> linear_regression(const X& x, const Y& y) {
    if (x.size() < 2 || x.size() != y.size()) return fail("x and y must have the same length of at least two");
    const double n = static_cast<double>(x.size());
    const double mean_x = arithmetic_mean(x);
    const double var_x = squared_deviations(x, mean_x) / n;
    if (var_x <= epsilon) return fail("linear regression requires nonconstant x values");

    const double mean_y = arithmetic_mean(y);
    const double slope = (cross_deviations(x, mean_x, y, mean_y) / n) / var_x;
    const double intercept = mean_y - slope * mean_x;

    const double ss_tot = squared_deviations(y, mean_y);
    double ss_res = -0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double residual = y[i] - (intercept + slope * x[i]);
        ss_res = ss_res + residual * residual;
    }
    // Sums, not means, meet the threshold; a NaN residual sum counts as a bad fit.
    double r2;
    if (ss_tot <= epsilon) r2 = ss_res <= epsilon ? 1.0 : 0.0;
    else r2 = 1.0 - ss_res / ss_tot;
    return LinearFit{slope, intercept, r2};
}

// x^e by squaring from the lowest bit of e. Its roundings are part of the
// results, so no general power function stands in for it; x^0 is 1.0 for
// every x, NaN included.
inline double integer_power(double x, std::uint64_t e) {
    double result = (e & 1) != 0 ? x : 1.0;
    double base = x;
    for (e >>= 1; e != 0; e >>= 1) {
        base = base * base;
        if ((e & 1) != 0) result = result * base;
    }
    return result;
}

// Coefficients in ascending powers, constant term first. The normal equations
// go to the dense solver, whose "matrix is singular" comes back unchanged. The
// watch is asked after every entry; once it has failed the run stops and its
// result is the caller's to discard.
template <class Watch>
Outcome<Vector> polynomial_regression(const Vector& x, const Vector& y, std::uint64_t degree, const Watch& watch) {
    if (x.size() != y.size() || x.size() <= degree) return fail("not enough data for requested polynomial degree");
    const std::size_t k = degree + 1;  // no overflow: degree < n
    // Every entry is its own sum over the data; power sums are not shared
    // between entries of equal r + c, so each rounds exactly as written.
    // Rows are allocated as they are filled, so memory grows no faster than the
    // work and a huge degree is interrupted long before it exhausts memory.
    Matrix normal;
    normal.reserve(k);
    Vector rhs(k);
    for (std::size_t r = 0; r < k; ++r) {
        Vector& row = normal.emplace_back(k);
        for (std::size_t c = 0; c < k; ++c) {
            double total = -0.0;
            for (double xi : x) total = total + integer_power(xi, r + c);
            row[c] = total;
            if (has_failed(watch)) return Vector{};
        }
        double total = -0.0;
        for (std::size_t i = 0; i < x.size(); ++i) total = total + y[i] * integer_power(x[i], r);
        rhs[r] = total;
    }
    return linalg::solve(std::move(normal), std::move(rhs));
}

}  // namespace vexari::core::stats
