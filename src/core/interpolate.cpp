#include "core/interpolate.hpp"

namespace vexari::core::interpolate {

Vector linspace(double start, double end, std::uint64_t count) {
    Vector points(count);
    const Grid grid(start, end, count);
    for (std::uint64_t i = 0; i < count; ++i) points[i] = grid[i];
    return points;
}

}  // namespace vexari::core::interpolate
