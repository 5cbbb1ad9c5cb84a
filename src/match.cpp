#include "match.hpp"

#include "lazy.hpp"
#include "python_error.hpp"

#include <string>

namespace vexari {

namespace {

std::string quoted(std::string_view name) {
    std::string text = "'";
    text += name;
    text += '\'';
    return text;
}

[[noreturn]] void too_many_positional(const CallShape& shape, std::size_t given) {
    std::string text(shape.name);
    const std::size_t count = shape.parameters.size();
    text += "() takes ";
    if (shape.required == count) {
        text += std::to_string(count);
    } else {
        text += "from " + std::to_string(shape.required) + " to " + std::to_string(count);
    }
    text += " positional arguments but " + std::to_string(given) + (given == 1 ? " was given" : " were given");
    raise(PyExc_TypeError, text);
}

[[noreturn]] void missing_required(const CallShape& shape, PyObject* const* slots) {
    std::string names;
    std::size_t missing = 0;
    for (std::size_t i = 0; i < shape.required; ++i) missing += slots[i] == nullptr ? 1 : 0;
    std::size_t listed = 0;
    for (std::size_t i = 0; i < shape.required; ++i) {
        if (slots[i] != nullptr) continue;
        ++listed;
        names += quoted(shape.parameters[i]);
        if (listed + 1 < missing) names += ", ";
        else if (listed + 1 == missing) names += missing > 2 ? ", and " : " and ";
    }
    std::string text(shape.name);
    text += "() missing " + std::to_string(missing) +
            (missing == 1 ? " required positional argument: " : " required positional arguments: ") + names;
    raise(PyExc_TypeError, text);
}

// Makes the interned str of each parameter name, for match_interned_keywords.
// Interning gives back the interpreter's one object for that text, the one its
// compiler puts in keyword tuples. Only the main interpreter makes them: its
// interned strings last as long as the process, whereas a subinterpreter with
// an intern table of its own frees that table's strings when it ends, which
// would leave a dangling cell that a new object could come to match. Elsewhere
// the cells stay as they are and calls match by string. A name that cannot be
// made (no memory) leaves its cell empty: the optimisation must not fail a call.
void intern_names(const CallShape& shape) {
    for (std::size_t i = 0; i < shape.parameters.size(); ++i) {
        if (shape.interned[i].load(std::memory_order_acquire) != nullptr) continue;
        if (PyInterpreterState_Get() != PyInterpreterState_Main()) return;
        const std::string_view name = shape.parameters[i];
        try {
            create_once(shape.interned[i], [name] {
                PyObject* text = PyUnicode_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size()));
                if (text != nullptr) PyUnicode_InternInPlace(&text);
                return text;
            });
        } catch (const PythonError&) {
            PyErr_Clear();
        }
    }
}

}  // namespace

void match_arguments(const CallShape& shape, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                     PyObject** slots) {
    const std::size_t count = shape.parameters.size();
    const auto given = static_cast<std::size_t>(PyVectorcall_NARGS(static_cast<std::size_t>(nargs)));
    if (given > count) too_many_positional(shape, given);
    for (std::size_t i = 0; i < count; ++i) slots[i] = i < given ? args[i] : nullptr;

    if (kwnames != nullptr) {
        intern_names(shape);
        const Py_ssize_t keywords = PyTuple_GET_SIZE(kwnames);
        for (Py_ssize_t k = 0; k < keywords; ++k) {
            PyObject* key = PyTuple_GET_ITEM(kwnames, k);
            // Only a caller in C can pass another object (the interpreter refuses
            // one in **). The messages below print the key as a str and would read
            // any other object's memory as text: refuse it first, in the words the
            // interpreter uses for its own functions.
            if (!PyUnicode_Check(key)) raise(PyExc_TypeError, std::string(shape.name) + "() keywords must be strings");
            std::size_t slot = count;
            for (std::size_t i = 0; i < count; ++i) {
                const std::string_view name = shape.parameters[i];
                if (PyUnicode_EqualToUTF8AndSize(key, name.data(), static_cast<Py_ssize_t>(name.size()))) {
                    slot = i;
                    break;
                }
            }
            if (slot == count) {
                PyErr_Format(PyExc_TypeError, "%.*s() got an unexpected keyword argument '%U'",
                             static_cast<int>(shape.name.size()), shape.name.data(), key);
                throw_python_error();
            }
            if (slots[slot] != nullptr) {
                PyErr_Format(PyExc_TypeError, "%.*s() got multiple values for argument '%U'",
                             static_cast<int>(shape.name.size()), shape.name.data(), key);
                throw_python_error();
            }
            slots[slot] = args[given + static_cast<std::size_t>(k)];
        }
    }

    if (given < shape.required) {
        for (std::size_t i = given; i < shape.required; ++i)
            if (slots[i] == nullptr) missing_required(shape, slots);
    }
}

}  // namespace vexari
