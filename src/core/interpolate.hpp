#pragma once
// Sampled one-dimensional data: even grids, a function sampled on a grid,
// finite differences of equally spaced samples, and interpolation through
// (x, y) data with strictly increasing x.

#include "core/error.hpp"
#include "core/numeric_function.hpp"
#include "core/vector.hpp"

#include <cstdint>
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

Vector linspace(double start, double end, std::uint64_t count);

struct Sample {
    double x;
    double y;
};

// One evaluation per grid point, in grid order. All storage is taken before
// the first evaluation, so a grid too large to hold fails before f runs.
template <class F>
std::vector<Sample> sample_grid(F&& f, double start, double end, std::uint64_t count) {
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

Outcome<Vector> finite_difference(const Vector& values, double spacing);
Outcome<void> validate_xy(const Vector& x, const Vector& y);
Outcome<double> linear_interpolate(const Vector& x, const Vector& y, double query);

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
