#include "in_place.hpp"

#include <utility>

namespace vexari {

namespace {

// A standard buffer of doubles that can be read as an array, or no hold.
DoubleBuffer contiguous_buffer(PyObject* object) {
    DoubleBuffer buffer = DoubleBuffer::of(object);
    if (buffer && buffer.contiguous()) return buffer;
    return DoubleBuffer();  // a strided buffer is released here and copied by to_vector
}

}  // namespace

InPlaceVector::InPlaceVector(PyObject* object, std::string_view name, bool defer)
    : list_(defer && PyList_CheckExact(object) ? object : nullptr),
      name_(name),
      buffer_(list_ == nullptr ? contiguous_buffer(object) : DoubleBuffer()) {
    if (list_ == nullptr && !buffer_) vector_ = to_vector(object);
}

void InPlaceVector::settle() {
    if (list_ == nullptr) return;
    try {
        vector_ = to_vector(std::exchange(list_, nullptr));
    } catch (const PythonError&) {
        rethrow_naming_argument(name_);
    }
}

InPlaceMatrix::InPlaceMatrix(PyObject* object, std::string_view name, bool defer) : name_(name) {
#ifndef Py_GIL_DISABLED
    if (defer && PyList_CheckExact(object)) {
        list_ = object;
        return;
    }
#else
    (void)defer;
#endif
    matrix_ = to_matrix(object);
}

void InPlaceMatrix::settle() {
    if (list_ == nullptr) return;
    try {
        matrix_ = to_matrix(std::exchange(list_, nullptr));
    } catch (const PythonError&) {
        rethrow_naming_argument(name_);
    }
}

}  // namespace vexari
