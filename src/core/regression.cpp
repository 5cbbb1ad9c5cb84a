#include "core/regression.hpp"

#include "core/linalg.hpp"
#include "core/stats.hpp"

#include <utility>

namespace vexari::core::stats {

Outcome<LinearFit> linear_regression(const Vector& x, const Vector& y) {
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

Outcome<Vector> polynomial_regression(const Vector& x, const Vector& y, std::uint64_t degree) {
    if (x.size() != y.size() || x.size() <= degree) return fail("not enough data for requested polynomial degree");
    const std::size_t k = degree + 1;  // no overflow: degree < n
    // Every entry is its own sum over the data; power sums are not shared
    // between entries of equal r + c, so each rounds exactly as written.
    Matrix normal(k, Vector(k));
    Vector rhs(k);
    for (std::size_t r = 0; r < k; ++r) {
        for (std::size_t c = 0; c < k; ++c) {
            double total = -0.0;
            for (double xi : x) total = total + integer_power(xi, r + c);
            normal[r][c] = total;
        }
        double total = -0.0;
        for (std::size_t i = 0; i < x.size(); ++i) total = total + y[i] * integer_power(x[i], r);
        rhs[r] = total;
    }
    return linalg::solve(std::move(normal), std::move(rhs));
}

}  // namespace vexari::core::stats
