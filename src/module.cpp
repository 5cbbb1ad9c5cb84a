// The module definition and its import entry. Functions are not in a method
// table: the execution step creates and registers them in table order.

#include "api/register.hpp"
#include "convert.hpp"
#include "guard.hpp"
#include "lazy.hpp"
#include "module_attributes.hpp"

namespace vexari {

namespace {

int execute(PyObject* module) {
    return guarded_status([module] {
        if (!PyModule_Check(module)) raise_cast_failure(module, "module");
        Ref version = checked(PyUnicode_FromString(VEXARI_VERSION));
        add_public(module, interned<"__version__">(), version.get());
        // Not in __all__: the class of internal failures, there to be caught by name.
        checked_status(PyModule_AddObjectRef(module, "PanicException", panic_type()));
        api::register_all(module);
    });
}

PyModuleDef_Slot slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(&execute)},
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
    {0, nullptr},
};

PyModuleDef definition = {
    PyModuleDef_HEAD_INIT,
    "vexari",
    "",
    0,
    nullptr,
    slots,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace

}  // namespace vexari

PyMODINIT_FUNC PyInit_vexari() { return PyModuleDef_Init(&vexari::definition); }
