#pragma once
// Process-wide objects created on first use. The module runs without the GIL,
// so creation is a lock-free once: every racing thread may build a candidate,
// exactly one is published and the others are dropped. No thread ever waits,
// so there is no lock to deadlock on while the interpreter switches threads.

#include "fixed_string.hpp"
#include "python_error.hpp"

#include <atomic>

namespace vexari {

// Make returns a new reference, or NULL with an exception set. The published
// object lives for the rest of the process.
template <class Make>
PyObject* create_once(std::atomic<PyObject*>& cell, Make&& make) {
    if (PyObject* existing = cell.load(std::memory_order_acquire)) return existing;
    PyObject* candidate = make();
    if (candidate == nullptr) throw_python_error();
    PyObject* expected = nullptr;
    if (cell.compare_exchange_strong(expected, candidate, std::memory_order_acq_rel, std::memory_order_acquire))
        return candidate;
    Py_DECREF(candidate);
    return expected;
}

// The interned str for a name known at compile time, e.g. a result dict key.
template <FixedString Name>
PyObject* interned() {
    static constinit std::atomic<PyObject*> cell{nullptr};
    return create_once(cell, [] { return PyUnicode_InternFromString(Name.c_str()); });
}

}  // namespace vexari
