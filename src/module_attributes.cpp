#include "module_attributes.hpp"

#include "convert.hpp"
#include "lazy.hpp"

namespace vexari {

void add_public(PyObject* module, PyObject* name, PyObject* value) {
    PyObject* all_name = interned<"__all__">();
    Ref all = Ref::steal(PyObject_GetAttr(module, all_name));
    if (!all) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw_python_error();
        PyErr_Clear();
        all = checked(PyList_New(0));
        checked_status(PyObject_SetAttr(module, all_name, all.get()));
    }
    if (!PyList_Check(all.get())) raise_cast_failure(all.get(), "list");
    checked_status(PyList_Append(all.get(), name));
    checked_status(PyObject_SetAttr(module, name, value));
}

void add_function(PyObject* module, PyMethodDef& method) {
    Ref module_name = checked(PyModule_GetNameObject(module));
    // No self: the entry receives NULL (and ignores it), and __self__ is None.
    // The flags stay exactly METH_FASTCALL | METH_KEYWORDS, the combination the
    // interpreter specialises its calls for (any further flag, METH_STATIC
    // included, sends every call down the generic vectorcall route).
    Ref function = checked(PyCMethod_New(&method, nullptr, module_name.get(), nullptr));
    Ref name = checked(PyObject_GetAttr(function.get(), interned<"__name__">()));
    add_public(module, name.get(), function.get());
}

}  // namespace vexari
