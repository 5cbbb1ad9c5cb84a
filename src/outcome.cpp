#include "outcome.hpp"

#include "guard.hpp"

namespace vexari {

void set_error(const core::Error& error) {
    if (error.kind == core::ErrorKind::stopped) {
        set_panic("a run was stopped without an exception to report");
        return;
    }
    PyObject* type = error.kind == core::ErrorKind::no_memory ? PyExc_MemoryError : PyExc_ValueError;
    Ref text = checked(PyUnicode_FromStringAndSize(error.message.data(), static_cast<Py_ssize_t>(error.message.size())));
    PyErr_SetObject(type, text.get());
}

}  // namespace vexari
