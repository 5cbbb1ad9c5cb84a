#include "api/register.hpp"

#include "build.hpp"
#include "core/trig.hpp"
#include "function.hpp"

namespace vexari::api {

namespace {

Ref tanpi(double x) { return to_python(core::trig::tanpi(x)); }
Ref tanint(double x) { return to_python(core::trig::tanint(x)); }
Ref atanint(double x) { return to_python(core::trig::atanint(x)); }
Ref complex_tan(double re, double im) { return to_python(core::trig::complex_tan(re, im)); }
Ref tan_deg(double x) { return to_python(core::trig::tan_deg(x)); }
Ref tan_grad(double x) { return to_python(core::trig::tan_grad(x)); }

}  // namespace

void register_trig(PyObject* module) {
    add_functions<Function<"tanpi(x)", tanpi>, Function<"tanint(x)", tanint>, Function<"atanint(x)", atanint>,
                  Function<"complex_tan(re, im)", complex_tan>, Function<"tan_deg(x)", tan_deg>,
                  Function<"tan_grad(x)", tan_grad>>(module);
}

}  // namespace vexari::api
