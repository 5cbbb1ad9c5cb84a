#include "double_buffer.hpp"


#include <bit>
#include <cstring>
#include <string_view>

namespace vexari {

namespace {

bool is_native_double_format(const char* format) {
    if (format == nullptr) return false;  // no format asked for means unsigned bytes
    if (format[0] == '@' || format[0] == '=' || (format[0] == '<' && std::endian::native == std::endian::little) ||
        (format[0] == '>' && std::endian::native == std::endian::big))
        ++format;
    return format[0] == 'd' && format[1] == '\0';
}

// Matched by the type's full C name, which costs no allocation (asking for
// the module and the name would make two strings a call); a class written in
// Python carries only its own name there, so it cannot pass for one of these.
bool exports_doubles_by_iteration(PyObject* object) {
    PyTypeObject* type = Py_TYPE(object);
    if (type == &PyMemoryView_Type) return true;
    const std::string_view name = type->tp_name;
    return name == "array.array" || name == "numpy.ndarray";
}

}  // namespace

DoubleBuffer DoubleBuffer::of(PyObject* object) {
    DoubleBuffer buffer;
    if (!PyObject_CheckBuffer(object) || !exports_doubles_by_iteration(object)) return buffer;
    if (PyObject_GetBuffer(object, &buffer.view_, PyBUF_RECORDS_RO) != 0) {
        PyErr_Clear();
        return buffer;
    }
    const Py_buffer& view = buffer.view_;
    if (view.ndim != 1 || view.itemsize != sizeof(double) || !is_native_double_format(view.format)) {
        PyBuffer_Release(&buffer.view_);
        return buffer;
    }
    buffer.data_ = static_cast<const char*>(view.buf);
    buffer.size_ = static_cast<std::size_t>(view.shape[0]);
    buffer.stride_ = view.strides[0];
    buffer.held_ = true;
    return buffer;
}

double DoubleBuffer::operator[](std::size_t i) const noexcept {
    double value;
    std::memcpy(&value, data_ + static_cast<Py_ssize_t>(i) * stride_, sizeof value);
    return value;
}

}  // namespace vexari
