#pragma once
// The data shapes shared by every numerical routine.

#include <vector>

namespace vexari::core {

using Vector = std::vector<double>;
using Matrix = std::vector<Vector>;

}  // namespace vexari::core
