#include "api/register.hpp"

#include "api/areas.hpp"

namespace vexari::api {

void register_all(PyObject* module) {
    register_derivative(module);  // tangent, gradient
    register_root(module);
    register_linalg(module);
    register_optimize(module);
    register_ode(module);
    register_integrate(module);
    register_trig(module);
    register_visualize(module);
    register_stats(module);
    register_interpolate(module);
    register_polynomial(module);
    register_signal(module);
}

}  // namespace vexari::api
