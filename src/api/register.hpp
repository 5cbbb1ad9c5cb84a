#pragma once
// The module's functions, area by area: each area's unit defines its register
// step, which adds its functions in table order, and register_all calls them
// in the fixed public order.

#include "python.hpp"

namespace vexari::api {

void register_derivative(PyObject* module);  // tangent, gradient
void register_root(PyObject* module);
void register_linalg(PyObject* module);
void register_optimize(PyObject* module);
void register_ode(PyObject* module);
void register_integrate(PyObject* module);
void register_trig(PyObject* module);
void register_visualize(PyObject* module);
void register_stats(PyObject* module);
void register_interpolate(PyObject* module);
void register_polynomial(PyObject* module);
void register_signal(PyObject* module);

inline void register_all(PyObject* module) {
    register_derivative(module);
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
