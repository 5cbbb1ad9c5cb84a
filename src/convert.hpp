#pragma once
// Conversions from Python objects to the parameter kinds of the module's
// functions. Each throws PythonError with the interpreter's exception set.

#include "compiled_function.hpp"
#include "core/vector.hpp"
#include "double_buffer.hpp"
#include "python_error.hpp"

#include <cstdint>
#include <string_view>
#include <utility>

namespace vexari {

using core::Matrix;
using core::Vector;
using Pair = std::pair<double, double>;

// A callable parameter, unchecked; calling it is the adapters' business. A
// compiled function is recognised here (see compiled_function.hpp), and a
// reference to its object is held for the whole call, so that the code it owns
// stays loaded however other threads drop theirs while the lock is released.
struct Callable {
    PyObject* object;
    std::string_view name;  // the parameter's, for messages
    CompiledFunction compiled{};
    Ref owner{};
    PyObject* get() const noexcept { return object; }
};

// "'TYPE' object is not an instance of 'TARGET'" ("'None' is not ..." for None).
[[noreturn]] void raise_cast_failure(PyObject* object, const char* target);

// float: the exact type first, then the number protocol (int, bool, __float__, __index__).
inline double to_double(PyObject* object) {
    if (PyFloat_CheckExact(object)) return PyFloat_AS_DOUBLE(object);
    const double value = PyFloat_AsDouble(object);
    if (value == -1.0 && PyErr_Occurred()) throw_python_error();
    return value;
}

// Called while a conversion's exception is pending: a TypeError becomes a new
// TypeError "argument 'NAME': <message>" with the same __cause__; other types
// pass unchanged. Always throws.
[[noreturn]] void rethrow_naming_argument(std::string_view name);

std::uint64_t to_count(PyObject* object);
bool to_flag(PyObject* object);
// Borrowed from the str object, which the caller keeps alive for the call.
std::string_view to_text(PyObject* object);
Vector to_vector(PyObject* object);
// The same into items, whose earlier contents are dropped and storage reused.
void read_vector_into(PyObject* object, Vector& items);
// The same, except that a Vector read as a buffer (a standard numeric buffer
// or a data library's exported array) is held and returned, items left empty;
// otherwise the returned hold is empty and items hold the values.
DoubleBuffer read_vector_or_buffer(PyObject* object, Vector& items);
Matrix to_matrix(PyObject* object);
Pair to_pair(PyObject* object);

}  // namespace vexari
