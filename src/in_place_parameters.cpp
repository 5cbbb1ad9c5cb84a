#include "in_place_parameters.hpp"

namespace vexari {

InPlaceVector::InPlaceVector(PyObject* object, std::string_view name, bool defer)
    : DeferredList(defer && PyList_CheckExact(object) ? object : nullptr, name),
      buffer_(deferred() ? DoubleBuffer() : read_vector_or_buffer(object, vector_)) {}

void InPlaceVector::convert_deferred() {
    convert_deferred_into<Vector, to_vector>(vector_);
    if (const DoubleBuffer* buffer = widening()) {
        vector_.resize(buffer->size());
        buffer->widen_into(0, buffer->size(), vector_.data());
    }
}

// The rows of a list cannot all be locked at once, so a free-threaded build
// converts them at once instead.
#ifdef Py_GIL_DISABLED
constexpr bool rows_may_wait = false;
#else
constexpr bool rows_may_wait = true;
#endif

InPlaceMatrix::InPlaceMatrix(PyObject* object, std::string_view name, bool defer)
    : DeferredList(rows_may_wait && defer && PyList_CheckExact(object) ? object : nullptr, name) {
    if (!deferred()) matrix_ = to_matrix(object);
}

}  // namespace vexari
