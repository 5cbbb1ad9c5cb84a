#pragma once
// The register step of every area; each adds its functions in table order.

#include "python.hpp"

namespace vexari::api {

void register_derivative(PyObject* module);
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

}  // namespace vexari::api
