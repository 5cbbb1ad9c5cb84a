#pragma once
// Root finding in one variable with a full history. One loop serves every
// method; a method is a step policy that evaluates the function at an iterate
// and proposes the next one. Every derivative is a finite difference of the
// function itself.

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

// Newton: three evaluations, at x, x + 1e-6 and x - 1e-6, in this order.
struct NewtonStep {
    template <class F>
    Outcome<Proposal> operator()(F& f, double x) const {
        const double gx = f(x);
        const double gp = f(x + 1e-6);
        const double gm = f(x - 1e-6);
        const double slope = (gp - gm) / 2e-6;
        if (std::fabs(slope) < flat_threshold) return fail("tangent slope is too small for Newton step");
        return Proposal{gx, slope, x - gx / slope};
    }
};

// The shared loop: budget test first, then one proposal per iteration, recorded,
// then the residual test at the old iterate or the step test.
template <class Step, class F>
Outcome<RootResult> iterate(F&& f, std::uint64_t max_iter, double x0, double tol, Step step = {}) {
    RootResult result{{}, x0, 0, false};
    double x = x0;
    for (std::uint64_t k = 0; k != max_iter; ++k) {
        const Outcome<Proposal> proposal = step(f, x);
        if (!proposal) return std::unexpected(proposal.error());
        const auto [fx, slope, next] = *proposal;
        result.history.push_back({k, x, fx, slope, next});
        if (std::fabs(fx) <= tol || std::fabs(next - x) <= tol) {
            result.root = next;
            result.iterations = k + 1;
            result.converged = true;
            return result;
        }
        x = next;
        // A failed function answers NaN from here on: no later iteration can
        // converge or report a flat slope, and the caller drops the run.
        if (has_failed(f)) break;
    }
    result.root = x;
    result.iterations = result.history.size();  // max_iter, unless the function failed
    return result;
}

template <class F>
Outcome<RootResult> newton(F&& f, std::uint64_t max_iter, double x0, double tol) {
    return iterate<NewtonStep>(f, max_iter, x0, tol);
}

}  // namespace root

}  // namespace vexari::core
