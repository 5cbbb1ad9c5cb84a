#pragma once

#include "core/visualize.hpp"
#include "ref.hpp"

#include <vector>

namespace vexari::api {

// [{"x_start", "y_start", "x_end", "y_end", "center", "slope"}, ...]
Ref lines_to_list(const std::vector<core::Segment>& segments);

// [{"x", "y", "dx", "dy"}, ...]
Ref samples_to_list(const std::vector<core::FieldSample>& samples);

}  // namespace vexari::api
