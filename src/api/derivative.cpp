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
    return to_python(value_or_raise(slot, core::derivative::tangent(Scalar(function, slot, Evaluations::few), x)));
}

Ref gradient(Callable function, Vector point) {
    ErrorSlot slot;
    // The converted point is this call's own, so the gradient may move it.
    return to_python(value_or_raise(slot, core::derivative::gradient(VectorScalar(function, slot), std::move(point))));
}

}  // namespace

void register_derivative(PyObject* module) {
    add_functions<Function<"tangent(function, x, method=\"central\")", tangent>,
                  Function<"gradient(function, point)", gradient>>(module);
}

}  // namespace vexari::api
