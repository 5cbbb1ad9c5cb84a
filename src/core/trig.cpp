#include "core/trig.hpp"

namespace vexari::core::trig {

namespace {

inline constexpr double degree = 0.017453292519943295;
inline constexpr double gradians_per_half_turn = 200.0;

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
    return {s / den, sh / den};
}

}  // namespace vexari::core::trig
