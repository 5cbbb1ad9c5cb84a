#pragma once
// The call guard: every entry from the interpreter runs its body through here.
// A Python exception already set passes through; running out of memory becomes
// MemoryError; any other failure of our own code becomes PanicException, so no
// internal fault ends the process.

#include "python_error.hpp"


namespace vexari {

// The PanicException class, created on first need.
PyObject* panic_type() noexcept;

// Sets PanicException with the given text (a generic one when empty).
void set_panic(const char* message) noexcept;

// Called in a catch block: sets the Python exception for the C++ exception
// being handled. A PythonError has it set already; bad_alloc is MemoryError;
// anything else is PanicException.
void translate_current_exception() noexcept;

// Body returns a Ref; the guard hands over its reference, or NULL with an exception set.
template <class Body>
PyObject* guarded(Body&& body) noexcept {
    try {
        return body().release();
    } catch (...) {
        translate_current_exception();
    }
    return nullptr;
}

// The same guard for steps that report by status (0 or -1), such as module execution.
template <class Body>
int guarded_status(Body&& body) noexcept {
    try {
        body();
        return 0;
    } catch (...) {
        translate_current_exception();
    }
    return -1;
}

}  // namespace vexari
