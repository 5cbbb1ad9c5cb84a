#include "api/callback.hpp"

#include "guard.hpp"

#include <string>

namespace vexari::api {

void ErrorSlot::take_pending() {
    PyObject* raised = PyErr_GetRaisedException();
    if (raised != nullptr && PyErr_GivenExceptionMatches(raised, panic_type())) {
        PySys_WriteStderr("vexari: a callback raised PanicException; the call ends here\n");
        PyErr_DisplayException(raised);
        PyErr_SetRaisedException(raised);
        throw_python_error();
    }
    exception_ = Ref::steal(raised);
}

void ErrorSlot::raise_failure(const core::Error& error) {
    if (exception_ && (error.kind == core::ErrorKind::stopped || error.kind == core::ErrorKind::callback_shape ||
                       !PyErr_GivenExceptionMatches(exception_.get(), PyExc_Exception)))
        raise_if_holding();
    Ref cause = std::move(exception_);
    set_error(error);
    if (cause) {
        PyObject* failure = PyErr_GetRaisedException();
        PyException_SetCause(failure, cause.release());  // takes the reference
        PyErr_SetRaisedException(failure);
    }
    throw_python_error();
}

bool ErrorSlot::start_detached() {
    if (PyErr_CheckSignals() != 0) {
        take_pending();
        return true;
    }
    run_.detach();
    return false;
}

bool ErrorSlot::interrupted_while_detached() {
    run_.attach();
    if (PyErr_CheckSignals() == 0) {
        run_.detach();
        return false;
    }
    take_pending();  // the run ends attached
    return true;
}

CompiledFunction compiled_for(const Callable& callable, Shape shape) {
    if (!callable.compiled || callable.compiled.shape() == shape) return callable.compiled;
    if (PyCallable_Check(callable.get())) return {};
    const std::string message = "argument '" + std::string(callable.name) + "': a compiled function of signature '" +
                                std::string(text_of(callable.compiled.signature).text) +
                                "' where this function calls one of " + accepted_signatures(shape);
    raise(PyExc_TypeError, message);
}

double VectorScalar::compiled(const Vector& v) const {
    if (slot_->compiled_stopped(let_go_) || v.size() > INT_MAX) return callback_detail::nan;
    Vector& input = slot_->compiled_input(v);
    const int n = static_cast<int>(input.size());
    if (takes_user_data()) return entry<double(int, double*, void*)>()(n, input.data(), compiled_.user_data);
    return entry<double(int, double*)>()(n, input.data());
}

// The function writes at most `room` values and returns how many it has; one
// that has more is called again at the same point with room for them all. A
// negative count answers the empty Vector, as a failed Python call does.
void VectorVector::compiled(const Vector& v, Vector& out) const {
    out.clear();
    if (slot_->compiled_stopped(let_go_) || v.size() > INT_MAX) return;
    std::size_t& room = slot_->output_room();
    while (true) {
        Vector& input = slot_->compiled_input(v);
        out.resize(room);
        const int n = static_cast<int>(input.size());
        const int m = static_cast<int>(room);
        const int count = takes_user_data()
                              ? entry<int(int, double*, int, double*, void*)>()(n, input.data(), m, out.data(),
                                                                                compiled_.user_data)
                              : entry<int(int, double*, int, double*)>()(n, input.data(), m, out.data());
        if (count < 0) {
            out.clear();
            return;
        }
        if (static_cast<std::size_t>(count) <= room) {
            out.resize(static_cast<std::size_t>(count));
            return;
        }
        room = static_cast<std::size_t>(count);
    }
}

Ref callback_detail::new_float_list(const Vector& values) noexcept {
    Ref list = Ref::steal(PyList_New(static_cast<Py_ssize_t>(values.size())));
    if (!list) return list;
    for (std::size_t i = 0; i < values.size(); ++i) {
        PyObject* item = PyFloat_FromDouble(values[i]);
        if (item == nullptr) return {};
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item);
    }
    return list;
}

void VectorVector::operator()(const Vector& v, Vector& out) const {
    if (compiled_) return compiled(v, out);
    out.clear();
    if (stopped()) return;
    const Ref result = call(callback_detail::new_float_list(v));
    if (!result) return;
    try {
        read_vector_into(result.get(), out);
    } catch (const PythonError&) {
        out.clear();
        slot_->take_pending();
    }
}

Vector VectorVector::operator()(const Vector& v) const {
    Vector out;
    (*this)(v, out);
    return out;
}

}  // namespace vexari::api
