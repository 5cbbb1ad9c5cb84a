#include "api/register.hpp"

#include "api/callback.hpp"
#include "api/capacity.hpp"
#include "api/interrupt_watch.hpp"
#include "build.hpp"
#include "core/interpolate.hpp"
#include "function.hpp"
#include "outcome.hpp"

#include <ranges>

namespace vexari::api {

namespace {

// Per point of a grid: its list slot and its float.
constexpr std::size_t grid_point_bytes = capacity::list_slot + capacity::float_object;

// The points go straight from the grid into the list, never held as doubles.
Ref linspace(double start, double end, std::uint64_t count) {
    capacity::require_storable(count, grid_point_bytes);
    const core::interpolate::Grid grid(start, end, count);
    return list_of(std::views::iota(std::uint64_t{0}, count), [&grid](std::uint64_t i) { return to_python(grid[i]); });
}

// [{"x", "y"}, ...] in grid order. The result list is taken at its full length
// before the function first runs.
Ref sample_grid(Callable function, double start, double end, std::uint64_t count) {
    capacity::require_storable(count, capacity::per_record(2, sizeof(core::interpolate::Sample)));
    ListBuilder list(count);
    ErrorSlot slot;
    const auto samples =
        value_or_raise(slot, core::interpolate::sample_grid(Scalar(function, slot), start, end, count));
    for (const auto& sample : samples) list.append(dict_of(entry<"x">(sample.x), entry<"y">(sample.y)));
    return std::move(list).finish();
}

Ref linear_interpolate(InPlaceVector x, InPlaceVector y, double query) {
    const auto routine = [](const auto& xs, const auto& ys, double q) {
        return core::interpolate::linear_interpolate(xs, ys, q);
    };
    return to_python(value_or_raise(
        read_in_place_covering(core::interpolate::LinearInterpolateReads{}, with_values(routine, query), x, y)));
}

Ref lagrange_interpolate(Vector x, Vector y, double query) {
    ErrorSlot slot;
    return to_python(value_or_raise(slot, core::interpolate::lagrange_interpolate(x, y, query, InterruptWatch(slot))));
}

Ref finite_difference(InPlaceVector values, double spacing) {
    const auto routine = [](const auto& v, double h) { return core::interpolate::finite_difference(v, h); };
    return to_python(value_or_raise(read_in_place(with_values(routine, spacing), values)));
}

}  // namespace

void register_interpolate(PyObject* module) {
    add_functions<Function<"linspace(start, end, count)", linspace>,
                  Function<"sample_grid(function, start, end, count)", sample_grid>,
                  Function<"linear_interpolate(x, y, query)", linear_interpolate>,
                  Function<"lagrange_interpolate(x, y, query)", lagrange_interpolate>,
                  Function<"finite_difference(values, spacing)", finite_difference>>(module);
}

}  // namespace vexari::api
