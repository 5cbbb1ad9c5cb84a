#pragma once
// Tanh-sinh (double-exponential) quadrature, and its use over unbounded ranges
// through the substitution x = a + tan v.

#include "core/error.hpp"
#include "core/numeric_function.hpp"

#include <cmath>
#include <cstdint>
#include <limits>

namespace vexari::core {

struct QuadResult {
    double value;
    double error;  // NaN when the tolerance was not met
    std::uint64_t levels;
};

namespace integrate {

inline constexpr double half_pi = 1.5707963267948966;

namespace detail {

inline constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// The node count n = ceil(6 / h), saturated to the range of a signed 32-bit integer.
inline std::int64_t node_bound(double h) {
    const double n = std::ceil(6.0 / h);
    constexpr double largest = std::numeric_limits<std::int32_t>::max();
    return n >= largest ? static_cast<std::int64_t>(largest) : static_cast<std::int64_t>(n);
}

}  // namespace detail

// Integrates g over [lo, hi], refining level by level until two successive
// estimates agree within tol or max_levels is reached. Every level evaluates
// all of its nodes afresh over t in [-6, 6]; no node is cut off, so g is
// called at the interval's ends, where the weights are tiny but not zero, and
// never outside them.
template <class G>
Outcome<QuadResult> tanh_sinh(G&& g, double lo, double hi, double tol, std::uint64_t max_levels) {
    if (lo == hi) return QuadResult{0.0, 0.0, 0};
    if (max_levels < 3) return QuadResult{detail::nan, detail::nan, max_levels};
    const double c = (lo + hi) * 0.5;
    const double half = (hi - lo) * 0.5;
    // c + half * tanh(u) rounds, and can land just outside the interval, where
    // the integrand may not even be defined; such a node is moved to the end.
    const double lower = lo < hi ? lo : hi;
    const double upper = lo < hi ? hi : lo;
    double prev = detail::nan;
    for (std::uint64_t k = 3;; ++k) {
        // Powers of two are exact; past 2^-1074 the step is zero.
        const double h = std::ldexp(1.0, -static_cast<int>(k < 2000 ? k : 2000));
        const std::int64_t n = detail::node_bound(h);
        double sum = 0.0;
        for (std::int64_t j = -n; j <= n; ++j) {
            const double t = h * static_cast<double>(j);
            const double u = std::sinh(t) * half_pi;
            double x = c + half * std::tanh(u);
            if (x < lower) x = lower;  // a NaN node fails both tests and stays
            if (x > upper) x = upper;
            const double cosh_u = std::cosh(u);
            const double w = (std::cosh(t) * half_pi) / (cosh_u * cosh_u);
            sum = sum + g(x) * w;
            // The caller drops a run whose integrand failed: nothing left to compute matters.
            if (has_failed(g)) return QuadResult{detail::nan, detail::nan, max_levels};
        }
        const double estimate = (half * h) * sum;
        if (std::isfinite(prev)) {
            const double err = std::fabs(estimate - prev);
            if (err <= tol) return QuadResult{estimate, err, k};
        }
        if (k == max_levels) return QuadResult{estimate, detail::nan, max_levels};
        prev = estimate;
    }
}

// g(v) = f(a + tan v) / cos^2 v: the integral of f over [a, inf) is that of g
// over [0, pi/2], and over the whole line (a = 0) that of g over [-pi/2, pi/2].
template <class F>
struct TangentSubstitution {
    F f;
    double shift;

    double operator()(double v) {
        const double value = f(shift + std::tan(v));
        const double cos_v = std::cos(v);
        return value / (cos_v * cos_v);
    }
    bool failed() const { return has_failed(f); }
};

// The integral of f over [a, inf).
template <class F>
Outcome<QuadResult> tan_sinh(F&& f, double a, double tol, std::uint64_t max_levels) {
    return tanh_sinh(TangentSubstitution<F&>{f, a}, 0.0, half_pi, tol, max_levels);
}

// The integral of f over the whole real line.
template <class F>
Outcome<QuadResult> quad_inf(F&& f, double tol, std::uint64_t max_levels) {
    return tanh_sinh(TangentSubstitution<F&>{f, 0.0}, -half_pi, half_pi, tol, max_levels);
}

}  // namespace integrate

}  // namespace vexari::core
