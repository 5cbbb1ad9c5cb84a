#include "api/callback.hpp"

#include "guard.hpp"

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
