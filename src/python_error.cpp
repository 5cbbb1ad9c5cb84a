#include "python_error.hpp"

namespace vexari {

void raise(PyObject* type, std::string_view message) {
    Ref text = checked(PyUnicode_FromStringAndSize(message.data(), static_cast<Py_ssize_t>(message.size())));
    PyErr_SetObject(type, text.get());
    throw_python_error();
}

}  // namespace vexari
