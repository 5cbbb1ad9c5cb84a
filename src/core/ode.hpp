#pragma once
// Scalar initial-value problems y' = f(t, y): a fixed-step march generic over
// its single-step formula, and classical RK4 with step-doubling control. Both
// record every point from (t0, y0) on.

#include "core/error.hpp"
#include "core/numeric_function.hpp"

#include <cmath>
#include <cstddef>
#include <limits>
#include <string_view>
#include <vector>

namespace vexari::core {

struct OdePoint {
    double t;
    double y;
};

using OdePoints = std::vector<OdePoint>;

namespace ode {

// Refusals that keep a run from going on forever or outgrowing memory.
inline constexpr std::string_view infinite_limit = "an infinite t0 or t1 would never be reached";
inline constexpr std::string_view step_stalls = "the step is too small to advance t";
inline constexpr Error march_too_long{ErrorKind::no_memory,
                                      "the step is too small for the span: the points would not fit in memory"};
inline constexpr Error solution_too_long{ErrorKind::no_memory, "the solution has more points than memory can hold"};

inline constexpr double step_floor = 1e-12;
inline constexpr double end_tolerance = 1e-14;

// +1.0 or -1.0 by the sign bit, so +0.0 gives +1.0 and -0.0 gives -1.0; NaN for NaN.
inline double signum(double x) {
    if (std::isnan(x)) return x;
    return std::signbit(x) ? -1.0 : 1.0;
}

// With an infinite limit the loops would step forever. Two equal infinities
// are let through: their NaN span ends the run at once.
inline bool endless(double t0, double t1) {
    return (std::isinf(t0) || std::isinf(t1)) && !std::isnan(t1 - t0);
}

struct EulerStep {
    template <class F>
    double operator()(F& f, double t, double y, double H) const {
        const double k1 = f(t, y);
        return y + k1 * H;
    }
};

// f at the middle of the step, reached from (t, y) along the slope k: the
// stage that the midpoint and RK4 formulas share.
template <class F>
double half_step_stage(F& f, double t, double y, double k, double H) {
    return f(t + H * 0.5, y + (H * k) * 0.5);
}

struct MidpointStep {
    template <class F>
    double operator()(F& f, double t, double y, double H) const {
        const double k1 = f(t, y);
        const double k2 = half_step_stage(f, t, y, k1, H);
        return y + H * k2;
    }
};

struct Rk4Step {
    template <class F>
    double operator()(F& f, double t, double y, double H) const {
        const double k1 = f(t, y);
        const double k2 = half_step_stage(f, t, y, k1, H);
        const double k3 = half_step_stage(f, t, y, k2, H);
        const double k4 = f(t + H, y + H * k3);
        return y + (H * (((k1 + (k2 + k2)) + (k3 + k3)) + k4)) / 6.0;
    }
};

// Marches from t0 towards t1 with steps of |step| (at least 1e-12), the last
// one shortened to land on t1; time is accumulated step by step. The run is
// refused before any evaluation when it could never end or its points would
// exceed max_points, and fails should the rounding of t take it past them.
template <class Formula, class F>
Outcome<OdePoints> march(F&& f, double y0, double t0, double t1, double step, std::size_t max_points,
                         Formula formula = {}) {
    if (endless(t0, t1)) return fail(infinite_limit);
    const double span = t1 - t0;
    const double h = std::fmax(std::fabs(step), step_floor) * signum(span);
    const double dir = signum(h);
    // A NaN span takes no step; otherwise one point per step, and one to spare
    // for the rounding of the accumulated t.
    const double estimate = std::isnan(span) ? 1.0 : std::fabs(span) / std::fabs(h) + 2.0;
    if (!(estimate <= static_cast<double>(max_points))) return fail(march_too_long);

    OdePoints points;
    points.reserve(static_cast<std::size_t>(estimate));
    points.push_back({t0, y0});
    double t = t0;
    double y = y0;
    while ((t1 - t) * dir > end_tolerance) {
        const double H = ((t + h) - t1) * dir > 0.0 ? t1 - t : h;
        // Far from zero a tiny step is lost in the rounding of t + H.
        if (t + H == t) return fail(step_stalls);
        // The estimate counts nominal steps; the rounding of the accumulated t
        // can call for more (a last step that does not land on t1 takes another),
        // and those must not carry the run past max_points either.
        if (points.size() >= max_points) return fail(march_too_long);
        const double next = formula(f, t, y, H);
        t = t + H;
        y = next;
        points.push_back({t, y});
        // The caller drops a run whose function failed; the rest would be NaN.
        if (has_failed(f)) break;
    }
    return points;
}

namespace detail {

inline constexpr double growth = 1.8;
inline constexpr double safety = 0.9;
inline constexpr double exponent = 0.2;
inline constexpr double smallest_factor = 0.2;
inline constexpr double largest_factor = 2.0;

}  // namespace detail

// RK4 with step doubling: every attempt takes the step H once in full and once
// as two halves (12 evaluations); the halves are kept when they agree with the
// full step within tol, or when |H| <= 1e-12. The run ends at t1, at a NaN
// error estimate, at any disagreement when tol is below zero, or when it can
// make no further progress: the attempted step no longer changes t, or a
// rejected attempt would be repeated unchanged. It fails when the points would
// exceed max_points.
template <class F>
Outcome<OdePoints> adaptive_rk4(F&& f, double y0, double t0, double t1, double initial_step, double tol,
                                std::size_t max_points) {
    if (endless(t0, t1)) return fail(infinite_limit);
    double h = std::fmax(std::fabs(initial_step), step_floor) * signum(t1 - t0);
    OdePoints points{{t0, y0}};
    double t = t0;
    double y = y0;
    if (!((t1 - t0) * signum(h) > end_tolerance)) return points;
    // t and y stay put after a rejection, so the same H would give the same attempt again.
    double rejected = std::numeric_limits<double>::quiet_NaN();
    for (;;) {
        const double H = ((t + h) - t1) * signum(h) > 0.0 ? t1 - t : h;
        if (t + H == t || H == rejected) return points;

        // The full step, then the same span as two halves. The second half
        // starts at t + H2, which is t + H * 0.5 to the bit.
        const Rk4Step step;
        const double y_full = step(f, t, y, H);
        const double H2 = H * 0.5;
        const double y_mid = step(f, t, y, H2);
        const double y_two = step(f, t + H2, y_mid, H2);

        const double difference = y_two - y_full;
        const double err = std::fabs(difference);
        if (std::fabs(H) <= step_floor || err <= tol) {
            if (points.size() >= max_points) return fail(solution_too_long);
            points.push_back({t + H, y_two});
            t = t + H;
            y = y_two;
            rejected = std::numeric_limits<double>::quiet_NaN();
        } else {
            rejected = H;
        }

        double factor = detail::growth;
        if (difference != 0.0) {
            // Written as comparisons so that a NaN passes both clamps. A
            // tolerance below zero is never met, so any disagreement ends the
            // run: tol / err is negative and its power NaN, except for an
            // infinite err, whose -0.0 would shrink the step, and the exact
            // agreements that grow it again could then cycle for ever.
            double scale =
                tol < 0.0 ? std::numeric_limits<double>::quiet_NaN() : std::pow(tol / err, detail::exponent);
            if (scale < detail::smallest_factor) scale = detail::smallest_factor;
            if (scale > detail::largest_factor) scale = detail::largest_factor;
            factor = detail::safety * scale;
        }
        h = H * factor;
        if (!((t1 - t) * signum(h) > end_tolerance)) return points;
    }
}

}  // namespace ode

}  // namespace vexari::core
