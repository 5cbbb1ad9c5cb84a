#include "list_view.hpp"

#include <cstdint>

namespace vexari {

bool holds_only_floats(PyObject* list) noexcept {
    PyObject* const* items = reinterpret_cast<PyListObject*>(list)->ob_item;
    const Py_ssize_t size = PyList_GET_SIZE(list);
    // Eight types at a time with no branch between them, so that their loads
    // overlap instead of waiting on one another.
    const auto float_type = reinterpret_cast<std::uintptr_t>(&PyFloat_Type);
    const auto differs = [&](Py_ssize_t i) { return reinterpret_cast<std::uintptr_t>(Py_TYPE(items[i])) ^ float_type; };
    Py_ssize_t i = 0;
    for (; i + 8 <= size; i += 8) {
        if ((differs(i) | differs(i + 1) | differs(i + 2) | differs(i + 3) | differs(i + 4) | differs(i + 5) |
             differs(i + 6) | differs(i + 7)) != 0)
            return false;
    }
    for (; i < size; ++i)
        if (differs(i) != 0) return false;
    return true;
}

bool holds_only_float_rows(PyObject* list) noexcept {
    PyObject* const* rows = reinterpret_cast<PyListObject*>(list)->ob_item;
    const Py_ssize_t size = PyList_GET_SIZE(list);
    for (Py_ssize_t i = 0; i < size; ++i)
        if (!PyList_CheckExact(rows[i]) || !holds_only_floats(rows[i])) return false;
    return true;
}

}  // namespace vexari
