#pragma once

#include "core/optimize_result.hpp"
#include "ref.hpp"

namespace vexari::api {

// {"point", "value", "converged", "iterations", "history": [{"iteration", "point", "value", "gradient"}, ...]}
Ref optimize_result_to_dict(const core::OptimizeResult& result);

}  // namespace vexari::api
