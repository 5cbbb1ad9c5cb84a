#pragma once
// Sampled one-dimensional data: even grids, a function sampled on a grid,
// finite differences of equally spaced samples, and interpolation through
// (x, y) data with strictly increasing x.

#include "core/error.hpp"
#include "core/numeric_function.hpp"
#include "core/vector.hpp"

#include <cstdint>
#include <limits>
#include <vector>

namespace vexari::core::interpolate {

// Point i of the count-point grid from start to end: start + (d * i) / m with
// d = end - start and m = count - 1. The last point is whatever that gives, not
// end itself; a one-point grid is start alone, whatever end is.
class Grid {
public:
    Grid(double start, double end, std::uint64_t count)
        : start_(start), span_(end - start), intervals_(static_cast<double>(count - 1)), single_(count == 1) {}
    double operator[](std::uint64_t i) const {
        if (single_) return start_;
        return start_ + (span_ * static_cast<double>(i)) / intervals_;
    }

private:
    double start_;
    double span_;
    double intervals_;
    bool single_;
};

struct Sample {
    double x;
    double y;
};

// One evaluation per grid point, in grid order. All storage is taken before
// the first evaluation, so a grid too large to hold fails before f runs.
template <class F>
Outcome<std::vector<Sample>> sample_grid(F&& f, double start, double end, std::uint64_t count) {
    std::vector<Sample> samples;
    samples.reserve(count);
    const Grid grid(start, end, count);
    for (std::uint64_t i = 0; i < count; ++i) {
        const double x = grid[i];
        samples.push_back({x, f(x)});
        // A failed function is not called again and its run is discarded.
        if (has_failed(f)) break;
    }
    return samples;
}

template <Values V>
Outcome<Vector> finite_difference(const V& values, double spacing) {
    const std::size_t n = values.size();
    if (n < 2 || spacing == 0.0) return fail("need at least two values and nonzero spacing");
    const double h = spacing;
    Vector out(n);
    out[0] = (values[1] - values[0]) / h;
    for (std::size_t i = 1; i + 1 < n; ++i) out[i] = (values[i + 1] - values[i - 1]) / (h + h);
    out[n - 1] = (values[n - 1] - values[n - 2]) / h;
    return out;
}

template <Values X, Values Y>
Outcome<void> validate_xy(const X& x, const Y& y) {
    if (x.size() < 2 || x.size() != y.size()) return fail("x and y must have matching length of at least two");
    // Asked as "is it greater", so that a NaN abscissa fails too.
    for (std::size_t i = 0; i + 1 < x.size(); ++i)
        if (!(x[i + 1] > x[i])) return fail("x values must be strictly increasing");
    return {};
}

template <Values X, Values Y>
Outcome<double> linear_interpolate(const X& x, const Y& y, double query) {
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
    return std::numeric_limits<double>::quiet_NaN();  // only a NaN query matches no interval
}

// What linear_interpolate reads in full: every x is compared, but only the two
// values of y around the query are read.
struct LinearInterpolateReads {
    constexpr bool operator()(std::size_t position, std::size_t, std::size_t) const noexcept { return position == 0; }
};


// The Lagrange form, n^2 divisions with nothing precomputed; queries outside
// the data are extrapolated. The watch is asked after every basis term.
template <class Watch>
Outcome<double> lagrange_interpolate(const Vector& x, const Vector& y, double query, const Watch& watch) {
    if (auto valid = validate_xy(x, y); !valid) return std::unexpected(valid.error());
    double total = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        double weight = 1.0;
        for (std::size_t j = 0; j < x.size(); ++j)
            if (j != i) weight = weight * ((query - x[j]) / (x[i] - x[j]));
        total = total + weight * y[i];
        if (has_failed(watch)) break;
    }
    return total;
}

}  // namespace vexari::core::interpolate
