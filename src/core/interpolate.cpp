#include "core/interpolate.hpp"

namespace vexari::core::interpolate {

Vector linspace(double start, double end, std::uint64_t count) {
    Vector points(count);
    const Grid grid(start, end, count);
    for (std::uint64_t i = 0; i < count; ++i) points[i] = grid[i];
    return points;
}

Outcome<Vector> finite_difference(const Vector& values, double spacing) {
    const std::size_t n = values.size();
    if (n < 2 || spacing == 0.0) return fail("need at least two values and nonzero spacing");
    const double h = spacing;
    Vector out(n);
    out[0] = (values[1] - values[0]) / h;
    for (std::size_t i = 1; i + 1 < n; ++i) out[i] = (values[i + 1] - values[i - 1]) / (h + h);
    out[n - 1] = (values[n - 1] - values[n - 2]) / h;
    return out;
}

Outcome<void> validate_xy(const Vector& x, const Vector& y) {
    if (x.size() < 2 || x.size() != y.size()) return fail("x and y must have matching length of at least two");
    // Ordered comparisons: a pair involving NaN passes.
    for (std::size_t i = 0; i + 1 < x.size(); ++i)
        if (x[i + 1] <= x[i]) return fail("x values must be strictly increasing");
    return {};
}

Outcome<double> linear_interpolate(const Vector& x, const Vector& y, double query) {
    if (auto valid = validate_xy(x, y); !valid) return std::unexpected(valid.error());
    const std::size_t n = x.size();
    if (query < x[0] || query > x[n - 1]) return fail("query is outside interpolation range");
    // At an interior knot the left interval matches first.
    for (std::size_t i = 1; i < n; ++i) {
        if (x[i - 1] <= query && query <= x[i]) {
            const double t = (query - x[i - 1]) / (x[i] - x[i - 1]);
            return (1.0 - t) * y[i - 1] + t * y[i];
        }
    }
    return y[n - 1];  // only a NaN query (or NaN knots) matches no interval
}

}  // namespace vexari::core::interpolate
