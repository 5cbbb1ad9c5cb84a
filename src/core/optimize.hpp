#pragma once
// The optimizers. Each is generic over the function it evaluates and builds on
// the shared numerics: the central differences of core::derivative, the dense
// solver of core::linalg and the Newton engine of core::root.

#include "core/derivative.hpp"
#include "core/error.hpp"
#include "core/linalg.hpp"
#include "core/numeric_function.hpp"
#include "core/optimize_result.hpp"
#include "core/root.hpp"
#include "core/vector.hpp"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace vexari::core::optimize {

// 0.5 * (sum of r_i^2), summed in index order from -0.0.
inline double half_sum_of_squares(const Vector& r) {
    double sum = -0.0;
    for (const double value : r) sum = sum + value * value;
    return 0.5 * sum;
}

// Fixed-step descent along the numerical gradient. The returned point is the
// iterate whose gradient passed the test (that gradient is not applied); an
// unconverged run ends one step beyond its last record, with the objective
// evaluated there.
template <class F>
Outcome<OptimizeResult> gradient_descent(F&& f, const Vector& start, double step_size, double tol,
                                         std::uint64_t max_iter) {
    OptimizeResult result{start, 0.0, false, 0, OptimizeHistory(start.size())};
    Vector& x = result.point;
    Vector g;
    Vector moved;
    for (std::uint64_t k = 0; k != max_iter; ++k) {
        const double value = f(static_cast<const Vector&>(x));
        derivative::gradient_into(f, x, g, moved);
        const double g_norm = linalg::norm(g);
        result.history.record(k, x, value, g);
        if (g_norm <= tol) {
            result.value = value;
            result.converged = true;
            result.iterations = k + 1;
            return result;
        }
        for (std::size_t i = 0; i < x.size(); ++i) x[i] = x[i] - step_size * g[i];
        // A failed function's run is discarded; what is left would only be NaN.
        if (has_failed(f)) break;
    }
    result.value = f(static_cast<const Vector&>(x));
    result.iterations = result.history.size();  // max_iter, unless the function failed
    return result;
}

// Gauss-Newton on the residuals F: each iteration solves the normal equations
// J^T J d = -J^T r and takes the full step d. The recorded "gradient" of a step
// is d itself. The returned point is the iterate whose step passed the test.
// Forming and solving the normal equations is cubic work without a single
// evaluation, so the watch is asked once per residual row and per pivot column;
// a failed watch abandons the run with linalg::stopped.
template <class F, class Watch>
Outcome<OptimizeResult> gauss_newton(F&& f, const Vector& start, double tol, std::uint64_t max_iter,
                                     const Watch& watch) {
    OptimizeResult result{start, 0.0, false, 0, OptimizeHistory(start.size())};
    Vector& x = result.point;
    const std::size_t n = x.size();
    // Storage reused by every iteration.
    Vector r;
    Matrix j;
    derivative::JacobianScratch scratch;
    Matrix a;
    Vector b;
    Vector delta;
    for (std::uint64_t k = 0; k != max_iter; ++k) {
        evaluate_into(f, x, r);
        const double value = half_sum_of_squares(r);
        if (auto formed = derivative::jacobian_into(f, x, j, scratch); !formed) return std::unexpected(formed.error());
        // The Jacobian checks its own evaluations against each other; this
        // ties them to the residual of the same iterate.
        if (j.size() != r.size()) return fail(derivative::length_changed);

        // Taken at the first iteration, as late as before any reuse; later the
        // solver has left the previous system eliminated (rows swapped, all of
        // length n), so every entry starts again from +0.0.
        a.resize(n);
        for (Vector& row : a) row.assign(n, 0.0);
        b.assign(n, 0.0);
        for (std::size_t i = 0; i < r.size(); ++i) {
            if (has_failed(watch)) return fail(linalg::stopped);
            const Vector& row = j[i];
            for (std::size_t p = 0; p < n; ++p) {
                b[p] = b[p] - row[p] * r[i];
                for (std::size_t q = 0; q < n; ++q) a[p][q] = a[p][q] + row[p] * row[q];
            }
        }
        if (auto solved = linalg::solve_into(a, b, delta, watch); !solved) return std::unexpected(solved.error());

        result.history.record(k, x, value, delta);
        if (linalg::norm(delta) <= tol) {
            result.value = value;
            result.converged = true;
            result.iterations = k + 1;
            return result;
        }
        for (std::size_t p = 0; p < n; ++p) x[p] = delta[p] + x[p];
    }
    result.value = half_sum_of_squares(f(static_cast<const Vector&>(x)));
    result.iterations = max_iter;
    return result;
}

// The central-difference derivative of f as a numeric function of its own,
// failing whenever f has failed.
template <class F>
struct CentralDerivative {
    F& f;
    double operator()(double x) const { return derivative::central_slope(f, x); }
    bool failed() const { return has_failed(f); }
};

// Newton's iteration on f', so the engine's own slope estimates f''. Any
// stationary point qualifies. The engine keeps no history (none is returned,
// and a long budget then costs no memory); f is evaluated once more at the
// root it returns.
template <class F>
Outcome<OptimizeResult> stationary_newton(F&& f, double start, double tol, std::uint64_t max_iter) {
    const Outcome<RootResult> run = root::newton<root::RootOnly>(CentralDerivative<F>{f}, start, tol, max_iter);
    if (!run) return std::unexpected(run.error());
    const double value = f(run->root);
    return OptimizeResult{{run->root}, value, run->converged, run->iterations, {}};
}

}  // namespace vexari::core::optimize
