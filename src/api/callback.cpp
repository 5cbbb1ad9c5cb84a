#include "api/callback.hpp"

#include "guard.hpp"

namespace vexari::api {

void ErrorSlot::park() {
    PyObject* raised = PyErr_GetRaisedException();
    if (raised != nullptr && PyErr_GivenExceptionMatches(raised, panic_type())) {
        PySys_WriteStderr("vexari: a callback raised PanicException; the call ends here\n");
        PyErr_DisplayException(raised);
        PyErr_SetRaisedException(raised);
        throw_python_error();
    }
    exception_ = Ref::steal(raised);
}

void ErrorSlot::raise_failure(std::string_view message) {
    if (exception_ && !PyErr_GivenExceptionMatches(exception_.get(), PyExc_Exception)) raise_if_holding();
    Ref cause = std::move(exception_);
    Ref text = checked(PyUnicode_FromStringAndSize(message.data(), static_cast<Py_ssize_t>(message.size())));
    // Set as raise() sets it, so an exception being handled becomes its context.
    PyErr_SetObject(PyExc_ValueError, text.get());
    if (cause) {
        PyObject* failure = PyErr_GetRaisedException();
        PyException_SetCause(failure, cause.release());  // takes the reference
        PyErr_SetRaisedException(failure);
    }
    throw_python_error();
}

PyObject* callback_detail::new_float_list(const Vector& values) noexcept {
    PyObject* list = PyList_New(static_cast<Py_ssize_t>(values.size()));
    if (list == nullptr) return nullptr;
    for (std::size_t i = 0; i < values.size(); ++i) {
        PyObject* item = PyFloat_FromDouble(values[i]);
        if (item == nullptr) {
            Py_DECREF(list);
            return nullptr;
        }
        PyList_SET_ITEM(list, static_cast<Py_ssize_t>(i), item);
    }
    return list;
}

void VectorVector::operator()(const Vector& v, Vector& out) const {
    using namespace callback_detail;
    out.clear();
    if (stopped()) return;
    PyObject* list = new_float_list(v);
    if (list == nullptr) {
        slot_->park();
        return;
    }
    PyObject* arguments[2] = {nullptr, list};
    Ref result = Ref::steal(call(callable_, arguments + 1, 1));
    Py_DECREF(list);
    if (!result) {
        slot_->park();
        return;
    }
    try {
        read_vector_into(result.get(), out);
    } catch (const PythonError&) {
        out.clear();
        slot_->park();
    }
}

Vector VectorVector::operator()(const Vector& v) const {
    Vector out;
    (*this)(v, out);
    return out;
}

}  // namespace vexari::api
