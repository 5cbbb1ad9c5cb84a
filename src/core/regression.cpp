#include "core/regression.hpp"

#include "core/stats.hpp"

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

}  // namespace vexari::core::stats
