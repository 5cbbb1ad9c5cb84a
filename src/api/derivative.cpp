#include "api/register.hpp"

#include "api/callback.hpp"
#include "build.hpp"
#include "core/derivative.hpp"
#include "function.hpp"

#include <string_view>

namespace vexari::api {

namespace {

// Every method name is accepted and every one gets the central difference.
Ref tangent(Callable function, double x, std::string_view /*method*/) {
    ErrorSlot slot;
    const double slope = core::derivative::tangent(Scalar(function, slot, Evaluations::few), x);
    slot.raise_if_holding();
    return to_python(slope);
}

Ref gradient(Callable function, Vector point) {
    ErrorSlot slot;
    // The converted point is this call's own, so the gradient may move it.
    Vector result;
    core::derivative::gradient_moving(VectorScalar(function, slot), point, result);
    slot.raise_if_holding();
    return to_python(result);
}

}  // namespace

void register_derivative(PyObject* module) {
    add_functions<Function<"tangent(function, x, method=\"central\")", tangent>,
                  Function<"gradient(function, point)", gradient>>(module);
}

}  // namespace vexari::api
