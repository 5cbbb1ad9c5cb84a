#include "api/register.hpp"

#include "api/callback.hpp"
#include "build.hpp"
#include "core/integrate.hpp"
#include "function.hpp"

namespace vexari::api {

namespace {

// {"value", "error", "levels"}; a NaN "error" means the tolerance was not met.
Ref quad_result_to_dict(const core::QuadResult& result) {
    return dict_of(entry<"value">(result.value), entry<"error">(result.error), entry<"levels">(result.levels));
}

Ref tanh_sinh(Callable function, double a, double b, double tol, std::uint64_t max_levels) {
    ErrorSlot slot;
    return quad_result_to_dict(
        value_or_raise(slot, core::integrate::tanh_sinh(Scalar(function, slot), a, b, tol, max_levels)));
}

Ref tan_sinh(Callable function, double a, double tol, std::uint64_t max_levels) {
    ErrorSlot slot;
    return quad_result_to_dict(
        value_or_raise(slot, core::integrate::tan_sinh(Scalar(function, slot), a, tol, max_levels)));
}

Ref quad_inf(Callable function, double tol, std::uint64_t max_levels) {
    ErrorSlot slot;
    return quad_result_to_dict(
        value_or_raise(slot, core::integrate::quad_inf(Scalar(function, slot), tol, max_levels)));
}

}  // namespace

void register_integrate(PyObject* module) {
    add_functions<Function<"tanh_sinh(function, a, b, tol=1e-10, max_levels=12)", tanh_sinh>,
                  Function<"tan_sinh(function, a=0.0, tol=1e-10, max_levels=12)", tan_sinh>,
                  Function<"quad_inf(function, tol=1e-10, max_levels=12)", quad_inf>>(module);
}

}  // namespace vexari::api
