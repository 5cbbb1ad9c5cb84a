#include "core/trig.hpp"

#include <limits>

namespace vexari::core::trig {

namespace {

inline constexpr double degree = 0.017453292519943295;
inline constexpr double gradians_per_half_turn = 200.0;
inline constexpr double half_pi = 1.5707963267948966;

// Both tangent integrals are odd: integrate over [0, |x|] and give it x's sign.
template <class F>
double odd_integral(const F& fn, double x) {
    if (x == 0.0) return 0.0;
    const double sign = std::isnan(x) ? x : (std::signbit(x) ? -1.0 : 1.0);
    const double a = std::fabs(x);
    const double m = a * 0.5;
    const double c = m == 0.0 ? 5.0 : (fn(m) / m) * 4.0 + 1.0;
    const double whole = (a * (c + fn(a) / a)) / 6.0;  // Simpson's rule on [0, a]
    return sign * recurse(fn, 20, 0.0, a, m, whole, 1e-10);
}

}  // namespace

double tanpi(double x) {
    // fmod keeps the sign of x, so -1.0 folds to -0.0 and stays there.
    double r = std::fmod(x, 1.0);
    if (r < 0.0) r = r + 1.0;
    const double angle = r * pi;
    return std::sin(angle) / std::cos(angle);
}

double tan_deg(double x) { return std::tan(x * degree); }

double tan_grad(double x) { return std::tan((x * pi) / gradians_per_half_turn); }

double tanint(double x) {
    // The integral diverges at pi/2; this double is just below it, and the
    // next one is already past.
    if (std::fabs(x) > half_pi) return std::numeric_limits<double>::quiet_NaN();
    return odd_integral([](double t) { return std::tan(t); }, x);
}

double atanint(double x) {
    return odd_integral([](double t) { return std::atan(t); }, x);
}

std::pair<double, double> complex_tan(double re, double im) {
    const double s = std::sin(re + re);
    const double c = std::cos(re + re);
    const double sh = std::sinh(im + im);
    const double ch = std::cosh(im + im);
    const double den = c + ch;
    if (den == 0.0) {
        // cos 2re = -1 and im = 0: c + ch cancels to zero, while the same
        // denominator written as 2 (cos^2 re + sinh^2 im) keeps what the
        // rounding of re left of it.
        const double cos_re = std::cos(re);
        const double sinh_im = std::sinh(im);
        const double den2 = (cos_re * cos_re + sinh_im * sinh_im) * 2.0;
        return {s / den2, sh / den2};
    }
    // Past |im| of about 355 sinh and cosh overflow; their ratio is still +-1.
    if (ch == INFINITY && std::isfinite(re)) return {s / den, std::copysign(1.0, im)};
    return {s / den, sh / den};
}

}  // namespace vexari::core::trig
