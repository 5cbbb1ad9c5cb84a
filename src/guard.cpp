#include "guard.hpp"

#include "lazy.hpp"

#include <exception>
#include <new>

namespace vexari {

namespace {

constexpr const char* generic_panic_message = "internal failure in vexari";

}  // namespace

PyObject* panic_type() noexcept {
    static constinit std::atomic<PyObject*> cell{nullptr};
    if (PyObject* existing = cell.load(std::memory_order_acquire)) return existing;
    try {
        return create_once(cell, [] {
            return PyErr_NewExceptionWithDoc(
                "vexari.PanicException",
                "Raised when vexari meets an internal failure: a broken invariant in the "
                "library itself, never a fault of the caller's data. Derived from "
                "BaseException, so `except Exception` does not catch it.",
                PyExc_BaseException, nullptr);
        });
    } catch (const PythonError&) {
        Py_FatalError("Failed to initialize new exception type.");
    }
}

void set_panic(const char* message) noexcept {
    PyErr_SetString(panic_type(), message != nullptr && *message != '\0' ? message : generic_panic_message);
}

void translate_current_exception() noexcept {
    try {
        throw;
    } catch (const PythonError&) {
        // A PythonError without a pending exception is itself a broken invariant.
        if (!PyErr_Occurred()) set_panic("error reported without a Python exception");
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& failure) {
        set_panic(failure.what());
    } catch (...) {
        set_panic(nullptr);
    }
}

}  // namespace vexari
