#pragma once
// Tangent-family special functions of one real argument, and the complex tangent.

#include <cmath>
#include <utility>

namespace vexari::core::trig {

inline constexpr double pi = 3.141592653589793;

// The integrand F(t)/t of the tangent integrals, with its limit 1 at t = 0.
template <class F>
double over_t(const F& fn, double t) {
    return t == 0.0 ? 1.0 : fn(t) / t;
}

// Adaptive Simpson with Richardson correction for the integral of F(t)/t over
// [a, b] with midpoint m; `whole` is the Simpson estimate of all of [a, b].
// Each call evaluates its five points afresh; only the estimates are passed down.
template <class F>
double recurse(const F& fn, unsigned depth, double a, double b, double m, double whole, double tol) {
    const double lm = (a + m) * 0.5;
    const double rm = (b + m) * 0.5;
    // The weight 4 is applied after the division, and is exactly 4.0 at t = 0.
    const double left = ((m - a) * ((over_t(fn, a) + over_t(fn, lm) * 4.0) + over_t(fn, m))) / 6.0;
    const double right = ((b - m) * ((over_t(fn, m) + over_t(fn, rm) * 4.0) + over_t(fn, b))) / 6.0;
    const double s = left + right;
    const double diff = s - whole;
    // A NaN difference never passes, so such an interval splits down to depth 0.
    if (depth == 0 || std::fabs(diff) <= tol * 15.0) return s + diff / 15.0;
    return recurse(fn, depth - 1, a, m, lm, left, tol * 0.5) + recurse(fn, depth - 1, m, b, rm, right, tol * 0.5);
}

double tanpi(double x);
double tan_deg(double x);
double tan_grad(double x);
// The integral of tan(t)/t from 0 to x.
double tanint(double x);
// The integral of atan(t)/t from 0 to x.
double atanint(double x);
// tan(re + i im) as (real part, imaginary part).
std::pair<double, double> complex_tan(double re, double im);

}  // namespace vexari::core::trig
