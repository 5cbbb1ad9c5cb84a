#pragma once
// Plain plotting data: line segments (tangent lines, Newton frames) and the
// unit direction vectors of a slope field. Nothing here draws anything.

#include "core/derivative.hpp"
#include "core/error.hpp"
#include "core/interpolate.hpp"
#include "core/numeric_function.hpp"
#include "core/root.hpp"
#include "core/vector.hpp"

#include <cmath>
#include <cstdint>
#include <vector>

namespace vexari::core {

// One drawable segment together with the tangency it came from.
struct Segment {
    double x_start;
    double y_start;
    double x_end;
    double y_end;
    double center;
    double slope;
};

// A slope field sample: the grid point and the unit vector along the slope there.
struct FieldSample {
    double x;
    double y;
    double dx;
    double dy;
};

namespace visualize {

// The tangent of f at each center, over the common interval [x_start, x_end]
// (taken as given, not reordered): f at the center, then its central difference.
template <class F>
Outcome<std::vector<Segment>> tangent_lines(F&& f, double x_start, double x_end, const Vector& centers) {
    std::vector<Segment> segments;
    segments.reserve(centers.size());
    for (const double center : centers) {
        const double y = f(center);
        const double slope = derivative::central_slope(f, center);
        segments.push_back(
            {x_start, y + slope * (x_start - center), x_end, y + slope * (x_end - center), center, slope});
    }
    return segments;
}

// One Newton frame per iteration: the tangent from (x_k, f(x_k)) down to the
// axis at the next iterate.
inline std::vector<Segment> newton_segments(const std::vector<RootStep>& history) {
    std::vector<Segment> segments;
    segments.reserve(history.size());
    for (const RootStep& step : history)
        segments.push_back({step.x, step.fx, step.next_x, 0.0, step.x, step.slope});
    return segments;
}

// The slope field of y' = f(x, y): x is the outer loop, y the inner one. The
// whole field is reserved before f is first called, so a field too large to
// hold fails without a single evaluation; callers weigh the size first.
template <class F>
Outcome<std::vector<FieldSample>> direction_field(F&& f, double x0, double x1, double y0, double y1,
                                                  std::uint64_t nx, std::uint64_t ny) {
    std::vector<FieldSample> samples;
    if (nx == 0 || ny == 0) return samples;
    if (nx <= samples.max_size() / ny) samples.reserve(static_cast<std::size_t>(nx * ny));
    // Each coordinate comes from its index alone, so no rounding accumulates along an axis.
    const interpolate::Grid xs(x0, x1, nx);
    const interpolate::Grid ys(y0, y1, ny);
    for (std::uint64_t i = 0; i < nx; ++i) {
        const double x = xs[i];
        for (std::uint64_t j = 0; j < ny; ++j) {
            const double y = ys[j];
            const double s = f(x, y);
            const double norm = std::sqrt(s * s + 1.0);
            if (norm == INFINITY) {
                // s * s overflowed: the arrow is as good as vertical.
                samples.push_back({x, y, 1.0 / std::fabs(s), std::copysign(1.0, s)});
            } else {
                samples.push_back({x, y, 1.0 / norm, s / norm});
            }
        }
        // A failed function's field is discarded; the rest of the grid would only be NaN.
        if (has_failed(f)) break;
    }
    return samples;
}

}  // namespace visualize

}  // namespace vexari::core
