#pragma once

#include "python.hpp"

namespace vexari::api {

// Adds every function of the module, area by area, in the fixed public order.
void register_all(PyObject* module);

}  // namespace vexari::api
