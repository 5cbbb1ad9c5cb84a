#pragma once

#include "core/root.hpp"
#include "ref.hpp"

namespace vexari::api {

// {"root", "converged", "iterations", "history": [{"iteration", "x", "fx", "slope", "next_x"}, ...]}
Ref root_result_to_dict(const core::RootResult& result);


}  // namespace vexari::api
