// Runs the fixed-step Euler march with a point limit of the caller's choosing
// (the module's own is half the machine's memory) on y' = 0 from y = 1:
// "ode_driver t0 t1 step max_points" prints "calls N", then "points N" or
// "error message".

#include "core/ode.hpp"

#include <cstdio>
#include <cstdlib>

using namespace vexari::core;

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    const double t0 = std::strtod(argv[1], nullptr);
    const double t1 = std::strtod(argv[2], nullptr);
    const double step = std::strtod(argv[3], nullptr);
    const std::size_t max_points = std::strtoull(argv[4], nullptr, 10);
    std::size_t calls = 0;
    const auto points = ode::march<ode::EulerStep>([&](double, double) { return ++calls, 0.0; }, 1.0, t0, t1, step,
                                                   max_points);
    std::printf("calls %zu\n", calls);
    if (points) std::printf("points %zu\n", points->size());
    else std::printf("error %.*s\n", static_cast<int>(points.error().message.size()), points.error().message.data());
    return 0;
}
