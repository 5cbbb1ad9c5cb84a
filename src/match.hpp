#pragma once
// The argument matcher: fills one slot per parameter from a fast call's
// positional arguments and keyword names, with the interpreter's own wording
// for every mismatch. Unfilled slots stay NULL and take their defaults later.

#include "python.hpp"

#include <cstddef>
#include <span>
#include <string_view>

namespace vexari {

struct CallShape {
    std::string_view name;
    std::span<const std::string_view> parameters;
    std::size_t required;
};

// slots has one entry per parameter; entries are borrowed from the call.
// Throws PythonError with TypeError set when the call does not fit.
void match_arguments(const CallShape& shape, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                     PyObject** slots);

// The same, with the commonest call (positional arguments only, as many as
// the parameters need) filled in line.
inline void match_arguments_fast(const CallShape& shape, PyObject* const* args, Py_ssize_t nargs,
                                 PyObject* kwnames, PyObject** slots) {
    const auto given = static_cast<std::size_t>(PyVectorcall_NARGS(static_cast<std::size_t>(nargs)));
    const std::size_t count = shape.parameters.size();
    if (kwnames != nullptr || given < shape.required || given > count) {
        match_arguments(shape, args, nargs, kwnames, slots);
        return;
    }
    for (std::size_t i = 0; i < count; ++i) slots[i] = i < given ? args[i] : nullptr;
}

}  // namespace vexari
