#pragma once
// Root finding in one variable with a full history. One loop serves every
// method; a method is a step policy that evaluates the function at an iterate
// and proposes the next one. Every derivative is a finite difference of the
// function itself. Engines take their arguments in the order of the Python
// functions they serve: the function, the start, then the options.

#include "core/derivative.hpp"
#include "core/error.hpp"
#include "core/numeric_function.hpp"

#include <cmath>
#include <cstdint>
#include <vector>

namespace vexari::core {

struct RootStep {
    std::uint64_t iteration;
    double x;
    double fx;
    double slope;
    double next_x;
};

struct RootResult {
    std::vector<RootStep> history;
    double root;
    std::uint64_t iterations;
    bool converged;
};

namespace root {

// What a step policy reports for one iterate: the value there (the one the
// convergence test reads), the recorded slope, and the proposed iterate.
struct Proposal {
    double fx;
    double slope;
    double next_x;
};

// The flatness threshold below which a step would be a division by nothing.
inline constexpr double flat_threshold = 1e-14;

// A step is called as step(f, x) once per iteration, in order, on one object
// that lives for the whole run: a step may carry state from one iteration to
// the next (a secant keeps the previous iterate and its value), and a
// stateless one is an empty type that costs nothing.

// Newton: three evaluations, at x, x + 1e-6 and x - 1e-6, in this order.
struct NewtonStep {
    template <class F>
    Outcome<Proposal> operator()(F& f, double x) const {
        const double gx = f(x);
        const double slope = derivative::central_slope(f, x);
        if (std::fabs(slope) < flat_threshold) return fail("tangent slope is too small for Newton step");
        return Proposal{gx, slope, x - gx / slope};
    }
};

// Halley: six evaluations, at x, x + 1e-6, x - 1e-6, x + 1e-4, x again and
// x - 1e-4. The first derivative comes from the narrow pair, the second from
// the wide triple (whose centre is the second value at x); the step is
// x - 2 f f' / (2 f'^2 - f f'').
struct HalleyStep {
    template <class F>
    Outcome<Proposal> operator()(F& f, double x) const {
        const double f0 = f(x);
        const double d1 = derivative::central_slope(f, x);
        const double fpp = f(x + 1e-4);
        const double f0b = f(x);
        const double fmm = f(x - 1e-4);
        const double d2 = ((fpp - (f0b + f0b)) + fmm) / 1e-8;
        const double den = d1 * (d1 + d1) - f0 * d2;
        if (std::fabs(den) < flat_threshold) return fail("Halley denominator is too small");
        return Proposal{f0, d1, x - ((f0 + f0) * d1) / den};
    }
};

// What the loop keeps of each iteration: every record (what the root functions
// return), or only the count, for callers that want the root alone and may
// run many iterations.
struct FullHistory {
    static constexpr bool keeps_records = true;
};
struct RootOnly {
    static constexpr bool keeps_records = false;
};

// The shared loop: budget test first, then one proposal per iteration, recorded,
// then the residual test at the old iterate or the step test.
template <class Step, class History = FullHistory, class F>
Outcome<RootResult> iterate(F&& f, double x0, double tol, std::uint64_t max_iter, Step step = {}) {
    RootResult result{{}, x0, 0, false};
    double x = x0;
    std::uint64_t k = 0;
    for (; k != max_iter; ++k) {
        const Outcome<Proposal> proposal = step(f, x);
        if (!proposal) return std::unexpected(proposal.error());
        const auto [fx, slope, next] = *proposal;
        if constexpr (History::keeps_records) result.history.push_back({k, x, fx, slope, next});
        if (std::fabs(fx) <= tol || std::fabs(next - x) <= tol) {
            result.root = next;
            result.iterations = k + 1;
            result.converged = true;
            return result;
        }
        x = next;
        // A failed function answers NaN from here on: no later iteration can
        // converge or report a flat slope, and the caller drops the run.
        if (has_failed(f)) {
            ++k;
            break;
        }
    }
    result.root = x;
    result.iterations = k;  // max_iter, unless the function failed
    return result;
}

template <class History = FullHistory, class F>
Outcome<RootResult> newton(F&& f, double x0, double tol, std::uint64_t max_iter) {
    return iterate<NewtonStep, History>(f, x0, tol, max_iter);
}

template <class F>
Outcome<RootResult> halley(F&& f, double x0, double tol, std::uint64_t max_iter) {
    return iterate<HalleyStep>(f, x0, tol, max_iter);
}

// Order 2 is Newton's iteration, order 3 Halley's; any other order is refused
// before anything is evaluated.
template <class F>
Outcome<RootResult> householder(F&& f, double x0, std::uint64_t order, double tol, std::uint64_t max_iter) {
    switch (order) {
        case 2: return newton(f, x0, tol, max_iter);
        case 3: return halley(f, x0, tol, max_iter);
        default: return fail("supported Householder orders are 2 and 3");
    }
}

}  // namespace root

}  // namespace vexari::core
