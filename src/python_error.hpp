#pragma once
// Inside the boundary a Python exception travels as a C++ exception: whoever
// sets the interpreter's error indicator throws PythonError, and the call guard
// hands the pending exception back to the interpreter.

#include "ref.hpp"

#include <string_view>

namespace vexari {

struct PythonError {};

[[noreturn]] inline void throw_python_error() { throw PythonError{}; }

// Result of a C-API call that returns a new reference or NULL with an exception set.
inline Ref checked(PyObject* object) {
    if (object == nullptr) throw_python_error();
    return Ref::steal(object);
}

// Result of a C-API call that returns -1 with an exception set.
inline void checked_status(int status) {
    if (status < 0) throw_python_error();
}

[[noreturn]] void raise(PyObject* type, std::string_view message);

}  // namespace vexari
