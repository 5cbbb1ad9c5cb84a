#include "api/register.hpp"

#include "api/callback.hpp"
#include "api/capacity.hpp"
#include "build.hpp"
#include "core/visualize.hpp"
#include "function.hpp"

#include <vector>

namespace vexari::api {

namespace {

// [{"x_start", "y_start", "x_end", "y_end", "center", "slope"}, ...]
Ref lines_to_list(const std::vector<core::Segment>& segments) {
    return list_of(segments, [](const core::Segment& s) {
        return dict_of(entry<"x_start">(s.x_start), entry<"y_start">(s.y_start), entry<"x_end">(s.x_end),
                       entry<"y_end">(s.y_end), entry<"center">(s.center), entry<"slope">(s.slope));
    });
}

// [{"x", "y", "dx", "dy"}, ...]
Ref samples_to_list(const std::vector<core::FieldSample>& samples) {
    return list_of(samples, [](const core::FieldSample& s) {
        return dict_of(entry<"x">(s.x), entry<"y">(s.y), entry<"dx">(s.dx), entry<"dy">(s.dy));
    });
}

Ref tangent_lines(Callable function, double x_start, double x_end, Vector centers) {
    ErrorSlot slot;
    return lines_to_list(
        value_or_raise(slot, core::visualize::tangent_lines(Scalar(function, slot), x_start, x_end, centers)));
}

Ref newton_animation_data(Callable function, double x0, double tol, std::uint64_t max_iter) {
    ErrorSlot slot;
    const core::RootResult run = value_or_raise(slot, core::root::newton(Scalar(function, slot), x0, tol, max_iter));
    return lines_to_list(core::visualize::newton_segments(run.history));
}

Ref ode_direction_field(Callable function, Pair x_range, Pair y_range, std::uint64_t x_count, std::uint64_t y_count) {
    capacity::require_storable(x_count, y_count, capacity::per_record(4, sizeof(core::FieldSample)));
    ErrorSlot slot;
    return samples_to_list(value_or_raise(
        slot, core::visualize::direction_field(Scalar2(function, slot), x_range.first, x_range.second, y_range.first,
                                               y_range.second, x_count, y_count)));
}

}  // namespace

void register_visualize(PyObject* module) {
    add_functions<Function<"tangent_lines(function, x_start, x_end, centers)", tangent_lines>,
                  Function<"newton_animation_data(function, x0, tol=1e-10, max_iter=50)", newton_animation_data>,
                  Function<"ode_direction_field(function, x_range, y_range, x_count, y_count)", ode_direction_field>>(
        module);
}

}  // namespace vexari::api
