#pragma once
// The result shape shared by every optimizer.

#include "core/vector.hpp"

#include <cstdint>
#include <vector>

namespace vexari::core {

// One iteration. Each step owns copies of its vectors, so later moves of the
// iterate never reach a recorded step.
struct OptimizeStep {
    std::uint64_t iteration;
    Vector point;     // the iterate at which the iteration started
    double value;     // the objective there
    Vector gradient;  // the iteration's direction: the gradient, or the Gauss-Newton step
};

struct OptimizeResult {
    Vector point;
    double value;
    bool converged;
    std::uint64_t iterations;
    std::vector<OptimizeStep> history;
};

}  // namespace vexari::core
