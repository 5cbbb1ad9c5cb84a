#include "api/areas.hpp"

#include "function.hpp"

namespace vexari::api {

void register_integrate(PyObject* module) {
    add_functions<>(module);
}

}  // namespace vexari::api
