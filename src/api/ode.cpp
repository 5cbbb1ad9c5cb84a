#include "api/register.hpp"

#include "api/callback.hpp"
#include "api/capacity.hpp"
#include "build.hpp"
#include "core/ode.hpp"
#include "function.hpp"

#include <cstdint>

namespace vexari::api {

namespace {

// The most points a run may keep, each a record with its dict of two floats.
std::size_t storable_points() {
    return capacity::storable_items(capacity::per_record(2, sizeof(core::OdePoint)));
}

// [{"t", "y"}, ...] in the order computed.
Ref ode_points_to_list(const core::OdePoints& points) {
    return list_of(points, [](const core::OdePoint& point) {
        return dict_of(entry<"t">(point.t), entry<"y">(point.y));
    });
}

template <class Formula>
Ref march(Callable& function, double y0, double t0, double t1, double step) {
    ErrorSlot slot;
    return ode_points_to_list(
        value_or_raise(slot, core::ode::march<Formula>(Scalar2(function, slot), y0, t0, t1, step, storable_points())));
}

Ref euler(Callable function, double y0, double t0, double t1, double step) {
    return march<core::ode::EulerStep>(function, y0, t0, t1, step);
}

Ref midpoint(Callable function, double y0, double t0, double t1, double step) {
    return march<core::ode::MidpointStep>(function, y0, t0, t1, step);
}

Ref rk4(Callable function, double y0, double t0, double t1, double step) {
    return march<core::ode::Rk4Step>(function, y0, t0, t1, step);
}

Ref adaptive_rk4(Callable function, double y0, double t0, double t1, double initial_step, double tol) {
    ErrorSlot slot;
    return ode_points_to_list(value_or_raise(
        slot, core::ode::adaptive_rk4(Scalar2(function, slot), y0, t0, t1, initial_step, tol, storable_points())));
}

}  // namespace

void register_ode(PyObject* module) {
    add_functions<Function<"euler(function, y0, t0, t1, step)", euler>,
                  Function<"midpoint(function, y0, t0, t1, step)", midpoint>,
                  Function<"rk4(function, y0, t0, t1, step)", rk4>,
                  Function<"adaptive_rk4(function, y0, t0, t1, initial_step, tol=1e-8)", adaptive_rk4>>(module);
}

}  // namespace vexari::api
